#include "printer/tool/support_report.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "outside/log_place.h"
#include "printer/tool/tool_messages.h"

namespace {

constexpr std::size_t kLogLines = 200;
constexpr std::size_t kLogBytes = 256 * 1024;  // 200 lines of any sane length
constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kEnd[] = "\r\n";

// The lines of `text`, without their line ends.
std::vector<std::string> Lines(const std::string& text) {
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
  return lines;
}

// The end of the old log, then of the log; nullopt when neither can be read.
std::optional<std::string> ReadLogs(ToolSystem& system, const ProgramTraces& traces) {
  std::optional<std::string> logs;
  for (const std::string& path : {traces.old_log, traces.log}) {
    std::optional<std::string> part =
        path.empty() ? std::nullopt : system.ReadFileEnd(path, kLogBytes);
    if (!part) continue;
    if (logs && !logs->empty() && logs->back() != '\n') *logs += '\n';
    logs = logs.value_or("") + *part;
  }
  return logs;
}

// The newest dumps, newest first (their names start with their date and time).
std::vector<FileEntry> NewestDumps(ToolSystem& system, const std::string& folder) {
  std::vector<FileEntry> dumps;
  for (FileEntry& file : folder.empty() ? std::vector<FileEntry>() : system.ListFiles(folder)) {
    const std::string& name = file.name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dmp") == 0) {
      dumps.push_back(std::move(file));
    }
  }
  std::sort(dumps.begin(), dumps.end(),
            [](const FileEntry& a, const FileEntry& b) { return a.name > b.name; });
  if (dumps.size() > kKeptCrashDumps) dumps.resize(kKeptCrashDumps);
  return dumps;
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

  const ProgramTraces traces = system.Traces();
  const std::optional<std::string> logs = ReadLogs(system, traces);
  const std::vector<std::string> logged = logs ? Lines(*logs) : std::vector<std::string>();
  line("");
  line(kReportCrashesTitle + traces.crash_folder);
  const std::vector<FileEntry> dumps = NewestDumps(system, traces.crash_folder);
  for (const FileEntry& dump : dumps) {
    line(dump.name + "\t" + DateText(dump.modified) + "\t" + std::to_string(dump.size) +
         kReportBytesUnit);
  }
  std::vector<std::string> crashes;
  for (const std::string& text : logged) {
    if (text.rfind(kCrashLinePrefix, 0) == 0) crashes.push_back(text);
  }
  const std::size_t skipped = crashes.size() - std::min(crashes.size(), kKeptCrashDumps);
  for (std::size_t i = skipped; i < crashes.size(); ++i) line(crashes[i]);
  if (dumps.empty() && crashes.empty()) line(kReportNoCrashLine);

  line("");
  line(kReportLogTitle + traces.log.substr(0, traces.log.rfind('\\')));
  if (!logs) line(kReportNoLogLine);
  const std::size_t first = logged.size() - std::min(logged.size(), kLogLines);
  for (std::size_t i = first; i < logged.size(); ++i) line(logged[i]);
  return report;
}

std::string DefaultReportPath(const std::string& folder, const LocalTime& t) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%04d%02d%02d-%02d%02d.txt", kReportFileName, t.year, t.month,
                t.day, t.hour, t.minute);
  return folder.empty() ? name : folder + "\\" + name;
}
