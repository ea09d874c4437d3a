// The extraction phase: every payload entry of the selected components is read from the
// running executable, inflated, checked against its Adler-32 and written to its folder.
#pragma once

#include "install_flow.h"

namespace nuvex {

// `total` is the number of entries the count found, for the progress arithmetic. Ends with
// the progress at 95 and the status line at szInstallerEnding, or kStop after a failure, the
// read failure or a cancellation.
Flow ExtractPayload(int total);

}  // namespace nuvex
