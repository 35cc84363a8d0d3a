// Where the program keeps its log when it has nowhere else to write it: paths under the folder
// that %LOCALAPPDATA% names. The support tool's report reads the log there too.
#ifndef QUENBREL_HOST_LOG_PLACE_H_
#define QUENBREL_HOST_LOG_PLACE_H_

#include <cstdint>

inline constexpr wchar_t kLogBaseVariable[] = L"LOCALAPPDATA";
inline constexpr wchar_t kLogAppFolder[] = L"Quenbrel";
inline constexpr wchar_t kLogFolder[] = L"Quenbrel\\logs";
inline constexpr wchar_t kLogFile[] = L"Quenbrel\\logs\\quenbrel.log";
// At start-up a log over kLogTurnoverBytes becomes the old log, replacing the one before.
inline constexpr wchar_t kOldLogFile[] = L"Quenbrel\\logs\\quenbrel.1.log";
inline constexpr std::uint64_t kLogTurnoverBytes = 1024 * 1024;

#endif  // QUENBREL_HOST_LOG_PLACE_H_
