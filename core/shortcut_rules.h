// Paths of the shortcuts the installation makes, free of any platform call.
#pragma once

#include <cstddef>

namespace nuvex {

// The folder a program starts in: `target` cut after its last backslash, which stays. A
// target without a backslash gives an empty folder.
void WorkingFolder(char* out, std::size_t size, const char* target);

// "%s\\%s.lnk" of a folder and a shortcut title. False, with `out` empty, when it does not
// fit `size` - 1 characters: a cut link path would name another file.
bool LinkPath(char* out, std::size_t size, const char* folder, const char* title);

}  // namespace nuvex
