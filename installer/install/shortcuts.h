// The Start menu group with its folders, and the Start menu, desktop and Quick Launch
// shortcuts of the selected components: the install thread's phases after the extraction.
#pragma once

#include "install_flow.h"

namespace nuvex {

// Start menu folders, then the Start menu, desktop and Quick Launch shortcuts, with the
// progress at its kProgressAfter... step (96 to 99) after each. kStop when the user has
// cancelled.
Flow CreateShortcutsAndFolders();

}  // namespace nuvex
