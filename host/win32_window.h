// The top-level window base class: registers the window class, creates the window at a DPI-scaled
// position and size, binds each native window to its object and handles the messages every
// top-level window of the program needs. Derived classes plug in through the three virtual hooks.
// Owner: whoever constructs it (start-up owns the one FlutterWindow). Thread: only the thread that
// created the window and runs its message loop. Never reports failures other than through the
// result of Create; a failed registry read or a missing system function is skipped silently.
#ifndef QUENBREL_HOST_WIN32_WINDOW_H_
#define QUENBREL_HOST_WIN32_WINDOW_H_

#include <windows.h>

#include <cstdint>
#include <string>

#include "outside/flutter_windows.h"

class Win32Window {
 public:
  // A position and a size in logical pixels (96 per inch).
  struct LogicalPoint {
    int32_t x;
    int32_t y;
  };
  struct LogicalSize {
    int32_t width;
    int32_t height;
  };

  // The window class's name.
  static constexpr wchar_t kClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";

  // Answers the DPI of a monitor. The engine library's answer unless a test passes its own.
  using DpiForMonitor = UINT (*)(HMONITOR monitor);

  // Sets the title bar's dark-mode attribute; ApplySystemTheme's seam for tests.
  using DarkModeSetter = void (*)(HWND window, BOOL dark);

  explicit Win32Window(DpiForMonitor dpi_for_monitor = &FlutterDesktopGetDpiForMonitor);
  // Ends the native window and, when it was the last window object, the window class. The hooks
  // called from here are the base ones: a derived class ends its own resources in its destructor.
  virtual ~Win32Window();

  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Creates the native window, hidden, with |origin| and |size| scaled to the DPI of the monitor
  // nearest to |origin|; false when the window could not be made or OnCreated refused it.
  bool Create(const std::wstring& title, const LogicalPoint& origin, const LogicalSize& size);

  // Shows the window in the normal state; whether ShowWindow answered non-zero.
  bool Show();

  // Ends the native window, if any, and the window class when no window object is left.
  void Destroy();

  // Makes |content| the child that fills the client area and has the focus.
  void AttachContent(HWND content);

  // Whether destroying the window posts the quit message to the thread.
  void SetQuitOnDestroy(bool quit_on_destroy);

  HWND GetWindowHandle() const;
  RECT ClientArea() const;

  // The window procedure of the class.
  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // Gives the title bar the user's light or dark application theme; leaves it untouched when the
  // setting cannot be read.
  static void ApplySystemTheme(HWND window, DarkModeSetter set_dark_mode = &SetImmersiveDarkMode);

  // Asks the system to scale the non-client area with the DPI, where it offers that.
  static void EnableNonClientScaling(HWND window);

  // The system's dark-mode title bar attribute.
  static void SetImmersiveDarkMode(HWND window, BOOL dark);

 protected:
  // Handles every message after WM_NCCREATE; the base handles destruction, sizing, activation,
  // DPI and theme changes and hands everything else to the default window procedure.
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // Called once the native window exists; false makes Create fail.
  virtual bool OnCreated();

  // Called when the window is being destroyed; also once before the first window exists.
  virtual void OnDestroyed();

 private:
  bool quit_on_destroy_ = false;
  HWND window_handle_ = nullptr;
  HWND content_window_ = nullptr;
  DpiForMonitor dpi_for_monitor_;
};

#endif  // QUENBREL_HOST_WIN32_WINDOW_H_
