// The numbered keys that the package builder writes into the component sections and the
// installer reads back, and the keys of the uninstall log that the installer writes and the
// uninstaller reads. All three form their keys from this one table, so that writer and
// readers cannot drift apart.
//
//   component section, e.g. [Component0]       uninstall log, [Nuvex] of uninst.ini
//   +-----------+--------------+----------+    +-----------+-----------+
//   | family    | index        | suffix   |    | family    | number    |
//   | "file"    | "%4.4d" 0007 | "crc"    |    | "file"    | "%6.6d"   |
//   | "start"   | "%2.2d" 03   | "title"  |    | "startdir"| 000001    |
//   +-----------+--------------+----------+    +-----------+-----------+
//   file0007crc, start03title, dir0000          file000017, startdir000001
#pragma once

#include <cstddef>

namespace nuvex {

// ---- Component entries ------------------------------------------------------------------

enum class EntryFamily {
    kDir,
    kFile,
    kWin,
    kSys,
    kStartDir,
    kStart,
    kDesktop,
    kQuickl,
    kReg,
    kRun,
    kTree,  // the builder's own: a folder tree it turns into dir and file entries
};

struct EntryFamilyInfo {
    EntryFamily family;
    const char* name;  // key prefix, lower case
    int digits;        // of the index, zero-padded
    int maxIndex;      // the last index a reader visits
};

inline constexpr int kMaxIndex4 = 9999;
inline constexpr int kMaxIndex2 = 99;

// In the order of EntryFamily.
inline constexpr EntryFamilyInfo kEntryFamilies[] = {
    {EntryFamily::kDir, "dir", 4, kMaxIndex4},
    {EntryFamily::kFile, "file", 4, kMaxIndex4},
    {EntryFamily::kWin, "win", 4, kMaxIndex4},
    {EntryFamily::kSys, "sys", 4, kMaxIndex4},
    {EntryFamily::kStartDir, "startdir", 2, kMaxIndex2},
    {EntryFamily::kStart, "start", 2, kMaxIndex2},
    {EntryFamily::kDesktop, "desktop", 2, kMaxIndex2},
    {EntryFamily::kQuickl, "quickl", 2, kMaxIndex2},
    {EntryFamily::kReg, "reg", 2, kMaxIndex2},
    {EntryFamily::kRun, "run", 2, kMaxIndex2},
    {EntryFamily::kTree, "tree", 2, kMaxIndex2},
};

constexpr const EntryFamilyInfo& InfoOf(EntryFamily family) {
    return kEntryFamilies[static_cast<int>(family)];
}

// The families the installer reads, in the order the builder reports them.
inline constexpr EntryFamily kInstallerFamilies[] = {
    EntryFamily::kDir,      EntryFamily::kFile,  EntryFamily::kWin,     EntryFamily::kSys,
    EntryFamily::kStartDir, EntryFamily::kStart, EntryFamily::kDesktop, EntryFamily::kQuickl,
    EntryFamily::kReg,      EntryFamily::kRun};

// The families whose entries carry payload, in the order a slot's files are extracted.
inline constexpr EntryFamily kPayloadFamilies[] = {EntryFamily::kFile, EntryFamily::kWin,
                                                   EntryFamily::kSys};

constexpr bool IsPayloadFamily(EntryFamily family) {
    return family == EntryFamily::kFile || family == EntryFamily::kWin ||
           family == EntryFamily::kSys;
}

// The attributes of a payload entry, 32-bit unsigned decimals the builder generates.
inline constexpr char kSuffixLength[] = "length";
inline constexpr char kSuffixOrigLen[] = "origlen";
inline constexpr char kSuffixCrc[] = "crc";
inline constexpr char kSuffixOffset[] = "offset";
// The attributes of a shortcut entry (start, desktop, quickl), texts.
inline constexpr char kSuffixTitle[] = "title";
inline constexpr char kSuffixArgs[] = "args";
// The builder's own attribute of a payload entry: the source file it packs.
inline constexpr char kSuffixSource[] = "source";

constexpr bool IsShortcutFamily(EntryFamily family) {
    return family == EntryFamily::kStart || family == EntryFamily::kDesktop ||
           family == EntryFamily::kQuickl;
}

// The family's name, the index zero-padded to the family's digits, and `suffix`:
// "file0007", "file0007length", "start03title". False (and `out` empty) when the key does
// not fit `size` bytes with its terminator.
bool FormatEntryKey(char* out, std::size_t size, EntryFamily family, int index,
                    const char* suffix = "");

// ---- Uninstall log ----------------------------------------------------------------------

inline constexpr char kLogSection[] = "Nuvex";

// Header keys, written once before the numbered families; the last two only when switched on.
inline constexpr char kLogProductKey[] = "uninstallreg";
inline constexpr char kLogButtonText[] = "szButtonUnInstall";
inline constexpr char kLogLabelText[] = "szLabelUninst";
inline constexpr char kLogBodyText[] = "szTextUninst";
inline constexpr char kLogUnattended[] = "unattended";
inline constexpr char kLogRemoveUninstaller[] = "removeuninstaller";

// The numbered families of the log, each counted on its own. The dir family's number 0 is
// the target folder, written with the header, and startdir's is the Start menu group,
// written when the group is made: the recorded items of both start at 1. Files and shortcut
// files start at 0.
enum class LogFamily { kDir, kFile, kStartDir, kStartFile };

struct LogFamilyInfo {
    LogFamily family;
    const char* name;
    int firstRecorded;
};

// In the order of LogFamily.
inline constexpr LogFamilyInfo kLogFamilies[] = {
    {LogFamily::kDir, "dir", 1},
    {LogFamily::kFile, "file", 0},
    {LogFamily::kStartDir, "startdir", 1},
    {LogFamily::kStartFile, "startfile", 0},
};

constexpr const LogFamilyInfo& InfoOf(LogFamily family) {
    return kLogFamilies[static_cast<int>(family)];
}

// Six digits: the uninstaller reads no number past 999999.
inline constexpr int kLogDigits = 6;
inline constexpr int kLogNumberLimit = 1000000;
inline constexpr std::size_t kLogKeySize = 32;

// The family's name and `number` zero-padded to six digits: "file000017". A number of seven
// digits is formed as it is (the uninstaller stops before it). False (and `out` empty) for
// a negative number or a key that does not fit `size` bytes with its terminator.
bool FormatLogKey(char* out, std::size_t size, LogFamily family, int number);

}  // namespace nuvex
