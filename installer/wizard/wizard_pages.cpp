// The page switch: every page is the same set of controls, hidden and shown, with the
// heading, body and button captions of that page.
#include <windows.h>

#include "package_state.h"
#include "wizard_state.h"

namespace nuvex {

namespace {

void SetText(HWND control, const char* text) {
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Show(HWND control) { ShowWindow(control, SW_SHOW); }

// Heading and body of a page, set before they are shown.
void ShowTexts(const char* heading, const char* body) {
    SetText(Wizard().heading, heading);
    Show(Wizard().heading);
    SetText(SharedWizard().bodyText, body);
    Show(SharedWizard().bodyText);
}

void HideAllButNavigation(HWND wizard) {
    const WizardState& c = Wizard();
    for (HWND child = GetWindow(wizard, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child != c.next && child != c.back && child != c.closeBox) {
            ShowWindow(child, SW_HIDE);
        }
    }
    ShowWindow(Wizard().field, SW_HIDE);
    Show(c.closeBox);
    for (HWND radio : Wizard().radio) {
        if (radio) {
            ShowWindow(radio, SW_HIDE);
        }
    }
    for (HWND box : Wizard().check) {
        ShowWindow(box, SW_HIDE);
    }
}

// The done and error pages: the body makes room for the result picture.
void NarrowBody() { MoveWindow(SharedWizard().bodyText, 25, 70, 375, 80, TRUE); }

}  // namespace

void ShowPage(HWND wizard, int page) {
    const Settings& s = AppSettings();
    WizardState& c = Wizard();
    SharedWizard().currentPage = page;
    HideAllButNavigation(wizard);
    switch (page) {
        case kPageIntro:
            SetText(c.back, s.szButtonCancel);
            Show(c.back);
            Show(c.next);
            ShowTexts(s.szLabelUvod, s.szTextUvod);
            break;
        case kPageInfo:
            Show(c.back);
            Show(c.next);
            ShowTexts(s.szLabelInfo, s.szTextInfo);
            break;
        case kPageLicence:
            Show(c.back);
            Show(c.next);
            ShowTexts(s.szLabelLicence, s.szTextLicence);
            break;
        case kPageTarget:
            ShowTargetField();
            Show(c.back);
            Show(c.next);
            Show(c.browse);
            ShowTexts(s.szLabelTarget, s.szTextTarget);
            break;
        case kPageInstallType:
            ShowTexts(s.szLabelTyp, s.szTextTyp);
            Show(c.back);
            Show(c.next);
            for (HWND radio : Wizard().radio) {
                if (radio) {
                    Show(radio);
                }
            }
            break;
        case kPageCustom:
            ShowCustomPage();
            Show(c.back);
            Show(c.next);
            ShowTexts(s.szLabelCustom, s.szTextCustom);
            break;
        case kPageConfirm:
            Show(c.back);
            SetText(c.next, s.szButtonInstall);
            Show(c.next);
            ShowTexts(s.szLabelInstall, s.szTextInstall);
            break;
        case kPageDone:
            c.resultFlag = 0;
            NarrowBody();
            SetText(c.next, s.szButtonDone);
            Show(c.next);
            ShowWindow(c.back, SW_HIDE);
            ShowTexts(s.szLabelKonec, s.szTextKonec);
            Show(c.resultPicture);
            break;
        case kPageError:
            ShowWindow(c.resultPicture, SW_HIDE);
            NarrowBody();
            SetText(c.next, s.szButtonCancel);
            Show(c.next);
            ShowTexts(s.szLabelError, s.szTextError);
            c.resultFlag = 1;
            Show(c.resultPicture);
            break;
        default:  // the spare page: no script key fills its texts
            Show(c.next);
            Show(c.back);
            ShowTexts("", "");
            break;
    }
}

}  // namespace nuvex
