// Windows-only view functions of the stand-in engine library: the view's child window, the
// top-level window procedure hook (consumes the one message a test names) and the DPI of each
// monitor (a test knob).
#include <algorithm>
#include <vector>

#include "standins/engine/standin_engine.h"
#include "standins/engine/test_knobs_win32.h"

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM monitors) {
  reinterpret_cast<std::vector<HMONITOR>*>(monitors)->push_back(monitor);
  return TRUE;
}

// The monitors from left to right (then top to bottom).
std::vector<HMONITOR> MonitorsFromTheLeft() {
  std::vector<HMONITOR> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  auto origin = [](HMONITOR monitor) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(monitor, &info);
    return std::make_pair(info.rcMonitor.left, info.rcMonitor.top);
  };
  std::stable_sort(monitors.begin(), monitors.end(),
                   [&](HMONITOR a, HMONITOR b) { return origin(a) < origin(b); });
  return monitors;
}

}  // namespace

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(
    FlutterDesktopViewControllerRef controller, HWND, UINT message, WPARAM, LPARAM,
    LRESULT* result) {
  standin::CheckAlive(controller, "view controller");
  standin::CheckThread(controller->engine.get(), "a window message");
  const auto consume = standin::KnobConsume();
  if (!consume || consume->first != message) return false;
  *result = static_cast<LRESULT>(consume->second);
  return true;
}

HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) {
  standin::CheckAlive(view, "view");
  return static_cast<HWND>(view->window);
}

UINT FlutterDesktopGetDpiForMonitor(HMONITOR monitor) {
  const std::vector<HMONITOR> monitors = MonitorsFromTheLeft();
  const auto found = std::find(monitors.begin(), monitors.end(), monitor);
  if (found == monitors.end()) standin::Breach("the DPI asked for a handle that is not a monitor");
  const std::vector<unsigned> dpis = standin::KnobDpis();
  return dpis[std::min<size_t>(found - monitors.begin(), dpis.size() - 1)];
}
