// What the stand-in web-view plug-in records, for tests that load it.
#ifndef QUENBREL_STANDINS_WEBVIEW_PLUGIN_WEBVIEW_PLUGIN_TEST_API_H_
#define QUENBREL_STANDINS_WEBVIEW_PLUGIN_WEBVIEW_PLUGIN_TEST_API_H_

#include "host/flutter_inappwebview_windows_plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

// Number of registrations since the library was loaded.
FLUTTER_PLUGIN_EXPORT int QuenbrelTestWebViewPluginRegistrationCount(void);

// The registrar of the latest registration (null before the first).
FLUTTER_PLUGIN_EXPORT FlutterDesktopPluginRegistrarRef QuenbrelTestWebViewPluginLastRegistrar(void);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // QUENBREL_STANDINS_WEBVIEW_PLUGIN_WEBVIEW_PLUGIN_TEST_API_H_
