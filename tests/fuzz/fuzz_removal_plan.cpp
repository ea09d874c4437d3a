// The uninstaller's removal lists from an arbitrary uninst.ini, parsed as the uninstaller
// parses it: every family is walked newest first, each path exactly as the log holds it, a
// cut or empty one as nothing.
#include <cstring>
#include <initializer_list>

#include "fuzz_check.h"
#include "profile_text.h"
#include "uninstall_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nuvex;
    ProfileText log;
    if (!log.Parse(reinterpret_cast<const char*>(data), size)) {
        return 0;  // Unicode text: the uninstaller asks the profile functions instead
    }
    int total = 0;
    for (LogFamily family :
         {LogFamily::kFile, LogFamily::kStartFile, LogFamily::kDir, LogFamily::kStartDir}) {
        const int count = CountLogFamily(log, family);
        FUZZ_CHECK(count >= 0 && count < kLogNumberLimit);
        total += count;
        const LogPathList paths(log, family, count);
        int next = count;
        const bool complete = paths.NewestFirst([&](const char* path) {
            FUZZ_CHECK(next > 0);
            --next;
            char key[kLogKeySize];
            char value[kLogValueSize];
            FUZZ_CHECK(FormatLogKey(key, sizeof key, family, next));
            const LogValue kind = ReadLogValue(log, key, value);
            FUZZ_CHECK(kind != LogValue::kEmpty);
            FUZZ_CHECK(std::strcmp(path, kind == LogValue::kPath ? value : "") == 0);
        });
        FUZZ_CHECK(complete && next == 0);
    }
    for (int done = 0; done < total; ++done) {
        const int percent = RemovalPercent(done, total);
        FUZZ_CHECK(percent >= 5 && percent < 100);
    }
    return 0;
}
