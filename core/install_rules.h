// Rules of the installation that need no platform call: the space check, the folders above
// the target, the progress arithmetic of the extraction, the error report and the numbering
// of the uninstall log.
#pragma once

#include <cstddef>
#include <cstdint>

#include "numbered_keys.h"

namespace nuvex {

// One mebibyte of margin on top of what the components declare.
inline constexpr uint64_t kFreeSpaceMargin = 1048576;

// The sum over all `count` slots, selected or not.
uint64_t RequiredSpace(const uint64_t* perSlot, int count);

// True when `freeBytes` holds the required space plus the margin.
bool EnoughFreeSpace(uint64_t required, uint64_t freeBytes);

// Free bytes from the cluster counts of the older drive query, whose product of three
// 32-bit numbers passes 4 GiB on any larger disk: multiplied in 64 bits.
uint64_t ClusterBytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters);

// The uninstall entry's EstimatedSize: whole KB rounded up, so that a few bytes show as 1 KB
// rather than nothing; held at the largest 32-bit value the registry's DWORD takes.
uint32_t EstimatedSizeKb(uint64_t bytes);

// The root "X:\" of the drive the target folder is on; false when the folder does not start
// with a drive letter and a colon (a UNC or relative path), which has no such root.
bool DriveRoot(const char* targetFolder, char (&root)[4]);

// The folders above the target folder, as prefix lengths of the target path: one per
// backslash from the second on (the part before the first is the drive). Only the first
// kMaxBackslashes backslashes of the path are looked at.
inline constexpr int kMaxBackslashes = 256;
struct ParentFolders {
    int count = 0;
    uint16_t length[kMaxBackslashes] = {};
};
ParentFolders ParentFolderPrefixes(const char* targetFolder);

// The progress percentage at one stage of one payload entry: entry n of `total` counted
// entries. 12 + 83n/T at the start, plus a third and two thirds of 83/T after reading and
// inflating. Every value lies within 12..94. An entry the count did not see (n >= total,
// possible only when an empty entry value ended the count early, total 0 included) shows
// 94, so the bar never moves backwards and nothing divides by zero.
enum class EntryStage { kStart, kRead, kInflated };
int ExtractionProgress(int n, int total, EntryStage stage);

inline constexpr int kProgressAfterSpaceCheck = 1;
inline constexpr int kProgressAfterCount = 12;
inline constexpr int kProgressExtractionLast = 94;
inline constexpr int kProgressAfterExtraction = 95;
// The steps after the extraction, one percent each, set when the step is done: the folders
// of the Start menu group, then the Start menu, desktop and Quick Launch shortcuts. The bar
// is full only once the last cancel check has passed and everything is in place; the run
// entries open and the uninstaller's size is written after that.
inline constexpr int kProgressAfterStartMenuFolders = 96;
inline constexpr int kProgressAfterStartMenuShortcuts = 97;
inline constexpr int kProgressAfterDesktopShortcuts = 98;
inline constexpr int kProgressAfterQuickLaunchShortcuts = 99;
inline constexpr int kProgressComplete = 100;

// Where the progress window and its parts go, for the framed window style and the strip
// across the screen of the bar style. Child rectangles are in client coordinates.
struct Rect {
    int x, y, width, height;
};
struct ProgressLayout {
    Rect window;
    Rect statusLine;
    Rect cancel;
    Rect bar;
};
ProgressLayout ProgressWindowLayout(bool barStyle, int screenWidth, int screenHeight);

// The error report, "%s %s\n\n%s" from the frame text, the specific text and the closing
// text, in a `size`-byte buffer. When the three do not fit, the specific text matters most:
// the closing text is cut first, then the frame text, and the specific text last, each from
// its end. The result is always terminated.
inline constexpr std::size_t kErrorReportSize = 2048;
void ComposeErrorReport(char* out, std::size_t size, const char* textError, const char* specific,
                        const char* textError1);

// The question of the installation when a file cannot be written: the file's path between
// what happened and what Retry and Cancel do. A long path cuts the closing sentence first.
inline constexpr std::size_t kCannotWriteTextSize = 1024;
void ComposeCannotWriteText(char* out, std::size_t size, const char* path);

// The status line during a component's extraction: "%s %s." from the installing text and
// the component's title, cut to the buffer.
void ComposeComponentStatus(char* out, std::size_t size, const char* installingPart,
                            const char* title);

// True when the whole stream of `length` bytes at `offset` behind the payload base lies in
// a package file of `fileSize` bytes. Sums in 64 bits, so that no 32-bit value of a
// damaged script can wrap around to a position inside the file.
bool StreamInPackage(uint64_t fileSize, uint32_t payloadBase, uint32_t offset, uint32_t length);

// True when an entry value, a path relative to some folder, would lead out of it: a part
// between backslashes or slashes that is "..", or that the file system reads as ".." (dots
// and blanks with at least two dots, since trailing dots and blanks are dropped).
bool ClimbsOutOfFolder(const char* relative);

// The next number of each family of the uninstall log, from the family's first recorded one.
class LogNumbering {
public:
    // The key the next recorded item of `family` takes; the number advances only through
    // Advance, so an item that is not recorded takes none.
    int Peek(LogFamily family) const { return next_[Index(family)]; }
    void Advance(LogFamily family) { ++next_[Index(family)]; }

private:
    static int Index(LogFamily family) { return static_cast<int>(family); }
    int next_[4] = {InfoOf(LogFamily::kDir).firstRecorded, InfoOf(LogFamily::kFile).firstRecorded,
                    InfoOf(LogFamily::kStartDir).firstRecorded,
                    InfoOf(LogFamily::kStartFile).firstRecorded};
};

// The signed stub's own security directory and checksum, which the package builder records
// in the script: in a signed package the PE header points at the package's certificate
// table, beyond the end of the stub.
struct StubRecord {
    uint32_t certOffset;
    uint32_t certSize;
    uint32_t checkSum;
};

// Writes the record back into the PE32 header of the `size`-byte stub copy, so that the copy
// is the signed stub exactly. False, with the copy untouched, when the bytes are not a PE32
// image with room for the fields or the certificate table does not end where the stub does.
bool ApplyStubRecord(unsigned char* image, uint32_t size, const StubRecord& record);

}  // namespace nuvex
