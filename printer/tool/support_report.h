// The support report: one text a technician can ask a shop for.
#ifndef QUENBREL_PRINTER_TOOL_SUPPORT_REPORT_H_
#define QUENBREL_PRINTER_TOOL_SUPPORT_REPORT_H_

#include <string>

#include "printer/tool/tool_commands.h"
#include "printer/tool/tool_system.h"

// The tool's version, the Windows version, the date and time, every listed device with its status
// (or the message of what stopped the check), the program's newest crash dumps (name, date, size)
// and the crash lines of its log, and the last 200 lines of its log, across the old log and the
// log; UTF-8 with a byte-order mark and Windows line ends. Bounded in time: each device costs at
// most its time-outs.
std::string SupportReport(ToolDevices& devices, ToolSystem& system);

// "quenbrel-rapport-YYYYMMDD-HHMM.txt" in `folder` (none when empty).
std::string DefaultReportPath(const std::string& folder, const LocalTime& now);

#endif  // QUENBREL_PRINTER_TOOL_SUPPORT_REPORT_H_
