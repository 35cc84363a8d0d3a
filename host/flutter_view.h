// The wrapper around the engine library's view: the child window that shows the application.
// Owner: the view controller. Thread: the window's thread. Never ends the view; it ends with its
// view controller.
#ifndef QUENBREL_HOST_FLUTTER_VIEW_H_
#define QUENBREL_HOST_FLUTTER_VIEW_H_

#include <windows.h>

#include "outside/flutter_windows.h"

namespace flutter {

class FlutterView {
 public:
  explicit FlutterView(FlutterDesktopViewRef view_handle) : view_handle_(view_handle) {}
  virtual ~FlutterView() = default;

  FlutterView(const FlutterView&) = delete;
  FlutterView& operator=(const FlutterView&) = delete;

  // The view's child window.
  HWND GetHwnd() const { return FlutterDesktopViewGetHWND(view_handle_); }

 private:
  FlutterDesktopViewRef view_handle_;
};

}  // namespace flutter

#endif  // QUENBREL_HOST_FLUTTER_VIEW_H_
