#include "printer/tool/win32/port_settings_win32.h"

#include <windows.h>
#include <winspool.h>
// XcvDataW: declared here by the Windows SDK (MinGW declares it in winspool.h too).
#include <winsplp.h>

#include "printer/win32/owned_handle_win32.h"
#include "printer/win32/wide_string_win32.h"

namespace {

// The monitor's answer to "GetConfigInfo": PORT_DATA_1 of the driver kit's tcpxcv.h, laid out here
// as it documents it (the header is not the SDK's).
struct PortData1 {
  WCHAR sztPortName[64];
  DWORD dwVersion;
  DWORD dwProtocol;
  DWORD cbSize;
  DWORD dwReserved;
  WCHAR sztHostAddress[49];
  WCHAR sztSNMPCommunity[33];
  DWORD dwDoubleSpool;
  WCHAR sztQueue[33];
  WCHAR sztIPAddress[16];
  BYTE Reserved[540];
  DWORD dwPortNumber;
  DWORD dwSNMPEnabled;
  DWORD dwSNMPDevIndex;
};

// What "GetConfigInfo" takes: CONFIG_INFO_DATA_1, version 1.
struct ConfigInfoData1 {
  BYTE Reserved[128];
  DWORD dwVersion;
};

// A NUL-ended text of a fixed field, ended at the field's end if it is not.
template <std::size_t N>
std::u16string FieldText(const WCHAR (&field)[N]) {
  std::u16string text;
  for (std::size_t i = 0; i < N && field[i] != L'\0'; ++i) text.push_back(field[i]);
  return text;
}

std::optional<TcpIpPort> FromPortMonitor(const std::u16string& port) {
  // The port's monitor, through a transceiver handle; reading needs no administration right.
  const OwnedPrinter monitor = OpenPrinterNamed(L",XcvPort " + ToWide(port), SERVER_READ);
  if (!monitor) return std::nullopt;
  ConfigInfoData1 request = {};
  request.dwVersion = 1;
  PortData1 data = {};
  DWORD needed = 0, status = 0;
  // Another port's monitor refuses the name, or answers something else than version 1.
  if (!::XcvDataW(monitor.get(), L"GetConfigInfo", reinterpret_cast<BYTE*>(&request),
                  sizeof request, reinterpret_cast<BYTE*>(&data), sizeof data, &needed, &status) ||
      status != ERROR_SUCCESS || needed > sizeof data || data.dwVersion != 1) {
    return std::nullopt;
  }
  std::u16string host = FieldText(data.sztHostAddress);
  if (host.empty()) host = FieldText(data.sztIPAddress);
  return TcpIpPort{host, data.dwPortNumber, data.dwProtocol};
}

// An open registry key, closed with its owner.
class Key {
 public:
  explicit Key(const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      key_ = Own<CloseKey>(key);
    }
  }

  bool is_open() const { return key_ != nullptr; }
  // A string value; empty when there is none.
  std::u16string Text(const wchar_t* name) const {
    wchar_t text[256] = {};
    DWORD size = sizeof text;
    if (::RegGetValueW(key_.get(), nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS) {
      return u"";
    }
    return FromWide(text);
  }
  // A number; 0 when there is none.
  DWORD Number(const wchar_t* name) const {
    DWORD number = 0, size = sizeof number;
    if (::RegGetValueW(key_.get(), nullptr, name, RRF_RT_REG_DWORD, nullptr, &number, &size) !=
        ERROR_SUCCESS) {
      return 0;
    }
    return number;
  }

 private:
  OwnedKey key_;
};

std::optional<TcpIpPort> FromRegistry(const std::u16string& port) {
  const Key key(
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" +
      ToWide(port));
  if (!key.is_open()) return std::nullopt;
  std::u16string host = key.Text(L"HostName");
  if (host.empty()) host = key.Text(L"IPAddress");
  return TcpIpPort{host, key.Number(L"PortNumber"), key.Number(L"Protocol")};
}

}  // namespace

std::optional<TcpIpPort> Win32PortSettings::TcpIpSettings(const std::u16string& port) {
  // A name with a backslash would lead to another key (and is no port of that monitor).
  if (port.empty() || port.find(u'\\') != std::u16string::npos) return std::nullopt;
  if (std::optional<TcpIpPort> settings = FromPortMonitor(port)) return settings;
  return FromRegistry(port);
}
