#include "script_extract.h"

#include "package_layout.h"

namespace nuvex {

HeaderSearchResult FindScriptHeader(ByteSource& source, uint32_t fileSize) {
    uint64_t consumed = 0;
    while (consumed < fileSize) {
        int c = source.Get();
        if (c != layout::HeaderByte(0)) {
            ++consumed;
            if (c == kEndOfInput) {
                // The file is shorter than its size said; nothing more can match.
                break;
            }
            continue;
        }
        uint64_t attempt = 1;
        bool matched = true;
        for (std::size_t i = 1; i < layout::kHeaderSize; ++i) {
            c = source.Get();
            ++attempt;
            if (c != layout::HeaderByte(i)) {
                matched = false;
                break;
            }
        }
        if (matched) {
            return {true, static_cast<uint32_t>(consumed)};
        }
        consumed += attempt;
        if (c == kEndOfInput) {
            break;
        }
    }
    return {};
}

ScriptCopyResult CopyScript(ByteSource& source, ByteSink& sink) {
    ScriptCopyResult result;
    auto get = [&]() {
        int c = source.Get();
        if (c != kEndOfInput) {
            ++result.bytesRead;
        }
        return c;
    };
    auto fail = [&](ScriptCopyEnd why) {
        result.end = why;
        return result;
    };
    for (;;) {
        int c = get();
        if (c == kEndOfInput) {
            return fail(ScriptCopyEnd::kEndOfFile);
        }
        if (c != layout::kMarkerOpen) {
            if (!sink.Put(static_cast<unsigned char>(c))) {
                return fail(ScriptCopyEnd::kWriteFailed);
            }
            continue;
        }
        int next = get();
        if (next == kEndOfInput) {
            sink.Put(static_cast<unsigned char>(c));
            return fail(ScriptCopyEnd::kEndOfFile);
        }
        if (next != layout::kMarkerSlash) {
            if (!sink.Put(static_cast<unsigned char>(c)) ||
                !sink.Put(static_cast<unsigned char>(next))) {
                return fail(ScriptCopyEnd::kWriteFailed);
            }
            continue;
        }
        // End marker: keep "[" and the name, drop the slash, close with "]".
        if (!sink.Put(static_cast<unsigned char>(c))) {
            return fail(ScriptCopyEnd::kWriteFailed);
        }
        for (;;) {
            int m = get();
            if (m == kEndOfInput || m == 0 || m == layout::kMarkerClose) {
                if (!sink.Put(static_cast<unsigned char>(layout::kMarkerClose))) {
                    return fail(ScriptCopyEnd::kWriteFailed);
                }
                if (m == kEndOfInput) {
                    return fail(ScriptCopyEnd::kEndOfFile);
                }
                return fail(m == 0 ? ScriptCopyEnd::kNulInMarker : ScriptCopyEnd::kEndMarker);
            }
            if (!sink.Put(static_cast<unsigned char>(m))) {
                return fail(ScriptCopyEnd::kWriteFailed);
            }
        }
    }
}

}  // namespace nuvex
