#include "numbered_keys.h"

#include <cstdio>

namespace nuvex {

namespace {

template <typename Info, std::size_t N>
constexpr bool InEnumOrder(const Info (&table)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(table[i].family) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InEnumOrder(kEntryFamilies), "InfoOf indexes the table by the family");
static_assert(InEnumOrder(kLogFamilies), "InfoOf indexes the table by the family");

// snprintf into `out`, which is left empty unless the whole key fits.
template <typename... Args>
bool FormatWhole(char* out, std::size_t size, const char* format, Args... args) {
    if (size == 0) {
        return false;
    }
    const int written = std::snprintf(out, size, format, args...);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace

bool FormatEntryKey(char* out, std::size_t size, EntryFamily family, int index,
                    const char* suffix) {
    const EntryFamilyInfo& info = InfoOf(family);
    // Width and precision both the family's digits: "%4.4d", "%2.2d".
    return FormatWhole(out, size, "%s%*.*d%s", info.name, info.digits, info.digits, index, suffix);
}

bool FormatLogKey(char* out, std::size_t size, LogFamily family, int number) {
    if (number < 0) {
        if (size > 0) {
            out[0] = '\0';
        }
        return false;
    }
    return FormatWhole(out, size, "%s%*.*d", InfoOf(family).name, kLogDigits, kLogDigits, number);
}

}  // namespace nuvex
