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

TEST(SignedPackage, InstallerFindsItsScriptAndTheSignedStubStartsAsUninstaller) {
    const std::string package = ReadFileBytes(SignedDir() + "\\setup.exe");
    ASSERT_FALSE(package.empty()) << "the signed_package_setup test made no package";
    const std::string dir = TestWorkDir();
    MemorySource source(package);
    const HeaderSearchResult found =
        FindScriptHeader(source, static_cast<uint32_t>(package.size()));
    ASSERT_TRUE(found.found);

    // The installer finds its script past the stub's certificate table and installs into
    // the test folder; the uninst.exe it writes must be the signed stub again, which the
    // native step after this test checks with osslsigncode.
    const std::string product = dir + "\\product";
    {
        Process setup = Launch(SignedDir() + "\\setup.exe", TempEnv(dir));
        HWND wizard = WaitForWindow(setup.Id(), "WizardWindow", kDefaultTimeoutMs, true);
        ASSERT_NE(wizard, nullptr) << "the signed installer shows no wizard";
        EXPECT_EQ(WindowText(ChildAt(wizard, "Static", 65, 30)), "Intro");
        EXPECT_EQ(WindowText(ChildAt(wizard, "Static", 25, 70)), "Welcome to Signed Product.");
        HWND next = ChildAt(wizard, "Button", 385, 165);
        HWND field = ChildAt(wizard, "Edit", 35, 104);
        ASSERT_TRUE(next && field);
        Click(next);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(field) != 0; }));
        DWORD_PTR result;
        SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(product.c_str()),
                            SMTO_ABORTIFHUNG, 5000, &result);
        Click(next);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(next) == "Install"; }));
        Click(next);
        ASSERT_TRUE(WaitUntil([&] {
            return FindProcessWindow(setup.Id(), "ProgressWindow") == nullptr &&
                   IsWindowVisible(wizard) && IsWindowEnabled(wizard);
        })) << "the installation did not end";
        Click(next);
        DWORD code = 12345;
        ASSERT_TRUE(setup.WaitForExit(&code));
        EXPECT_EQ(code, 0u);
    }
    const std::string installed = ReadFileBytes(product + "\\uninst.exe");
    ASSERT_EQ(installed.size(), found.scriptOffset);
    EXPECT_NE(installed, package.substr(0, found.scriptOffset))
        << "the stub's own signature entry must be put back";

    Process uninst = Launch(product + "\\uninst.exe");
    HWND window = WaitForWindow(uninst.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(window, nullptr) << "the signed stub did not start as the uninstaller";
    EXPECT_EQ(WindowText(ChildAt(window, "Static", 65, 30)), "Remove Signed Product");
    EXPECT_NE(WaitForChild(window, "Button", "Remove"), nullptr);
    Click(ChildAt(window, "Button", 475, 4));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Signed Product");
}

}  // namespace
}  // namespace nuvex::test
