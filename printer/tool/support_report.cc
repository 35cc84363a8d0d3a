#include "printer/tool/support_report.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

#include "printer/tool/tool_messages.h"

namespace {

constexpr std::size_t kLogLines = 200;
constexpr std::size_t kLogBytes = 256 * 1024;  // 200 lines of any sane length
constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kEnd[] = "\r\n";

// The last kLogLines lines of `text`, without their line ends.
std::vector<std::string> LastLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  if (lines.size() > kLogLines) lines.erase(lines.begin(), lines.end() - kLogLines);
  return lines;
}

}  // namespace

std::string SupportReport(ToolDevices& devices, ToolSystem& system) {
  std::string report = kBom;
  const auto line = [&report](const std::string& text) { report += text + kEnd; };
  line(kReportTitle);
  line(kReportToolLabel + system.ToolVersion());
  line(kReportWindowsLabel + system.WindowsVersion());
  line(kReportDateLabel + DateText(system.Now()));

  line("");
  line(kReportDevicesTitle);
  for (const PrinterDevice& device : devices.services.ListDevices()) {
    line(device.id + "\t" + device.name);
    try {
      for (const std::string& finding : StatusOf(devices, device.id).lines) line("  " + finding);
    } catch (const std::exception& e) {
      line(std::string("  ") + e.what());
    }
  }

  line("");
  const std::string log_path = system.LogFilePath();
  line(kReportLogTitle + log_path);
  const std::optional<std::string> log =
      log_path.empty() ? std::nullopt : system.ReadFileEnd(log_path, kLogBytes);
  if (!log) line(kReportNoLogLine);
  for (const std::string& logged : log ? LastLines(*log) : std::vector<std::string>()) {
    line(logged);
  }
  return report;
}

std::string DefaultReportPath(const std::string& folder, const LocalTime& t) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%04d%02d%02d-%02d%02d.txt", kReportFileName, t.year, t.month,
                t.day, t.hour, t.minute);
  return folder.empty() ? name : folder + "\\" + name;
}
