// Where a Windows printer's port leads on the network: the settings of a Standard TCP/IP port, as
// its port monitor keeps them. Implemented by Win32PortSettings
// (printer/tool/win32/port_settings_win32.h) and by fakes in tests. Nothing is kept between calls.
#ifndef QUENBREL_PRINTER_TOOL_PORT_SETTINGS_H_
#define QUENBREL_PRINTER_TOOL_PORT_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>

// The protocols of a Standard TCP/IP port.
inline constexpr std::uint32_t kRawPortProtocol =
    1;  // the bytes go as they are, to port 9100 or so
inline constexpr std::uint32_t kLprPortProtocol = 2;  // a print queue on the printer (RFC 1179)

struct TcpIpPort {
  std::u16string host;  // a name or an address, as it was entered; may be empty
  std::uint32_t port_number = 0;
  std::uint32_t protocol = 0;
};

class PortSettings {
 public:
  virtual ~PortSettings() = default;

  // The settings of the spooler's port `port` (as a printer's record names it) when it is a
  // Standard TCP/IP port; nullopt for any other port, or when they cannot be read.
  virtual std::optional<TcpIpPort> TcpIpSettings(const std::u16string& port) = 0;
};

#endif  // QUENBREL_PRINTER_TOOL_PORT_SETTINGS_H_
