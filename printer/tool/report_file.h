// Where the support report goes: a new file, never one that is there already.
#ifndef QUENBREL_PRINTER_TOOL_REPORT_FILE_H_
#define QUENBREL_PRINTER_TOOL_REPORT_FILE_H_

#include <string>

#include "printer/tool/tool_system.h"

// The names tried after `path`: "NAME-2.EXT", "NAME-3.EXT", ... up to this number.
inline constexpr int kLastReportNumber = 100;

struct ReportWritten {
  FileCreated outcome;  // kTaken: every name was taken
  std::string path;     // the file written, or the name that is a link
};

// Writes `text` as a new file at `path` or, when that name is taken, at the first free numbered
// name. Never replaces a file and never writes through a link: a name that is a link ends it.
ReportWritten WriteNewReport(ToolSystem& system, const std::string& path, const std::string& text);

// `path` with "-`number`" before the extension of its last component: "r.txt" -> "r-2.txt".
std::string NumberedPath(const std::string& path, int number);

#endif  // QUENBREL_PRINTER_TOOL_REPORT_FILE_H_
