#include "printer/tool/tool_commands.h"

#include <cstdint>
#include <exception>

#include "printer/device_id.h"
#include "printer/printer_bridge.h"
#include "printer/printer_error.h"
#include "printer/printer_messages.h"
#include "printer/printer_tasks.h"
#include "printer/serial_transport.h"
#include "printer/text_conversion.h"
#include "printer/tool/network_status.h"
#include "printer/tool/port_kind.h"
#include "printer/tool/report_file.h"
#include "printer/tool/support_report.h"
#include "printer/tool/test_ticket.h"
#include "printer/tool/tool_messages.h"

namespace {

constexpr std::uint32_t kStatusTimeoutMs = 500;
constexpr int kExitSuccess = ExitCodeOf(ToolOutcome::kSuccess);

int Fail(ToolOutput* output, const std::string& message, int code) {
  output->err += message + "\n";
  return code;
}

int Fail(ToolOutput* output, const std::string& message, ToolOutcome outcome) {
  return Fail(output, message, ExitCodeOf(outcome));
}

// Throws PrinterError(kDeviceGone) unless `id` is in a fresh enumeration, as "print" does.
void LookUp(ToolDevices& devices, const std::string& id) {
  for (const PrinterDevice& device : devices.services.ListDevices()) {
    if (device.id == id) return;
  }
  throw PrinterError(PrinterFailure::kDeviceGone);
}

// For a COM port, a tab and what the port is; nothing for a printer.
std::string PortKindColumn(ToolDevices& devices, const std::string& id) {
  try {
    const DeviceId device = ParseDeviceId(id);
    if (device.kind != DeviceKind::kSerial) return "";
    return "\t" + DescribeComPort(devices.port_records, Utf16ToUtf8(device.system_name)).text;
  } catch (const PrinterError&) {
    return "";  // a printer's name that Windows cannot take: listed all the same
  }
}

int Print(ToolDevices& devices, ToolSystem& system, const std::string& id, const std::string& path,
          ToolOutput* output) {
  std::vector<std::uint8_t> ticket;
  switch (system.ReadRegularFile(path, kMaxTicketBytes, &ticket)) {
    case FileRead::kUnreadable:
      return Fail(output, kUnreadableFileMessage, ToolOutcome::kFileUnreadable);
    case FileRead::kTooBig:
      return Fail(output, kTicketDataInvalidMessage, ToolOutcome::kTicketInvalid);
    case FileRead::kRead:
      break;
  }
  if (ticket.empty() || ticket.size() > kMaxTicketBytes) {
    return Fail(output, kTicketDataInvalidMessage, ToolOutcome::kTicketInvalid);
  }
  PrintTicket(devices.services, id, ticket);
  return kExitSuccess;
}

int Status(ToolDevices& devices, const std::string& id, ToolOutput* output) {
  LookUp(devices, id);
  const DeviceStatus status = StatusOf(devices, id);
  for (const std::string& line : status.lines) output->out += line + "\n";
  return ExitCodeOf(status.outcome);
}

int Clear(ToolDevices& devices, const std::string& id, ToolOutput* output) {
  LookUp(devices, id);
  const DeviceId device = ParseDeviceId(id);
  if (device.kind == DeviceKind::kSerial) {
    return Fail(output, kNoQueueMessage, ToolOutcome::kNoQueue);
  }
  const JobsCancelled jobs = devices.queue.CancelJobs(device.system_name);
  if (!jobs.opened) throw PrinterError(PrinterFailure::kPrinterUnavailable);
  if (!jobs.listed) return Fail(output, kQueueUnreadableMessage, ToolOutcome::kQueueNotCleared);
  output->out += kJobsCancelledLabel + std::to_string(jobs.cancelled) + "\n";
  if (jobs.refused != 0) return Fail(output, kJobsRefusedMessage, ToolOutcome::kQueueNotCleared);
  return kExitSuccess;
}

int Report(ToolDevices& devices, ToolSystem& system, const std::string& path, ToolOutput* output) {
  const ReportWritten written = WriteNewReport(system, path, SupportReport(devices, system));
  if (written.outcome == FileCreated::kLink) {
    return Fail(output, kReportLinkMessage + written.path, ToolOutcome::kReportNotWritten);
  }
  if (written.outcome != FileCreated::kCreated) {
    return Fail(output, kReportNotWrittenMessage + path, ToolOutcome::kReportNotWritten);
  }
  output->out += kReportWrittenLabel + written.path + "\n";
  return kExitSuccess;
}

int Run(const std::vector<std::string>& args, ToolDevices& devices, ToolSystem& system,
        ToolOutput* output) {
  const std::string command = args.empty() ? "" : args[0];
  const std::size_t count = args.size();
  if (command == "list" && count == 1) {
    for (const PrinterDevice& device : devices.services.ListDevices()) {
      output->out += device.id + "\t" + device.name + PortKindColumn(devices, device.id) + "\n";
    }
    return kExitSuccess;
  }
  if (command == "print" && count == 3) return Print(devices, system, args[1], args[2], output);
  if (command == "test" && count == 2) {
    PrintTicket(devices.services, args[1], TestTicket(args[1], system.Now()));
    return kExitSuccess;
  }
  if (command == "drawer" && count == 2) {
    PrintTicket(devices.services, args[1], DrawerPulse());
    output->out += std::string(kDrawerPulsedLine) + "\n";
    return kExitSuccess;
  }
  if (command == "status" && count == 2) return Status(devices, args[1], output);
  if (command == "clear" && count == 2) return Clear(devices, args[1], output);
  if (command == "report" && count <= 2) {
    const std::string path =
        count == 2 ? args[1] : DefaultReportPath(system.DesktopFolder(), system.Now());
    return Report(devices, system, path, output);
  }
  output->err += kUsageText;
  return ExitCodeOf(ToolOutcome::kUsage);
}

}  // namespace

DeviceStatus StatusOf(ToolDevices& devices, const std::string& id) {
  const DeviceId device = ParseDeviceId(id);
  if (device.kind == DeviceKind::kSerial) {
    const PortDescription port =
        DescribeComPort(devices.port_records, Utf16ToUtf8(device.system_name));
    // Nothing printed on an incoming port arrives: nothing is sent there.
    if (port.kind == PortKind::kIncomingBluetooth) {
      return {StatusOutcome::kIncomingPort, {port.text}};
    }
    const StatusAnswers answers = AskSerialStatus(devices.serial_port, id, kStatusTimeoutMs);
    DeviceStatus status =
        DecodeSerialStatus(answers.bytes, answers.unsent ? kRequestUnsentLine : kNoAnswerLine);
    status.lines.insert(status.lines.begin(), port.text);
    return status;
  }
  const std::optional<PrinterRecord> record = devices.queue.ReadRecord(device.system_name);
  if (!record) throw PrinterError(PrinterFailure::kPrinterUnavailable);
  return WithNetworkStatus(devices.tcp_ports, devices.network, record->port,
                           DescribePrinterRecord(*record));
}

int RunTool(const std::vector<std::string>& args, ToolDevices& devices, ToolSystem& system,
            ToolOutput* output) {
  try {
    return Run(args, devices, system, output);
  } catch (const PrinterError& e) {
    return Fail(output, e.what(), ExitCodeOf(e.kind()));
  } catch (const std::exception& e) {
    return Fail(output, e.what(), ToolOutcome::kOther);
  }
}
