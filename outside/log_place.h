// Where the program leaves what support reads: its log, when it has nowhere else to write it, and
// the evidence of its crashes, in folders under the one that %LOCALAPPDATA% names. The support
// tool's report reads them there too.
#ifndef QUENBREL_OUTSIDE_LOG_PLACE_H_
#define QUENBREL_OUTSIDE_LOG_PLACE_H_

#include <cstddef>
#include <cstdint>

inline constexpr wchar_t kLogBaseVariable[] = L"LOCALAPPDATA";
inline constexpr wchar_t kLogAppFolder[] = L"Quenbrel";
inline constexpr wchar_t kLogFolder[] = L"Quenbrel\\logs";
inline constexpr wchar_t kLogFile[] = L"Quenbrel\\logs\\quenbrel.log";
// A log over kLogTurnoverBytes becomes the old log, replacing the one before: at start-up, and
// while the program runs.
inline constexpr wchar_t kOldLogFile[] = L"Quenbrel\\logs\\quenbrel.1.log";
inline constexpr std::uint64_t kLogTurnoverBytes = 1024 * 1024;

// A crash leaves a minidump here, named kCrashDumpPrefix, the local date and time
// (YYYYMMDD-HHMMSS), the process id and ".dmp"; only the newest kKeptCrashDumps are kept.
inline constexpr wchar_t kCrashFolder[] = L"Quenbrel\\crashes";
inline constexpr wchar_t kCrashDumpPrefix[] = L"quenbrel-";
inline constexpr std::size_t kKeptCrashDumps = 5;
// ...and one log line that starts with this.
inline constexpr char kCrashLinePrefix[] = "Crash: ";

#endif  // QUENBREL_OUTSIDE_LOG_PLACE_H_
