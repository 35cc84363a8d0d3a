// The ComPortRecords on Windows: the Ports class's device records through SetupAPI, and the paired
// Bluetooth devices' names from the Bluetooth service's own records in the registry. Stateless.
#ifndef QUENBREL_PRINTER_TOOL_WIN32_COM_PORT_RECORDS_WIN32_H_
#define QUENBREL_PRINTER_TOOL_WIN32_COM_PORT_RECORDS_WIN32_H_

#include "printer/tool/com_port_records.h"

class Win32ComPortRecords final : public ComPortRecords {
 public:
  std::vector<ComPortRecord> ListComPorts() override;
  std::optional<std::string> PairedDeviceName(const std::string& address) override;
};

#endif  // QUENBREL_PRINTER_TOOL_WIN32_COM_PORT_RECORDS_WIN32_H_
