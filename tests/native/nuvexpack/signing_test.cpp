// Signed packages: build --sign and sign with osslsigncode and a certificate made here with
// openssl, the uninstaller the signed stub gives, and what verify reports.
#include <gtest/gtest.h>
#include <unistd.h>

#include "pack_test_support.h"
#include "package_reader.h"
#include "signing.h"

namespace nuvex::pack::test {
namespace {

const char kPassword[] = "nuvex-test-password";

// One throw-away certificate per test process, removed at its end; no key is committed.
struct Keys {
    Keys() {
        dir = fs::path(::testing::TempDir()) / ("nuvexpack-keys-" + std::to_string(getpid()));
        fs::create_directories(dir);
        cert = dir / "cert.pem";
        key = dir / "key.pem";
        pass = dir / "pass.txt";
        p12 = dir / "cert.p12";
        WriteBytes(pass, std::string(kPassword) + "\n");
        CliResult made = RunShell(
            "openssl req -x509 -newkey rsa:2048 -days 2 -subj '/CN=Nuvex Test Signer' -keyout " +
            key.string() + " -out " + cert.string() + " -passout file:" + pass.string() +
            " && openssl pkcs12 -export -in " + cert.string() + " -inkey " + key.string() +
            " -passin file:" + pass.string() + " -passout pass:" + kPassword + " -out " +
            p12.string());
        EXPECT_EQ(made.exitCode, 0) << made.output;
    }
    ~Keys() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir, cert, key, pass, p12;
};

const Keys& TestKeys() {
    static const Keys keys;
    return keys;
}

std::string PemOptions() {
    const Keys& k = TestKeys();
    return " --cert " + k.cert.string() + " --key " + k.key.string() + " --pass-file " + k.pass.string();
}

bool SignatureChecks(const fs::path& file) {
    return RunShell("osslsigncode verify -CAfile " + TestKeys().cert.string() + " -in " + file.string())
               .exitCode == 0;
}

class SigningTest : public PackTest {
protected:
    void SetUp() override {
        PackTest::SetUp();
        WriteBytes(stub_, MinimalPe());
        Source("a.txt", SampleContent(3000, 1));
        Source("docs/b.txt", SampleContent(777, 2));
        WriteBytes(script_, Script({"[Components]", "NumberOfComponents=1", "[Component0]",
                                    "dir0000=docs", "file0000=a.txt", "file0001=docs\\b.txt"}));
    }
    std::string BuildArgs(const fs::path& out) const {
        return "build " + script_.string() + " --source " + src_.string() + " --stub " +
               stub_.string() + " -o " + out.string() + " --quiet";
    }
    // Nothing but the inputs and the named outputs in the test folder: no temporary file
    // or work folder stays behind.
    void ExpectOnly(std::initializer_list<std::string> names) const {
        std::vector<std::string> expected{"setup.ini", "src", "stub.exe"};
        expected.insert(expected.end(), names.begin(), names.end());
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir_)) {
            found.push_back(e.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected);
    }
};

TEST_F(SigningTest, SignedPackagesAndTheirUninstallers) {
    const Keys& k = TestKeys();
    const fs::path plain = dir_ / "plain.exe";
    ASSERT_EQ(RunTool(BuildArgs(plain)).exitCode, 0);
    const RawPackage unsignedParts = SplitPackage(ReadBytes(plain));
    struct Case {
        const char* name;
        std::string command;  // makes signed.exe
    } cases[] = {
        {"build --sign, PEM", BuildArgs(dir_ / "signed.exe") + " --sign" + PemOptions()},
        {"build --sign, PKCS#12",
         BuildArgs(dir_ / "signed.exe") + " --sign --cert " + k.p12.string() + " --pass-file " + k.pass.string()},
        {"sign a built package", "sign " + plain.string() + " -o " + (dir_ / "signed.exe").string() + PemOptions()},
        {"sign a signed package again", "sign " + (dir_ / "signed.exe").string() + PemOptions()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliResult signing = RunTool(c.command);
        ASSERT_EQ(signing.exitCode, 0) << signing.output;
        const fs::path package = dir_ / "signed.exe";
        EXPECT_TRUE(SignatureChecks(package));

        // The installer's view: the first header, the script, the payload after it. The
        // streams are the unsigned package's, byte for byte, at the same offsets from the
        // payload base; only the certificate table follows them.
        const std::string bytes = ReadBytes(package);
        const RawPackage parts = SplitPackage(bytes);
        ASSERT_NE(parts.payloadBase, std::string::npos);
        EXPECT_EQ(parts.payload.compare(0, unsignedParts.payload.size(), unsignedParts.payload), 0);
        for (const char* key : {"file0000offset", "file0001offset", "file0001length", "PayloadCrc32"}) {
            EXPECT_EQ(ScriptValue(parts.script, key), ScriptValue(unsignedParts.script, key)) << key;
        }
        PackageInfo info = ReadPackage(package);
        EXPECT_EQ(info.payloadEnd, info.payloadBase + unsignedParts.payload.size());
        EXPECT_EQ(info.certOffset + info.certSize, bytes.size());

        // The uninstaller: the first S bytes, with the stub's own security entry and
        // checksum, which the package's header cannot hold.
        const std::string stub = bytes.substr(0, parts.scriptOffset);
        StubRecord record{static_cast<uint32_t>(std::stoul(ScriptValue(parts.script, kStubCertOffsetKey))),
                          static_cast<uint32_t>(std::stoul(ScriptValue(parts.script, kStubCertSizeKey))),
                          static_cast<uint32_t>(std::stoul(ScriptValue(parts.script, kStubCheckSumKey)))};
        EXPECT_EQ(record.certOffset + record.certSize, stub.size());
        WriteBytes(dir_ / "uninst" / "copied.exe", stub);
        WriteBytes(dir_ / "uninst" / "uninst.exe", UninstallerImage(stub, record));
        EXPECT_FALSE(SignatureChecks(dir_ / "uninst" / "copied.exe"));
        EXPECT_TRUE(SignatureChecks(dir_ / "uninst" / "uninst.exe"));

        CliResult verify = RunTool("verify " + package.string() + " --ca " + k.cert.string());
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
        EXPECT_NE(verify.output.find("package signature: signed, the signature checks"), std::string::npos)
            << verify.output;
        EXPECT_NE(verify.output.find("uninstaller (stub) signature: signed, the signature checks"),
                  std::string::npos) << verify.output;
        fs::remove_all(dir_ / "x");
        CliResult extract = RunTool("extract " + package.string() + " " + (dir_ / "x").string());
        EXPECT_EQ(extract.exitCode, 0) << extract.output;
        EXPECT_EQ(ReadBytes(dir_ / "x" / "docs" / "b.txt"), SampleContent(777, 2));
        CliResult list = RunTool("list " + package.string());
        EXPECT_NE(list.output.find("payload      base " + std::to_string(info.payloadBase) + ", " +
                                   std::to_string(unsignedParts.payload.size()) + " bytes"),
                  std::string::npos) << list.output;
    }
    // Without the test certificate as a trusted root, the digests still check; and an
    // unsigned package says so.
    struct Trust {
        fs::path package;
        std::string shown;
    } trust[] = {{dir_ / "signed.exe", "package signature: signed, the file matches its signature; "
                                       "the signer is not trusted here"},
                 {plain, "package signature: not signed"}};
    for (const Trust& t : trust) {
        CliResult verify = RunTool("verify " + t.package.string());
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
        EXPECT_NE(verify.output.find(t.shown), std::string::npos) << verify.output;
    }
    fs::remove_all(dir_ / "uninst");
    fs::remove_all(dir_ / "x");
    ExpectOnly({"plain.exe", "signed.exe"});
}

TEST_F(SigningTest, SameBytesWithTheSameKeyAndSigningTime) {
    const std::string epoch = "SOURCE_DATE_EPOCH=1765000000";
    ASSERT_EQ(RunTool(BuildArgs(dir_ / "one.exe") + " --sign" + PemOptions(), epoch).exitCode, 0);
    ASSERT_EQ(RunTool(BuildArgs(dir_ / "two.exe") + " --sign" + PemOptions(), epoch).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "one.exe"), ReadBytes(dir_ / "two.exe"));
    // Signing a signed package again drops both signatures and writes the same ones.
    ASSERT_EQ(RunTool("sign " + (dir_ / "two.exe").string() + PemOptions(), epoch).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "one.exe"), ReadBytes(dir_ / "two.exe"));
    // The signing time is the one given, not the clock's.
    CliResult shown = RunShell("osslsigncode verify -in " + (dir_ / "one.exe").string());
    EXPECT_NE(shown.output.find("Signing time: Dec  6 05:46:40 2025 GMT"), std::string::npos) << shown.output;
}

