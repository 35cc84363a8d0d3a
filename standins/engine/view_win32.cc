// Windows-only view functions of the stand-in engine library, minimal: the view has no window of
// its own yet, consumes no top-level window message and reports the standard DPI.
#include "standins/engine/standin_engine.h"

namespace {
constexpr UINT kStandardDpi = 96;
}  // namespace

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef, HWND,
                                                          UINT, WPARAM, LPARAM, LRESULT*) {
  return false;
}

HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) {
  return view ? static_cast<HWND>(view->window) : nullptr;
}

UINT FlutterDesktopGetDpiForMonitor(HMONITOR) { return kStandardDpi; }
