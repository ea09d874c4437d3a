// Makes the installation removable: uninst.exe (the bare installer program), the entry in
// the system's list of installed programs, and the header of the uninstall log.
#pragma once

#include "install_flow.h"

namespace nuvex {

// Only called when includeuninst is on, after the target folder exists. Reports szErrorNEM
// when the copy buffer cannot be had and szErrorNES when the disk takes less than the whole
// copy; in both cases no registry entry and no log header is written.
Flow RegisterUninstaller();

// EstimatedSize (KB) of the entry, from the bytes this installation wrote; only for scripts
// with unattended=true, and only when the entry exists.
void WriteEstimatedSize();

}  // namespace nuvex