TEST_F(SigningTest, ChangedBytesAreCaught) {
    const fs::path package = dir_ / "signed.exe";
    ASSERT_EQ(RunTool(BuildArgs(package) + " --sign" + PemOptions()).exitCode, 0);
    const std::string good = ReadBytes(package);
    const RawPackage parts = SplitPackage(good);
    struct Case {
        const char* name;
        std::size_t at;
        std::vector<std::string> reported;  // all of them
    } cases[] = {
        {"payload", parts.payloadBase + 40,
         {"payload's CRC-32", "package signature: signed, but the file does not match"}},
        {"stub code", 0x200 + 100,
         {"package signature: signed, but the file does not match",
          "uninstaller (stub) signature: signed, but the file does not match"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bad = good;
        bad[c.at] = static_cast<char>(bad[c.at] ^ 0x10);
        WriteBytes(dir_ / "bad.exe", bad);
        EXPECT_FALSE(SignatureChecks(dir_ / "bad.exe"));
        CliResult verify = RunTool("verify " + (dir_ / "bad.exe").string() + " --ca " + TestKeys().cert.string());
        EXPECT_EQ(verify.exitCode, 1) << verify.output;
        for (const std::string& text : c.reported) {
            EXPECT_NE(verify.output.find(text), std::string::npos) << text << "\n" << verify.output;
        }
    }
}

TEST_F(SigningTest, ErrorsLeaveNothingBehind) {
    const Keys& k = TestKeys();
    const fs::path out = dir_ / "out.exe";
    fs::create_directories(dir_ / "empty-path");
    WriteBytes(dir_ / "fake.exe", FakeStub());
    WriteBytes(dir_ / "wrong.txt", "not the password\n");
    struct Case {
        const char* name;
        std::string args;
        std::string env;
        int exitCode;
        std::string message;
    } cases[] = {
        {"no osslsigncode", BuildArgs(out) + " --sign" + PemOptions(),
         "PATH=" + (dir_ / "empty-path").string(), 1, "osslsigncode was not found on PATH"},
        {"PEM without key", BuildArgs(out) + " --sign --cert " + k.cert.string(), "", 1,
         "--key FILE is needed with a PEM certificate"},
        {"no such certificate", BuildArgs(out) + " --sign --cert " + (dir_ / "none.pem").string(), "",
         1, "no such file"},
        {"wrong password", BuildArgs(out) + " --sign --cert " + k.cert.string() + " --key " +
                               k.key.string() + " --pass-file " + (dir_ / "wrong.txt").string(),
         "", 1, "osslsigncode could not sign the stub"},
        {"stub without PE header", "build " + script_.string() + " --source " + src_.string() +
                                       " --stub " + (dir_ / "fake.exe").string() + " -o " + out.string() +
                                       " --sign" + PemOptions(),
         "", 1, "the stub is not a Windows program"},
        {"--cert without --sign", BuildArgs(out) + " --cert " + k.cert.string(), "", 2,
         "go with --sign"},
        {"sign without --cert", "sign " + out.string(), "", 2, "--cert FILE is required"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliResult r = RunTool(c.args, c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        ExpectOnly({"empty-path", "fake.exe", "wrong.txt"});
    }
}

// The PE header reader takes the start of any file: a package, a stub, or neither.
TEST(PeSecurityTest, HeadersOfAllKinds) {
    const std::string pe = MinimalPe();
    auto with = [&](std::size_t at, const std::string& bytes) {
        std::string b = pe;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    struct Case {
        const char* name;
        std::string head;
        bool valid;
        uint64_t entryField;
    } cases[] = {
        {"PE32", pe, true, 0x58 + 128},
        {"PE32+", with(0x58 + 108, std::string("\x10", 1)).replace(0x58, 2, "\x0B\x02"), true, 0x58 + 144},
        {"not MZ", with(0, "ZM"), false, 0},
        {"cut in the optional header", pe.substr(0, 0x58 + 100), false, 0},
        {"PE header offset past the end", with(0x3C, std::string("\xF0\xFF\x00\x00", 4)), false, 0},
        {"PE header offset near 4 GiB", with(0x3C, std::string("\xFE\xFF\xFF\xFF", 4)), false, 0},
        {"no PE signature", with(0x40, "PX"), false, 0},
        {"four data directories", with(0x58 + 92, std::string("\x04\x00\x00\x00", 4)), false, 0},
        {"unknown optional header", with(0x58, std::string("\x07\x01", 2)), false, 0},
        {"too short to hold anything", "MZ", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PeSecurity got = ReadPeSecurity(c.head);
        EXPECT_EQ(got.valid, c.valid);
        if (c.valid) {
            EXPECT_EQ(got.entryField, c.entryField);
            EXPECT_EQ(got.checksumField, 0x58u + 64);
        }
    }
}

TEST(StubRecordTest, KeysGoRightAfterTheHeaderInPlaceOfEarlierOnes) {
    const StubRecord r{4096, 1448, 777};
    const std::string keys = "StubCertOffset=4096\r\nStubCertSize=1448\r\nStubCheckSum=777\r\n";
    struct Case {
        std::string script, expected;
    } cases[] = {
        {"[Nuvex]\r\nCreator=x\r\n[A]\r\nb=1\r\n[/END]", "[Nuvex]\r\n" + keys + "Creator=x\r\n[A]\r\nb=1\r\n[/END]"},
        {"[Nuvex]\r\nstubcertsize=1\r\nCreator=x\r\nStubCheckSum = 5\r\n[A]\r\nStubCertSize=2\r\n[/END]",
         "[Nuvex]\r\n" + keys + "Creator=x\r\n[A]\r\nStubCertSize=2\r\n[/END]"},
        {"[Nuvex]\nCreator=x\n[/END]",
         "[Nuvex]\nStubCertOffset=4096\nStubCertSize=1448\nStubCheckSum=777\nCreator=x\n[/END]"},
        {"[Nuvex][/END]", "[Nuvex]\r\n" + keys + "[/END]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithStubRecord(c.script, r), c.expected) << c.script;
    }
}

}  // namespace
}  // namespace nuvex::pack::test
