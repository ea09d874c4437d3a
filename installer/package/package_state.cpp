#include "package_state.h"

namespace nuvex {

namespace {
PackageState g_package;
Settings g_settings;
}  // namespace

PackageState& Package() { return g_package; }
Settings& AppSettings() { return g_settings; }

}  // namespace nuvex
