// Test equipment: the Windows side of the Wine rig. Installs and removes the test printers (whose
// port is a file), shows a ticket's job as the spooler holds it, records COM ports' devices as
// Windows keeps them (Wine keeps none), and times discovery for the benchmark.
//   printer_rig driver <driver> <ppd file>       installs a wineps.drv driver with that PPD
//   printer_rig add <hex name> <driver> <port>   adds a RAW printer (replacing one of that name)
//   printer_rig delete <hex name>
//   printer_rig offline <hex name> 1|0           sets or clears "use the printer offline"
//   printer_rig job <hex name>                   prints a one-byte ticket with the product's
//   spooler
//                                                transport and, while its page is open, lists the
//                                                printer's jobs: "document<TAB>data type" a line
//   printer_rig port-record <id> <port>          records a device of the Ports class with that
//                                                instance id and PortName
//   printer_rig paired <address> <hex name>      records a paired Bluetooth device's name as the
//                                                Bluetooth service keeps it
//   printer_rig forget-ports                     removes every Ports device and paired name
//   printer_rig time-list <n>                    n fresh listings: the microseconds of each, a line
//   printer_rig time-thread <n>                  n bare CreateThread and join: the microseconds of
//                                                each, a line
// Names are hex-encoded UTF-8 so that the command line's code page plays no part. Exit status 0
// unless the command is malformed (2) or a Windows call failed (1, with the Windows error).
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// windows.h first.
#include <setupapi.h>
#include <winspool.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "printer/device_discovery.h"
#include "printer/spooler_transport.h"
#include "printer/text_conversion.h"
#include "printer/win32/dos_devices_win32.h"
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

// Opens |name| for administration, runs |action| on it and closes it; false when a call failed.
template <typename Action>
bool WithPrinter(std::wstring name, Action action) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(name.data(), &printer, &defaults)) return false;
  const bool done = action(printer);
  ::ClosePrinter(printer);
  return done;
}

bool DeletePrinterNamed(std::wstring name) {
  return WithPrinter(name, [](HANDLE printer) { return ::DeletePrinter(printer) != FALSE; });
}

// Sets or clears the printer's "work offline" attribute, the one state Wine lets a test set.
bool SetWorkOffline(std::wstring name, bool offline) {
  return WithPrinter(name, [offline](HANDLE printer) {
    DWORD needed = 0;
    ::GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !::GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return false;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    info->Attributes = offline ? info->Attributes | PRINTER_ATTRIBUTE_WORK_OFFLINE
                               : info->Attributes & ~PRINTER_ATTRIBUTE_WORK_OFFLINE;
    info->pSecurityDescriptor = nullptr;  // left as it is
    return ::SetPrinterW(printer, 2, buffer.data(), 0) != FALSE;
  });
}

// The Windows spooler, listing the jobs of the printer before each page ends. (Wine fails
// EnumJobsW, and its GetJobW leaves the data type out: it answers null.)
class JobListingSpooler final : public Spooler {
 public:
  bool EnumeratePrinters(unsigned char* b, std::uint32_t s, std::uint32_t* n,
                         std::uint32_t* r) override {
    return real_.EnumeratePrinters(b, s, n, r);
  }
  std::optional<std::u16string> PrinterName(const unsigned char* b, std::uint32_t i) override {
    return real_.PrinterName(b, i);
  }
  bool Open(const std::u16string& name, PrinterHandle* h) override { return real_.Open(name, h); }
  bool StartDocument(PrinterHandle h, const PrintDocument& d) override {
    return real_.StartDocument(h, d);
  }
  bool StartPage(PrinterHandle h) override { return real_.StartPage(h); }
  bool WritePrinter(PrinterHandle h, const unsigned char* data, std::uint32_t count,
                    std::uint32_t* written) override {
    return real_.WritePrinter(h, data, count, written);
  }
  bool EndPage(PrinterHandle h) override {
    const HANDLE printer = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(h));
    for (DWORD id = 1; id < 1000; ++id) {
      BYTE buffer[4096];
      DWORD needed = 0;
      if (!::GetJobW(printer, id, 1, buffer, sizeof(buffer), &needed)) continue;
      const auto* job = reinterpret_cast<const JOB_INFO_1W*>(buffer);
      auto utf8 = [](const wchar_t* text) {
        return text ? Utf16ToUtf8(std::u16string(text, text + wcslen(text))) : "(null)";
      };
      Out(utf8(job->pDocument) + "\t" + utf8(job->pDatatype) + "\n");
      listed_ = true;
    }
    return real_.EndPage(h);
  }
  bool EndDocument(PrinterHandle h) override { return real_.EndDocument(h); }
  void AbortPrinter(PrinterHandle h) override { real_.AbortPrinter(h); }
  void ClosePrinter(PrinterHandle h) override { real_.ClosePrinter(h); }
  bool listed() const { return listed_; }

 private:
  Win32Spooler real_;
  bool listed_ = false;
};

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

