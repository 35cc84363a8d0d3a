// Test equipment: installs and removes printers in the test prefix.
//   printer_setup driver <driver> <ppd file>       installs a wineps.drv driver with that PPD
//   printer_setup add <hex name> <driver> <port>   adds a RAW printer (replacing one of that name)
//   printer_setup delete <hex name>                deletes the printer
// Names are hex-encoded UTF-8. Exit status 0 on success, 1 on failure (with the Windows error).
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::wstring Wide(const std::string& utf8) {
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::wstring WideFromHex(const char* hex) {
  std::string utf8;
  for (std::size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
    utf8.push_back(static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
  }
  return Wide(utf8);
}

int Fail(const char* what) {
  std::fprintf(stderr, "%s failed: error %lu\n", what, ::GetLastError());
  return 1;
}

int InstallDriver(std::wstring driver, std::wstring ppd) {
  std::wstring module = L"wineps.drv";
  std::wstring config = L"wineps.drv";
  std::wstring datatype = L"RAW";
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = driver.data();
  info.pDriverPath = module.data();
  info.pDataFile = ppd.data();
  info.pConfigFile = config.data();
  info.pDefaultDataType = datatype.data();
  if (::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_FROM_DIRECTORY)) {
    return 0;
  }
  if (::GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) return 0;
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
  std::wstring processor = L"WinPrint";
  std::wstring datatype = L"RAW";
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
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "driver" && argc == 4) return InstallDriver(Wide(argv[2]), Wide(argv[3]));
  if (command == "add" && argc == 5) {
    return AddTestPrinter(WideFromHex(argv[2]), Wide(argv[3]), Wide(argv[4]));
  }
  if (command == "delete" && argc == 3) {
    return DeletePrinterNamed(WideFromHex(argv[2])) ? 0 : Fail("DeletePrinter");
  }
  std::fprintf(stderr, "usage: printer_setup driver|add|delete ...\n");
  return 2;
}
