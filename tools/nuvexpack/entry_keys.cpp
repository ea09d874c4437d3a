#include "entry_keys.h"

#include <cstdio>
#include <iterator>

#include "ini_document.h"

namespace nuvex::pack {

namespace {

// Longest prefixes first, so that "startdir00" is not read as "start" + "dir00".
const Family kMatchOrder[] = {Family::kStartDir, Family::kDesktop, Family::kQuickl, Family::kStart,
                              Family::kFile,     Family::kTree,    Family::kDir,    Family::kWin,
                              Family::kSys,      Family::kReg,     Family::kRun};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const std::vector<Family>& InstallerFamilies() {
    static const std::vector<Family> families(std::begin(kInstallerFamilies),
                                              std::end(kInstallerFamilies));
    return families;
}

const std::vector<Family>& PayloadFamilies() {
    static const std::vector<Family> families(std::begin(kPayloadFamilies),
                                              std::end(kPayloadFamilies));
    return families;
}

KeyMatch ParseEntryKey(std::string_view key, EntryKey* out) {
    std::string lower = ToLower(key);
    for (Family f : kMatchOrder) {
        const FamilyInfo& info = InfoOf(f);
        std::string_view prefix = info.name;
        if (lower.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        std::size_t pos = prefix.size();
        std::size_t end = pos;
        while (end < lower.size() && IsDigit(lower[end])) {
            ++end;
        }
        std::size_t digits = end - pos;
        if (digits == 0) {
            continue;
        }
        out->family = f;
        out->suffix = lower.substr(end);
        if (digits == static_cast<std::size_t>(info.digits)) {
            out->index = std::stoi(lower.substr(pos, digits));
            return KeyMatch::kEntry;
        }
        // Long enough runs of digits are read whole: "start100" is entry 100, not entry 10
        // with a suffix "0".
        long long value = 0;
        for (std::size_t i = pos; i < end && value <= info.maxIndex; ++i) {
            value = value * 10 + (lower[i] - '0');
        }
        out->index = value > info.maxIndex ? info.maxIndex + 1 : static_cast<int>(value);
        return value > info.maxIndex ? KeyMatch::kIndexTooLarge : KeyMatch::kWrongDigits;
    }
    return KeyMatch::kNone;
}

std::string EntryKeyName(Family family, int index, std::string_view suffix) {
    char buf[64];
    FormatEntryKey(buf, sizeof buf, family, index);
    return std::string(buf) + std::string(suffix);
}

bool IsGeneratedSuffix(std::string_view suffix) {
    return suffix == kSuffixLength || suffix == kSuffixOrigLen || suffix == kSuffixCrc ||
           suffix == kSuffixOffset;
}

bool KnownSuffix(Family family, std::string_view suffix) {
    if (suffix.empty()) {
        return true;
    }
    switch (family) {
        case Family::kFile:
        case Family::kWin:
        case Family::kSys:
            return IsGeneratedSuffix(suffix) || suffix == kSuffixSource;
        case Family::kStart:
        case Family::kDesktop:
        case Family::kQuickl:
            return suffix == kSuffixArgs || suffix == kSuffixTitle;
        default:
            return false;
    }
}

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            std::string_view part = path.substr(start, i - start);
            if (!part.empty() && part != ".") {
                parts.emplace_back(part);
            }
            start = i + 1;
        }
    }
    return parts;
}

std::string JoinBackslash(const std::vector<std::string>& parts, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count && i < parts.size(); ++i) {
        if (i > 0) {
            out += '\\';
        }
        out += parts[i];
    }
    return out;
}

bool PathPartsLess(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return a < b;
}

namespace {

// Windows opens a device for these names in any folder and with any extension: "aux.txt"
// is the AUX device. The digits include the Latin-1 superscripts, which Windows also maps.
bool IsReservedDeviceName(std::string_view part) {
    std::string_view stem = part.substr(0, part.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    std::string lower = ToLower(stem);
    for (const char* name : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (lower == name) {
            return true;
        }
    }
    if (lower.size() == 4 && (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0)) {
        unsigned char digit = static_cast<unsigned char>(lower[3]);
        return IsDigit(lower[3]) || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

}  // namespace

std::string CheckEntryPath(std::string_view path) {
    if (path.empty()) {
        return "is empty";
    }
    if (path.front() == '*') {
        return "starts with \"*\"";
    }
    if (path.front() == '\\' || path.front() == '/') {
        return "is an absolute path";
    }
    if (path.size() >= 2 && path[1] == ':') {
        return "starts with a drive letter";
    }
    for (char c : path) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
            c == '*') {
            char what[48];
            if (u < 0x20) {
                std::snprintf(what, sizeof what, "control character 0x%02X", u);
            } else {
                std::snprintf(what, sizeof what, "character '%c'", c);
            }
            return std::string("contains the ") + what + ", which Windows does not allow in names";
        }
    }
    std::vector<std::string> parts = SplitPath(path);
    for (const std::string& part : parts) {
        if (part == "..") {
            return "climbs out of its folder with \"..\"";
        }
    }
    for (const std::string& part : parts) {
        if (part.back() == '.' || part.back() == ' ') {
            return "has the name \"" + part +
                   "\", which ends in a dot or a space that Windows drops";
        }
        if (IsReservedDeviceName(part)) {
            return "has the name \"" + part + "\", which Windows reserves for a device";
        }
    }
    if (parts.empty()) {
        return "names no file or folder";
    }
    return {};
}

}  // namespace nuvex::pack
