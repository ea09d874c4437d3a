#include "package_tree.h"

#include <algorithm>
#include <system_error>

#include "file_io.h"
#include "ini_document.h"
#include "platform.h"

namespace nuvex::pack {

namespace {

constexpr char kTreeSeparator = '>';

bool IsOutput(const fs::path& path, const fs::path& output) {
    if (output.empty() || path.filename() != output.filename()) {
        return false;
    }
    return SameFile(path, output);
}

}  // namespace

TreeValue ParseTreeValue(const std::string& value) {
    TreeValue tree;
    const std::size_t sep = value.find(kTreeSeparator);
    tree.source = std::string(TrimBlanks(value.substr(0, sep)));
    tree.hasDestination = sep != std::string::npos;
    tree.destination =
        tree.hasDestination ? std::string(TrimBlanks(value.substr(sep + 1))) : tree.source;
    return tree;
}

bool ListTree(const fs::path& root, const fs::path& output,
              const std::function<void(const std::string&)>& leftOut, TreeListing& listing,
              std::string* error) {
    std::error_code ec;
    fs::recursive_directory_iterator it(root, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::vector<std::string> rel;
        for (const fs::path& part : entry.path().lexically_relative(root)) {
            rel.push_back(part.string());
        }
        std::error_code sec;
        const bool isLink = IsLink(entry.path());
        if (entry.is_directory(sec)) {
            if (isLink) {
                // Not followed, whatever the iterator makes of a junction on Windows.
                it.disable_recursion_pending();
                leftOut(PathText(entry.path()) + " is a link to a folder; it is left out");
            } else {
                listing.dirs.push_back(rel);
            }
        } else if (entry.is_regular_file(sec)) {
            if (IsOutput(entry.path(), output)) {
                leftOut(PathText(entry.path()) + " is the package being built; it is left out");
                continue;
            }
            listing.files.emplace_back(rel, entry.path());
        } else {
            leftOut(PathText(entry.path()) + " is neither a file nor a folder; it is left out");
        }
    }
    if (ec) {
        *error = "cannot list " + PathText(root) + ": " + ec.message();
        return false;
    }
    std::sort(listing.files.begin(), listing.files.end());
    std::sort(listing.dirs.begin(), listing.dirs.end());
    return true;
}

}  // namespace nuvex::pack
