#include "app_state.h"

namespace nuvex {

namespace {
AppState g_app;
Settings g_settings;
}  // namespace

AppState& App() { return g_app; }
Settings& AppSettings() { return g_settings; }

}  // namespace nuvex
