#include "profile_text.h"

#include <cstdlib>
#include <cstring>

namespace nuvex {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr uint32_t kSections = 0xFFFFFFFEu;  // the "section" of section records
constexpr uint32_t kNoValue = 0xFFFFFFFFu;
// Offsets are 32-bit; an installer script or log is far below this.
constexpr std::size_t kMaxText = 0x7FFFFFF0u;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

uint32_t HashName(uint32_t section, const char* name, std::size_t length) {
    uint32_t h = 2166136261u ^ section;
    for (std::size_t i = 0; i < length; ++i) {
        h = (h ^ static_cast<unsigned char>(LowerAscii(name[i]))) * 16777619u;
    }
    return h;
}

bool EqualNoCase(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Cuts a span at its first NUL: names and values are C strings once parsed.
uint32_t CutAtNul(const char* start, uint32_t length) {
    const void* nul = std::memchr(start, '\0', length);
    return nul ? static_cast<uint32_t>(static_cast<const char*>(nul) - start) : length;
}

// A request's name without the blanks around it, as the profile functions compare it.
const char* TrimRequest(const char* name, std::size_t* length) {
    if (!name) {
        *length = 0;
        return "";
    }
    while (IsProfileBlank(static_cast<unsigned char>(*name))) {
        ++name;
    }
    std::size_t n = std::strlen(name);
    while (n > 0 && IsProfileBlank(static_cast<unsigned char>(name[n - 1]))) {
        --n;
    }
    *length = n;
    return name;
}

// Copies a value as the profile functions hand it out: a value of at least two characters
// between matching quotes loses them. The closing quote is taken off the copy when the
// buffer holds at least as many characters as the value has after the opening quote, so a
// buffer of exactly that size loses the value's last character too (Wine's rule).
std::size_t CopyValue(const char* value, std::size_t length, char* dest, std::size_t size) {
    bool quoted = false;
    if (length >= 2 && (value[0] == '"' || value[0] == '\'') && value[length - 1] == value[0]) {
        quoted = true;
        ++value;
        --length;
    }
    std::size_t n = length < size - 1 ? length : size - 1;
    std::memcpy(dest, value, n);
    if (quoted && size >= length && n > 0) {
        --n;
    }
    dest[n] = '\0';
    return n;
}

}  // namespace

struct ProfileText::Record {
    uint32_t hash;
    uint32_t section;  // record index of the section, or kSections for a section record
    uint32_t nameStart;
    uint32_t nameLength;
    uint32_t valueStart;
    uint32_t valueLength;  // kNoValue for a line without "="
};

bool IsProfileBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; }

ProfileText::~ProfileText() { Clear(); }

void ProfileText::Clear() {
    std::free(text_);
    std::free(records_);
    std::free(slots_);
    text_ = nullptr;
    records_ = nullptr;
    slots_ = nullptr;
    recordCount_ = 0;
    slotMask_ = 0;
    parsed_ = false;
}

char* ProfileText::Reserve(std::size_t size) {
    Clear();
    if (size > kMaxText) {
        return nullptr;
    }
    text_ = static_cast<char*>(std::malloc(size + 1));
    return text_;
}

bool ProfileText::Parse(const char* text, std::size_t size) {
    char* room = Reserve(size);
    if (!room) {
        return false;
    }
    std::memcpy(room, text, size);
    return Parse(size);
}

bool ProfileText::Parse(std::size_t size) {
    if (!text_ || size > kMaxText) {
        return false;
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text_);
    // Byte order marks: the profile functions would read UTF-8 or UTF-16 text.
    const bool unicode = (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ||
                         (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) ||
                                        (bytes[0] == 0xFE && bytes[1] == 0xFF)));
    if (unicode || !Index(size)) {
        Clear();
        return false;
    }
    parsed_ = true;
    return true;
}

