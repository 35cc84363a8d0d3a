// Test equipment: runs the printer device side on the real Win32 platform layer, printing what a
// user would get, and installs and removes the test printers, for the Linux-side script.
//   printer_probe list                       one "id<TAB>label" line per device
//   printer_probe time-list <n>              n fresh listings: the microseconds of each, a line
//   each printer_probe serial|spooler <hex id> <file>
//       PrintToSerialPort or PrintToWindowsPrinter of the file's bytes: "ok" or "error<TAB>message"
//   printer_probe driver <driver> <ppd file>       installs a wineps.drv driver with that PPD
//   printer_probe add <hex name> <driver> <port>   adds a RAW printer (replacing one of that name)
//   printer_probe delete <hex name>
// Ids and names are hex-encoded UTF-8 so that the command line's code page plays no part. Exit
// status 0 unless the command is malformed (2) or setting up failed (1, with the Windows error).
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "printer/device_discovery.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "printer/text_conversion.h"
#include "printer/win32/dos_devices_win32.h"
#include "printer/win32/serial_port_win32.h"
#include "printer/win32/spooler_win32.h"

namespace {

std::string FromHex(const char* hex) {
  std::string out;
  for (std::size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
  }
  return out;
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

void Out(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

int Fail(const char* what) {
  std::fprintf(stderr, "%s failed: error %lu\n", what, ::GetLastError());
  return 1;
}

int InstallDriver(std::wstring driver, std::wstring ppd) {
  std::wstring module = L"wineps.drv", datatype = L"RAW";
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = driver.data();
  info.pDriverPath = info.pConfigFile = module.data();
  info.pDataFile = ppd.data();
  info.pDefaultDataType = datatype.data();
  if (::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_FROM_DIRECTORY) ||
      ::GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    return 0;
  }
  return Fail("AddPrinterDriverExW");
}

bool DeletePrinterNamed(std::wstring name) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(name.data(), &printer, &defaults)) return false;
  const BOOL deleted = ::DeletePrinter(printer);
  ::ClosePrinter(printer);
  return deleted != FALSE;
}

int AddTestPrinter(std::wstring name, std::wstring driver, std::wstring port) {
  DeletePrinterNamed(name);  // left over from an interrupted run
  std::wstring processor = L"WinPrint", datatype = L"RAW";
  DEVMODEW mode = {};  // wineps.drv needs one
  std::copy_n(name.begin(), std::min<std::size_t>(name.size(), CCHDEVICENAME - 1),
              mode.dmDeviceName);
  mode.dmSpecVersion = DM_SPECVERSION;
  mode.dmSize = sizeof(mode);
  PRINTER_INFO_2W info = {};
  info.pPrinterName = name.data();
  info.pPortName = port.data();
  info.pDriverName = driver.data();
  info.pPrintProcessor = processor.data();
  info.pDatatype = datatype.data();
  info.pDevMode = &mode;
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (printer == nullptr) return Fail("AddPrinterW");
  ::ClosePrinter(printer);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 bytes and "\n" unchanged
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "list" && argc == 2) {
    Win32Spooler spooler;
    Win32DosDevices dos_devices;
    for (const PrinterDevice& device : ListDevices(spooler, dos_devices)) {
      Out(device.id + "\t" + device.name + "\n");
    }
    return 0;
  }
  if (command == "time-list" && argc == 3) {
    Win32Spooler spooler;
    Win32DosDevices dos_devices;
    const int count = std::clamp(std::atoi(argv[2]), 1, 100000);
    for (int i = 0; i < count; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const std::vector<PrinterDevice> devices = ListDevices(spooler, dos_devices);
      const auto elapsed = std::chrono::steady_clock::now() - start;
      if (devices.empty()) return 1;
      Out(std::to_string(std::chrono::duration<double, std::micro>(elapsed).count()) + "\n");
    }
    return 0;
  }
  if ((command == "serial" || command == "spooler") && argc == 4) {
    std::ifstream file(argv[3], std::ios::binary);
    const std::vector<std::uint8_t> ticket((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    Win32SerialPort port;
    Win32Spooler spooler;
    try {
      command == "serial" ? PrintToSerialPort(port, FromHex(argv[2]), ticket)
                          : PrintToWindowsPrinter(spooler, FromHex(argv[2]), ticket);
      Out("ok\n");
    } catch (const std::runtime_error& e) {
      Out(std::string("error\t") + e.what() + "\n");
    }
    return 0;
  }
  if (command == "driver" && argc == 4) return InstallDriver(Wide(argv[2]), Wide(argv[3]));
  if (command == "add" && argc == 5) {
    return AddTestPrinter(Wide(FromHex(argv[2])), Wide(argv[3]), Wide(argv[4]));
  }
  if (command == "delete" && argc == 3) {
    return DeletePrinterNamed(Wide(FromHex(argv[2]))) ? 0 : Fail("DeletePrinter");
  }
  std::fprintf(
      stderr,
      "usage: printer_probe list | serial|spooler <hex id> <file> | driver|add|delete ...\n");
  return 2;
}
