// nuvexpack list, verify and extract on arbitrary package bytes: nothing may crash, and
// extract may write nothing outside its folder, not even through the links planted in it.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "file_io.h"
#include "fuzz_check.h"
#include "package_reader.h"
#include "package_tools.h"

namespace fs = std::filesystem;

namespace {

// One folder per fuzzing process: the package file beside the extract folder.
const fs::path& WorkFolder() {
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "nuvex-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(&pattern[0]) != nullptr);
        std::atexit([] { fs::remove_all(WorkFolder()); });
        return fs::path(pattern);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nuvex::pack;
    const fs::path package = WorkFolder() / "package.exe";
    const fs::path into = WorkFolder() / "out" / "into";
    const fs::path outside = WorkFolder() / "out" / "outside";
    fs::create_directories(into);
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, into / "link");
    fs::create_directory_symlink(outside, into / "@system");
    {
        File file = File::Create(package);
        file.Write(data, size);
        file.Close();
    }
    try {
        const PackageInfo info = ReadPackage(package);
        std::ostringstream listing;
        ListPackage(info, listing);
        VerifyPackage(info);
        Diagnostics diag;
        ExtractPackage(info, into, diag);
    } catch (const PackError&) {
        // A file that is no package, or whose script cannot be read: refused with a message.
    }
    // Only the package, the two folders and what lies below `into` may exist. A name such as
    // "..x" inside `into` is no way out: the test is on whole path parts.
    for (const auto& entry : fs::recursive_directory_iterator(WorkFolder())) {
        const fs::path& p = entry.path();
        const fs::path rest = p.lexically_relative(into);
        const bool below = !rest.empty() && *rest.begin() != "..";
        if (!(p == package || p == into.parent_path() || p == outside || below)) {
            std::fprintf(stderr, "written outside the extract folder: %s\n", p.c_str());
        }
        FUZZ_CHECK(p == package || p == into.parent_path() || p == outside || below);
    }
    fs::remove_all(into.parent_path());
    return 0;
}
