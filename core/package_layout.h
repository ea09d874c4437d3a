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
// LZMA packages (opt-in, nuvexpack build --compression lzma) put the payload in solid
// blocks instead of one zlib stream per file, and say so in the header section
// (kCompressionKey=kCompressionLzma). Every payload entry of a block carries the block's
// offset and length, and its own origlen and Adler-32; a block's decoded bytes are its files
// end to end, in the order the installer visits their entries (slot, then file, win, sys,
// then index). A block never holds files of two slots.
//
//   block offset                                                            offset+length
//   +--------+--------+--------------------+------------+---------------------------+
//   | "NXLZ" | filter | LZMA properties    | unpacked   | LZMA data, with or without |
//   | 4      | 1      | 5 (lc/lp/pb, dict) | 4, LE      | an end mark                |
//   +--------+--------+--------------------+------------+---------------------------+
//
// Filter 0: the files as they are. Filter 1: each file that begins like a PE or ELF
// executable went through the x86 branch filter of core/branch_filter.h on its own, from its
// first byte; the Adler-32 is that of the file before filtering.
//
// The magic's first byte is no zlib header: a stub without LZMA support inflates the block
// as a zlib stream, gets a data error and reports the damaged package.
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

// The payload's compression, in the header section (the header without its brackets);
// absent for the zlib streams.
inline constexpr char kHeaderSection[] = "Nuvex";
inline constexpr char kCompressionKey[] = "Compression";
inline constexpr char kCompressionLzma[] = "lzma";

// An LZMA block, as described at the top.
inline constexpr unsigned char kLzmaMagic[4] = {'N', 'X', 'L', 'Z'};
inline constexpr std::size_t kLzmaPropsSize = 5;
inline constexpr std::size_t kLzmaBlockHeaderSize = 4 + 1 + kLzmaPropsSize + 4;
inline constexpr unsigned char kLzmaFilterNone = 0;
inline constexpr unsigned char kLzmaFilterX86 = 1;
// Limits the installer checks before it allocates anything for a block: the dictionary is
// the decoder's one large allocation; a block's decoded size bounds every file in it.
inline constexpr uint32_t kLzmaMaxDictionary = 64u << 20;
inline constexpr uint32_t kLzmaMaxUnpacked = 1u << 30;

// The temporary script copy in the user's temporary folder is named by this prefix, the
// process id and a number, each in hex: "~nuvex-1a4-3f.tmp". The longest such name leaves
// the room the copy's path must have.
inline constexpr char kScriptCopyPrefix[] = "~nuvex";
inline constexpr char kScriptCopyLongest[] = "~nuvex-ffffffff-ffff.tmp";

// The entry keys of the component sections are in numbered_keys.h.

// Every entry value is read into a 256-byte buffer.
inline constexpr std::size_t kEntryValueSize = 256;

// Ten component slots, sections "Component0" to "Component9".
inline constexpr int kComponentSlots = 10;
inline constexpr char kComponentSectionPrefix[] = "Component";

}  // namespace nuvex::layout
