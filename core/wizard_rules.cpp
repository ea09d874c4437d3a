#include "wizard_rules.h"

#include <cstring>

#include "text_rules.h"

namespace nuvex {

namespace {

// Forces a value through a 32-bit float. On i686 the x87 unit keeps intermediate results in
// extended precision, which would make the gradient differ from one build to the other.
float Single(float value) {
    volatile float stored = value;
    return stored;
}

}  // namespace

void InitialPageTable(const Settings& s, int enabled[kWizardPages]) {
    // clang-format off
    const int table[kWizardPages] = {1, s.AppInfo ? 1 : 0, s.Licence ? 1 : 0,
                                     s.TargetDir ? 1 : 0, s.InstType ? 1 : 0, 0, 1, 1, 1, 1};
    // clang-format on
    std::memcpy(enabled, table, sizeof table);
}

int FindPage(const int enabled[kWizardPages], int requested, bool backward) {
    if (requested < 0 || requested >= kWizardPages) {
        return -1;
    }
    if (backward) {
        for (int i = requested; i >= 0; --i) {
            if (enabled[i]) {
                return i;
            }
        }
    } else {
        for (int i = requested; i < kWizardPages; ++i) {
            if (enabled[i]) {
                return i;
            }
        }
    }
    return -1;
}

int InitialInstallType(const Settings& s) {
    for (int t = 0; t < kInstallTypes; ++t) {
        if (s.TypeEnabled[t]) {
            return t;
        }
    }
    return 0;
}

void PresetSelection(const Settings& s, int type, int selection[kComponentCount]) {
    for (int i = 0; i < kComponentCount; ++i) {
        selection[i] = (type >= 0 && type < kPresetTypes && s.UseInInstType[type][i]) ? 1 : 0;
    }
}

BoxPlace InitialComponentBoxPlace(int slot) { return {slot < 5 ? 30 : 260, 85 + 14 * (slot % 5)}; }

BoxPlace ComponentBoxPlace(int slot, int numberOfComponents) {
    if (numberOfComponents <= 5 && slot < numberOfComponents) {
        return {160, 85 + 14 * slot};
    }
    return InitialComponentBoxPlace(slot);
}

int VisibleComponentBoxes(int numberOfComponents) {
    if (numberOfComponents < 0) {
        return 0;
    }
    return numberOfComponents > kComponentCount ? kComponentCount : numberOfComponents;
}

void ApplyDriveRootRule(char* path) {
    if (std::strlen(path) == 3 && path[2] == '\\') {
        path[2] = '\0';
    }
}

void ComposeBrowsedFolder(char* out, std::size_t size, const char* browsed, bool autoNameToPath,
                          const char* appDir) {
    if (size == 0) {
        return;
    }
    CopyCut(out, size, browsed);
    if (autoNameToPath) {
        if (std::strlen(browsed) > 3) {
            AppendCut(out, size, "\\");
        }
        AppendCut(out, size, appDir);
    }
    ApplyDriveRootRule(out);
}

void ComputeGradient(int screenHeight, Colour top, Colour bottom, GradientBands& out) {
    out = GradientBands{};
    if (screenHeight <= 0) {
        return;
    }
    out.bandHeight = screenHeight / 256 + 1;
    float value[3], step[3];
    for (int c = 0; c < 3; ++c) {
        const int first = static_cast<int>((top >> (8 * c)) & 0xFF);
        const int last = static_cast<int>((bottom >> (8 * c)) & 0xFF);
        value[c] = static_cast<float>(first);
        step[c] = Single(static_cast<float>(last - first) / static_cast<float>(screenHeight));
    }
    for (int y = 0; y < screenHeight && out.count < 256; y += out.bandHeight) {
        Colour colour = 0;
        for (int c = 0; c < 3; ++c) {
            colour |= (static_cast<Colour>(static_cast<int>(value[c])) & 0xFF) << (8 * c);
            value[c] = Single(value[c] + Single(static_cast<float>(out.bandHeight) * step[c]));
        }
        out.colour[out.count++] = colour;
    }
}

}  // namespace nuvex
