#include "shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "component_entries.h"
#include "install_rules.h"
#include "package_state.h"
#include "process_state.h"
#include "scoped.h"
#include "shortcut_rules.h"
#include "text_rules.h"
#include "uninstall_log_writer.h"

namespace nuvex {

namespace {

constexpr char kMapGroupsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";
constexpr std::size_t kPathSize = 256;  // every composed path holds at most 255 characters

// What a shortcut points at, as handed to the shell's link object.
struct ShortcutRequest {
    char target[kPathSize];
    char description[kPathSize];
    char arguments[kPathSize];
    char workingFolder[kPathSize];
};

// Releases a COM interface on scope exit.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) {
            p_->Release();
        }
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* get() const { return p_; }
    void** out() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

// COM for the length of one shortcut: the install thread keeps nothing between calls.
class ComApartment {
public:
    ComApartment() { CoInitialize(nullptr); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

HRESULT CreateShortcut(const char* linkPath, const ShortcutRequest& request) {
    ComApartment com;
    ComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, link.out());
    if (FAILED(result)) {
        return result;
    }
    link.get()->SetPath(request.target);
    link.get()->SetArguments(request.arguments);
    link.get()->SetDescription(request.description);
    link.get()->SetIconLocation(request.target, 0);
    link.get()->SetWorkingDirectory(request.workingFolder);
    ComPtr<IPersistFile> file;
    result = link.get()->QueryInterface(IID_IPersistFile, file.out());
    if (SUCCEEDED(result)) {
        wchar_t widePath[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, linkPath, lstrlenA(linkPath), widePath, MAX_PATH - 1);
        result = file.get()->Save(widePath, TRUE);
    }
    return result;
}

// A shell folder's path; false when the shell has none for it.
bool SpecialFolder(int csidl, char (&path)[MAX_PATH]) {
    path[0] = '\0';
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(Process().progressWindow, csidl, &item)) || !item) {
        return false;
    }
    const bool found = SHGetPathFromIDListA(item, path) != FALSE;
    CoTaskMemFree(item);
    return found && path[0] != '\0';
}

// The Quick Launch folder the shell maps; false when the value is absent (a fresh Wine
// prefix, shells without Quick Launch), so that no shortcut lands at an undefined path.
bool QuickLaunchFolder(char (&path)[MAX_PATH]) {
    path[0] = '\0';
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMapGroupsKey, 0, KEY_ALL_ACCESS, key.receive()) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD size = MAX_PATH - 1;  // room for a terminator the stored value may lack
    const LONG result = RegQueryValueExA(key.get(), "Quick Launch", nullptr, &type,
                                         reinterpret_cast<BYTE*>(path), &size);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        path[0] = '\0';
        return false;
    }
    path[size < MAX_PATH ? size : MAX_PATH - 1] = '\0';
    return path[0] != '\0';
}

// The Start menu group, made once, at the first Start menu folder or shortcut.
class StartMenuGroup {
public:
    // The group's path, creating and recording it the first time; nullptr when the shell
    // has no Programs folder or the path would not fit.
    const char* Get() {
        if (!lookedUp_) {
            lookedUp_ = true;
            char programs[MAX_PATH];
            if (SpecialFolder(CSIDL_PROGRAMS, programs) &&
                JoinPath(path_, sizeof path_, programs, AppSettings().szInstallAppName)) {
                CreateDirectoryA(path_, nullptr);
                InstallLog().RecordFirst(LogFamily::kStartDir, path_);
                available_ = true;
            }
        }
        return available_ ? path_ : nullptr;
    }

private:
    bool lookedUp_ = false;
    bool available_ = false;
    char path_[kPathSize] = {};
};

// Folders inside the group, from the startdir entries; one that would lead out of the group
// is passed over like a folder that cannot be made.
Flow CreateStartMenuFolders(StartMenuGroup& group) {
    const bool completed =
        ForEachSelectedEntry(EntryFamily::kStartDir, [&](int, int, const char* value) {
            const char* groupPath = group.Get();
            char folder[kPathSize];
            if (groupPath && !ClimbsOutOfFolder(value) &&
                JoinPath(folder, sizeof folder, groupPath, value)) {
                CreateDirectoryA(folder, nullptr);
                InstallLog().Record(LogFamily::kStartDir, folder);
            }
            return !CancelRequested();
        });
    return completed ? Flow::kGoOn : Flow::kStop;
}

// The shortcut of entry `index` of `family` in slot `slot`, whose value is `value`, made in
// `folder` (nullptr: the folder is unknown and none is made).
void CreateShortcutEntry(EntryFamily family, int slot, int index, const char* value,
                         const char* folder) {
    ShortcutRequest request = {};
    EntryValue title, arguments;
    ReadEntryText(slot, family, index, kSuffixTitle, title);
    ReadEntryText(slot, family, index, kSuffixArgs, arguments);
    CopyCut(request.description, sizeof request.description, title);
    CopyCut(request.arguments, sizeof request.arguments, arguments);
    char link[kPathSize];
    // A target or link path too long for its field is not made and not recorded, nor
    // is a link whose title would lead out of its folder.
    if (folder && !ClimbsOutOfFolder(title) &&
        JoinPath(request.target, sizeof request.target, AppSettings().targetFolder, value) &&
        LinkPath(link, sizeof link, folder, title)) {
        WorkingFolder(request.workingFolder, sizeof request.workingFolder, request.target);
        CreateShortcut(link, request);
        // Recorded whether or not the save worked: deleting a missing file is
        // harmless, forgetting a made one is not.
        InstallLog().Record(LogFamily::kStartFile, link);
    }
}

// The shortcuts of one family. `folderFor` gives their folder lazily, so that the Start
// menu group is made only when a start entry needs it.
template <typename FolderFor>
Flow CreateShortcutFamily(EntryFamily family, FolderFor folderFor) {
    const bool completed = ForEachSelectedEntry(family, [&](int slot, int index, const char* v) {
        CreateShortcutEntry(family, slot, index, v, folderFor());
        return !CancelRequested();
    });
    return completed ? Flow::kGoOn : Flow::kStop;
}

}  // namespace

Flow CreateShortcutsAndFolders() {
    StartMenuGroup group;
    if (CreateStartMenuFolders(group) == Flow::kStop) {
        return Flow::kStop;
    }
    SetProgress(kProgressAfterStartMenuFolders);
    if (CreateShortcutFamily(EntryFamily::kStart, [&] { return group.Get(); }) == Flow::kStop) {
        return Flow::kStop;
    }
    SetProgress(kProgressAfterStartMenuShortcuts);
    char desktop[MAX_PATH];
    const bool hasDesktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY, desktop);
    if (CreateShortcutFamily(EntryFamily::kDesktop,
                             [&] { return hasDesktop ? desktop : nullptr; }) == Flow::kStop) {
        return Flow::kStop;
    }
    SetProgress(kProgressAfterDesktopShortcuts);
    char quickLaunch[MAX_PATH];
    const bool hasQuickLaunch = QuickLaunchFolder(quickLaunch);
    if (CreateShortcutFamily(EntryFamily::kQuickl, [&] {
            return hasQuickLaunch ? quickLaunch : nullptr;
        }) == Flow::kStop) {
        return Flow::kStop;
    }
    SetProgress(kProgressAfterQuickLaunchShortcuts);
    return Flow::kGoOn;
}

}  // namespace nuvex
