// Window classes, fonts and bitmaps shared by every window of the process: made once before
// the first window, released after the message loop.
#pragma once

#include <windows.h>

namespace nuvex {

enum class FontId { kCaption, kText, kSmall, kLarge, kCount };

inline constexpr char kControllerClass[] = "ControllerWindow";
inline constexpr char kWizardClass[] = "WizardWindow";
inline constexpr char kBackgroundClass[] = "BackgroundWindow";
inline constexpr char kProgressClass[] = "ProgressWindow";
inline constexpr char kUninstallerClass[] = "UninstallerWindow";

// Registers the five classes, creates the four fonts and loads the eighteen bitmaps.
// False when the bitmaps cannot be loaded.
bool InitResources(HINSTANCE instance);
void ReleaseResources(HINSTANCE instance);

HFONT Font(FontId id);
// A bitmap by its resource identifier; nullptr for an identifier that is not one of ours.
HBITMAP Bitmap(int resourceId);

}  // namespace nuvex
