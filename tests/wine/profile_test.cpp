// The in-memory INI parse against the real profile functions, over one table of script
// texts: every key asked of both must come back the same, text and number; and the
// appending uninstall log writer against WritePrivateProfileStringA, byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "package_fixture.h"
#include "package_state.h"
#include "profile_text.h"
#include "uninstall_log_writer.h"

namespace nuvex::test {
namespace {

struct Query {
    std::string section;
    std::string key;
    std::string def = "*";
    unsigned size = 256;
};

struct Case {
    const char* name;
    std::string text;
    std::vector<Query> queries;
};

// A component with `count` payload entries and their attributes, as the builder writes them.
std::string Family(int count) {
    std::string text = "[Nuvex]\r\n[Component3]\r\nTitle=Large\r\n";
    char line[128];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line,
                      "file%04d=d%02d\\f%04d.txt\r\nfile%04dlength=%d\r\nfile%04doriglen=%d\r\n"
                      "file%04dcrc=%u\r\nfile%04doffset=%d\r\n",
                      i, i / 100, i, i, 100 + i, i, 1000 + i, i, 4000000000u + i, i, i * 131);
        text += line;
    }
    return text + "[END]";
}

std::vector<Case> Cases() {
    const std::string c0 = "Component0";
    std::vector<Case> cases = {
        {"letter case",
         "[Nuvex]\r\n[COMPONENT0]\r\nFILE0000=Upper.txt\r\nFile0000Length=12\r\n[component1]\r\n"
         "dir0000=lower\r\n",
         {{c0, "file0000"},
          {"component0", "FILE0000LENGTH"},
          {"Component1", "DIR0000"},
          {" Component1 ", " dir0000 "},
          {c0, "file0001"}}},
        {"blanks and quotes",
         "[Component0]\r\n  file0000  =  spaced value  \r\n\tdir0000\t=\ttabbed\t\r\n"
         "file0001=\"quoted\"\r\nfile0002='single'\r\nfile0003=\"unbalanced\r\nfile0004=\"\r\n"
         "file0005=\"\"\r\nfile0006=\"mixed'\r\nfile0007= \" inner blanks \" \r\n"
         "file0008 = a = b\r\nfile0009=\x1a\x0b\x0cvalue\x1a\r\n",
         {{c0, "file0000"},
          {c0, "dir0000"},
          {c0, "file0001"},
          {c0, "file0001", "*", 8},
          {c0, "file0001", "*", 7},
          {c0, "file0001", "*", 6},
          {c0, "file0002"},
          {c0, "file0003"},
          {c0, "file0004"},
          {c0, "file0005"},
          {c0, "file0006"},
          {c0, "file0007"},
          {c0, "file0008"},
          {c0, "file0009"},
          {c0, "absent", "'x'"},
          {c0, "absent", "dflt   "},
          {c0, "absent", "\"d\"", 3}}},
        {"duplicate keys and sections",
         "[Component0]\r\nfile0000=first\r\nFILE0000=second\r\n[Component1]\r\nfile0000=other\r\n"
         "[component0]\r\nfile0001=in the second header\r\nfile0000=third\r\n[Component1]\r\n"
         "file0002=later\r\n",
         {{c0, "file0000"},
          {c0, "file0001"},
          {"Component1", "file0000"},
          {"Component1", "file0002"}}},
        {"comments and lines without =",
         "file0000=before any section\r\n[Component0]\r\n;file0000=commented\r\n"
         "  ; file0001=x\r\nfile0002\r\nfile0002=after the bare one\r\nfile0003=v\r\n"
         "# file0004=hash\r\n[Component1\r\nfile0005=after a broken header\r\n"
         "[Component2] trailing ; text\r\nfile0000=two\r\n[Comp]onent3]\r\nfile0000=three\r\n"
         "[]\r\nfile0000=unnamed\r\n",
         {{c0, "file0000"},
          {c0, ";file0000"},
          {c0, "; file0001"},
          {c0, "file0001"},
          {c0, "file0002"},
          {c0, "file0003"},
          {c0, "# file0004"},
          {c0, "[Component1"},
          {c0, "file0005"},
          {"Component1", "file0005"},
          {"Component2", "file0000"},
          {"Comp]onent3", "file0000"},
          {"Comp", "file0000"},
          {"", "file0000"}}},
        {"long and empty values",
         "[Component0]\r\nfile0000=" + std::string(300, 'a') +
             "\r\nfile0001=" + std::string(255, 'b') + "\r\nfile0002=" + std::string(256, 'c') +
             "\r\nfile0003=\r\nfile0004=   \r\nfile0005=\"" + std::string(254, 'q') +
             "\"\r\nfile0006=\"" + std::string(255, 'r') +
             "\"\r\nfile0007=" + std::string(2100, 'p') + "\r\n",
         {{c0, "file0000"},
          {c0, "file0001"},
          {c0, "file0002"},
          {c0, "file0003"},
          {c0, "file0003", ""},
          {c0, "file0004"},
          {c0, "file0005"},
          {c0, "file0006"},
          {c0, "file0007", "", 2048},
          {c0, "file0000", "*", 1},
          {c0, "file0000", "*", 2}}},
        {"numbers",
         "[Component0]\r\nn01=-5\r\nn02=+7\r\nn03=  42  \r\nn04=12abc\r\nn05=4063767505\r\n"
         "n06=4294967295\r\nn07=4294967296\r\nn08=99999999999999999999\r\nn09=0x1F\r\n"
         "n10=0b101\r\nn11=0o17\r\nn12=0X1F\r\nn13=abc\r\nn14=\r\nn15=\"123\"\r\n"
         "n16=- 5\r\nn17=0x\r\nn18=+0x10\r\nn19=1 2\r\nn20=0000000000000000000000000000123\r\n"
         "n21=\x01\x02"
         "9\r\nn22=-0\r\nn23=2147483648\r\nn24=-2147483649\r\nn25=0xffffffff1\r\n"
         "n26=1e3\r\nn27=\"-8\"\r\nn28=--3\r\nn29=0b\r\nn30=08\r\n",
         {}},
        {"LF line ends, CR inside lines, [END] tail",
         "[Nuvex]\n[Component0]\nfile0000=lf\nfile0001=two\n\n  \nfile0002=a\rfile0003=b\n"
         "file0004=c\r\r\nfile0005=last\n[END]",
         {{c0, "file0000"},
          {c0, "file0001"},
          {c0, "file0002"},
          {c0, "file0003"},
          {c0, "file0004"},
          {c0, "file0005"},
          {"END", "file0000"}}},
        {"bytes above 127 and NUL",
         std::string("[Component0]\r\nfile0000=P\xf8\xed\xb9"
                     "ern\xe9 \xa0\r\n\xa0"
                     "file0001=nbsp\r\n"
                     "file0002=\xa0"
                     "value\r\nfile0003=ab") +
             std::string(1, '\0') + "cd\r\nfi" + std::string(1, '\0') +
             "le0004=x\r\nfi=y\r\n"
             "file0005=\x85\x81\x8d\xff\r\n",
         {{c0, "file0000"},
          {c0, "file0001"},
          {c0, "file0002"},
          {c0, "file0003"},
          {c0, "fi"},
          {c0, "file0004"},
          {c0, "file0005"}}},
    };
    for (char n = 1; n <= 30; ++n) {
        char key[8];
        std::snprintf(key, sizeof key, "n%02d", n);
        cases[5].queries.push_back({c0, key, "", 256});
    }
    Case family = {"family up to index 9999", Family(10000), {}};
    for (int i : {0, 1, 99, 100, 4999, 9998, 9999, 10000}) {
        char key[16];
        std::snprintf(key, sizeof key, "file%04d", i);
        for (const char* suffix : {"", "length", "origlen", "crc", "offset"}) {
            family.queries.push_back({"Component3", std::string(key) + suffix});
        }
    }
    cases.push_back(family);
    return cases;
}