// GUID_DEVCLASS_PORTS.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr wchar_t kPairedDevices[] =
    L"SYSTEM\\CurrentControlSet\\Services\\BTHPORT\\Parameters\\Devices";

int RecordPort(std::wstring id, std::wstring port) {
  HDEVINFO list = ::SetupDiCreateDeviceInfoList(&kPortsClass, nullptr);
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  HKEY key = static_cast<HKEY>(INVALID_HANDLE_VALUE);
  const bool done =
      ::SetupDiCreateDeviceInfoW(list, id.c_str(), &kPortsClass, nullptr, nullptr, 0, &device) &&
      ::SetupDiRegisterDeviceInfo(list, &device, 0, nullptr, nullptr, nullptr) &&
      (key = ::SetupDiCreateDevRegKeyW(list, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr,
                                       nullptr)) != INVALID_HANDLE_VALUE &&
      ::RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                       static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  if (key != INVALID_HANDLE_VALUE) ::RegCloseKey(key);
  ::SetupDiDestroyDeviceInfoList(list);
  return done ? 0 : Fail("a Ports device record");
}

int RecordPairedName(const std::wstring& address, const std::string& name) {
  const std::wstring key = std::wstring(kPairedDevices) + L"\\" + address;
  return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Name", REG_BINARY, name.data(),
                           static_cast<DWORD>(name.size())) == ERROR_SUCCESS
             ? 0
             : Fail("RegSetKeyValueW");
}

int ForgetPorts() {
  HDEVINFO list = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, 0);
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  for (DWORD i = 0; ::SetupDiEnumDeviceInfo(list, i, &device); ++i) {
    ::SetupDiRemoveDevice(list, &device);
  }
  ::SetupDiDestroyDeviceInfoList(list);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPairedDevices);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 bytes and "\n" unchanged
  const std::string command = argc > 1 ? argv[1] : "";
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
  if (command == "time-thread" && argc == 3) {
    const int count = std::clamp(std::atoi(argv[2]), 1, 100000);
    for (int i = 0; i < count; ++i) {
      const auto start = std::chrono::steady_clock::now();
      HANDLE thread = ::CreateThread(
          nullptr, 0, [](void*) -> DWORD { return 0; }, nullptr, 0, nullptr);
      if (thread == nullptr) return Fail("CreateThread");
      ::WaitForSingleObject(thread, INFINITE);
      ::CloseHandle(thread);
      const auto elapsed = std::chrono::steady_clock::now() - start;
      Out(std::to_string(std::chrono::duration<double, std::micro>(elapsed).count()) + "\n");
    }
    return 0;
  }
  if (command == "job" && argc == 3) {
    JobListingSpooler spooler;
    PrintToWindowsPrinter(spooler, "printer:" + FromHex(argv[2]), {0x0A});
    return spooler.listed() ? 0 : Fail("GetJobW");
  }
  if (command == "driver" && argc == 4) return InstallDriver(Wide(argv[2]), Wide(argv[3]));
  if (command == "add" && argc == 5) {
    return AddTestPrinter(Wide(FromHex(argv[2])), Wide(argv[3]), Wide(argv[4]));
  }
  if (command == "offline" && argc == 4) {
    return SetWorkOffline(Wide(FromHex(argv[2])), argv[3][0] == '1') ? 0 : Fail("SetPrinterW");
  }
  if (command == "port-record" && argc == 4) return RecordPort(Wide(argv[2]), Wide(argv[3]));
  if (command == "paired" && argc == 4) return RecordPairedName(Wide(argv[2]), FromHex(argv[3]));
  if (command == "forget-ports" && argc == 2) return ForgetPorts();
  if (command == "delete" && argc == 3) {
    return DeletePrinterNamed(Wide(FromHex(argv[2]))) ? 0 : Fail("DeletePrinter");
  }
  std::fprintf(stderr,
               "usage: printer_rig driver|add|offline|delete|job|port-record|paired|forget-ports|"
               "time-list|time-thread ... (see the source)\n");
  return 2;
}
