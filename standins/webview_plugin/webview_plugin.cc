// Stand-in web-view plug-in: holds the host to registering it once per engine, with a live
// registrar asked for by the plug-in's own name; a breach writes one line and ends the process
// (exit code 86). Called on the host window's thread only.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "outside/flutter_inappwebview_windows_plugin.h"
#include "standins/engine/standin_engine_test_api.h"

namespace {

std::set<FlutterDesktopPluginRegistrarRef> registered;

void Breach(const char* what) {
  std::fprintf(stderr, "[stand-in web-view plug-in] contract breach: %s\n", what);
  std::fflush(stderr);
  std::_Exit(86);
}

}  // namespace

void FlutterInappwebviewWindowsPluginCApiRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar) {
  const char* name = StandinEngineRegistrarPluginName(registrar);
  if (name == nullptr) Breach("registered with something that is not a live registrar");
  if (std::strcmp(name, "FlutterInappwebviewWindowsPluginCApi") != 0) {
    Breach("registered with the registrar of another plug-in");
  }
  if (!registered.insert(registrar).second) Breach("registered twice with one registrar");
  std::fprintf(stderr, "[stand-in web-view plug-in] registered\n");
  std::fflush(stderr);
}
