// Install types and components: one radio button per enabled type on the install type
// page, ten check boxes on the custom page, and the component selection they give.
#include <windows.h>

#include "child_controls.h"
#include "package_state.h"
#include "wizard_state.h"

namespace nuvex {

namespace {

constexpr DWORD kRadioStyle = WS_CHILD | BS_FLAT | BS_AUTORADIOBUTTON;  // 0x40008009
constexpr DWORD kCheckStyle = WS_CHILD | BS_FLAT | BS_AUTOCHECKBOX;     // 0x40008003

bool IsChecked(HWND button) {
    return button && SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ReadCheckBoxes() {
    int* selection = SharedWizard().componentSelection;
    for (int i = 0; i < kComponentCount; ++i) {
        selection[i] = IsChecked(Wizard().check[i]) ? 1 : 0;
    }
}

}  // namespace

void CreateChoiceControls(HWND wizard) {
    Settings& s = AppSettings();
    WizardState& w = Wizard();
    w.selectedType = InitialInstallType(s);
    w.pageEnabled[kPageCustom] = w.selectedType == kCustomType ? 1 : 0;
    PresetSelection(s, w.selectedType, SharedWizard().componentSelection);

    int rows = 0;
    for (int t = 0; t < kInstallTypes; ++t) {
        if (!s.TypeEnabled[t]) {
            continue;
        }
        w.radio[t] = CreateControl(wizard, "BUTTON", s.Type[t], kRadioStyle, 160, 70 + 14 * rows,
                                   320, 13, true);
        if (rows == 0) {
            SendMessageA(w.radio[t], BM_SETCHECK, BST_CHECKED, 0);
        }
        ++rows;
    }
    for (int i = 0; i < kComponentCount; ++i) {
        const BoxPlace place = InitialComponentBoxPlace(i);
        w.check[i] = CreateControl(wizard, "BUTTON", s.Title[i], kCheckStyle, place.x, place.y, 215,
                                   13, true);
        if (s.Requied[i]) {
            s.customDefault[i] = 1;
            EnableWindow(w.check[i], FALSE);
        }
        if (s.customDefault[i]) {
            SendMessageA(w.check[i], BM_SETCHECK, BST_CHECKED, 0);
        }
    }
}

void OnInstallTypeClicked(HWND radio) {
    WizardState& w = Wizard();
    w.pageEnabled[kPageCustom] = IsChecked(w.radio[kCustomType]) ? 1 : 0;
    for (int t = 0; t < kInstallTypes; ++t) {
        if (w.radio[t] == radio && IsChecked(radio)) {
            w.selectedType = t;
        }
    }
}

void LeaveInstallTypePage() {
    const int type = Wizard().selectedType;
    if (type == kCustomType) {
        ReadCheckBoxes();
    } else {
        PresetSelection(AppSettings(), type, SharedWizard().componentSelection);
    }
}

void ShowCustomPage() {
    const int count = AppSettings().NumberOfComponents;
    const int shown = VisibleComponentBoxes(count);
    for (int i = 0; i < shown; ++i) {
        const BoxPlace place = ComponentBoxPlace(i, count);
        MoveWindow(Wizard().check[i], place.x, place.y, 215, 13, TRUE);
        ShowWindow(Wizard().check[i], SW_SHOW);
    }
}

void LeaveCustomPage() {
    if (Wizard().selectedType == kCustomType) {
        ReadCheckBoxes();
    }
}

}  // namespace nuvex
