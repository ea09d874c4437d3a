// The script's text rules (bars to line feeds, the application-name expansion, the cuts to
// a field) on arbitrary texts, each into a heap field of exactly its size, so that a byte
// written or read past the field is a finding.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "text_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nuvex;
    FuzzedDataProvider in(data, size);
    const std::size_t fieldSize = in.ConsumeIntegralInRange<std::size_t>(1, 2300);
    const bool autoName = in.ConsumeBool();
    const std::string appName = in.ConsumeRandomLengthString(4096);
    const std::string text = in.ConsumeRemainingBytesAsString();
    std::vector<char> field(fieldSize);
    auto terminated = [&] { return strnlen(field.data(), fieldSize) < fieldSize; };

    CopyCut(field.data(), fieldSize, text.c_str());
    FUZZ_CHECK(terminated());
    ConvertBars(field.data());
    FUZZ_CHECK(std::strchr(field.data(), '|') == nullptr);
    ExpandAppName(field.data(), fieldSize, appName.c_str());
    FUZZ_CHECK(terminated());
    AppendCut(field.data(), fieldSize, appName.c_str());
    FUZZ_CHECK(terminated());
    ComposeTargetFolder(field.data(), fieldSize, text.c_str(), autoName, appName.c_str());
    FUZZ_CHECK(terminated());
    JoinPath(field.data(), fieldSize, text.c_str(), appName.c_str());
    FUZZ_CHECK(terminated());
    UninstallLogPath(text.c_str(), field.data(), fieldSize);
    FUZZ_CHECK(terminated());
    IsUninstallerPath(text.c_str());
    return 0;
}
