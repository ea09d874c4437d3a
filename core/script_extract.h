// Finding the installer script inside the executable and copying it out, byte by byte.
#pragma once

#include <cstdint>

#include "byte_io.h"

namespace nuvex {

struct HeaderSearchResult {
    bool found = false;
    uint32_t scriptOffset = 0;  // file offset of the header's "[" when found
};

// Scans `source` from its start for the seven header bytes. A "[" starts an attempt; the
// attempt's bytes are consumed up to and including the first byte that differs, and that
// byte is never looked at again as a possible "[". So "[[Nuvex]" is not found at offset 1.
// Stops once `fileSize` bytes are counted, whatever the source still holds.
HeaderSearchResult FindScriptHeader(ByteSource& source, uint32_t fileSize);

enum class ScriptCopyEnd {
    kEndMarker,    // "[/" then a name ended by "]"
    kNulInMarker,  // "[/" then a name ended by a NUL byte
    kEndOfFile,    // the file ended before any end marker was complete
    kWriteFailed,  // the sink refused a byte
};

struct ScriptCopyResult {
    ScriptCopyEnd end = ScriptCopyEnd::kEndOfFile;
    uint32_t bytesRead = 0;  // bytes taken from the source, the ending byte included
};

// The one rule for a script that ended where it should: after "[/" and a name, a "]" or a
// NUL byte ends the marker, as the copy reads it byte by byte; only the end of the file
// (or a failed write) leaves the script without its end. The installer's loader fails
// exactly the two other cases, and the package reader goes by this function.
inline bool ScriptCopyComplete(ScriptCopyEnd end) {
    return end == ScriptCopyEnd::kEndMarker || end == ScriptCopyEnd::kNulInMarker;
}

// Copies the script from the current position of `source` (the header) to `sink`, writing
// the end marker without its slash: "[/END]" becomes "[END]". The source is left just after
// the byte that ended the copy, which is the payload base when the marker is complete.
ScriptCopyResult CopyScript(ByteSource& source, ByteSink& sink);

}  // namespace nuvex
