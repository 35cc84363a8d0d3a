// Hands plug-ins the engine library's registrar for their name. Implemented by the engine wrapper.
// Thread: the window's thread.
#ifndef QUENBREL_HOST_PLUGIN_REGISTRY_H_
#define QUENBREL_HOST_PLUGIN_REGISTRY_H_

#include <string>

#include "outside/flutter_windows.h"

namespace flutter {

class PluginRegistry {
 public:
  virtual ~PluginRegistry() = default;

  // The registrar for the plug-in |plugin_name| (UTF-8), or null when there is no engine.
  virtual FlutterDesktopPluginRegistrarRef GetPluginRegistrar(const std::string& plugin_name) = 0;
};

}  // namespace flutter

#endif  // QUENBREL_HOST_PLUGIN_REGISTRY_H_
