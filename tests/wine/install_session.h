// Installations as the user runs them, shared by the tests that install: scripts, packages
// from the real package builder, the wizard walk and what the run leaves behind.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver.h"
#include "package_fixture.h"

namespace nuvex::test {

// The product and the texts of the test scripts (ScriptHead).
inline constexpr char kProduct[] = "Nuvex Install Test";
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr char kNext[] = "Next";
inline constexpr char kInstall[] = "Install";
inline constexpr char kDone[] = "Done";
inline constexpr char kCancel[] = "Cancel";
inline constexpr char kLabelDone[] = "All done";
inline constexpr char kLabelError[] = "It failed";
inline constexpr char kTextError[] = "Installation failed.";
inline constexpr char kTextError1[] = "Files written so far stay.";
inline constexpr char kErrorNES[] = "No space left.";
inline constexpr char kErrorNEM[] = "No memory left.";
inline constexpr char kErrorCRC[] = "The package is damaged.";
inline constexpr char kErrorDIR[] = "No target folder.";

// The error page's body for the specific text `specific`.
std::string Report(const char* specific);

std::string WindowsFolder();
std::string SystemFolder();
// The shell's folder for `csidl` as the test process sees it (the installer's user).
std::string ShellFolder(int csidl);

// NUVEX_ROBUST_FULL=1: the robustness tests run their full counts (bench/robustness.sh).
bool FullRun();

// Creates `path` with every folder above it.
void MakeFolders(const std::string& path);

// Text of `size` bytes that deflate shrinks but not to nothing: numbered lines.
std::string SampleText(std::size_t size, unsigned seed);

// The wizard, texts and switches every test package shares. The introduction leads straight
// to the confirmation page, whose Install starts the installation; with no install type
// page the selection is the first preset, UseInInstType0.
std::vector<std::string> ScriptHead(const std::string& instDir, const char* includeUninst,
                                    const char* progressStyle,
                                    const char* showBackground = "false");

// `script` with one component, [Component0] "Main" in the first install type, and `entries`.
std::vector<std::string> ComponentLines(std::vector<std::string> script,
                                        const std::vector<std::string>& entries);

// Builds setup.exe in `dir` with the package builder from the script and `dir`\src.
std::string BuildInstaller(const std::string& dir, const std::vector<std::string>& script);

// Replaces `from` by `to` (same length, so no offset moves) in the script of a package.
void PatchScript(std::string& package, const std::string& from, const std::string& to);

// The file offset of the first byte after the script's end marker.
std::size_t PayloadBase(const std::string& package);

// uninst.ini as "key=value" lines in file order.
std::vector<std::string> LogLines(const std::string& path);
// The values of one family of an uninstall log ("file", "dir", "startfile", "startdir"), in
// file order.
std::vector<std::string> Logged(const std::string& log, const std::string& family);

// Runs `target`\uninst.exe and presses Remove; true when it ends by itself with code 0.
bool RunUninstaller(const std::string& target);

// A REG_SZ value below HKLM, with its terminating NUL.
bool ReadRegistryValue(const std::string& key, const char* name, std::string* value);
// The Uninstall key of kProduct.
void DeleteUninstallEntry();
bool UninstallEntryExists();

// Whether `window` shows `text` in a visible static control.
testing::AssertionResult Shows(HWND window, const std::string& text);

// Drive T: is a small tmpfs that the test set-up maps into the prefix (tmpfs_drive.sh). Its
// free space is known to the byte and runs out for real.
inline constexpr char kSmallDrive[] = "T:\\";
// Free bytes of T:, or 0 when it is not a small drive (no root to mount one, say).
uint64_t SmallDriveFree();
// Removes everything on T:.
void EmptySmallDrive();
// Skips the running test when T: is not the small drive, and empties it otherwise.
#define NUVEX_ON_EMPTY_SMALL_DRIVE()                            \
    if (SmallDriveFree() == 0) {                                \
        GTEST_SKIP() << "drive T: is not the small test drive"; \
    }                                                           \
    EmptySmallDrive()

// Every file and folder below `dir`, named `prefix` + the path relative to `dir`, down to
// `depth` levels.
void ListTree(const std::string& dir, const std::string& prefix, std::vector<std::string>* out,
              int depth = 64);

// One installer run through its wizard.
class InstallerRun {
public:
    InstallerRun(const std::string& exe, const std::string& tmp) : p_(Launch(exe, TempEnv(tmp))) {}

