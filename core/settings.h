// The settings record: everything the installer script says, read once at start-up by the
// script loader thread. Field names are the script keys that fill them.
#pragma once

#include <cstdint>

#include "package_layout.h"

namespace nuvex {

inline constexpr int kInstallTypes = 6;  // types 0..4 are presets, 5 is the custom type
inline constexpr int kPresetTypes = 5;
inline constexpr int kComponentCount = layout::kComponentSlots;

using Colour = uint32_t;  // 0x00BBGGRR, as Win32 COLORREF

enum BackgroundType : int32_t {
    kBackgroundDefault = 0,
    kBackgroundSolid = 1,
    kBackgroundGradient = 2
};
enum ProgressStyle : int32_t { kProgressWindow = 0, kProgressBar = 1 };

struct Settings {
    // [Wizard] texts
    char szInstallAppName[2048];
    char szInstallAppDir[2048];
    char szbackgroundsublabel[256];
    char szbackgroundminitext[256];
    char szButtonNext[32];
    char szButtonBack[32];
    char szButtonCancel[32];
    char szButtonInstall[32];
    char szButtonDone[32];
    char szButtonBrowse[32];
    char szBrowseTitle[32];
    char szInstDir[256];
    char szLabelUvod[256];
    char szLabelInfo[256];
    char szLabelLicence[256];
    char szLabelTarget[256];
    char szLabelTyp[256];
    char szLabelCustom[256];
    char szLabelInstall[256];
    char szLabelKonec[256];
    char szLabelError[256];
    char szTextUvod[2048];
    char szTextInfo[2048];
    char szTextLicence[2048];
    char szTextTarget[2048];
    char szTextTyp[2048];
    char szTextCustom[2048];
    char szTextInstall[2048];
    char szTextKonec[2048];
    char szTextError[2048];
    char szTextError1[2048];
    char szInstalling[2048];
    char szInstallerPreparing[2048];
    char szInstallerInstallingPart[2048];
    char szInstallerEnding[2048];
    char szTextUninst[2048];
    char szLabelUninst[256];
    char szButtonUnInstall[32];
    char szErrorNES[2048];
    char szErrorNEM[2048];
    char szErrorCRC[2048];
    char szErrorWin[2048];
    char szErrorDIR[2048];

    // [Wizard] switches
    int32_t includeuninst;
    int32_t autonametopath;
    int32_t allowbadwindows;
    int32_t erroronwinnt;
    int32_t erroronwin9x;
    // Additions for deployment tools, off unless the script asks (docs/deploy.md).
    int32_t unattended;         // setup.exe /S and uninst.exe /S are honoured
    int32_t removeuninstaller;  // uninst.exe and the emptied folder go after a removal

    // [Design]
    int32_t ShowBackground;
    int32_t backgroundonok;
    int32_t backgroundtype;
    Colour bgcolor1;
    Colour bgcolor2;
    Colour bgcolor3;
    Colour colorappname;
    Colour colorappinfo;
    Colour colorauthor;
    int32_t progressstyle;

    // [Dialogs]: entries 1..4 of the wizard's page-enabled table
    int32_t AppInfo;
    int32_t Licence;
    int32_t TargetDir;
    int32_t InstType;

    // [Components] and the component sections
    int32_t NumberOfComponents;  // as read, even when out of range
    char Title[kComponentCount][256];
    int32_t Requied[kComponentCount];
    int32_t UseInInstType[kPresetTypes][kComponentCount];
    int32_t customDefault[kComponentCount];  // UseInInstType5
    uint64_t requiedspace[kComponentCount];

    // [InstTypes]
    char Type[kInstallTypes][64];
    int32_t TypeEnabled[kInstallTypes];

    // Derived
    char targetFolder[2048];
    char preparingText[44];  // first splash line, Windows-1250
    char waitText[20];       // second splash line, Windows-1250
};

// Fills the record with the state before any key is read: empty texts, zero numbers and the
// Czech splash lines.
void ResetSettings(Settings& s);

}  // namespace nuvex
