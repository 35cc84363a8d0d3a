#include "host/flutter_view_controller.h"

#include <iostream>

namespace flutter {

FlutterViewController::FlutterViewController(int32_t width, int32_t height,
                                             const EngineProject& project) {
  engine_ = std::make_shared<FlutterEngine>(project);
  FlutterDesktopEngineRef engine_handle = engine_->HandOverEngine();
  // An engine that was never created cannot be taken over; that is a refused view controller too.
  if (engine_handle != nullptr) {
    controller_handle_ = FlutterDesktopViewControllerCreate(width, height, engine_handle);
  }
  if (controller_handle_ == nullptr) {
    std::cerr << "Failed to create view controller." << std::endl;
    return;
  }
  view_ = std::make_unique<FlutterView>(FlutterDesktopViewControllerGetView(controller_handle_));
}

FlutterViewController::~FlutterViewController() {
  if (controller_handle_ != nullptr) {
    FlutterDesktopViewControllerDestroy(controller_handle_);
  }
  view_.reset();
  engine_.reset();
}

void FlutterViewController::ForceRedraw() {
  if (controller_handle_ == nullptr) {
    return;
  }
  FlutterDesktopViewControllerForceRedraw(controller_handle_);
}

std::optional<LRESULT> FlutterViewController::HandleTopLevelWindowProc(HWND window, UINT message,
                                                                       WPARAM wparam,
                                                                       LPARAM lparam) {
  // A refused view controller has no handle to offer the message to.
  if (controller_handle_ == nullptr) {
    return std::nullopt;
  }
  LRESULT result = 0;
  if (!FlutterDesktopViewControllerHandleTopLevelWindowProc(controller_handle_, window, message,
                                                            wparam, lparam, &result)) {
    return std::nullopt;
  }
  return result;
}

}  // namespace flutter
