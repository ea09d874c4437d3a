// nuvexpack new: a complete, commented installer script with English texts on every page,
// for one product folder, that builds with --strict without a warning.
#pragma once

#include <string>

#include "file_io.h"

namespace nuvex::pack {

struct NewScriptOptions {
    std::string name;    // the product's name: application name, folder, Start menu group
    fs::path sourceDir;  // the product's files, packed whole into the target folder
    fs::path output;     // the script to write; it must not exist yet
};

// Why `name` cannot name the product (empty when it can): it becomes a folder name.
std::string CheckProductName(const std::string& name);

// The script text: `tree` is the tree00 value, `program` the file a Start menu and a desktop
// shortcut point at (none when empty).
std::string NewScriptText(const std::string& name, const std::string& tree,
                          const std::string& program);

// Writes the script; throws PackError with the reason when it cannot.
void WriteNewScript(const NewScriptOptions& options);

// The template's text for a [Wizard] key; nullptr when it has none.
const char* TemplateText(const std::string& key);

}  // namespace nuvex::pack
