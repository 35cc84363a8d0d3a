// Windows-only view functions of the stand-in engine library: the view's child window, the
// top-level window procedure hook (consumes nothing) and the monitor DPI (a test knob).
#include "standins/engine/standin_engine.h"
#include "standins/engine/test_knobs_win32.h"

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef, HWND,
                                                          UINT, WPARAM, LPARAM, LRESULT*) {
  return false;
}

HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) {
  return view ? static_cast<HWND>(view->window) : nullptr;
}

UINT FlutterDesktopGetDpiForMonitor(HMONITOR) { return standin::KnobDpi(); }
