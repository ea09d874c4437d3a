// The header search and the script copy over bytes in memory.
#include <gtest/gtest.h>

#include <string>

#include "end_marker_cases.h"
#include "package_layout.h"
#include "script_extract.h"

namespace nuvex {
namespace {

std::string Header() {
    std::string h;
    for (std::size_t i = 0; i < layout::kHeaderSize; ++i) {
        h += static_cast<char>(layout::HeaderByte(i));
    }
    return h;
}

TEST(HeaderSearch, FindsTheFirstHeaderOneByteAtATime) {
    const std::string H = Header();
    struct Case {
        const char* name;
        std::string file;
        bool found;
        uint32_t offset;
    };
    const Case cases[] = {
        {"at the start", H + "x", true, 0},
        {"after the stub", "MZ\x90stub" + H + "rest", true, 7},
        {"after a lone [", "ab[x" + H, true, 4},
        // The second "[" is the differing byte of the first attempt and is not looked at again.
        {"directly after another [", "[" + H + "tail", false, 0},
        {"found later after a [[ miss", "[" + H + "--" + H, true, 10},
        {"[ not followed by N", "[x[Nuv[" + H, true, 7},
        {"header cut by end of file", "stub" + H.substr(0, 5), false, 0},
        {"case matters", "[nuvex]", false, 0},
        {"empty", "", false, 0},
        {"two headers", H + H, true, 0},
        {"only [", "[", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySource src(c.file);
        HeaderSearchResult r = FindScriptHeader(src, static_cast<uint32_t>(c.file.size()));
        EXPECT_EQ(r.found, c.found);
        if (c.found) {
            EXPECT_EQ(r.scriptOffset, c.offset);
        }
    }
}

TEST(HeaderSearch, StopsAtTheGivenSize) {
    const std::string file = "stub" + Header();
    MemorySource src(file);
    EXPECT_FALSE(FindScriptHeader(src, 4).found);
    MemorySource again(file);
    // A size larger than the data must not loop past the end.
    EXPECT_TRUE(FindScriptHeader(again, 1000).found);
    const std::string plain = "no header here";
    MemorySource none(plain);
    EXPECT_FALSE(FindScriptHeader(none, 1u << 30).found);
}

TEST(ScriptCopy, CopiesUpToTheMarkerWithoutItsSlash) {
    struct Case {
        const char* name;
        std::string script;  // from the header on
        std::string copy;
        ScriptCopyEnd end;
        std::size_t payloadAt;  // read position after the copy
    };
    const std::string H = Header();
    const Case cases[] = {
        {"plain", H + "\r\na=1\r\n[/END]PAY", H + "\r\na=1\r\n[END]", ScriptCopyEnd::kEndMarker,
         H.size() + 7 + 6},
        {"other marker name", H + "[/Fin]P", H + "[Fin]", ScriptCopyEnd::kEndMarker,
         H.size() + 6},
        {"brackets in values", H + "v=[a] [[b] x[\r\n[/E]P", H + "v=[a] [[b] x[\r\n[E]",
         ScriptCopyEnd::kEndMarker, H.size() + 15 + 4},
        // "[[/" : the second "[" is written as the byte after the first and not examined.
        {"[[/ is not a marker", H + "[[/x]\r\n[/E]P", H + "[[/x]\r\n[E]",
         ScriptCopyEnd::kEndMarker, H.size() + 7 + 4},
        {"NUL ends the marker", H + "[/EN" + std::string(1, '\0') + "P", H + "[EN]",
         ScriptCopyEnd::kNulInMarker, H.size() + 5},
        {"end of file in the marker", H + "[/EN", H + "[EN]", ScriptCopyEnd::kEndOfFile,
         H.size() + 4},
        {"no marker at all", H + "a=1", H + "a=1", ScriptCopyEnd::kEndOfFile, H.size() + 3},
        {"ends right after ]", H + "[/END]", H + "[END]", ScriptCopyEnd::kEndMarker,
         H.size() + 6},
        {"[ at the very end", H + "a[", H + "a[", ScriptCopyEnd::kEndOfFile, H.size() + 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySource src(c.script);
        StringSink sink;
        ScriptCopyResult r = CopyScript(src, sink);
        EXPECT_EQ(sink.text, c.copy);
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(src.Position(), c.payloadAt);
        EXPECT_EQ(r.bytesRead, c.payloadAt);
    }
}

// The installer goes on exactly when ScriptCopyComplete holds, and then reads the payload
// right after the byte that ended the marker.
TEST(ScriptCopy, EndsAsTheSharedTableSays) {
    for (const test::EndMarkerCase& c : test::EndMarkerCases()) {
        SCOPED_TRACE(c.name);
        const std::string file = Header() + "\r\na=1\r\n" + c.tail;
        MemorySource src(file);
        StringSink sink;
        const ScriptCopyResult r = CopyScript(src, sink);
        EXPECT_EQ(ScriptCopyComplete(r.end), c.complete);
        if (c.complete) {
            EXPECT_EQ(file.substr(r.bytesRead), c.payload);
            EXPECT_EQ(src.Position(), r.bytesRead);
        }
    }
}

TEST(ScriptCopy, ReportsARefusingSink) {
    class FullSink : public ByteSink {
    public:
        bool Put(unsigned char) override { return ++count_ < 5; }

    private:
        int count_ = 0;
    };
    std::string script = Header() + "\r\nlonger than five\r\n[/END]x";
    MemorySource src(script);
    FullSink sink;
    EXPECT_EQ(CopyScript(src, sink).end, ScriptCopyEnd::kWriteFailed);
}

TEST(Layout, HeaderBytesSpellTheSectionName) {
    EXPECT_EQ(Header(), std::string("[") + "Nuvex" + "]");
}

}  // namespace
}  // namespace nuvex
