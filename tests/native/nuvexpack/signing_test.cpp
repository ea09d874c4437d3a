// Signed packages: build --sign and sign with osslsigncode and a certificate made here with
// openssl, the uninstaller the signed stub gives, and what verify reports.
#include <gtest/gtest.h>

#include <tuple>

#include "pack_test_support.h"
#include "package_reader.h"
#include "install_rules.h"
#include "pe_security.h"

namespace nuvex::pack::test {
namespace {

// A throw-away certificate made for each test with openssl; no key is committed.
class SigningTest : public PackTest {
protected:
    void SetUp() override {
        PackTest::SetUp();
        WriteBytes(stub_, MinimalPe());
        Source("a.txt", SampleContent(3000, 1));
        Source("docs/b.txt", SampleContent(777, 2));
        WriteBytes(script_, Component({"dir0000=docs", "file0000=a.txt", "file0001=docs\\b.txt"}));
        cert_ = dir_ / "keys" / "cert.pem";
        key_ = dir_ / "keys" / "key.pem";
        pass_ = dir_ / "keys" / "pass.txt";
        WriteBytes(pass_, "nuvex-test-password\n");
        CliResult made = RunShell(
            "openssl req -x509 -newkey rsa:2048 -days 2 -subj '/CN=Nuvex Test Signer' -keyout " +
            key_.string() + " -out " + cert_.string() + " -passout file:" + pass_.string());
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    std::string BuildArgs(const fs::path& out, const fs::path& stub = {}) const {
        return "build " + script_.string() + " --source " + src_.string() + " --stub " +
               (stub.empty() ? stub_ : stub).string() + " -o " + out.string() + " --quiet";
    }
    std::string Pem() const {
        return " --cert " + cert_.string() + " --key " + key_.string() + " --pass-file " +
               pass_.string();
    }
    bool SignatureChecks(const fs::path& file) const {
        return RunShell("osslsigncode verify -CAfile " + cert_.string() + " -in " + file.string())
                   .exitCode == 0;
    }
    fs::path cert_, key_, pass_;
};

TEST_F(SigningTest, SignedPackagesAndTheirUninstallers) {
    const fs::path plain = dir_ / "plain.exe", package = dir_ / "signed.exe";
    // A failed signing leaves neither the unsigned package, which could pass for the signed
    // one asked for, nor a work file.
    fs::create_directories(dir_ / "empty-path");
    WriteBytes(dir_ / "fake.exe", FakeStub());
    for (const auto& [args, env, message] :
         {std::tuple{BuildArgs(package) + " --sign" + Pem(),
                     "PATH=" + (dir_ / "empty-path").string(),
                     "osslsigncode was not found on PATH"},
          {BuildArgs(package, dir_ / "fake.exe") + " --sign" + Pem(), "",
           "the stub is not a Windows program"}}) {
        CliResult r = RunTool(args, env);
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
        EXPECT_EQ(Strays({"keys", "empty-path", "fake.exe"}), std::set<std::string>{});
    }
    ASSERT_EQ(RunTool(BuildArgs(plain)).exitCode, 0);
    const RawPackage unsignedParts = SplitPackage(ReadWholeFile(plain));
    const std::pair<const char*, std::string> cases[] = {
        {"build --sign, PEM", BuildArgs(package) + " --sign" + Pem()},
        {"sign a built package", "sign " + plain.string() + " -o " + package.string() + Pem()},
        {"sign a signed package again", "sign " + package.string() + Pem()},
    };
    // With the same key and signing time every way gives the same bytes; signing a signed
    // package again drops both signatures and writes the same ones.
    std::string bytes;
    for (const auto& [name, command] : cases) {
        SCOPED_TRACE(name);
        CliResult signing = RunTool(command, "SOURCE_DATE_EPOCH=1765000000");
        ASSERT_EQ(signing.exitCode, 0) << signing.output;
        bytes = bytes.empty() ? ReadWholeFile(package) : bytes;
        EXPECT_TRUE(ReadWholeFile(package) == bytes);
    }
    EXPECT_TRUE(SignatureChecks(package));
    // The installer's view: the first header, the script, the payload after it. The streams
    // are the unsigned package's, byte for byte, at the same offsets from the payload base;
    // only the certificate table follows them.
    const RawPackage parts = SplitPackage(bytes);
    EXPECT_EQ(parts.payload.compare(0, unsignedParts.payload.size(), unsignedParts.payload), 0);
    for (const char* key : {"file0001offset", "PayloadCrc32"}) {
        EXPECT_EQ(ScriptValue(parts.script, key), ScriptValue(unsignedParts.script, key)) << key;
    }
    PackageInfo info = ReadPackage(package);
    EXPECT_EQ(info.payloadEnd, info.payloadBase + unsignedParts.payload.size());
    EXPECT_EQ(info.certOffset + info.certSize, bytes.size());
    // The uninstaller: the first S bytes, with the stub's own security entry and checksum,
    // which the package's header cannot hold.
    const std::string stub = bytes.substr(0, parts.scriptOffset);
    auto number = [&](const char* key) {
        return static_cast<uint32_t>(std::stoul(ScriptValue(parts.script, key)));
    };
    const nuvex::StubRecord record{number(kStubCertOffsetKey), number(kStubCertSizeKey),
                                   number(kStubCheckSumKey)};
    EXPECT_EQ(record.certOffset + record.certSize, stub.size());
    WriteBytes(dir_ / "uninst" / "copied.exe", stub);
    std::string image = stub;  // what the installer writes as its uninstaller
    ASSERT_TRUE(ApplyStubRecord(reinterpret_cast<unsigned char*>(&image[0]),
                                static_cast<uint32_t>(image.size()), record));
    WriteBytes(dir_ / "uninst" / "uninst.exe", image);
    EXPECT_FALSE(SignatureChecks(dir_ / "uninst" / "copied.exe"));
    EXPECT_TRUE(SignatureChecks(dir_ / "uninst" / "uninst.exe"));
    fs::remove_all(dir_ / "uninst");
    CliResult verify = RunTool("verify " + package.string() + " --ca " + cert_.string());
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
    EXPECT_NE(verify.output.find("uninstaller (stub) signature: signed, the signature checks"),
              std::string::npos)
        << verify.output;
    // A changed byte of the payload or of the stub's code.
    for (const auto& [at, reported] :
         {std::pair{parts.payloadBase + 40, "payload's CRC-32"},
          {std::size_t{0x200 + 100}, "(stub) signature: signed, but the file"}}) {
        std::string changed = bytes;
        changed[at] = static_cast<char>(changed[at] ^ 0x10);
        WriteBytes(package, changed);
        CliResult bad = RunTool("verify " + package.string() + " --ca " + cert_.string());
        EXPECT_EQ(bad.exitCode, 1) << bad.output;
        EXPECT_NE(bad.output.find(reported), std::string::npos) << bad.output;
    }
    EXPECT_EQ(Strays({"keys", "empty-path", "fake.exe", "plain.exe", "signed.exe"}),
              std::set<std::string>{});
}

}  // namespace
}  // namespace nuvex::pack::test
