// Whole folder trees of the builder's treeNN entries: what the value names and what the
// folder holds, before the planner turns the files into file entries of the component.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace nuvex::pack {

// "SOURCE" or "SOURCE>DEST", blanks around either part taken off. Without ">" the
// destination is the source's own relative path; an empty one after ">" is the target
// folder itself.
struct TreeValue {
    std::string source;
    std::string destination;
    bool hasDestination = false;
};
TreeValue ParseTreeValue(const std::string& value);

// The files and folders below a tree's root, as path parts relative to it, sorted. Links to
// folders are not followed, and the package being built (`output`) is left out; each thing
// left out is reported through `leftOut` with the reason. False, with `error` set, when the
// folder cannot be listed.
struct TreeListing {
    std::vector<std::pair<std::vector<std::string>, std::filesystem::path>> files;
    std::vector<std::vector<std::string>> dirs;
};
bool ListTree(const std::filesystem::path& root, const std::filesystem::path& output,
              const std::function<void(const std::string&)>& leftOut, TreeListing& listing,
              std::string* error);

}  // namespace nuvex::pack
