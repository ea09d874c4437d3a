// Rules of the wizard that need no window: which page a request lands on, which components
// an install type selects, the target folder's composition, and the background gradient.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings.h"

namespace nuvex {

inline constexpr int kWizardPages = 10;
inline constexpr int kCustomType = 5;

// Page-enabled table of a script: intro, the four [Dialogs] pages, the custom page (off
// until the custom type is chosen) and the confirmation, done, error and spare pages.
void InitialPageTable(const Settings& s, int enabled[kWizardPages]);

// The page a request for `requested` lands on: forward, the first enabled page at or after
// it; backward, the first enabled page at or before it. -1 for a request outside 0..9 (Next
// on the spare page asks for page 10) or when no page qualifies; the wizard ignores those.
int FindPage(const int enabled[kWizardPages], int requested, bool backward);

// The install type checked when the wizard opens: the lowest enabled one, 0 when none is.
int InitialInstallType(const Settings& s);

// The selection a preset type gives: row `type` of the preset table. The custom type (and
// anything outside 0..4) selects nothing; its ticks are read from the check boxes instead.
void PresetSelection(const Settings& s, int type, int selection[kComponentCount]);

// Check box rows: slots 0..4 in the left column at x 30, slots 5..9 at x 260, 14 pixels
// apart from y 85; with at most five components they form one column at x 160.
struct BoxPlace {
    int x;
    int y;
};
BoxPlace ComponentBoxPlace(int slot, int numberOfComponents);
BoxPlace InitialComponentBoxPlace(int slot);

// How many check boxes the custom page shows: the component count, within 0..10.
int VisibleComponentBoxes(int numberOfComponents);

// A drive root such as "C:\" loses its backslash; any other path stays as it is.
void ApplyDriveRootRule(char* path);

// The target folder after browsing to `browsed`: with autonametopath the product folder is
// appended, after a backslash unless the browsed folder is a drive root; then the drive-root
// rule. Cut to `size` - 1 characters.
void ComposeBrowsedFolder(char* out, std::size_t size, const char* browsed, bool autoNameToPath,
                          const char* appDir);

// Vertical gradient from `top` to `bottom` (0x00BBGGRR) over `screenHeight` lines, in bands
// of screenHeight / 256 + 1 lines. Channels run in single precision and are truncated, so
// the last band stops one step short of `bottom`.
struct GradientBands {
    int bandHeight = 1;
    int count = 0;
    Colour colour[256] = {};
};
void ComputeGradient(int screenHeight, Colour top, Colour bottom, GradientBands& out);

}  // namespace nuvex
