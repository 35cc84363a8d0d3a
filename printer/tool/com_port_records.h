// What Windows records of the machine's COM ports and of the Bluetooth devices paired with it, as
// the support tool tells the ports apart. Implemented by Win32ComPortRecords
// (printer/tool/win32/com_port_records_win32.h) and by fakes in tests. Nothing is kept between
// calls.
#ifndef QUENBREL_PRINTER_TOOL_COM_PORT_RECORDS_H_
#define QUENBREL_PRINTER_TOOL_COM_PORT_RECORDS_H_

#include <optional>
#include <string>
#include <vector>

// One COM port's device record (UTF-8).
struct ComPortRecord {
  std::string port;  // its PortName, "COM5"
  // Its device instance id: "BTHENUM\{00001101-...}_LOCALMFG&0002\7&...", say.
  std::string device_id;
};

class ComPortRecords {
 public:
  virtual ~ComPortRecords() = default;

  // The present devices of the Ports class that have a port name, in no order; none when they
  // cannot be listed.
  virtual std::vector<ComPortRecord> ListComPorts() = 0;
  // The name that the Bluetooth device at `address` (12 upper-case hex digits) gave when it was
  // paired, its bytes as Windows keeps them; nullopt when it cannot be read.
  virtual std::optional<std::string> PairedDeviceName(const std::string& address) = 0;
};

#endif  // QUENBREL_PRINTER_TOOL_COM_PORT_RECORDS_H_
