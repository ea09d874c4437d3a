// Signed packages: build --sign and sign with osslsigncode and a certificate made here with
// openssl, the uninstaller the signed stub gives, and what verify reports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "pack_test_support.h"
#include "package_reader.h"
#include "pe_security.h"

namespace nuvex::pack::test {
namespace {

// One throw-away certificate per test process, removed at its end; no key is committed.
struct Keys {
    Keys() : dir(fs::path(::testing::TempDir()) / ("nuvexpack-keys-" + std::to_string(getpid()))) {
        WriteBytes(pass, "nuvex-test-password\n");
        CliResult made = RunShell("openssl req -x509 -newkey rsa:2048 -days 2 -subj '/CN=Nuvex Test Signer' -keyout " +
                                  key.string() + " -out " + cert.string() + " -passout file:" + pass.string() +
                                  " && openssl pkcs12 -export -in " + cert.string() + " -inkey " + key.string() +
                                  " -passin file:" + pass.string() + " -passout pass:nuvex-test-password" +
                                  " -out " + p12.string());
        EXPECT_EQ(made.exitCode, 0) << made.output;
    }
    ~Keys() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir, cert = dir / "cert.pem", key = dir / "key.pem", pass = dir / "pass.txt", p12 = dir / "cert.p12";
    std::string Pem() const { return " --cert " + cert.string() + " --key " + key.string() + " --pass-file " + pass.string(); }
};

const Keys& TestKeys() {
    static const Keys keys;
    return keys;
}

bool SignatureChecks(const fs::path& file) {
    return RunShell("osslsigncode verify -CAfile " + TestKeys().cert.string() + " -in " + file.string()).exitCode == 0;
}

class SigningTest : public PackTest {
protected:
    void SetUp() override {
        PackTest::SetUp();
        WriteBytes(stub_, MinimalPe());
        Source("a.txt", SampleContent(3000, 1));
        Source("docs/b.txt", SampleContent(777, 2));
        WriteBytes(script_, Script({"[Components]", "NumberOfComponents=1", "[Component0]", "dir0000=docs",
                                    "file0000=a.txt", "file0001=docs\\b.txt"}));
    }
    std::string BuildArgs(const fs::path& out, const fs::path& stub = {}) const {
        return "build " + script_.string() + " --source " + src_.string() + " --stub " +
               (stub.empty() ? stub_ : stub).string() + " -o " + out.string() + " --quiet";
    }
    // Nothing but the inputs and the named outputs in the test folder: no temporary file
    // or work folder stays behind.
    void ExpectOnly(std::set<std::string> names) const {
        names.insert({"setup.ini", "src", "stub.exe"});
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(dir_)) {
            found.insert(e.path().filename().string());
        }
        EXPECT_EQ(found, names);
    }
};

TEST_F(SigningTest, SignedPackagesAndTheirUninstallers) {
    const Keys& k = TestKeys();
    const fs::path plain = dir_ / "plain.exe", package = dir_ / "signed.exe";
    ASSERT_EQ(RunTool(BuildArgs(plain)).exitCode, 0);
    const RawPackage unsignedParts = SplitPackage(ReadWholeFile(plain));
    const std::pair<const char*, std::string> cases[] = {
        {"build --sign, PEM", BuildArgs(package) + " --sign" + k.Pem()},
        {"build --sign, PKCS#12", BuildArgs(package) + " --sign --cert " + k.p12.string() + " --pass-file " + k.pass.string()},
        {"sign a built package", "sign " + plain.string() + " -o " + package.string() + k.Pem()},
        {"sign a signed package again", "sign " + package.string() + k.Pem()},
    };
    for (const auto& [name, command] : cases) {
        SCOPED_TRACE(name);
        CliResult signing = RunTool(command);
        ASSERT_EQ(signing.exitCode, 0) << signing.output;
        EXPECT_TRUE(SignatureChecks(package));
        // The installer's view: the first header, the script, the payload after it. The
        // streams are the unsigned package's, byte for byte, at the same offsets from the
        // payload base; only the certificate table follows them.
        const std::string bytes = ReadWholeFile(package);
        const RawPackage parts = SplitPackage(bytes);
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
        auto number = [&](const char* key) { return static_cast<uint32_t>(std::stoul(ScriptValue(parts.script, key))); };
        const StubRecord record{number(kStubCertOffsetKey), number(kStubCertSizeKey), number(kStubCheckSumKey)};
        EXPECT_EQ(record.certOffset + record.certSize, stub.size());
        WriteBytes(dir_ / "uninst" / "copied.exe", stub);
        WriteBytes(dir_ / "uninst" / "uninst.exe", UninstallerImage(stub, record));
        EXPECT_FALSE(SignatureChecks(dir_ / "uninst" / "copied.exe"));
        EXPECT_TRUE(SignatureChecks(dir_ / "uninst" / "uninst.exe"));
        fs::remove_all(dir_ / "uninst");

        CliResult verify = RunTool("verify " + package.string() + " --ca " + k.cert.string());
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
        for (const char* shown : {"package signature: signed, the signature checks",
                                  "uninstaller (stub) signature: signed, the signature checks"}) {
            EXPECT_NE(verify.output.find(shown), std::string::npos) << verify.output;
        }
        CliResult extract = RunTool("extract " + package.string() + " " + (dir_ / "x").string());
        EXPECT_EQ(extract.exitCode, 0) << extract.output;
        EXPECT_EQ(ReadWholeFile(dir_ / "x" / "docs" / "b.txt"), SampleContent(777, 2));
        fs::remove_all(dir_ / "x");
    }
    // Without the test certificate as a trusted root the digests still check.
    CliResult verify = RunTool("verify " + package.string());
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
    EXPECT_NE(verify.output.find("the file matches its signature; the signer is not trusted here"), std::string::npos)
        << verify.output;
    ExpectOnly({"plain.exe", "signed.exe"});
}

TEST_F(SigningTest, SameBytesWithTheSameKeyAndSigningTime) {
    const std::string epoch = "SOURCE_DATE_EPOCH=1765000000";
    const fs::path one = dir_ / "one.exe", two = dir_ / "two.exe";
    ASSERT_EQ(RunTool(BuildArgs(one) + " --sign" + TestKeys().Pem(), epoch).exitCode, 0);
    ASSERT_EQ(RunTool(BuildArgs(two) + " --sign" + TestKeys().Pem(), epoch).exitCode, 0);
    EXPECT_EQ(ReadWholeFile(one), ReadWholeFile(two));
    // Signing a signed package again drops both signatures and writes the same ones.
    ASSERT_EQ(RunTool("sign " + two.string() + TestKeys().Pem(), epoch).exitCode, 0);
    EXPECT_EQ(ReadWholeFile(one), ReadWholeFile(two));
    CliResult shown = RunShell("osslsigncode verify -in " + one.string());
    EXPECT_NE(shown.output.find("Signing time: Dec  6 05:46:40 2025 GMT"), std::string::npos) << shown.output;
}

TEST_F(SigningTest, ChangedBytesAreCaught) {
    const fs::path package = dir_ / "signed.exe", bad = dir_ / "bad.exe";
    ASSERT_EQ(RunTool(BuildArgs(package) + " --sign" + TestKeys().Pem()).exitCode, 0);
    const std::string good = ReadWholeFile(package);
    const struct {
        const char* name;
        std::size_t at;
        std::vector<std::string> reported;  // all of them
    } cases[] = {
        {"payload", SplitPackage(good).payloadBase + 40,
         {"payload's CRC-32", "package signature: signed, but the file does not match"}},
        {"stub code", 0x200 + 100,
         {"package signature: signed, but the file does not match",
          "uninstaller (stub) signature: signed, but the file does not match"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string changed = good;
        changed[c.at] = static_cast<char>(changed[c.at] ^ 0x10);
        WriteBytes(bad, changed);
        CliResult verify = RunTool("verify " + bad.string() + " --ca " + TestKeys().cert.string());
        EXPECT_EQ(verify.exitCode, 1) << verify.output;
        for (const std::string& text : c.reported) {
            EXPECT_NE(verify.output.find(text), std::string::npos) << text << "\n" << verify.output;
        }
    }
}

// A failed signing leaves neither the unsigned package, which could pass for the signed
// one asked for, nor a work file.
TEST_F(SigningTest, ErrorsLeaveNothingBehind) {
    const Keys& k = TestKeys();
    const fs::path out = dir_ / "out.exe";
    fs::create_directories(dir_ / "empty-path");
    WriteBytes(dir_ / "fake.exe", FakeStub());
    WriteBytes(dir_ / "wrong.txt", "not the password\n");
    const struct {
        const char* name;
        std::string args, env, message;
    } cases[] = {
        {"no osslsigncode", BuildArgs(out) + " --sign" + k.Pem(), "PATH=" + (dir_ / "empty-path").string(),
         "osslsigncode was not found on PATH"},
        {"wrong password",
         BuildArgs(out) + " --sign --cert " + k.cert.string() + " --key " + k.key.string() + " --pass-file " +
             (dir_ / "wrong.txt").string(), "", "osslsigncode could not sign the stub"},
        {"stub without PE header", BuildArgs(out, dir_ / "fake.exe") + " --sign" + k.Pem(), "",
         "the stub is not a Windows program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliResult r = RunTool(c.args, c.env);
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        ExpectOnly({"empty-path", "fake.exe", "wrong.txt"});
    }
}

// The PE header reader takes the start of any file: a package, a stub, or neither.
TEST(PeSecurityTest, HeadersOfAllKinds) {
    const std::string pe = MinimalPe();
    auto with = [&](std::size_t at, const std::string& bytes) { return std::string(pe).replace(at, bytes.size(), bytes); };
    const struct {
        const char* name;
        std::string head;
        uint64_t entryField;  // 0: not valid
    } cases[] = {
        {"PE32", pe, 0x58 + 128},
        {"PE32+", with(0x58 + 108, std::string("\x10", 1)).replace(0x58, 2, "\x0B\x02"), 0x58 + 144},
        {"cut in the optional header", pe.substr(0, 0x58 + 100), 0},
        {"PE header offset near 4 GiB", with(0x3C, std::string("\xFE\xFF\xFF\xFF", 4)), 0},
        {"four data directories", with(0x58 + 92, std::string("\x04\x00\x00\x00", 4)), 0},
        {"unknown optional header", with(0x58, std::string("\x07\x01", 2)), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PeSecurity got = ReadPeSecurity(c.head);
        EXPECT_EQ(got.valid, c.entryField != 0);
        if (got.valid) {
            EXPECT_EQ(got.entryField, c.entryField);
            EXPECT_EQ(got.checksumField, 0x58u + 64);
        }
    }
}

TEST(StubRecordTest, KeysGoRightAfterTheHeaderInPlaceOfEarlierOnes) {
    const std::string keys = "StubCertOffset=4096\r\nStubCertSize=1448\r\nStubCheckSum=777\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"[Nuvex]\r\nstubcertsize=1\r\nCreator=x\r\nStubCheckSum = 5\r\n[A]\r\nStubCertSize=2\r\n[/END]",
         "[Nuvex]\r\n" + keys + "Creator=x\r\n[A]\r\nStubCertSize=2\r\n[/END]"},
        {"[Nuvex][/END]", "[Nuvex]\r\n" + keys + "[/END]"},
    };
    for (const auto& [script, expected] : cases) {
        EXPECT_EQ(WithStubRecord(script, StubRecord{4096, 1448, 777}), expected) << script;
    }
}

}  // namespace
}  // namespace nuvex::pack::test
