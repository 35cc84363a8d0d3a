// What the support tool needs of the machine besides the printers: a ticket file, the clock, the
// Windows version, the desktop, the program's log files and crash dumps, and the report's file.
// Paths are UTF-8.
// Implemented by Win32ToolSystem (printer/tool/win32/tool_system_win32.h) and by fakes in tests.
#ifndef QUENBREL_PRINTER_TOOL_TOOL_SYSTEM_H_
#define QUENBREL_PRINTER_TOOL_TOOL_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// "dd/mm/yyyy hh:mm", as the shop reads a date.
inline std::string DateText(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute);
  return text;
}

enum class FileRead { kRead, kTooBig, kUnreadable };
enum class FileCreated { kCreated, kTaken, kLink, kFailed };

struct FileEntry {
  std::string name;
  LocalTime modified;
  std::uint64_t size = 0;
};

// Where the program leaves what support reads (outside/log_place.h); each empty when unknown.
struct ProgramTraces {
  std::string log, old_log, crash_folder;
};

class ToolSystem {
 public:
  virtual ~ToolSystem() = default;

  // Reads the file at `path` when it is a regular file: kTooBig, with nothing read, when its size
  // is over `limit`; kRead with at most `limit` + 1 bytes in *bytes (a file that grew after its
  // size was checked shows as too long); kUnreadable when it is no regular file or any call fails.
  // Never opens a device for reading.
  virtual FileRead ReadRegularFile(const std::string& path, std::size_t limit,
                                   std::vector<std::uint8_t>* bytes) = 0;
  // The last `limit` bytes of the file at `path` (all of a shorter one); nullopt when unreadable.
  virtual std::optional<std::string> ReadFileEnd(const std::string& path, std::size_t limit) = 0;
  // Makes a new file at `path` holding `text`, in one exclusive step that neither replaces nor
  // follows what the name is: kTaken when it is a file or folder, kLink when it is a symbolic link
  // or another reparse point, kFailed when the file cannot be made or written (none is left).
  virtual FileCreated CreateNewFile(const std::string& path, const std::string& text) = 0;
  // The regular files in `folder`, in no order; none when it cannot be read.
  virtual std::vector<FileEntry> ListFiles(const std::string& folder) = 0;

  // This tool's version, "1.0.0".
  virtual std::string ToolVersion() = 0;
  virtual LocalTime Now() = 0;
  // "10.0.19045": major, minor and build numbers, as Windows reports them.
  virtual std::string WindowsVersion() = 0;
  // The user's desktop folder; empty when Windows does not say.
  virtual std::string DesktopFolder() = 0;
  virtual ProgramTraces Traces() = 0;
};

#endif  // QUENBREL_PRINTER_TOOL_TOOL_SYSTEM_H_