bool ProfileText::Index(std::size_t size) {
    std::size_t lines = 2;  // the section before the first header, and the last line
    for (std::size_t i = 0; i < size; ++i) {
        lines += text_[i] == '\n' || text_[i] == '\r';
    }
    std::size_t slots = 16;
    while (slots < lines * 2) {
        slots *= 2;
    }
    records_ = static_cast<Record*>(std::malloc(lines * sizeof(Record)));
    slots_ = static_cast<uint32_t*>(std::calloc(slots, sizeof(uint32_t)));
    if (!records_ || !slots_) {
        return false;
    }
    slotMask_ = static_cast<uint32_t>(slots - 1);

    // The lines before the first header form a section with an empty name. Keys of a
    // section whose name came before can never be found: they are not indexed.
    uint32_t section = recordCount_;
    Add(kSections, 0, 0, 0, kNoValue);
    std::size_t next = 0;
    while (next < size) {
        std::size_t start = next;
        std::size_t end = start;
        while (end < size && text_[end] != '\n' && text_[end] != '\r') {
            ++end;
        }
        next = end + 1;
        while (start < end && IsProfileBlank(static_cast<unsigned char>(text_[start]))) {
            ++start;
        }
        while (end > start && IsProfileBlank(static_cast<unsigned char>(text_[end - 1]))) {
            --end;
        }
        if (start == end) {
            continue;
        }
        if (text_[start] == '[') {
            std::size_t close = end;
            while (close > start && text_[close - 1] != ']') {
                --close;
            }
            if (close > start + 1) {  // "]" found after the "["
                const uint32_t nameStart = static_cast<uint32_t>(start + 1);
                const uint32_t nameLength =
                    CutAtNul(text_ + nameStart, static_cast<uint32_t>(close - 1 - nameStart));
                if (Find(kSections, text_ + nameStart, nameLength) == kNone) {
                    section = recordCount_;
                    Add(kSections, nameStart, nameLength, 0, kNoValue);
                } else {
                    section = kNone;
                }
                continue;
            }
        }
        if (section == kNone) {
            continue;
        }
        const void* eq = std::memchr(text_ + start, '=', end - start);
        std::size_t nameEnd =
            eq ? static_cast<std::size_t>(static_cast<const char*>(eq) - text_) : end;
        uint32_t valueStart = 0;
        uint32_t valueLength = kNoValue;
        if (eq) {
            std::size_t value = nameEnd + 1;
            while (value < end && IsProfileBlank(static_cast<unsigned char>(text_[value]))) {
                ++value;
            }
            valueStart = static_cast<uint32_t>(value);
            valueLength = CutAtNul(text_ + value, static_cast<uint32_t>(end - value));
            while (nameEnd > start &&
                   IsProfileBlank(static_cast<unsigned char>(text_[nameEnd - 1]))) {
                --nameEnd;
            }
        }
        const uint32_t nameLength = CutAtNul(text_ + start, static_cast<uint32_t>(nameEnd - start));
        if (Find(section, text_ + start, nameLength) == kNone) {
            Add(section, static_cast<uint32_t>(start), nameLength, valueStart, valueLength);
        }
    }
    return true;
}

void ProfileText::Add(uint32_t section, uint32_t nameStart, uint32_t nameLength,
                      uint32_t valueStart, uint32_t valueLength) {
    Record& r = records_[recordCount_];
    r.hash = HashName(section, text_ + nameStart, nameLength);
    r.section = section;
    r.nameStart = nameStart;
    r.nameLength = nameLength;
    r.valueStart = valueStart;
    r.valueLength = valueLength;
    uint32_t slot = r.hash & slotMask_;
    while (slots_[slot] != 0) {
        slot = (slot + 1) & slotMask_;
    }
    slots_[slot] = ++recordCount_;
}

uint32_t ProfileText::Find(uint32_t section, const char* name, std::size_t length) const {
    const uint32_t hash = HashName(section, name, length);
    for (uint32_t slot = hash & slotMask_; slots_[slot] != 0; slot = (slot + 1) & slotMask_) {
        const uint32_t index = slots_[slot] - 1;
        const Record& r = records_[index];
        if (r.hash == hash && r.section == section && r.nameLength == length &&
            EqualNoCase(text_ + r.nameStart, name, length)) {
            return index;
        }
    }
    return kNone;
}

std::size_t ProfileText::Text(const char* section, const char* key, const char* def, char* dest,
                              std::size_t size) const {
    if (size == 0) {
        return 0;
    }
    std::size_t sectionLength = 0, keyLength = 0;
    section = TrimRequest(section, &sectionLength);
    key = TrimRequest(key, &keyLength);
    if (!parsed_ || keyLength == 0) {
        dest[0] = '\0';
        return 0;
    }
    const uint32_t s = Find(kSections, section, sectionLength);
    const uint32_t k = s == kNone ? kNone : Find(s, key, keyLength);
    if (k != kNone && records_[k].valueLength != kNoValue) {
        return CopyValue(text_ + records_[k].valueStart, records_[k].valueLength, dest, size);
    }
    // The default loses its trailing spaces (spaces only, not other blanks).
    if (!def) {
        def = "";
    }
    std::size_t defLength = std::strlen(def);
    while (defLength > 0 && def[defLength - 1] == ' ') {
        --defLength;
    }
    return CopyValue(def, defLength, dest, size);
}

uint32_t ProfileText::Unsigned(const char* section, const char* key, int def) const {
    // The profile functions read the number's text into 30 characters.
    char value[30];
    if (Text(section, key, "", value, sizeof value) == 0) {
        return static_cast<uint32_t>(def);
    }
    return ProfileNumber(value);
}

uint32_t ProfileNumber(const char* value) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(value);
    while (*p != 0 && *p <= ' ') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    uint32_t base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'o' || p[1] == 'b')) {
        base = p[1] == 'x' ? 16 : p[1] == 'o' ? 8 : 2;
        p += 2;
    }
    uint32_t total = 0;
    for (;; ++p) {
        uint32_t digit;
        if (*p >= '0' && *p <= '9') {
            digit = *p - '0';
        } else if (*p >= 'a' && *p <= 'z') {
            digit = *p - 'a' + 10;
        } else if (*p >= 'A' && *p <= 'Z') {
            digit = *p - 'A' + 10;
        } else {
            break;
        }
        if (digit >= base) {
            break;
        }
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

}  // namespace nuvex
