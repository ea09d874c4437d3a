// Reading a package in memory: the header search, the script copy, and the inflation of
// payload streams with the results the installer reports by (a memory failure for streams
// that do not fit or end early, damage for bad data or checksums).
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <tuple>
#include <vector>

#include "payload_inflate.h"
#include "script_extract.h"

namespace nuvex {
namespace {

using namespace std::string_literals;
const std::string H = "[Nuvex]";

TEST(HeaderSearch, FindsTheFirstHeaderOneByteAtATimeWithinTheGivenSize) {
    // File, size searched (0: all of it), found, offset.
    const std::tuple<std::string, uint32_t, bool, uint32_t> cases[] = {
        {"MZ\x90stub" + H + "rest", 0, true, 7},
        // The second "[" is the differing byte of the first attempt and is not looked at again.
        {"[" + H + "tail", 0, false, 0},
        {"[" + H + "--" + H, 0, true, 10},
        {"stub" + H, 4, false, 0},
    };
    for (const auto& [file, size, found, offset] : cases) {
        MemorySource src(file);
        const HeaderSearchResult r =
            FindScriptHeader(src, size ? size : static_cast<uint32_t>(file.size()));
        EXPECT_EQ(r.found, found) << file;
        EXPECT_EQ(r.scriptOffset, offset) << file;
    }
}

TEST(ScriptCopy, MarkerWithoutItsSlashAFailedWriteAndTheEndsOfTheSharedTable) {
    struct Case {
        std::string script, copy;
        ScriptCopyEnd end;
    };
    const Case cases[] = {
        {H + "\r\na=1\r\n[/END]PAY", H + "\r\na=1\r\n[END]", ScriptCopyEnd::kEndMarker},
        // "[[/": the second "[" is copied as the byte after the first and not examined.
        {H + "v=[a] [[/x]\r\n[/E]P", H + "v=[a] [[/x]\r\n[E]", ScriptCopyEnd::kEndMarker},
        {H + "[/EN\0P"s, H + "[EN]", ScriptCopyEnd::kNulInMarker},
        {H + "[/EN", H + "[EN]", ScriptCopyEnd::kEndOfFile},
    };
    for (const Case& c : cases) {
        MemorySource src(c.script);
        StringSink sink;
        EXPECT_EQ(CopyScript(src, sink).end, c.end) << c.copy;
        EXPECT_EQ(sink.text, c.copy);
    }
    struct FullSink : ByteSink {
        int count = 0;
        bool Put(unsigned char) override { return ++count < 5; }
    } full;
    MemorySource src(cases[0].script);
    EXPECT_EQ(CopyScript(src, full).end, ScriptCopyEnd::kWriteFailed);
    // The installer goes on exactly when ScriptCopyComplete holds, and then reads the
    // payload right after the byte that ended the marker.
    const std::tuple<std::string, bool, std::string> tails[] = {
        {"[/Fin]P", true, "P"},     {"[/END\0PAY"s, true, "PAY"},
        {"[/EN\r\nD]P", true, "P"}, {"[/END]", true, ""},
        {"[/", false, ""},          {"a[", false, ""},
    };
    for (const auto& [tail, complete, payload] : tails) {
        const std::string file = H + "\r\na=1\r\n" + tail;
        MemorySource src(file);
        StringSink sink;
        const ScriptCopyResult r = CopyScript(src, sink);
        EXPECT_EQ(ScriptCopyComplete(r.end), complete) << tail;
        EXPECT_EQ(src.Position(), r.bytesRead);
        EXPECT_EQ(complete ? file.substr(r.bytesRead) : "", payload) << tail;
    }
}

std::string Compress(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), 6);
    out.resize(size);
    return out;
}

uint32_t Adler(const std::string& data) {
    return static_cast<uint32_t>(
        adler32(adler32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

TEST(InflatePayload, ResultsForWholeCutBadAndOversizedStreams) {
    std::string file;
    for (int i = 0; file.size() < 100000; ++i) {
        file += std::to_string(i * 7919 % 10007) + "\n";
    }
    const std::string stream = Compress(file);
    std::string badHeader = stream;
    badHeader[0] = 0x77;
    // A run of "a" long enough for its Adler-32 to have the top bit set.
    std::string high(1000, 'a');
    while (Adler(high) < 0x80000000u) {
        high += 'a';
    }
    struct Case {
        const char* name;
        std::string data;
        std::string stream;
        int room;          // capacity beyond the data's size
        uint32_t crcFlip;  // bits flipped in the expected checksum
        InflateResult expected;
    };
    const Case cases[] = {
        {"exact capacity", file, stream, 0, 0, InflateResult::kOk},
        {"one byte short of room", file, stream, -1, 0, InflateResult::kNoMemory},
        {"cut short", file, stream.substr(0, stream.size() / 2), 1024, 0, InflateResult::kNoMemory},
        {"bad header", file, badHeader, 1024, 0, InflateResult::kDamaged},
        {"wrong checksum", file, stream, 1024, 1, InflateResult::kDamaged},
        {"checksum above 2^31", high, Compress(high), 0, 0, InflateResult::kOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto capacity = static_cast<uint32_t>(static_cast<int>(c.data.size()) + c.room);
        std::vector<unsigned char> out(capacity + 16);
        uint32_t produced = 12345;
        EXPECT_EQ(InflatePayload(reinterpret_cast<const unsigned char*>(c.stream.data()),
                                 static_cast<uint32_t>(c.stream.size()), out.data(), capacity,
                                 Adler(c.data) ^ c.crcFlip, &produced),
                  c.expected);
        if (c.expected == InflateResult::kOk) {
            EXPECT_EQ(std::string(out.begin(), out.begin() + produced), c.data);
        }
    }
}

}  // namespace
}  // namespace nuvex
