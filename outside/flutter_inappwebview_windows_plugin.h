// Our declaration of the web-view plug-in library's one function
// (flutter_inappwebview_windows_plugin.dll).
#ifndef QUENBREL_OUTSIDE_FLUTTER_INAPPWEBVIEW_WINDOWS_PLUGIN_H_
#define QUENBREL_OUTSIDE_FLUTTER_INAPPWEBVIEW_WINDOWS_PLUGIN_H_

#include "outside/flutter_windows.h"

#if defined(FLUTTER_PLUGIN_IMPL)
#define FLUTTER_PLUGIN_EXPORT __declspec(dllexport)
#else
#define FLUTTER_PLUGIN_EXPORT __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Attaches the web-view plug-in to the engine behind |registrar|.
FLUTTER_PLUGIN_EXPORT void FlutterInappwebviewWindowsPluginCApiRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // QUENBREL_OUTSIDE_FLUTTER_INAPPWEBVIEW_WINDOWS_PLUGIN_H_