// What a text read gives: the count returned and the characters up to the terminator.
std::string Answer(std::size_t count, const std::vector<char>& buffer) {
    return std::to_string(count) + ":" + std::string(buffer.data(), count) + "|" +
           std::to_string(static_cast<unsigned char>(buffer[count]));
}

TEST(ProfileParse, AnswersAsTheProfileFunctionsDo) {
    const std::string dir = TestWorkDir();
    const std::vector<Case> cases = Cases();
    int file = 0;
    int compared = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A file name per case: the profile functions keep recently read files in a cache.
        const std::string path = dir + "\\case" + std::to_string(file++) + ".ini";
        ASSERT_TRUE(WriteFileBytes(path, c.text));
        ProfileText parsed;
        ASSERT_TRUE(parsed.Parse(c.text.data(), c.text.size()));
        for (const Query& q : c.queries) {
            SCOPED_TRACE("[" + q.section + "] " + q.key + " default \"" + q.def + "\" in " +
                         std::to_string(q.size));
            std::vector<char> expected(q.size + 8, '\x55'), got(q.size + 8, '\x55');
            const DWORD count =
                GetPrivateProfileStringA(q.section.c_str(), q.key.c_str(), q.def.c_str(),
                                         expected.data(), q.size, path.c_str());
            const std::size_t gotCount =
                parsed.Text(q.section.c_str(), q.key.c_str(), q.def.c_str(), got.data(), q.size);
            EXPECT_EQ(Answer(gotCount, got), Answer(count, expected));
            for (int def : {77, -1}) {
                EXPECT_EQ(
                    parsed.Unsigned(q.section.c_str(), q.key.c_str(), def),
                    GetPrivateProfileIntA(q.section.c_str(), q.key.c_str(), def, path.c_str()))
                    << "as a number, default " << def;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 100);
}

// One sequence of log writes: the header, folders, files, the Start menu group and
// shortcuts, with the values an installation can meet (an empty registry name, leading
// blanks, bars, bytes above 127, a path of 2047 characters), and when asked a value that ends
// in blanks, which Wine's profile functions drop once the next key is written.
void WriteSequence(UninstallLogWriter& log, const std::string& target, bool trailingBlanks) {
    log.WriteHeader("", target.c_str());
    log.Record(LogFamily::kDir, (target + "\\bin").c_str());
    for (int i = 0; i < 40; ++i) {
        log.Record(LogFamily::kFile, (target + "\\bin\\f" + std::to_string(i) + ".dll").c_str());
    }
    log.Record(LogFamily::kFile, (target + "\\\xe9t\xe9 | 100%s.txt").c_str());
    log.Record(LogFamily::kFile, std::string(2047, 'L').c_str());
    log.Record(LogFamily::kFile, "\t leading blanks");
    log.RecordFirst(LogFamily::kStartDir, "C:\\Start Menu\\Programs\\Product");
    log.Record(LogFamily::kStartFile, "C:\\Start Menu\\Programs\\Product\\Run.lnk");
    if (trailingBlanks) {
        log.Record(LogFamily::kDir, (target + "\\trailing blanks \t").c_str());
        log.Record(LogFamily::kStartDir, "C:\\Start Menu\\Programs\\Product\\Tools");
    }
}

// A fresh log is appended line by line and must come out as the profile functions write it;
// a log that exists (a reinstallation over an older one) goes through them as before, the new
// keys merged into the old ones.
TEST(UninstallLogWriter, WritesTheBytesOfTheProfileFunctions) {
    const std::string dir = TestWorkDir();
    Settings& s = AppSettings();
    std::snprintf(s.szButtonUnInstall, sizeof s.szButtonUnInstall, "Remove");
    std::snprintf(s.szLabelUninst, sizeof s.szLabelUninst, "  Remove Product 100%%");
    std::snprintf(s.szTextUninst, sizeof s.szTextUninst, "Removes it.|All of it.");
    const std::string older =
        "[Nuvex]\r\nuninstallreg=Old\r\nfile000000=C:\\old\\a.txt\r\nfile000099=C:\\old\\z.txt\r\n"
        "[Other]\r\nkey=kept\r\n";
    int folder = 0;
    struct Run {
        const char* name;
        bool reinstall;
        bool trailingBlanks;
    };
    for (const Run& run : {Run{"fresh log", false, false}, Run{"over an existing log", true, false},
                           Run{"fresh log, a value ending in blanks", false, true}}) {
        SCOPED_TRACE(run.name);
        std::string logs[2];
        for (const LogWrites writes : {LogWrites::kProfileFunctions, LogWrites::kAppendWhenNew}) {
            const std::string target = dir + "\\log" + std::to_string(folder++);
            CreateDirectoryA(target.c_str(), nullptr);
            if (run.reinstall) {
                ASSERT_TRUE(WriteFileBytes(target + "\\uninst.ini", older));
            }
            UninstallLogWriter log;
            log.Begin(target.c_str(), true, writes);
            WriteSequence(log, target, run.trailingBlanks);
            log.End();
            std::string bytes = ReadFileBytes(target + "\\uninst.ini");
            // The target folder differs in its last character only; the rest must be equal.
            for (std::size_t at = bytes.find(target); at != std::string::npos;
                 at = bytes.find(target, at)) {
                bytes.replace(at, target.size(), "TARGET");
            }
            logs[static_cast<int>(writes)] = bytes;
        }
        EXPECT_GT(logs[0].size(), 2500u);
        EXPECT_EQ(logs[1], logs[0]);
    }
}

}  // namespace
}  // namespace nuvex::test
