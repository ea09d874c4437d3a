// What the wizard's files share: the page-enabled table, the controls, and the install type
// choice. Main thread only, but for `shared` (wizard_shared.h).
#pragma once

#include <windows.h>

#include "settings.h"
#include "wizard_rules.h"
#include "wizard_shared.h"

namespace nuvex {

struct WizardState {
    int pageEnabled[kWizardPages] = {};
    // Owner-drawn: the window tells the control painter which is which.
    HWND next = nullptr;
    HWND back = nullptr;
    HWND browse = nullptr;
    HWND closeBox = nullptr;
    HWND resultPicture = nullptr;
    int resultFlag = 0;  // 0: check mark, 1: cross
    HWND heading = nullptr;
    HWND field = nullptr;            // target folder
    HWND radio[kInstallTypes] = {};  // stays empty for a disabled type
    HWND check[kComponentCount] = {};
    int selectedType = 0;
    WizardShared shared;  // what the installation sees
};

WizardState& Wizard();

// Install types and components (component_choice.cpp).
void CreateChoiceControls(HWND wizard);
void OnInstallTypeClicked(HWND radio);
void LeaveInstallTypePage();
void ShowCustomPage();
void LeaveCustomPage();

// Target folder (target_page.cpp).
void ShowTargetField();
void BrowseForTarget(HWND wizard);
void LeaveTargetPage();

// Page switch (wizard_pages.cpp).
void ShowPage(HWND wizard, int page);

}  // namespace nuvex
