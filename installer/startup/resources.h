// The window classes of the process and the skin they are painted with: made once before
// the first window, released after the message loop.
#pragma once

#include <windows.h>

namespace nuvex {

inline constexpr char kControllerClass[] = "ControllerWindow";
inline constexpr char kWizardClass[] = "WizardWindow";
inline constexpr char kBackgroundClass[] = "BackgroundWindow";
inline constexpr char kProgressClass[] = "ProgressWindow";
inline constexpr char kUninstallerClass[] = "UninstallerWindow";

// Registers the five classes and loads the skin (ui/skin.h). False when the bitmaps cannot
// be loaded.
bool InitResources(HINSTANCE instance);
void ReleaseResources(HINSTANCE instance);

}  // namespace nuvex
