// Checks of what a script makes the installer do, beyond what it cuts: misspelt section and
// key names, flag values that the installer reads otherwise than they look, texts left empty
// on the pages that show them, and shortcuts and programs whose target nothing installs.
// They warn, each with a hint; --strict makes them errors.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"
#include "ini_document.h"

namespace nuvex::pack {

struct PackagePlan;

// The builder-only key of [Wizard] that names the script's code page; left out of the
// package's script.
inline constexpr char kCodePageKey[] = "codepage";

// Names and flag values, empty texts, defaultlang.
void ReviewScript(const IniDocument& doc, const std::string& file, Diagnostics& diag);

// start, desktop, quickl and run entries of every component: their target must be a file or
// folder that the package installs into the target folder, and shortcuts need a title.
void ReviewShortcuts(const PackagePlan& plan, const std::string& file, Diagnostics& diag);

// "; did you mean Requied?" for the candidate nearest to `name` (ignoring case, a swap of two
// neighbours counting as one edit), or "" when none is close.
std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates);

// The keys a section of that name may hold besides the numbered entries of a component, as
// the installer (or, for codepage, the builder) reads them; empty for an unknown section.
std::vector<std::string> KnownKeys(std::string_view section);

}  // namespace nuvex::pack
