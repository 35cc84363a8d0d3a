#include "host/win32_window.h"

#include <algorithm>

#include "resources/resource_ids.h"

namespace {

constexpr UINT kLogicalDpi = 96;
constexpr UINT kMaxDpi = 480;  // Windows scales to 500% at most

// Number of Win32Window objects in existence.
int32_t live_window_count = 0;

// Whether the window class is registered; lives until the process ends.
struct WindowClassRegistration {
  bool registered = false;
};

WindowClassRegistration& Registration() {
  static WindowClassRegistration registration;
  return registration;
}

void RegisterWindowClass() {
  WNDCLASSW window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = Win32Window::StaticWindowProc;
  window_class.cbClsExtra = 0;
  window_class.cbWndExtra = 0;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hIcon = LoadIconW(window_class.hInstance, MAKEINTRESOURCEW(IDI_APP_ICON));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = nullptr;
  window_class.lpszMenuName = nullptr;
  window_class.lpszClassName = Win32Window::kClassName;
  RegisterClassW(&window_class);
}

// The scale of a monitor's DPI. A DPI that no monitor reports is taken as 96 (0) or clamped to
// the range Windows scales in, so that the window keeps a usable place and size.
double ScaleFactor(UINT dpi) {
  return dpi == 0 ? 1.0 : static_cast<double>(std::clamp(dpi, kLogicalDpi, kMaxDpi)) / kLogicalDpi;
}

int32_t Scale(int32_t value, double scale_factor) {
  return static_cast<int32_t>(static_cast<double>(value) * scale_factor);
}

}  // namespace

Win32Window::Win32Window(DpiForMonitor dpi_for_monitor) : dpi_for_monitor_(dpi_for_monitor) {
  ++live_window_count;
}

Win32Window::~Win32Window() {
  --live_window_count;
  Destroy();
}

bool Win32Window::Create(const std::wstring& title, const LogicalPoint& origin,
                         const LogicalSize& size) {
  Destroy();

  WindowClassRegistration& registration = Registration();
  if (!registration.registered) {
    RegisterWindowClass();
    registration.registered = true;
  }

  const POINT origin_point{origin.x, origin.y};
  HMONITOR monitor = MonitorFromPoint(origin_point, MONITOR_DEFAULTTONEAREST);
  const double scale_factor = ScaleFactor(dpi_for_monitor_(monitor));

  HWND window = CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                                Scale(origin.x, scale_factor), Scale(origin.y, scale_factor),
                                Scale(size.width, scale_factor), Scale(size.height, scale_factor),
                                nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (window == nullptr) {
    return false;
  }
  ApplySystemTheme(window);
  return OnCreated();
}

bool Win32Window::Show() { return ShowWindow(window_handle_, SW_SHOWNORMAL) != 0; }

void Win32Window::Destroy() {
  OnDestroyed();
  if (window_handle_ != nullptr) {
    DestroyWindow(window_handle_);
    window_handle_ = nullptr;
  }
  if (live_window_count == 0) {
    UnregisterClassW(kClassName, nullptr);
    Registration().registered = false;
  }
}

void Win32Window::AttachContent(HWND content) {
  content_window_ = content;
  SetParent(content, window_handle_);
  const RECT area = ClientArea();
  MoveWindow(content, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  SetFocus(content_window_);
}

void Win32Window::SetQuitOnDestroy(bool quit_on_destroy) { quit_on_destroy_ = quit_on_destroy; }

HWND Win32Window::GetWindowHandle() const { return window_handle_; }

RECT Win32Window::ClientArea() const {
  RECT area{};
  GetClientRect(window_handle_, &area);
  return area;
}

LRESULT CALLBACK Win32Window::StaticWindowProc(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create_struct = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* that = static_cast<Win32Window*>(create_struct->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(that));
    EnableNonClientScaling(window);
    that->window_handle_ = window;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  auto* that = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (that != nullptr) {
    return that->HandleMessage(window, message, wparam, lparam);
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Win32Window::EnableNonClientScaling(HWND window) {
  HMODULE user32 = LoadLibraryA("User32.dll");
  if (user32 == nullptr) {
    return;
  }
  using EnableNonClientDpiScalingFunction = BOOL(WINAPI*)(HWND);
  // GetProcAddress gives a generic function pointer; the system documents this signature.
  auto enable = reinterpret_cast<EnableNonClientDpiScalingFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "EnableNonClientDpiScaling")));
  if (enable != nullptr) {
    enable(window);
  }
  FreeLibrary(user32);
}

LRESULT Win32Window::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      window_handle_ = nullptr;
      Destroy();
      if (quit_on_destroy_) {
        PostQuitMessage(0);
      }
      return 0;
    case WM_SIZE: {
      const RECT area = ClientArea();
      if (content_window_ != nullptr) {
        MoveWindow(content_window_, area.left, area.top, area.right - area.left,
                   area.bottom - area.top, TRUE);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (content_window_ != nullptr) {
        SetFocus(content_window_);
      }
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DWMCOLORIZATIONCOLORCHANGED:
      ApplySystemTheme(window);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool Win32Window::OnCreated() { return true; }

void Win32Window::OnDestroyed() {}
