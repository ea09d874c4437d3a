// The wizard as a user walks it: the real installer started under Wine, its controls found
// by place and class, pressed with BM_CLICK.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "canvas.h"
#include "driver.h"
#include "package_fixture.h"
#include "resource_ids.h"
#include "skin.h"

namespace nuvex::test {
namespace {

// Every page's heading differs, so the test always knows where it is. `wizard` lines join
// [Wizard]; without a [Dialogs] of its own the introduction leads straight to the
// confirmation, and without [Components] there is one.
std::vector<std::string> Script(const std::vector<std::string>& wizard,
                                const std::vector<std::string>& sections = {}) {
    std::vector<std::string> lines = {"[Wizard]",
                                      "szInstallAppName=Test Product",
                                      "szButtonNext=Next",
                                      "szButtonBack=Back",
                                      "szButtonCancel=Cancel",
                                      "szButtonInstall=Install",
                                      "szButtonDone=Done",
                                      "szButtonBrowse=Browse",
                                      "szLabelUvod=Intro",
                                      "szLabelInfo=Info",
                                      "szLabelTarget=Target",
                                      "szLabelTyp=Type",
                                      "szLabelCustom=Custom",
                                      "szLabelInstall=Confirm",
                                      "szLabelKonec=Finished",
                                      "szLabelError=Failed",
                                      "szTextUvod=Welcome to %s.",
                                      "szTextError=It failed.",
                                      "szInstDir=C:\\Program Files",
                                      "szInstallAppDir=Tool"};
    lines.insert(lines.end(), wizard.begin(), wizard.end());
    lines.insert(lines.end(), sections.begin(), sections.end());
    const std::vector<std::vector<std::string>> defaults = {
        {"[Dialogs]", "AppInfo=false", "Licence=false", "TargetDir=false", "InstType=false"},
        {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main"}};
    for (const std::vector<std::string>& section : defaults) {
        if (std::find(sections.begin(), sections.end(), section[0]) == sections.end()) {
            lines.insert(lines.end(), section.begin(), section.end());
        }
    }
    return lines;
}

// One running installer showing its wizard, with its controls found by their places. The
// packages hold no file, so none needs the package builder.
struct Session {
    explicit Session(const std::vector<std::string>& script) {
        const std::string exe = dir + "\\setup.exe";
        MakePackage(exe, script);
        process = Launch(exe, TempEnv(dir));
        window = WaitForWindow(process.Id(), "WizardWindow", kDefaultTimeoutMs, true);
        WaitUntil([&] { return !window || ChildAt(window, "Edit", 35, 104) != nullptr; });
        heading = ChildAt(window, "Static", 65, 30);
        body = ChildAt(window, "Static", 25, 70);
        next = ChildAt(window, "Button", 385, 165);
        back = ChildAt(window, "Button", 270, 165);
        browse = ChildAt(window, "Button", 385, 100);
        closeBox = ChildAt(window, "Button", 475, 4);
        field = ChildAt(window, "Edit", 35, 104);
        ready = heading && body && next && back && browse && closeBox && field;
        EXPECT_TRUE(ready) << "no wizard, or a control of it is missing";
    }
    bool WaitForPage(const std::string& text) {
        return WaitUntil([&] { return WindowText(heading) == text; }, 20000);
    }
    // Presses `button` and waits for the page headed `expected`.
    void Press(HWND button, const std::string& expected) {
        Click(button);
        EXPECT_TRUE(WaitForPage(expected))
            << "expected page " << expected << ", still on " << WindowText(heading);
    }
    void ExpectEnds() {
        DWORD code = 12345;
        EXPECT_TRUE(process.WaitForExit(&code) && code == 0) << "did not end, or not with 0";
    }
    // The visible buttons whose text starts with `prefix`, in creation order.
    std::vector<HWND> VisibleButtons(const std::string& prefix) const {
        std::vector<HWND> found;
        for (HWND child : Children(window)) {
            if (IsWindowVisible(child) && ClassName(child) == "Button" &&
                WindowText(child).rfind(prefix, 0) == 0) {
                found.push_back(child);
            }
        }
        return found;
    }

    std::string dir = TestWorkDir();
    Process process;
    bool ready = true;
    HWND window = nullptr, heading = nullptr, body = nullptr, next = nullptr, back = nullptr,
         browse = nullptr, closeBox = nullptr, field = nullptr;
};

void SetField(HWND field, const std::string& text) {
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Only TRUE, in any case, shows a page. On the target page leaving by Next or Back stores the
// field under the drive-root rule, and a cancelled folder browser leaves what was typed. Back
// on the confirmation page gives Next its caption back; Cancel on the introduction ends.
TEST(WizardPages, DialogsFlagsAndTheTargetFolder) {
    Session s(Script({"autonametopath=true"},
                     {"[Dialogs]", "AppInfo=tRuE", "Licence=yes", "TargetDir=TRUE", "InstType=1"}));
    ASSERT_TRUE(s.ready);
    EXPECT_EQ(WindowText(s.body), "Welcome to Test Product.");
    EXPECT_EQ(WindowText(s.back), "Cancel");
    s.Press(s.next, "Info");
    EXPECT_EQ(WindowText(s.back), "Back") << "Back once the introduction is left";
    s.Press(s.next, "Target");
    EXPECT_EQ(WindowText(s.field), "C:\\Program Files\\Tool");
    SetField(s.field, "E:\\");
    s.Press(s.next, "Confirm");
    EXPECT_EQ(WindowText(s.next), "Install");
    s.Press(s.back, "Target");
    EXPECT_EQ(WindowText(s.next), "Next");
    EXPECT_EQ(WindowText(s.field), "E:");
    SetField(s.field, "E:\\Apps\\");
    s.Press(s.back, "Info");
    s.Press(s.next, "Target");
    EXPECT_EQ(WindowText(s.field), "E:\\Apps\\");
    SetField(s.field, "X:\\typed");
    PostMessageA(s.browse, BM_CLICK, 0, 0);
    HWND browser = WaitForWindow(s.process.Id(), "#32770", kDefaultTimeoutMs, true);
    ASSERT_NE(browser, nullptr) << "no folder browser";
    EXPECT_EQ(GetWindow(browser, GW_OWNER), s.window);
    PressMessageBoxButton(browser, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(browser));
    EXPECT_EQ(WindowText(s.field), "X:\\typed");
    s.Press(s.back, "Info");
    s.Press(s.back, "Intro");
    EXPECT_EQ(WindowText(s.back), "Cancel") << "Cancel again on the introduction";
    Click(s.back);
    s.ExpectEnds();
}

// A WM_CLOSE from another program (a session manager, say) on any page before the
// installation ends the installer like the close box, rather than destroying the wizard and
// leaving a process with no window.
TEST(WizardPages, WmCloseBeforeTheInstallationEndsLikeTheCloseBox) {
    const std::vector<std::string> walks[] = {{}, {"Target", "Confirm"}};
    for (const std::vector<std::string>& walk : walks) {
        SCOPED_TRACE(walk.empty() ? "introduction" : walk.back());
        Session s(Script({"autonametopath=false"}, {"[Dialogs]", "AppInfo=false", "Licence=false",
                                                    "TargetDir=true", "InstType=false"}));
        ASSERT_TRUE(s.ready);
        for (const std::string& page : walk) {
            s.Press(s.next, page);
            if (page == "Target") {
                EXPECT_EQ(WindowText(s.field), "C:\\Program Files") << "without autonametopath";
            }
        }
        DWORD_PTR result = 0;
        SendMessageTimeoutA(s.window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
        s.ExpectEnds();
    }
}

// Install on the confirmation page hides and disables the wizard and opens the progress
// window; the wizard comes back on the done page with the check picture, and the error page
// shows the cross.
TEST(Installation, StartsFromTheConfirmationPageAndEndsOnTheResultPages) {
    Session s(Script({"szInstalling=Installing %s now", "includeuninst=false"},
                     {"[Dialogs]", "AppInfo=false", "Licence=false", "InstType=false", "[Design]",
                      "progressstyle=window"}));
    ASSERT_TRUE(s.ready);
    s.Press(s.next, "Target");
    SetField(s.field, s.dir + "\\product");
    s.Press(s.next, "Confirm");
    Click(s.next);
    HWND progress = WaitForWindow(s.process.Id(), "ProgressWindow");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(WindowText(progress), "Installing Test Product now");
    EXPECT_FALSE(IsWindowEnabled(s.window) || IsWindowVisible(s.window));
    ASSERT_TRUE(WaitUntil([&] {
        return !IsWindow(progress) && IsWindowVisible(s.window) && IsWindowEnabled(s.window);
    })) << "the wizard did not come back";

    // Whether the result picture on the screen shows image `id` along its diagonal.
    ASSERT_TRUE(LoadSkin(GetModuleHandleA(nullptr)));
    HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(nullptr);
    HGDIOBJ original = GetCurrentObject(mem, OBJ_BITMAP);
    auto shows = [&](int id) {
        SelectObject(mem, Bitmap(id));
        POINT origin = {405, 70};
        ClientToScreen(s.window, &origin);
        for (int d = 2; d < 64; d += 3) {
            if (GetPixel(screen, origin.x + d, origin.y + d) != GetPixel(mem, d, d)) {
                return false;
            }
        }
        return true;
    };
    // The done page, then the error page as an install error switches to it.
    for (const int image : {IDB_RESULT_CHECK, IDB_RESULT_CROSS}) {
        const bool error = image == IDB_RESULT_CROSS;
        if (error) {
            PostMessageA(s.window, WM_USER + 1, 8, 1);
        }
        ASSERT_TRUE(s.WaitForPage(error ? "Failed" : "Finished"));
        EXPECT_EQ(WindowText(s.next), error ? "Cancel" : "Done");
        EXPECT_FALSE(IsWindowVisible(s.back));
        EXPECT_TRUE(WaitUntil([&] { return shows(image); }, 10000)) << error;
    }
    SelectObject(mem, original);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(WindowText(s.body), "It failed.");
    Click(s.next);
    s.ExpectEnds();
}

// Types 0, 2 and 5 of four named, six components (the places of every count are a native
// table): the first type is checked, a preset goes straight on to the confirmation, and the
// custom type inserts its page with the boxes in two columns, the required one checked and
// disabled.
TEST(InstallTypes, RadioButtonsBoxesAndTheCustomPage) {
    std::vector<std::string> sections = {
        "[Dialogs]",        "AppInfo=false",       "Licence=false",     "TargetDir=false",
        "[InstTypes]",      "Type0=Typical",       "Type1=Full",        "Type2=Compact",
        "Type5=Own choice", "Type0Enabled=true",   "Type2Enabled=true", "Type5Enabled=true",
        "[Components]",     "NumberOfComponents=6"};
    for (int i = 0; i < 6; ++i) {
        sections.push_back("[Component" + std::to_string(i) + "]");
        sections.push_back("Title=Part " + std::to_string(i));
        sections.push_back(i == 1 ? "Requied=true" : "Requied=false");
    }
    Session s(Script({}, sections));
    ASSERT_TRUE(s.ready);
    s.Press(s.next, "Type");
    const std::vector<HWND> typical = s.VisibleButtons("Typical"), own = s.VisibleButtons("Own");
    ASSERT_TRUE(typical.size() == 1 && own.size() == 1 && s.VisibleButtons("Full").empty());
    const HWND radios[] = {typical[0], own[0]};
    // One row of 14 pixels per enabled type, from y 70 at x 160; a disabled type takes none.
    const std::vector<HWND> compact = s.VisibleButtons("Compact");
    ASSERT_EQ(compact.size(), 1u);
    const std::pair<HWND, int> rows[] = {{typical[0], 70}, {compact[0], 84}, {own[0], 98}};
    for (const auto& [radio, y] : rows) {
        const RECT r = ChildRect(radio);
        EXPECT_TRUE(r.left == 160 && r.top == y) << WindowText(radio) << ": expected (160, " << y
                                                 << "), got (" << r.left << ", " << r.top << ")";
    }
    EXPECT_EQ(SendMessageA(radios[0], BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(radios[1], BM_GETCHECK, 0, 0), BST_UNCHECKED);
    s.Press(s.next, "Confirm");
    s.Press(s.back, "Type");
    Click(radios[1]);
    s.Press(s.next, "Custom");
    const std::vector<HWND> boxes = s.VisibleButtons("Part ");
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(ChildRect(boxes[5]).left, 260) << "second column";
    for (size_t k = 0; k < boxes.size(); ++k) {
        EXPECT_EQ(SendMessageA(boxes[k], BM_GETCHECK, 0, 0) == BST_CHECKED, k == 1) << k;
        EXPECT_EQ(IsWindowEnabled(boxes[k]) == 0, k == 1) << k;
    }
    // Back to the preset: the custom page drops out again.
    s.Press(s.back, "Type");
    Click(radios[0]);
    s.Press(s.next, "Confirm");
    Click(s.closeBox);
    s.ExpectEnds();
}

// The background through the first page, and activation changes sent by the test: before
// the confirmation page the wizard minimises with its application and the background follows.
TEST(Background, ShownAndHiddenWithTheWizard) {
    struct Case {
        std::vector<std::string> design;
        bool first, confirm;  // shown on the introduction, on the confirmation page
        int shadow;           // -1: not looked at; else whether the name casts a black shadow
    };
    // A white solid background with the name in red: black there is only the shadow, which the
    // window asks the script about when it paints.
    const std::vector<std::string> white = {"[Design]", "backgroundonok=0", "backgroundtype=solid",
                                            "bgcolor1=16777215", "colorappname=255"};
    std::vector<std::string> whiteShadow = white;
    whiteShadow.push_back("shadowappname=TRUE");
    const Case cases[] = {
        {{"[Design]", "backgroundonok=0", "backgroundtype=gradiant"}, true, true, -1},
        {{"[Design]", "backgroundonok=1"}, false, true, -1},
        {{"[Design]", "ShowBackground=false", "backgroundonok=0"}, false, false, -1},
        {white, true, true, 0},
        {whiteShadow, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.design.back());
        Session s(Script({}, c.design));
        ASSERT_TRUE(s.ready);
        HWND background = FindProcessWindow(s.process.Id(), "BackgroundWindow");
        ASSERT_NE(background, nullptr);
        EXPECT_EQ(IsWindowVisible(background) != 0, c.first);
        HDC screen = GetDC(nullptr);
        if (c.first && c.shadow < 0) {
            // A misspelt type paints the default backdrop: strip lines with black between.
            EXPECT_TRUE(WaitUntil(
                [&] {
                    return GetPixel(screen, 0, 0) == RGB(0, 0, 255) && GetPixel(screen, 0, 1) == 0;
                },
                10000));
        }
        if (c.shadow >= 0) {
            // The name from (40, 10); its shadow 5 right and down.
            Canvas top(400, 60, RGB(0, 0, 255));
            EXPECT_TRUE(WaitUntil(
                [&] {
                    BitBlt(top.dc(), 0, 0, top.width(), top.height(), screen, 0, 0, SRCCOPY);
                    return top.Count(RGB(255, 0, 0), 0, 0, top.width(), top.height()) > 100;
                },
                10000));
            EXPECT_EQ(top.Count(RGB(0, 0, 0), 0, 0, top.width(), top.height()) > 100,
                      c.shadow == 1);
        }
        ReleaseDC(nullptr, screen);
        SendMessageA(s.window, WM_ACTIVATEAPP, FALSE, 0);
        EXPECT_FALSE(IsWindowVisible(background));
        EXPECT_TRUE(IsIconic(s.window));
        SendMessageA(s.window, WM_ACTIVATEAPP, TRUE, 0);
        EXPECT_EQ(IsWindowVisible(background) != 0, c.first);
        EXPECT_FALSE(IsIconic(s.window));
        s.Press(s.next, "Confirm");
        SendMessageA(s.window, WM_ACTIVATEAPP, FALSE, 0);
        EXPECT_EQ(IsWindowVisible(background) != 0, c.confirm);
        EXPECT_FALSE(IsIconic(s.window));
        Click(s.closeBox);
        s.ExpectEnds();
    }
}

}  // namespace
}  // namespace nuvex::test
