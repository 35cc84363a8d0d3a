// quenbrel-printers: checks a receipt printer without the app, for shop support staff. Built on the
// printer library of the program itself, so it sees the devices and sends tickets exactly as the
// app's "list" and "print" do.
//   quenbrel-printers list                 one line per device: its id, a tab, its label
//   quenbrel-printers print DEVICE FILE    sends the file's bytes (1 to 65,536) as one ticket
//   quenbrel-printers test DEVICE          prints a short French test ticket (ESC/POS, page 858)
//   quenbrel-printers status DEVICE        what the printer (or its driver) says of its state
//   quenbrel-printers drawer DEVICE        opens the cash drawer wired to the printer
//   quenbrel-printers clear DEVICE         cancels the jobs waiting in a Windows printer's queue
//   quenbrel-printers report [FILE]        writes the support report (on the desktop by default)
// A failure prints the app's own French message (or the tool's) on standard error and exits with
// the code of its kind (tool_outcomes.h and printer_error.h; docs/support.md lists them).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "printer/platform_printer_services.h"
#include "printer/text_conversion.h"
#include "printer/tool/tool_commands.h"
#include "printer/tool/win32/com_port_records_win32.h"
#include "printer/tool/win32/network_link_win32.h"
#include "printer/tool/win32/port_settings_win32.h"
#include "printer/tool/win32/tool_system_win32.h"
#include "printer/win32/dos_devices_win32.h"
#include "printer/win32/printer_queue_win32.h"
#include "printer/win32/serial_port_win32.h"
#include "printer/win32/spooler_win32.h"
#include "quenbrel_version.h"

namespace {

// The console shows UTF-8 while the tool runs, and the code page it had once it ends.
class Utf8Console {
 public:
  Utf8Console() : before_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
  ~Utf8Console() {
    if (before_ != 0) SetConsoleOutputCP(before_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  const UINT before_;
};

void Write(FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Shops copy the tool to a USB stick or a Downloads folder: a DLL it loads comes from Windows'
  // own folder, never from beside it (winspool.drv is delay-loaded, so this covers it too).
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const Utf8Console console;
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 and "\n" unchanged
  if (argc == 2 && std::wcscmp(argv[1], L"--version") == 0) {
    std::printf("quenbrel-printers %s\n", QUENBREL_VERSION_TEXT);
    return ExitCodeOf(ToolOutcome::kSuccess);
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(Utf16ToUtf8(std::u16string(argv[i], argv[i] + wcslen(argv[i]))));
  }
  auto serial_port = std::make_unique<Win32SerialPort>();
  SerialPort& port = *serial_port;
  PlatformPrinterServices services(std::make_unique<Win32Spooler>(), std::move(serial_port),
                                   std::make_unique<Win32DosDevices>());
  Win32PrinterQueue queue;
  Win32PortSettings tcp_ports;
  Win32NetworkLink network;
  Win32ToolSystem system;
  Win32ComPortRecords port_records;
  ToolDevices devices{services, port, queue, tcp_ports, network, port_records};
  ToolOutput output;
  const int code = RunTool(args, devices, system, &output);
  Write(stdout, output.out);
  Write(stderr, output.err);
  return code;
}
