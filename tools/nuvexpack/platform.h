// The few things that differ between the Linux and the Windows build of the tool.
#pragma once

#include <filesystem>

namespace nuvex::pack {

// The running executable; empty when it cannot be found.
std::filesystem::path ExecutablePath();

bool StderrIsTerminal();

}  // namespace nuvex::pack
