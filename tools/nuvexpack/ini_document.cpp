#include "ini_document.h"

#include <cstring>

namespace nuvex::pack {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

IniLine ClassifyLine(int number, std::string_view raw) {
    IniLine line;
    line.number = number;
    line.raw = std::string(raw);
    std::string_view t = TrimBlanks(raw);
    if (t.empty()) {
        line.kind = IniLine::Kind::kBlank;
    } else if (t.front() == ';') {
        line.kind = IniLine::Kind::kComment;
    } else if (t.front() == '[') {
        std::size_t close = t.rfind(']');
        if (close == std::string_view::npos) {
            line.kind = IniLine::Kind::kOther;
        } else {
            line.kind = IniLine::Kind::kSection;
            line.name = std::string(t.substr(1, close - 1));
        }
    } else {
        std::size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            line.kind = IniLine::Kind::kOther;
            line.name = std::string(t);
        } else {
            line.kind = IniLine::Kind::kKey;
            line.name = std::string(TrimBlanks(t.substr(0, eq)));
            line.value = std::string(TrimBlanks(t.substr(eq + 1)));
        }
    }
    return line;
}

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    int number = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            continue;
        }
        visit(TextLine{number++, text.substr(start, i - start)});
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        visit(TextLine{number, text.substr(start)});
    }
}

std::vector<TextLine> SplitLines(std::string_view text) {
    std::vector<TextLine> lines;
    ForEachLine(text, [&](const TextLine& tl) { lines.push_back(tl); });
    return lines;
}

IniDocument IniDocument::Parse(std::string_view text, const KeepFn& keep) {
    IniDocument doc;
    doc.sections.emplace_back();
    bool dropping = static_cast<bool>(keep);  // lines before the first header are never read
    ForEachLine(text, [&](const TextLine& tl) {
        IniLine line = ClassifyLine(tl.number, tl.text);
        if (keep) {
            if (line.kind == IniLine::Kind::kSection) {
                dropping = doc.FindSection(line.name) != nullptr || !keep(line.name, {});
                if (dropping) {
                    return;
                }
            } else if (dropping || line.kind != IniLine::Kind::kKey ||
                       !keep(doc.sections.back().name, line.name)) {
                return;
            }
            std::string().swap(line.raw);
        }
        if (line.kind == IniLine::Kind::kSection) {
            IniSection s;
            s.name = line.name;
            s.headerLine = line.number;
            s.headerRaw = line.raw;
            doc.sections.push_back(std::move(s));
            return;
        }
        doc.sections.back().body.push_back(std::move(line));
    });
    return doc;
}

const IniSection* IniDocument::FindSection(std::string_view name) const {
    for (std::size_t i = 1; i < sections.size(); ++i) {
        if (EqualsNoCase(sections[i].name, name)) {
            return &sections[i];
        }
    }
    return nullptr;
}

const IniLine* IniDocument::FindKey(const IniSection& section, std::string_view key) {
    for (const IniLine& line : section.body) {
        if (line.kind == IniLine::Kind::kKey && EqualsNoCase(line.name, key)) {
            return &line;
        }
    }
    return nullptr;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const IniSection* s = FindSection(section);
    if (s == nullptr) {
        return std::nullopt;
    }
    const IniLine* line = FindKey(*s, key);
    if (line == nullptr) {
        return std::nullopt;
    }
    return ProfileValue(line->value);
}

std::size_t IniProfile::Text(const char* section, const char* key, const char* def, char* dest,
                             std::size_t size) const {
    if (size == 0) {
        return 0;
    }
    std::optional<std::string> found = doc_.Get(section, key);
    std::string_view value = found ? std::string_view(*found) : std::string_view(def);
    value = value.substr(0, value.find('\0'));
    const std::size_t n = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(dest, value.data(), n);
    dest[n] = '\0';
    return n;
}

int IniProfile::Number(const char* section, const char* key, int def) const {
    char value[64];
    if (Text(section, key, "", value, sizeof value) == 0) {
        return def;
    }
    return static_cast<int>(ProfileInt(value));
}

std::string ProfileValue(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return std::string(value.substr(1, value.size() - 2));
    }
    return std::string(value);
}

long long ProfileInt(std::string_view value) {
    std::string_view t = TrimBlanks(value);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    long long n = 0;
    for (char c : t) {
        if (c < '0' || c > '9') {
            break;
        }
        if (n < 1000000000000LL) {
            n = n * 10 + (c - '0');
        }
    }
    return negative ? -n : n;
}

}  // namespace nuvex::pack
