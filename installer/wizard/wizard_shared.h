// The wizard as the installation sees it: its page numbers and the message that switches
// them, the page shown, the body text and the component selection. The install thread reads
// the page and sets the body text; the wizard is hidden and disabled meanwhile, so the
// selection and the target folder (Settings::targetFolder) no longer change.
#pragma once

#include <windows.h>

#include <atomic>

#include "settings.h"

namespace nuvex {

// Sent or posted to the wizard: wParam the requested page 0..9, lParam 0 for a forward
// search over the enabled pages, anything else for a backward search.
inline constexpr UINT kPageChangeMessage = WM_USER + 1;
inline constexpr int kPageCount = 10;
enum WizardPage : int {
    kPageIntro = 0,
    kPageInfo = 1,
    kPageLicence = 2,
    kPageTarget = 3,
    kPageInstallType = 4,
    kPageCustom = 5,
    kPageConfirm = 6,
    kPageDone = 7,
    kPageError = 8,
    kPageSpare = 9,
};

struct WizardShared {
    std::atomic<int> currentPage{kPageIntro};
    HWND bodyText = nullptr;
    int componentSelection[kComponentCount] = {};  // slot installed when not 0
};

WizardShared& SharedWizard();

}  // namespace nuvex
