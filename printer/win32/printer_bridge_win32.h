// Builds the printer bridge on the Windows platform: PostMessageW, ShellExecuteW, std::thread, and
// the Win32 spooler, serial ports and DOS device list.
#ifndef QUENBREL_PRINTER_WIN32_PRINTER_BRIDGE_WIN32_H_
#define QUENBREL_PRINTER_WIN32_PRINTER_BRIDGE_WIN32_H_

#include <memory>

#include "channel/binary_messenger.h"
#include "printer/platform/window_handle.h"
#include "printer/printer_bridge.h"

// For the host window, on its thread: |messenger| is the engine's (outliving the bridge), |window|
// the top-level HWND (which converts to WindowHandle as it is).
std::unique_ptr<PrinterBridge> CreateWin32PrinterBridge(flutter::BinaryMessenger* messenger,
                                                        WindowHandle window);

// The same platform, for callers that build the bridge themselves.
BridgePlatform Win32BridgePlatform();

#endif  // QUENBREL_PRINTER_WIN32_PRINTER_BRIDGE_WIN32_H_
