// The PortSettings on Windows: the Standard TCP/IP Port monitor's own configuration of the port
// (XcvData "GetConfigInfo" through winspool), or else the port's key in the registry, where that
// monitor keeps it. Stateless; safe on any thread.
#ifndef QUENBREL_PRINTER_TOOL_WIN32_PORT_SETTINGS_WIN32_H_
#define QUENBREL_PRINTER_TOOL_WIN32_PORT_SETTINGS_WIN32_H_

#include "printer/tool/port_settings.h"

class Win32PortSettings final : public PortSettings {
 public:
  std::optional<TcpIpPort> TcpIpSettings(const std::u16string& port) override;
};

#endif  // QUENBREL_PRINTER_TOOL_WIN32_PORT_SETTINGS_WIN32_H_
