// What a COM port is, read from its device record: the outgoing Bluetooth port of a paired device
// (Windows connects to the printer: tickets go there), the incoming one (Windows waits for the
// printer to connect: nothing printed there arrives), another serial port, or a port Windows
// keeps no record of. Safe on any thread that may use the records.
#ifndef QUENBREL_PRINTER_TOOL_PORT_KIND_H_
#define QUENBREL_PRINTER_TOOL_PORT_KIND_H_

#include <string>

#include "printer/tool/com_port_records.h"

enum class PortKind {
  kOutgoingBluetooth,
  kIncomingBluetooth,
  kBluetooth,    // a Bluetooth port whose id carries no readable address
  kOtherSerial,  // a record, not a Bluetooth one (a USB adapter, a port on the board)
  kUnrecorded,   // no record of the Ports class has its name
};

struct PortIdentity {
  PortKind kind;
  std::string address;  // an outgoing port's paired device: 12 upper-case hex digits
};

// What the device instance id of a port says. A Bluetooth port's id (BTHENUM\...) ends with the
// paired device's address, "...&0&001122AABBCC_C00000000"; an incoming port's is all zeros.
// Pure.
PortIdentity DecodePortId(const std::string& device_id);

struct PortDescription {
  PortKind kind;
  std::string text;  // in French, as the tool shows it beside the port
};

// The port named `port` ("COM5"; any case) as the records tell it, with an outgoing port's paired
// device: its name (when Windows' record of it can be read) and address.
PortDescription DescribeComPort(ComPortRecords& records, const std::string& port);

#endif  // QUENBREL_PRINTER_TOOL_PORT_KIND_H_
