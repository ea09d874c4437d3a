// The installer's header search and script copy over arbitrary executable bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "package_layout.h"
#include "script_extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nuvex;
    MemorySource search(data, size);
    // The size the file claims may be larger than what the source holds.
    const HeaderSearchResult found = FindScriptHeader(search, static_cast<uint32_t>(size) + 3);
    if (!found.found) {
        return 0;
    }
    FUZZ_CHECK(found.scriptOffset + layout::kHeaderSize <= size);
    for (std::size_t i = 0; i < layout::kHeaderSize; ++i) {
        FUZZ_CHECK(data[found.scriptOffset + i] == layout::HeaderByte(i));
    }
    MemorySource source(data, size);
    source.Seek(found.scriptOffset);
    StringSink sink;
    const ScriptCopyResult copied = CopyScript(source, sink);
    FUZZ_CHECK(copied.bytesRead <= size - found.scriptOffset);
    FUZZ_CHECK(source.Position() == found.scriptOffset + copied.bytesRead);
    // The copy drops one slash at most and adds one "]" at most.
    FUZZ_CHECK(sink.text.size() <= copied.bytesRead + 1);
    if (ScriptCopyComplete(copied.end)) {
        FUZZ_CHECK(!sink.text.empty() && sink.text.back() == layout::kMarkerClose);
    }
    return 0;
}
