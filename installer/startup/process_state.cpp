#include "process_state.h"

namespace nuvex {

namespace {
ProcessState g_process;
}  // namespace

ProcessState& Process() { return g_process; }

}  // namespace nuvex
