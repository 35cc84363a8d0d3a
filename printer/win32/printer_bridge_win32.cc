#include "printer/win32/printer_bridge_win32.h"

#include <utility>

#include "printer/platform_printer_services.h"
#include "printer/win32/dos_devices_win32.h"
#include "printer/win32/serial_port_win32.h"
#include "printer/win32/shell_win32.h"
#include "printer/win32/spooler_win32.h"
#include "printer/win32/thread_starter_win32.h"
#include "printer/win32/window_poster_win32.h"

BridgePlatform Win32BridgePlatform() {
  BridgePlatform platform;
  platform.poster = std::make_shared<Win32WindowPoster>();
  platform.shell = std::make_unique<Win32Shell>();
  platform.threads = std::make_unique<Win32ThreadStarter>();
  platform.devices = std::make_shared<PlatformPrinterServices>(std::make_unique<Win32Spooler>(),
                                                               std::make_unique<Win32SerialPort>(),
                                                               std::make_unique<Win32DosDevices>());
  return platform;
}

std::unique_ptr<PrinterBridge> CreateWin32PrinterBridge(flutter::BinaryMessenger* messenger,
                                                        WindowHandle window) {
  return std::make_unique<PrinterBridge>(messenger, window, Win32BridgePlatform());
}
