// The target folder page: the field shows the stored folder every time the page opens,
// Browse asks the shell for a folder, and leaving the page stores what the field holds.
#include <windows.h>
#include <shlobj.h>

#include "package_state.h"
#include "scoped.h"
#include "text_rules.h"
#include "wizard_state.h"

namespace nuvex {

void ShowTargetField() {
    SendMessageA(Wizard().field, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(AppSettings().targetFolder));
    ShowWindow(Wizard().field, SW_SHOW);
}

void BrowseForTarget(HWND wizard) {
    Settings& s = AppSettings();
    // SHGetPathFromIDListA writes up to MAX_PATH characters; the buffer is the size of the
    // target folder so that it never runs over.
    char chosen[2048] = {};
    BROWSEINFOA request = {};
    request.hwndOwner = wizard;
    request.pszDisplayName = chosen;
    request.lpszTitle = s.szBrowseTitle;
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    ScopedCoTaskMem<LPITEMIDLIST> item(SHBrowseForFolderA(&request));
    if (!item.get()) {
        return;
    }
    if (!SHGetPathFromIDListA(item.get(), chosen)) {
        return;
    }
    ComposeBrowsedFolder(s.targetFolder, sizeof s.targetFolder, chosen, s.autonametopath != 0,
                         s.szInstallAppDir);
    SendMessageA(Wizard().field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.targetFolder));
}

void LeaveTargetPage() {
    Settings& s = AppSettings();
    GetWindowTextA(Wizard().field, s.targetFolder, sizeof s.targetFolder);
    s.targetFolder[sizeof s.targetFolder - 1] = '\0';
    ApplyDriveRootRule(s.targetFolder);
}

}  // namespace nuvex
