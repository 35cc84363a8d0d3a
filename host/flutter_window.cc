#include "host/flutter_window.h"

#include <utility>

#include "host/shutdown_block_reason_win32.h"
#include "outside/flutter_inappwebview_windows_plugin.h"
#include "printer/win32/printer_bridge_win32.h"

namespace {

constexpr char kWebViewPluginName[] = "FlutterInappwebviewWindowsPluginCApi";

}  // namespace

FlutterWindow::FlutterWindow(const flutter::EngineProject& project) : project_(project) {}

FlutterWindow::~FlutterWindow() {
  printer_bridge_.reset();
  view_controller_.reset();
}

void FlutterWindow::RegisterAppPlugins(flutter::PluginRegistry* registry) {
  FlutterInappwebviewWindowsPluginCApiRegisterWithRegistrar(
      registry->GetPluginRegistrar(kWebViewPluginName));
}

bool FlutterWindow::OnCreated() {
  if (!Win32Window::OnCreated()) {
    return false;
  }
  // The window was created already scaled to the monitor's DPI: the client area is in physical
  // pixels.
  const RECT frame = ClientArea();
  view_controller_ = std::make_unique<flutter::FlutterViewController>(
      frame.right - frame.left, frame.bottom - frame.top, project_);
  if (view_controller_->GetEngine() == nullptr || view_controller_->GetView() == nullptr) {
    return false;
  }
  RegisterAppPlugins(view_controller_->GetEngine());
  // On the top-level window, not the view's child: results are posted there.
  printer_bridge_ =
      CreateWin32PrinterBridge(view_controller_->GetEngine()->GetMessenger(), GetWindowHandle());
  session_end_ =
      std::make_unique<SessionEnd>(std::make_unique<Win32ShutdownBlockReason>(GetWindowHandle()));
  AttachContent(view_controller_->GetView()->GetHwnd());
  view_controller_->GetEngine()->SetNextFrameCallback([this]() { this->Show(); });
  // Schedules a frame, so that a next frame follows the registration even when the engine has
  // already produced its first one.
  view_controller_->ForceRedraw();
  return true;
}

void FlutterWindow::OnDestroyed() {
  if (printer_bridge_) {
    std::unique_ptr<PrinterBridge> printer_bridge = std::move(printer_bridge_);
    printer_bridge.reset();
  }
  if (view_controller_) {
    std::unique_ptr<flutter::FlutterViewController> view_controller = std::move(view_controller_);
    view_controller.reset();
  }
  Win32Window::OnDestroyed();
}

LRESULT FlutterWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (printer_bridge_ && printer_bridge_->HandleWindowMessage(message)) {
    return 0;
  }
  if (session_end_ && message == WM_QUERYENDSESSION) session_end_->OnQuery();
  if (session_end_ && message == WM_ENDSESSION) session_end_->OnEnd(wparam != FALSE);
  if (view_controller_) {
    std::optional<LRESULT> result =
        view_controller_->HandleTopLevelWindowProc(window, message, wparam, lparam);
    if (result) {
      return *result;
    }
  }
  if (message == WM_FONTCHANGE && view_controller_) {
    view_controller_->GetEngine()->ReloadSystemFonts();
  }
  return Win32Window::HandleMessage(window, message, wparam, lparam);
}
