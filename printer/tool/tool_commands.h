// The support tool's commands, on the devices and the machine it is given. Portable: the Windows
// program (quenbrel_printers.cc) passes the command line and prints what comes back; tests pass
// fakes.
#ifndef QUENBREL_PRINTER_TOOL_TOOL_COMMANDS_H_
#define QUENBREL_PRINTER_TOOL_TOOL_COMMANDS_H_

#include <string>
#include <vector>

#include "printer/platform/printer_queue.h"
#include "printer/platform/serial_port.h"
#include "printer/printer_services.h"
#include "printer/tool/com_port_records.h"
#include "printer/tool/device_status.h"
#include "printer/tool/network_link.h"
#include "printer/tool/port_settings.h"
#include "printer/tool/tool_outcomes.h"
#include "printer/tool/tool_system.h"

// The machine's printers as the tool reaches them. The references outlive the calls.
struct ToolDevices {
  PrinterServices& services;     // the app's own discovery and printing
  SerialPort& serial_port;       // status requests to serial printers
  PrinterQueue& queue;           // Windows printers' records and queues
  PortSettings& tcp_ports;       // where Windows printers' TCP/IP ports lead
  NetworkLink& network;          // status requests to network printers
  ComPortRecords& port_records;  // what each COM port is
};

struct ToolOutput {
  std::string out;  // what the command reports
  std::string err;  // its failure, in the app's words or the tool's own
};

// Runs one command line (the arguments after the program's name, UTF-8) and returns the exit
// code (tool_outcomes.h). A serial printer's status costs at most its time-outs (500 ms a request,
// 5 s a write); a network printer's, 2 s to connect and 500 ms a request.
int RunTool(const std::vector<std::string>& args, ToolDevices& devices, ToolSystem& system,
            ToolOutput* output);

// The state of the device `id`, as "status" reports it, without looking it up first. Throws
// PrinterError when the port or the printer cannot be reached.
DeviceStatus StatusOf(ToolDevices& devices, const std::string& id);

#endif  // QUENBREL_PRINTER_TOOL_TOOL_COMMANDS_H_
