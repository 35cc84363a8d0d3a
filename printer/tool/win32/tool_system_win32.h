// The ToolSystem on Windows: files and folders, the local clock, RtlGetVersion, the shell's desktop
// folder and %LOCALAPPDATA%. Stateless.
#ifndef QUENBREL_PRINTER_TOOL_WIN32_TOOL_SYSTEM_WIN32_H_
#define QUENBREL_PRINTER_TOOL_WIN32_TOOL_SYSTEM_WIN32_H_

#include "printer/tool/tool_system.h"

class Win32ToolSystem final : public ToolSystem {
 public:
  FileRead ReadRegularFile(const std::string& path, std::size_t limit,
                           std::vector<std::uint8_t>* bytes) override;
  std::optional<std::string> ReadFileEnd(const std::string& path, std::size_t limit) override;
  FileCreated CreateNewFile(const std::string& path, const std::string& text) override;
  std::vector<FileEntry> ListFiles(const std::string& folder) override;
  LocalTime Now() override;
  std::string ToolVersion() override;
  std::string WindowsVersion() override;
  std::string DesktopFolder() override;
  ProgramTraces Traces() override;
};

#endif  // QUENBREL_PRINTER_TOOL_WIN32_TOOL_SYSTEM_WIN32_H_
