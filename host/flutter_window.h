// The application's one top-level window: hosts the engine's view, registers the plug-ins, owns
// the printer bridge and shows itself once the engine has produced its next frame.
// Owner: start-up. Thread: the window's thread only. Never lets anything that uses the engine's
// messenger outlive the view controller: the printer bridge always ends first.
#ifndef QUENBREL_HOST_FLUTTER_WINDOW_H_
#define QUENBREL_HOST_FLUTTER_WINDOW_H_

#include <windows.h>

#include <memory>

#include "host/engine_project.h"
#include "host/flutter_view_controller.h"
#include "host/plugin_registry.h"
#include "host/session_end.h"
#include "host/win32_window.h"
#include "printer/printer_bridge.h"

class FlutterWindow : public Win32Window {
 public:
  explicit FlutterWindow(const flutter::EngineProject& project);
  // Ends the printer bridge, then the view controller, then the native window.
  ~FlutterWindow() override;

  // Registers the application's plug-ins (the web-view plug-in) with |registry|.
  static void RegisterAppPlugins(flutter::PluginRegistry* registry);

 protected:
  // Offers each message to the printer bridge, then the view controller, then the base handling;
  // the session's end waits for a ticket being sent first.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  // Builds the view controller, plug-ins, printer bridge and content; false when the engine
  // library refused the view controller.
  bool OnCreated() override;
  // Ends the printer bridge, then the view controller.
  void OnDestroyed() override;

 private:
  flutter::EngineProject project_;
  std::unique_ptr<flutter::FlutterViewController> view_controller_;
  // Holds the engine's messenger: always ended before the view controller.
  std::unique_ptr<PrinterBridge> printer_bridge_;
  std::unique_ptr<SessionEnd> session_end_;
};

#endif  // QUENBREL_HOST_FLUTTER_WINDOW_H_
