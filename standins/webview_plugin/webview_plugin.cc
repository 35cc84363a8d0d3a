// Stand-in web-view plug-in: counts its registrations and reports each on standard error.
// Called on the host window's thread only.
#include <cstdio>

#include "standins/webview_plugin/webview_plugin_test_api.h"

namespace {

int registration_count = 0;
FlutterDesktopPluginRegistrarRef last_registrar = nullptr;

}  // namespace

void FlutterInappwebviewWindowsPluginCApiRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar) {
  ++registration_count;
  last_registrar = registrar;
  std::fprintf(stderr, "[stand-in web-view plug-in] registered %s\n",
               registrar != nullptr ? "with a registrar" : "without a registrar");
  std::fflush(stderr);
}

int QuenbrelTestWebViewPluginRegistrationCount(void) { return registration_count; }

FlutterDesktopPluginRegistrarRef QuenbrelTestWebViewPluginLastRegistrar(void) {
  return last_registrar;
}
