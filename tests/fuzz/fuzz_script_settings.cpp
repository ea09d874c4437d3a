// The installer's reading of every start-up setting from an arbitrary script: every text
// must end inside its field, however long the value or its expansion.
#include <cstring>
#include <memory>
#include <string_view>

#include "fuzz_check.h"
#include "ini_document.h"
#include "script_keys.h"
#include "script_settings.h"
#include "text_rules.h"

namespace {

class Events final : public nuvex::SettingsReadEvents {
public:
    void ComponentCountInvalid(int n) override {
        char message[128];
        nuvex::FormatComponentCountMessage(message, sizeof message, n);
    }
};

bool Terminated(const char* field, std::size_t size) { return strnlen(field, size) < size; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nuvex;
    const pack::IniProfile script(std::string_view(reinterpret_cast<const char*>(data), size));
    auto s = std::make_unique<Settings>();
    ResetSettings(*s);
    Events events;
    ReadScriptSettings(script, *s, events);
    ComposeTargetFolder(s->targetFolder, sizeof s->targetFolder, s->szInstDir,
                        s->autonametopath != 0, s->szInstallAppDir);

    std::size_t count = 0;
    const ScriptKey* keys = StartupKeys(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (keys[i].kind == KeyKind::kText) {
            FUZZ_CHECK(Terminated(reinterpret_cast<const char*>(s.get()) + keys[i].fieldOffset,
                                  keys[i].fieldSize));
        }
    }
    for (const auto& title : s->Title) {
        FUZZ_CHECK(Terminated(title, sizeof title));
    }
    for (const auto& type : s->Type) {
        FUZZ_CHECK(Terminated(type, sizeof type));
    }
    FUZZ_CHECK(Terminated(s->targetFolder, sizeof s->targetFolder));
    FUZZ_CHECK(s->backgroundtype >= 0 && s->backgroundtype <= 2);
    FUZZ_CHECK(s->progressstyle == 0 || s->progressstyle == 1);
    return 0;
}
