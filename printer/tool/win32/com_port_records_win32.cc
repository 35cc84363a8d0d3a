#include "printer/tool/win32/com_port_records_win32.h"

#include <windows.h>
// windows.h first.
#include <cfgmgr32.h>
#include <setupapi.h>

#include "printer/text_conversion.h"
#include "printer/win32/owned_handle_win32.h"
#include "printer/win32/wide_string_win32.h"

namespace {

// GUID_DEVCLASS_PORTS, the class of COM and LPT ports.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// The Bluetooth service's record of each paired device, under its address: read straight from the
// registry, it needs neither the radio on nor the device in range (the Bluetooth API's
// BluetoothGetDeviceInfo needs an open radio), and no other DLL than advapi32.
constexpr wchar_t kPairedDevicesKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\BTHPORT\\Parameters\\Devices\\";
// Its Name value: the name the device gave, as UTF-8 bytes (at most 248), often NUL-ended.
constexpr DWORD kNameBytes = 256;

struct DestroyDeviceList {
  void operator()(HDEVINFO list) const { ::SetupDiDestroyDeviceInfoList(list); }
};

std::string Utf8(const wchar_t* text) { return Utf16ToUtf8(FromWide(text)); }

}  // namespace

std::vector<ComPortRecord> Win32ComPortRecords::ListComPorts() {
  std::vector<ComPortRecord> ports;
  const auto list =
      Own<DestroyDeviceList>(::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT));
  if (!list) return ports;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  for (DWORD i = 0; ::SetupDiEnumDeviceInfo(list.get(), i, &device); ++i) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (!::SetupDiGetDeviceInstanceIdW(list.get(), &device, id, MAX_DEVICE_ID_LEN + 1, nullptr)) {
      continue;
    }
    // The device's own key holds its PortName.
    const OwnedKey key = Own<CloseKey>(::SetupDiOpenDevRegKey(list.get(), &device, DICS_FLAG_GLOBAL,
                                                              0, DIREG_DEV, KEY_QUERY_VALUE));
    wchar_t port[64] = {};
    DWORD bytes = sizeof port;
    if (!key || ::RegGetValueW(key.get(), nullptr, L"PortName", RRF_RT_REG_SZ, nullptr, port,
                               &bytes) != ERROR_SUCCESS) {
      continue;
    }
    ports.push_back({Utf8(port), Utf8(id)});
  }
  return ports;
}

std::optional<std::string> Win32ComPortRecords::PairedDeviceName(const std::string& address) {
  const std::wstring key = kPairedDevicesKey + std::wstring(address.begin(), address.end());
  char name[kNameBytes];
  DWORD bytes = sizeof name;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Name", RRF_RT_REG_BINARY, nullptr, name,
                     &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(name, bytes);
}
