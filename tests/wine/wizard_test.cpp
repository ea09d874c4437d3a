// The wizard as a user walks it: packages built with nuvexpack.exe, the real installer
// started under Wine, its controls found by place and class, pressed with BM_CLICK.
#include <gtest/gtest.h>
#include <windows.h>

#include "drag_check.h"
#include "driver.h"
#include "package_fixture.h"
#include "resource_ids.h"
#include "resources.h"

namespace nuvex::test {
namespace {

// Every page's heading and body differ, so the test always knows where it is.
std::vector<std::string> Script(const std::vector<std::string>& wizard,
                                const std::vector<std::string>& sections) {
    std::vector<std::string> lines = {
        "[Wizard]",          "defaultlang=en",          "szInstallAppName=Test Product",
        "szButtonNext=Next", "szButtonBack=Back",       "szButtonCancel=Cancel",
        "szButtonInstall=Install", "szButtonDone=Done", "szButtonBrowse=Browse",
        "szLabelUvod=Intro", "szLabelInfo=Info",        "szLabelLicence=Licence",
        "szLabelTarget=Target", "szLabelTyp=Type",      "szLabelCustom=Custom",
        "szLabelInstall=Confirm", "szLabelKonec=Finished", "szLabelError=Failed",
        "szTextUvod=Welcome to %s.", "szTextKonec=All done.", "szTextError=It failed.",
        "szInstDir=C:\\Program Files", "szInstallAppDir=Tool"};
    lines.insert(lines.end(), wizard.begin(), wizard.end());
    bool components = false;
    for (const std::string& line : sections) {
        components = components || line == "[Components]";
    }
    if (!components) {
        for (const char* line : {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main"}) {
            lines.push_back(line);
        }
    }
    lines.insert(lines.end(), sections.begin(), sections.end());
    return lines;
}

const std::vector<std::string> kNoMiddlePages = {"[Dialogs]", "AppInfo=false", "Licence=false",
                                                  "TargetDir=false", "InstType=false"};

// One running installer showing its wizard, with its controls found by their places.
class Session {
public:
    explicit Session(const std::vector<std::string>& script) {
        dir_ = TestWorkDir();
        const std::string exe = dir_ + "\\setup.exe";
        std::string log;
        built_ = BuildPackage(exe, script, "", &log);
        EXPECT_TRUE(built_) << log;
        if (!built_) {
            return;
        }
        process_ = Launch(exe, TempEnv(dir_));
        window = WaitForWindow(process_.Id(), "WizardWindow", kDefaultTimeoutMs, true);
        EXPECT_NE(window, nullptr) << "no wizard";
        if (!window) {
            return;
        }
        WaitUntil([&] { return ChildAt(window, "Edit", 35, 104) != nullptr; });
        heading = ChildAt(window, "Static", 65, 30);
        body = ChildAt(window, "Static", 25, 70);
        next = ChildAt(window, "Button", 385, 165);
        back = ChildAt(window, "Button", 270, 165);
        browse = ChildAt(window, "Button", 385, 100);
        closeBox = ChildAt(window, "Button", 475, 4);
        picture = ChildAt(window, "Button", 405, 70);
        field = ChildAt(window, "Edit", 35, 104);
        for (HWND h : {heading, body, next, back, browse, closeBox, picture, field}) {
            EXPECT_NE(h, nullptr) << "a wizard control is missing";
        }
    }
    bool Ready() const { return built_ && window && heading && field; }
    DWORD Pid() const { return process_.Id(); }
    const std::string& Dir() const { return dir_; }

    // Waits for the page whose heading is `text`.
    bool WaitForPage(const std::string& text) {
        return WaitUntil([&] { return WindowText(heading) == text; }, 20000);
    }
    // Presses `button` and waits for the page headed `expected`.
    void Press(HWND button, const std::string& expected) {
        Click(button);
        EXPECT_TRUE(WaitForPage(expected)) << "expected page " << expected << ", still on "
                                           << WindowText(heading);
    }
    void ExpectEnds() {
        DWORD code = 12345;
        ASSERT_TRUE(process_.WaitForExit(&code)) << "the installer did not end";
        EXPECT_EQ(code, 0u);
    }
    std::vector<HWND> VisibleButtonsAt(int x) const {
        std::vector<HWND> found;
        for (HWND child : Children(window)) {
            if (IsWindowVisible(child) && ChildRect(child).left == x && ClassName(child) == "Button") {
                found.push_back(child);
            }
        }
        return found;
    }

    HWND window = nullptr, heading = nullptr, body = nullptr, next = nullptr, back = nullptr,
         browse = nullptr, closeBox = nullptr, picture = nullptr, field = nullptr;

private:
    std::string dir_;
    bool built_ = false;
    Process process_;
};

void SetField(HWND field, const char* text) {
    DWORD_PTR result;
    SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &result);
}

TEST(WizardPages, DialogsFlagsChooseThePages) {
    struct Case {
        const char* name;
        std::vector<std::string> dialogs;
        std::vector<std::string> forward;  // headings from the introduction to the confirmation
        bool endByBackOnIntro;             // else: the close box on the page before confirmation
    };
    const Case cases[] = {
        {"four pages off", kNoMiddlePages, {"Intro", "Confirm"}, true},
        {"TRUE shows, yes and 1 hide",
         {"[Dialogs]", "AppInfo=TRUE", "Licence=yes", "TargetDir=1", "InstType=tRuE"},
         {"Intro", "Info", "Type", "Confirm"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Session s(Script({}, c.dialogs));
        ASSERT_TRUE(s.Ready());
        EXPECT_EQ(WindowText(s.heading), "Intro");
        EXPECT_EQ(WindowText(s.body), "Welcome to Test Product.");
        EXPECT_EQ(WindowText(s.back), "Cancel");
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(s.window, nullptr), &gui);
        EXPECT_EQ(gui.hwndFocus, s.next) << "Next has the focus";
        for (size_t i = 1; i < c.forward.size(); ++i) {
            s.Press(s.next, c.forward[i]);
        }
        EXPECT_EQ(WindowText(s.next), "Install");
        EXPECT_EQ(WindowText(s.back), "Back");
        for (size_t i = c.forward.size() - 1; i-- > 0;) {
            if (!c.endByBackOnIntro && i == c.forward.size() - 2) {
                s.Press(s.back, c.forward[i]);
                EXPECT_EQ(WindowText(s.next), "Next") << "Back must restore the Next caption";
                Click(s.closeBox);
                break;
            }
            s.Press(s.back, c.forward[i]);
        }
        if (c.endByBackOnIntro) {
            EXPECT_EQ(WindowText(s.back), "Cancel");
            EXPECT_EQ(WindowText(s.next), "Next");
            Click(s.back);
        }
        s.ExpectEnds();
        EXPECT_EQ(FindProcessWindow(s.Pid(), "ProgressWindow"), nullptr);
    }
}

// The done, error and spare pages, reached through the page-change message as the
// installation reaches them.
TEST(WizardPages, DoneErrorAndSparePages) {
    Session s(Script({}, kNoMiddlePages));
    ASSERT_TRUE(s.Ready());
    ASSERT_TRUE(InitResources(GetModuleHandleA(nullptr)));
    // The result picture's diagonal, on the screen and in the two images it may show.
    auto diagonal = [](HDC dc, POINT origin) {
        std::vector<COLORREF> pixels;
        for (int d = 2; d < 64; d += 3) {
            pixels.push_back(GetPixel(dc, origin.x + d, origin.y + d));
        }
        return pixels;
    };
    auto imageDiagonal = [&](int id) {
        HDC mem = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(mem, Bitmap(id));
        std::vector<COLORREF> pixels = diagonal(mem, {0, 0});
        SelectObject(mem, old);
        DeleteDC(mem);
        return pixels;
    };
    ASSERT_NE(imageDiagonal(IDB_RESULT_CHECK), imageDiagonal(IDB_RESULT_CROSS));
    HDC screen = GetDC(nullptr);
    auto showsImage = [&](int id) {
        POINT origin = {405, 70};
        ClientToScreen(s.window, &origin);
        return diagonal(screen, origin) == imageDiagonal(id);
    };
    struct Step {
        int page;
        LPARAM backward;
        const char* heading;
        const char* nextCaption;
        bool backVisible;
        bool picture;
        int image;
    };
    const Step steps[] = {
        {9, 0, "", "Next", true, false, 0},
        {7, 0, "Finished", "Done", false, true, IDB_RESULT_CHECK},
        {8, 1, "Failed", "Cancel", false, true, IDB_RESULT_CROSS},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.page);
        PostMessageA(s.window, WM_USER + 1, step.page, step.backward);
        ASSERT_TRUE(WaitUntil([&] {
            return WindowText(s.heading) == step.heading && WindowText(s.next) == step.nextCaption;
        }));
        EXPECT_EQ(IsWindowVisible(s.back) != 0, step.backVisible);
        EXPECT_EQ(IsWindowVisible(s.picture) != 0, step.picture);
        if (step.picture) {
            EXPECT_EQ(ChildRect(s.body).right - ChildRect(s.body).left, 375);
            EXPECT_TRUE(WaitUntil([&] { return showsImage(step.image); }, 10000));
        }
        if (step.page == 9) {
            Click(s.next);  // asks for page 10, which does not exist; the next step shows
                            // that the wizard is still there
        }
    }
    EXPECT_EQ(WindowText(s.body), "It failed.");
    ReleaseDC(nullptr, screen);
    Click(s.next);
    s.ExpectEnds();
}

TEST(InstallTypes, RadioButtonsBoxesAndTheCustomPage) {
    struct Case {
        const char* name;
        std::vector<std::string> types;
        int components;
        const char* firstChecked;  // caption of the radio button checked at the start
        std::vector<POINT> boxes;  // places of the visible check boxes on the custom page
    };
    const Case cases[] = {
        {"types 0 and 5, six components",
         {"Type0Enabled=true", "Type5Enabled=true"},
         6,
         "Typical",
         {{30, 85}, {30, 99}, {30, 113}, {30, 127}, {30, 141}, {260, 85}}},
        {"types 1 and 5, five components",
         {"Type0Enabled=false", "Type1Enabled=true", "Type5Enabled=true"},
         5,
         "Full",
         {{160, 85}, {160, 99}, {160, 113}, {160, 127}, {160, 141}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> sections = {"[Dialogs]", "AppInfo=false", "Licence=false",
                                             "TargetDir=false", "[InstTypes]", "Type0=Typical",
                                             "Type1=Full", "Type5=Own choice"};
        sections.insert(sections.end(), c.types.begin(), c.types.end());
        sections.push_back("[Components]");
        sections.push_back("NumberOfComponents=" + std::to_string(c.components));
        for (int i = 0; i < c.components; ++i) {
            sections.push_back("[Component" + std::to_string(i) + "]");
            sections.push_back("Title=Part " + std::to_string(i));
            sections.push_back(i == 1 ? "Requied=true" : "Requied=false");
        }
        Session s(Script({}, sections));
        ASSERT_TRUE(s.Ready());
        s.Press(s.next, "Type");
        std::vector<HWND> radios = s.VisibleButtonsAt(160);
        ASSERT_EQ(radios.size(), 2u);
        HWND custom = nullptr;
        for (size_t k = 0; k < radios.size(); ++k) {
            EXPECT_EQ(ChildRect(radios[k]).top, 70 + 14 * static_cast<int>(k));
            const bool checked = SendMessageA(radios[k], BM_GETCHECK, 0, 0) == BST_CHECKED;
            EXPECT_EQ(checked, WindowText(radios[k]) == c.firstChecked) << WindowText(radios[k]);
            if (WindowText(radios[k]) == "Own choice") {
                custom = radios[k];
            }
        }
        ASSERT_NE(custom, nullptr);
        // A preset type goes straight on to the confirmation; the custom type inserts its page.
        s.Press(s.next, "Confirm");
        s.Press(s.back, "Type");
        Click(custom);
        s.Press(s.next, "Custom");
        std::vector<HWND> boxes;
        for (HWND child : Children(s.window)) {
            if (IsWindowVisible(child) && ClassName(child) == "Button" &&
                WindowText(child).rfind("Part ", 0) == 0) {
                boxes.push_back(child);
            }
        }
        ASSERT_EQ(boxes.size(), c.boxes.size());
        for (size_t k = 0; k < boxes.size(); ++k) {
            const RECT r = ChildRect(boxes[k]);
            EXPECT_EQ(r.left, c.boxes[k].x) << k;
            EXPECT_EQ(r.top, c.boxes[k].y) << k;
            const bool required = WindowText(boxes[k]) == "Part 1";
            EXPECT_EQ(SendMessageA(boxes[k], BM_GETCHECK, 0, 0) == BST_CHECKED, required);
            EXPECT_EQ(IsWindowEnabled(boxes[k]) == 0, required);
        }
        // Back to a preset: the custom page drops out again.
        s.Press(s.back, "Type");
        Click(radios[0] == custom ? radios[1] : radios[0]);
        s.Press(s.next, "Confirm");
        Click(s.closeBox);
        s.ExpectEnds();
    }
}

TEST(TargetFolder, DefaultTypingAndTheDriveRoot) {
    Session s(Script({"autonametopath=true"},
                     {"[Dialogs]", "AppInfo=false", "Licence=false", "InstType=false"}));
    ASSERT_TRUE(s.Ready());
    s.Press(s.next, "Target");
    EXPECT_TRUE(IsWindowVisible(s.field));
    EXPECT_TRUE(IsWindowVisible(s.browse));
    EXPECT_EQ(WindowText(s.field), "C:\\Program Files\\Tool");
    // Leaving by Next stores the field under the drive-root rule; coming back shows the
    // stored value.
    SetField(s.field, "E:\\");
    s.Press(s.next, "Confirm");
    s.Press(s.back, "Target");
    EXPECT_EQ(WindowText(s.field), "E:");
    // Leaving by Back stores too, and a deeper folder keeps its trailing backslash.
    SetField(s.field, "E:\\Apps\\");
    s.Press(s.back, "Intro");
    s.Press(s.next, "Target");
    EXPECT_EQ(WindowText(s.field), "E:\\Apps\\");

    // A cancelled folder browser leaves what was typed.
    SetField(s.field, "X:\\typed");
    PostMessageA(s.browse, BM_CLICK, 0, 0);
    HWND browser = WaitForWindow(s.Pid(), "#32770", kDefaultTimeoutMs, true);
    ASSERT_NE(browser, nullptr) << "no folder browser";
    EXPECT_EQ(GetWindow(browser, GW_OWNER), s.window);
    PressMessageBoxButton(browser, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(browser));
    EXPECT_EQ(WindowText(s.field), "X:\\typed");
    Click(s.closeBox);
    s.ExpectEnds();
}

// Next on the confirmation page hides and disables the wizard, drops its system menu and
// opens the progress window in the style the script asks for.
TEST(Installation, StartsFromTheConfirmationPage) {
    struct Case {
        const char* style;
        LONG exStyle;
    };
    for (const Case& c : {Case{"progressstyle=bar", WS_EX_TOPMOST | WS_EX_TRANSPARENT},
                          Case{"progressstyle=window", WS_EX_TOPMOST}}) {
        SCOPED_TRACE(c.style);
        Session s(Script({"szInstalling=Installing %s now", "includeuninst=false"},
                         {"[Dialogs]", "AppInfo=false", "Licence=false", "InstType=false",
                          "[Design]", c.style}));
        ASSERT_TRUE(s.Ready());
        // Whatever the installation does, it does it in the test's own folder.
        s.Press(s.next, "Target");
        SetField(s.field, (s.Dir() + "\\product").c_str());
        s.Press(s.next, "Confirm");
        Click(s.next);
        HWND progress = WaitForWindow(s.Pid(), "ProgressWindow");
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(GetWindowLongA(progress, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TRANSPARENT),
                  c.exStyle);
        EXPECT_EQ(WindowText(progress), "Installing Test Product now");
        EXPECT_FALSE(IsWindowEnabled(s.window));
        EXPECT_FALSE(IsWindowVisible(s.window));
        EXPECT_EQ(GetWindowLongA(s.window, GWL_STYLE) & WS_SYSMENU, 0);
        // Behind the progress window the wizard has moved on to its done page.
        EXPECT_TRUE(s.WaitForPage("Finished"));
    }
}

// Background visibility through the first page, and activation changes sent by the test.
TEST(Background, ShownAndHiddenWithTheWizard) {
    struct Case {
        const char* name;
        std::vector<std::string> design;
        bool atStart, whenReactivated, afterNext;
    };
    const Case cases[] = {
        {"backgroundonok 0, misspelt type",
         {"backgroundonok=0", "backgroundtype=gradiant"}, true, true, true},
        {"backgroundonok 1", {"backgroundonok=1"}, false, false, true},
        {"ShowBackground false", {"ShowBackground=false", "backgroundonok=0"}, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> sections = kNoMiddlePages;
        sections.push_back("[Design]");
        sections.insert(sections.end(), c.design.begin(), c.design.end());
        Session s(Script({}, sections));
        ASSERT_TRUE(s.Ready());
        HWND background = FindProcessWindow(s.Pid(), "BackgroundWindow");
        ASSERT_NE(background, nullptr);
        auto visible = [&] { return IsWindowVisible(background) != 0; };
        EXPECT_EQ(visible(), c.atStart);
        if (c.atStart) {
            // A misspelt type paints the default backdrop: strip lines with black between.
            HDC screen = GetDC(nullptr);
            EXPECT_TRUE(WaitUntil([&] {
                return GetPixel(screen, 0, 0) == RGB(0, 0, 255) &&
                       GetPixel(screen, 0, 1) == RGB(0, 0, 0);
            }, 10000));
            ReleaseDC(nullptr, screen);
        }

        SendMessageA(s.window, WM_ACTIVATEAPP, FALSE, 0);
        EXPECT_FALSE(visible());
        EXPECT_TRUE(IsIconic(s.window)) << "the wizard minimises with its application";
        SendMessageA(s.window, WM_ACTIVATEAPP, TRUE, 0);
        EXPECT_EQ(visible(), c.whenReactivated);
        EXPECT_FALSE(IsIconic(s.window));

        s.Press(s.next, "Confirm");
        EXPECT_EQ(visible(), c.afterNext);
        // From the confirmation page on, activation changes are the installation's business.
        SendMessageA(s.window, WM_ACTIVATEAPP, FALSE, 0);
        EXPECT_EQ(visible(), c.afterNext);
        EXPECT_FALSE(IsIconic(s.window));
        Click(s.closeBox);
        s.ExpectEnds();
        EXPECT_FALSE(IsWindow(background));
    }
}

TEST(Dragging, OnlyInsideTheTopStrip) {
    Session s(Script({}, kNoMiddlePages));
    ASSERT_TRUE(s.Ready());
    ExpectDragsOnlyByTheTopStrip(s.window, 2);
    Click(s.closeBox);
    s.ExpectEnds();
}

}  // namespace
}  // namespace nuvex::test
