// Byte layout of a Nuvex package. The installer stub and the package builder both include
// this header, so reader and writer cannot drift apart.
//
//   0                      S          S+7               E          P               end
//   +----------------------+----------+-----------------+----------+---------------+
//   | bare installer stub  | "[Nuvex" | rest of the INI | "[/END]" | zlib streams, |
//   | (nuvex.exe as built) | + "]"    | script, CR LF   | marker   | end to end    |
//   +----------------------+----------+-----------------+----------+---------------+
//
//   S  script offset: the first occurrence of the seven header bytes; also the stub length.
//   E  the first "[/" after the header; the marker runs to its "]".
//   P  payload base: the byte after that "]". Entry offsets are relative to P.
//
// The stub must never contain the seven header bytes, or the installer would find its own
// constant as the script. So the header is stored here with every byte raised by one and
// compared one byte at a time; no constant of the stub holds the plain header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nuvex::layout {

inline constexpr std::size_t kHeaderSize = 7;
inline constexpr unsigned char kHeaderPlusOne[kHeaderSize] = {'[' + 1, 'N' + 1, 'u' + 1, 'v' + 1,
                                                              'e' + 1, 'x' + 1, ']' + 1};

inline constexpr int HeaderByte(std::size_t i) { return kHeaderPlusOne[i] - 1; }

// The script must not contain these two bytes anywhere but at its end marker.
inline constexpr char kMarkerOpen = '[';
inline constexpr char kMarkerSlash = '/';
inline constexpr char kMarkerClose = ']';

// What the package builder writes after the script. Any name may stand between "[/" and "]".
inline constexpr char kEndMarker[] = "[/END]";

// Section and key the builder writes into the script's first section.
inline constexpr char kCreatorKey[] = "Creator";
inline constexpr char kCreatorValue[] = "NuvexGenerator";

// The temporary script copy in the user's temporary folder is named by this prefix, the
// process id and a number, each in hex: "~nuvex-1a4-3f.tmp". The longest such name leaves
// the room the copy's path must have.
inline constexpr char kScriptCopyPrefix[] = "~nuvex";
inline constexpr char kScriptCopyLongest[] = "~nuvex-ffffffff-ffff.tmp";

// Payload entry families and the suffixes of their four attributes.
inline constexpr const char* kPayloadFamilies[] = {"file", "win", "sys"};
inline constexpr char kEntryFormat4[] = "%s%4.4d";
inline constexpr char kEntryFormat2[] = "%s%2.2d";
inline constexpr int kMaxEntries4 = 9999;
inline constexpr int kMaxEntries2 = 99;
inline constexpr char kSuffixLength[] = "length";
inline constexpr char kSuffixOrigLen[] = "origlen";
inline constexpr char kSuffixCrc[] = "crc";
inline constexpr char kSuffixOffset[] = "offset";

// Every entry value is read into a 256-byte buffer.
inline constexpr std::size_t kEntryValueSize = 256;

// Ten component slots, sections "Component0" to "Component9".
inline constexpr int kComponentSlots = 10;
inline constexpr char kComponentSectionPrefix[] = "Component";

}  // namespace nuvex::layout
