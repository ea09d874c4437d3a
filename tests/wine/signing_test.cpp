// A signed package under Wine. setup.exe is built and signed natively before this test
// (signed_package.cmake): its stub ends in a certificate table, and another one follows the
// payload. The installer must find its script through the first, and the signed stub must
// start as the uninstaller; osslsigncode checks that uninstaller natively afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "byte_io.h"
#include "driver.h"
#include "package_fixture.h"
#include "script_extract.h"

namespace nuvex::test {
namespace {

std::string SignedDir() {
    std::string stub = StubPath();
    return stub.substr(0, stub.find_last_of('\\')) + "\\signed";
}

// The value of `key=` on a line of its own in `script`, as a number; -1 when absent.
long long ScriptNumber(const std::string& script, const std::string& key) {
    std::size_t at = script.find("\n" + key + "=");
    return at == std::string::npos ? -1 : std::atoll(script.c_str() + at + key.size() + 2);
}

void Put32(std::string& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
}

TEST(SignedPackage, InstallerFindsItsScriptAndTheSignedStubStartsAsUninstaller) {
    const std::string package = ReadFileBytes(SignedDir() + "\\setup.exe");
    ASSERT_FALSE(package.empty()) << "the signed_package_setup test made no package";
    const std::string dir = TestWorkDir();

    // The installer reads its script and shows its first page.
    {
        Process setup = Launch(SignedDir() + "\\setup.exe", TempEnv(dir));
        HWND wizard = WaitForWindow(setup.Id(), "WizardWindow", kDefaultTimeoutMs, true);
        ASSERT_NE(wizard, nullptr) << "the signed installer shows no wizard";
        EXPECT_EQ(WindowText(ChildAt(wizard, "Static", 65, 30)), "Intro");
        EXPECT_EQ(WindowText(ChildAt(wizard, "Static", 25, 70)), "Welcome to Signed Product.");
    }

    // The uninstaller: the first S bytes, found by the installer's own header search, with
    // the stub's security entry and checksum that the header section records.
    MemorySource source(package);
    HeaderSearchResult found = FindScriptHeader(source, static_cast<uint32_t>(package.size()));
    ASSERT_TRUE(found.found);
    const std::string script = package.substr(found.scriptOffset, 4096);
    const long long certOffset = ScriptNumber(script, "StubCertOffset");
    const long long certSize = ScriptNumber(script, "StubCertSize");
    const long long checksum = ScriptNumber(script, "StubCheckSum");
    ASSERT_GT(certOffset, 0);
    EXPECT_EQ(certOffset + certSize, static_cast<long long>(found.scriptOffset));
    ASSERT_GE(checksum, 0);
    std::string uninstaller = package.substr(0, found.scriptOffset);
    const std::size_t optionalHeader = static_cast<unsigned char>(uninstaller[0x3C]) +
                                       (static_cast<unsigned char>(uninstaller[0x3D]) << 8) + 24;
    Put32(uninstaller, optionalHeader + 64, static_cast<uint32_t>(checksum));
    Put32(uninstaller, optionalHeader + 128, static_cast<uint32_t>(certOffset));
    Put32(uninstaller, optionalHeader + 132, static_cast<uint32_t>(certSize));
    const std::string product = dir + "\\product";
    CreateDirectoryA(product.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(product + "\\uninst.exe", uninstaller));
    ASSERT_TRUE(WriteFileBytes(product + "\\uninst.ini",
                               "[Nuvex]\r\nuninstallreg=Signed Product\r\nszButtonUnInstall=Remove\r\n"
                               "szLabelUninst=Remove Signed Product\r\nszTextUninst=Removes it.\r\n"
                               "dir000000=" + product + "\r\n"));
    Process uninst = Launch(product + "\\uninst.exe");
    HWND window = WaitForWindow(uninst.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(window, nullptr) << "the signed stub did not start as the uninstaller";
    EXPECT_EQ(WindowText(ChildAt(window, "Static", 65, 30)), "Remove Signed Product");
    EXPECT_NE(WaitForChild(window, "Button", "Remove"), nullptr);
}

}  // namespace
}  // namespace nuvex::test
