#include "printer/tool/win32/tool_system_win32.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <exception>

#include "outside/log_place.h"
#include "printer/text_conversion.h"
#include "printer/win32/wide_string_win32.h"
#include "quenbrel_version.h"

namespace {

// An open file, closed with its owner.
class File {
 public:
  File(const std::string& path, DWORD access, DWORD disposition,
       DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    try {
      const std::wstring wide = ToWide(Utf8ToUtf16(path));
      // Sharing deletion too: the program may turn its log over while the report reads it.
      handle_ = ::CreateFileW(wide.c_str(), access,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              disposition, flags, nullptr);
      error_ = is_open() ? ERROR_SUCCESS : ::GetLastError();
    } catch (const std::exception&) {
      handle_ = INVALID_HANDLE_VALUE;  // not a name Windows could open
      error_ = ERROR_INVALID_NAME;
    }
  }
  ~File() {
    if (is_open()) ::CloseHandle(handle_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  DWORD error() const { return error_; }  // why it did not open

  // Reads until `count` bytes or the end; false when a read fails.
  bool Read(std::size_t count, std::string* out) {
    out->resize(count);
    std::size_t done = 0;
    while (done < count) {
      DWORD got = 0;
      const auto piece = static_cast<DWORD>(std::min<std::size_t>(count - done, 1 << 20));
      if (!::ReadFile(handle_, &(*out)[done], piece, &got, nullptr)) return false;
      if (got == 0) break;
      done += got;
    }
    out->resize(done);
    return true;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD error_ = ERROR_SUCCESS;
};

std::string Utf8(const wchar_t* text) { return Utf16ToUtf8(FromWide(text)); }

LocalTime LocalTimeOf(const SYSTEMTIME& t) {
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute};
}

}  // namespace

FileRead Win32ToolSystem::ReadRegularFile(const std::string& path, std::size_t limit,
                                          std::vector<std::uint8_t>* bytes) {
  // Asked by name first: a device (COM5, say) is never opened, where a read could block.
  WIN32_FILE_ATTRIBUTE_DATA data;
  std::wstring wide;
  try {
    wide = ToWide(Utf8ToUtf16(path));
  } catch (const std::exception&) {
    return FileRead::kUnreadable;
  }
  if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return FileRead::kUnreadable;
  }
  File file(path, GENERIC_READ, OPEN_EXISTING);
  LARGE_INTEGER size;
  if (!file.is_open() || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
      !::GetFileSizeEx(file.get(), &size)) {
    return FileRead::kUnreadable;
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > limit) return FileRead::kTooBig;
  std::string read;
  if (!file.Read(limit + 1, &read)) return FileRead::kUnreadable;
  bytes->assign(read.begin(), read.end());
  return FileRead::kRead;
}

std::optional<std::string> Win32ToolSystem::ReadFileEnd(const std::string& path,
                                                        std::size_t limit) {
  File file(path, GENERIC_READ, OPEN_EXISTING);
  LARGE_INTEGER size;
  if (!file.is_open() || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
      !::GetFileSizeEx(file.get(), &size)) {
    return std::nullopt;
  }
  LARGE_INTEGER start;
  start.QuadPart = std::max<LONGLONG>(0, size.QuadPart - static_cast<LONGLONG>(limit));
  std::string text;
  if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) || !file.Read(limit, &text)) {
    return std::nullopt;
  }
  return text;
}

FileCreated Win32ToolSystem::CreateNewFile(const std::string& path, const std::string& text) {
  // CREATE_NEW fails on any name that is there; FILE_FLAG_OPEN_REPARSE_POINT keeps it from
  // following a link, even one that leads nowhere.
  File file(path, GENERIC_WRITE | DELETE, CREATE_NEW,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
  if (!file.is_open()) {
    if (file.error() != ERROR_FILE_EXISTS && file.error() != ERROR_ALREADY_EXISTS) {
      return FileCreated::kFailed;
    }
    // The name's own attributes: a link's are not its target's. A name gone meanwhile is taken.
    const DWORD attributes = ::GetFileAttributesW(ToWide(Utf8ToUtf16(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
               ? FileCreated::kLink
               : FileCreated::kTaken;
  }
  DWORD written = 0;
  if (::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
      written == text.size()) {
    return FileCreated::kCreated;
  }
  FILE_DISPOSITION_INFO gone = {TRUE};  // no half report is left behind
  ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &gone, sizeof gone);
  return FileCreated::kFailed;
}

std::vector<FileEntry> Win32ToolSystem::ListFiles(const std::string& folder) {
  std::vector<FileEntry> files;
  WIN32_FIND_DATAW found;
  HANDLE search = INVALID_HANDLE_VALUE;
  try {
    search = ::FindFirstFileW(ToWide(Utf8ToUtf16(folder + "\\*")).c_str(), &found);
  } catch (const std::exception&) {
    return files;  // not a name Windows could open
  }
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    FILETIME local;
    SYSTEMTIME modified;
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ||
        !::FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) ||
        !::FileTimeToSystemTime(&local, &modified)) {
      continue;
    }
    files.push_back({Utf8(found.cFileName), LocalTimeOf(modified),
                     std::uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return files;
}

LocalTime Win32ToolSystem::Now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return LocalTimeOf(t);
}

std::string Win32ToolSystem::ToolVersion() { return QUENBREL_VERSION_TEXT; }

std::string Win32ToolSystem::WindowsVersion() {
  // RtlGetVersion tells the truth; GetVersionExW answers what the manifest claims.
  using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto get_version = reinterpret_cast<RtlGetVersion>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (get_version == nullptr || get_version(&info) != 0) return "?";
  return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
         std::to_string(info.dwBuildNumber);
}

std::string Win32ToolSystem::DesktopFolder() {
  wchar_t* folder = nullptr;
  std::string desktop;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &folder))) {
    desktop = Utf8(folder);
  }
  ::CoTaskMemFree(folder);
  return desktop;
}

ProgramTraces Win32ToolSystem::Traces() {
  wchar_t base[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableW(kLogBaseVariable, base, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const std::string root = Utf8(base) + "\\";
  return {root + Utf8(kLogFile), root + Utf8(kOldLogFile), root + Utf8(kCrashFolder)};
}
