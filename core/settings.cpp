#include "settings.h"

#include <cstring>

#include "text_rules.h"

namespace nuvex {

void ResetSettings(Settings& s) {
    std::memset(&s, 0, sizeof s);
    // The Czech splash lines, in code page 1250: "Připravuje se instalátor", "Vyčkejte prosím...".
    CopyCut(s.preparingText, sizeof s.preparingText, "P\xF8ipravuje se instal\xE1tor");
    CopyCut(s.waitText, sizeof s.waitText, "Vy\xE8kejte pros\xEDm...");
}

}  // namespace nuvex
