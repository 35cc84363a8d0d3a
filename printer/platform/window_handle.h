// The window handle as portable code sees it.
#ifndef QUENBREL_PRINTER_PLATFORM_WINDOW_HANDLE_H_
#define QUENBREL_PRINTER_PLATFORM_WINDOW_HANDLE_H_

// An opaque window handle (an HWND on Windows). Portable code only stores it and passes it on;
// only the Win32 files convert it back.
using WindowHandle = void*;

#endif  // QUENBREL_PRINTER_PLATFORM_WINDOW_HANDLE_H_
