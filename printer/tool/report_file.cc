#include "printer/tool/report_file.h"

ReportWritten WriteNewReport(ToolSystem& system, const std::string& path, const std::string& text) {
  for (int number = 1; number <= kLastReportNumber; ++number) {
    const std::string name = number == 1 ? path : NumberedPath(path, number);
    const FileCreated outcome = system.CreateNewFile(name, text);
    if (outcome != FileCreated::kTaken) return {outcome, name};
  }
  return {FileCreated::kTaken, path};
}

std::string NumberedPath(const std::string& path, int number) {
  const std::size_t name = path.find_last_of("\\/") + 1;  // 0 when there is no folder
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name) dot = path.size();  // ".txt" is a name
  return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}