    DWORD Id() const { return p_.Id(); }
    HWND Wizard() const { return wizard_; }

    // Introduction, Next, confirmation, Install. Returns once Install has been pressed.
    void StartInstallation() {
        wizard_ = WaitForWindow(p_.Id(), "WizardWindow", kDefaultTimeoutMs, true);
        ASSERT_NE(wizard_, nullptr) << "expected the wizard";
        HWND next = WaitForChild(wizard_, "Button", kNext);
        ASSERT_NE(next, nullptr);
        Click(next);
        HWND install = WaitForChild(wizard_, "Button", kInstall);
        ASSERT_NE(install, nullptr) << "expected the confirmation page";
        Click(install);
    }

    // Introduction, Next, the install type captioned `type`, Next, the custom page with each
    // box of `boxes` (caption, ticked) clicked where it differs, Next, Install.
    void StartCustomInstallation(const char* type,
                                 const std::vector<std::pair<std::string, bool>>& boxes) {
        wizard_ = WaitForWindow(p_.Id(), "WizardWindow", kDefaultTimeoutMs, true);
        ASSERT_NE(wizard_, nullptr) << "expected the wizard";
        HWND next = WaitForChild(wizard_, "Button", kNext);
        ASSERT_NE(next, nullptr);
        Click(next);
        // The radio buttons and boxes exist from the start, hidden off their pages.
        auto shown = [&](const char* caption) {
            HWND button = nullptr;
            WaitUntil([&] {
                button = FindChild(wizard_, "Button", caption);
                return button && IsWindowVisible(button);
            });
            return button && IsWindowVisible(button) ? button : nullptr;
        };
        HWND radio = shown(type);
        ASSERT_NE(radio, nullptr) << "expected the install type " << type;
        Click(radio);
        Click(next);
        for (const auto& [caption, ticked] : boxes) {
            HWND box = shown(caption.c_str());
            ASSERT_NE(box, nullptr) << "expected the custom page's box " << caption;
            if ((SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != ticked) {
                Click(box);
            }
            ASSERT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED, ticked) << caption;
        }
        Click(next);
        HWND install = WaitForChild(wizard_, "Button", kInstall);
        ASSERT_NE(install, nullptr) << "expected the confirmation page";
        Click(install);
    }

    // Waits until the progress window has gone and the wizard is back; false on timeout.
    bool WaitForWizardBack() {
        return WaitUntil([&] {
            return FindProcessWindow(p_.Id(), "ProgressWindow") == nullptr &&
                   IsWindowVisible(wizard_) && IsWindowEnabled(wizard_);
        });
    }

    // Next on the done or error page ends the program with code 0.
    void Finish(const char* caption) {
        HWND next = WaitForChild(wizard_, "Button", caption);
        ASSERT_NE(next, nullptr) << "expected Next captioned " << caption;
        Click(next);
        DWORD code = 12345;
        ASSERT_TRUE(p_.WaitForExit(&code)) << "the installer did not end";
        EXPECT_EQ(code, 0u);
    }

    // The whole run: install, expect the done page or the error page with `body`, finish.
    void ExpectDonePage() {
        ASSERT_TRUE(WaitForWizardBack()) << "the installation did not end";
        EXPECT_TRUE(Shows(wizard_, kLabelDone));
        EXPECT_TRUE(Shows(wizard_, std::string(kProduct) + " is installed."));
        Finish(kDone);
    }
    void ExpectErrorPage(const std::string& body) {
        ASSERT_TRUE(WaitForWizardBack()) << "the installation did not end";
        EXPECT_TRUE(Shows(wizard_, kLabelError));
        EXPECT_TRUE(Shows(wizard_, body));
        Finish(kCancel);
    }

private:
    Process p_;
    HWND wizard_ = nullptr;
};

}  // namespace nuvex::test
