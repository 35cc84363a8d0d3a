#include "host/crash_handler.h"

#include <windows.h>
// After windows.h, which it needs.
#include <dbghelp.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <string>
#include <vector>

#include "outside/log_place.h"

namespace {

// What a crash without an exception is recorded as: the codes the runtime ends the process with.
constexpr DWORD kFatalAppExit = 0x40000015;             // STATUS_FATAL_APP_EXIT, after abort
constexpr DWORD kInvalidRuntimeParameter = 0xC0000417;  // STATUS_INVALID_CRUNTIME_PARAMETER
constexpr UINT kAbortExitCode = 3;                      // as abort() exits
constexpr int kMaxFrames = 32;
constexpr DWORD kFirstCrashWaitMs = 30000;  // a second crash waits this long for the first's end
constexpr ULONG kHandlerStack = 64 * 1024;  // kept free for the handler after a stack overflow
constexpr auto kDumpType = static_cast<MINIDUMP_TYPE>(
    MiniDumpWithIndirectlyReferencedMemory | MiniDumpWithUnloadedModules | MiniDumpWithThreadInfo);

using WriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                        PMINIDUMP_EXCEPTION_INFORMATION,
                                        PMINIDUMP_USER_STREAM_INFORMATION,
                                        PMINIDUMP_CALLBACK_INFORMATION);

// Text built in a buffer of fixed size; what does not fit is left out.
template <typename Char, size_t N>
class FixedText {
 public:
  FixedText& Add(const Char* text) {
    while (*text != 0 && size_ + 1 < N) chars_[size_++] = *text++;
    chars_[size_] = 0;
    return *this;
  }
  FixedText& AddNumber(unsigned long long value, unsigned base, int digits = 1) {
    Char reversed[24];
    int count = 0;
    do {
      reversed[count++] = static_cast<Char>("0123456789ABCDEF"[value % base]);
      value /= base;
    } while (value != 0 || count < digits);
    while (count > 0 && size_ + 1 < N) chars_[size_++] = reversed[--count];
    chars_[size_] = 0;
    return *this;
  }
  // UTF-8 of `text`, whole or not at all.
  FixedText& AddUtf8(const wchar_t* text) {
    static_assert(sizeof(Char) == 1, "UTF-8 goes into narrow text");
    const int written = WideCharToMultiByte(CP_UTF8, 0, text, -1, chars_ + size_,
                                            static_cast<int>(N - size_), nullptr, nullptr);
    if (written > 0) size_ += static_cast<size_t>(written) - 1;
    chars_[size_] = 0;
    return *this;
  }
  const Char* text() const { return chars_; }
  size_t size() const { return size_; }
  void Clear() { chars_[size_ = 0] = 0; }

 private:
  Char chars_[N] = {};
  size_t size_ = 0;
};

// Everything the handlers use, made ready at installation (static: a crash may come with the
// stack all but spent).
struct CrashPlace {
  WriteDumpFunction write_dump = nullptr;
  LPTOP_LEVEL_EXCEPTION_FILTER runtime_filter = nullptr;
  FixedText<wchar_t, MAX_PATH> app_folder, folder;  // empty: no place for dumps
  LONG dying_thread = 0;                            // the thread leaving the evidence
  FixedText<wchar_t, MAX_PATH> dump;
  FixedText<char, 4096> line;
} place;
// Apart from the rest, which they would pad to their alignment.
CONTEXT captured_context, walked_context;

// The module and offset of `address` ("flutter_windows.dll+0x1A2B"), or the bare address.
void AddLocation(FixedText<char, 4096>& line, DWORD64 address) {
  HMODULE module = nullptr;
  wchar_t path[MAX_PATH];
  if (GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(address), &module) &&
      GetModuleFileNameW(module, path, MAX_PATH) != 0) {
    const wchar_t* name = std::wcsrchr(path, L'\\');
    line.AddUtf8(name != nullptr ? name + 1 : path).Add("+0x");
    address -= reinterpret_cast<DWORD64>(module);
  } else {
    line.Add("0x");
  }
  line.AddNumber(address, 16);
}

// The frames of the calling thread's stack from `context` outwards, unwound by the tables that
// every x64 module carries, and never read outside the thread's stack.
void AddStack(FixedText<char, 4096>& line, CONTEXT& context) {
  ULONG_PTR low = 0, high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  for (int frame = 0; frame < kMaxFrames && context.Rip != 0; ++frame) {
    line.Add(" ");
    AddLocation(line, context.Rip);
    const DWORD64 stack = context.Rsp;
    if (stack < low || stack + 8 > high) break;
    DWORD64 base = 0;
    if (PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &base, nullptr)) {
      void* handler_data = nullptr;
      DWORD64 establisher = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, context.Rip, function, &context, &handler_data,
                       &establisher, nullptr);
    } else {  // a leaf function: the return address is on top of the stack
      context.Rip = *reinterpret_cast<const DWORD64*>(stack);
      context.Rsp += 8;
    }
    if (context.Rsp <= stack) break;  // no way out
  }
}

// The path of this crash's dump in place.dump: the folder, the prefix, the local date and time,
// the process id.
void NameDump() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  place.dump.Clear();
  place.dump.Add(place.folder.text()).Add(L"\\").Add(kCrashDumpPrefix);
  place.dump.AddNumber(t.wYear, 10, 4).AddNumber(t.wMonth, 10, 2).AddNumber(t.wDay, 10, 2);
  place.dump.Add(L"-").AddNumber(t.wHour, 10, 2).AddNumber(t.wMinute, 10, 2);
  place.dump.AddNumber(t.wSecond, 10, 2).Add(L"-").AddNumber(GetCurrentProcessId(), 10);
  place.dump.Add(L".dmp");
}

bool WriteDump(EXCEPTION_POINTERS* pointers) {
  CreateDirectoryW(place.app_folder.text(), nullptr);  // fail when they are there
  CreateDirectoryW(place.folder.text(), nullptr);
  const HANDLE file = CreateFileW(place.dump.text(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  MINIDUMP_EXCEPTION_INFORMATION exception = {GetCurrentThreadId(), pointers, FALSE};
  const bool written = place.write_dump(GetCurrentProcess(), GetCurrentProcessId(), file, kDumpType,
                                        &exception, nullptr, nullptr);
  CloseHandle(file);
  if (!written) DeleteFileW(place.dump.text());
  return written;
}

// Whether the calling thread is the one to leave the evidence: the first to crash. A crash inside
// the handler is not; nor is another thread's, which first gives the first one time to finish.
bool FirstToCrash() {
  const auto self = static_cast<LONG>(GetCurrentThreadId());
  const LONG first = InterlockedCompareExchange(&place.dying_thread, self, 0);
  if (first != 0 && first != self) Sleep(kFirstCrashWaitMs);
  return first == 0;
}

// The log line, then the dump: "Crash: WHAT[ CODE at WHERE]; stack: FRAMES; dump: PATH", where
// WHAT is null for an exception, which the record describes.
void LeaveEvidence(const char* what, EXCEPTION_POINTERS* pointers) {
  const bool can_dump = place.write_dump != nullptr && place.folder.size() != 0;
  if (can_dump) NameDump();
  FixedText<char, 4096>& line = place.line;
  line.Add(kCrashLinePrefix);
  if (what == nullptr) {
    line.Add("exception 0x").AddNumber(pointers->ExceptionRecord->ExceptionCode, 16, 8);
    line.Add(" at ");
    AddLocation(line, reinterpret_cast<DWORD64>(pointers->ExceptionRecord->ExceptionAddress));
  } else {
    line.Add(what);
  }
  line.Add("; stack:");
  walked_context = *pointers->ContextRecord;
  AddStack(line, walked_context);
  line.Add("; dump: ");
  if (can_dump) {
    line.AddUtf8(place.dump.text());
  } else {
    line.Add("none");
  }
  line.Add("\r\n");
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.text(), static_cast<DWORD>(line.size()), &written,
            nullptr);
  if (can_dump) WriteDump(pointers);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  // The runtime's filter first: it lets a C++ exception that nothing catches go on to
  // std::terminate, which leaves the evidence.
  if (place.runtime_filter != nullptr &&
      place.runtime_filter(pointers) == EXCEPTION_CONTINUE_EXECUTION) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  if (FirstToCrash()) LeaveEvidence(nullptr, pointers);
  return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception's code
}

// Leaves the evidence of a crash that raised no exception, recorded as `code` where the handler
// was called, and ends the process with `exit_code`.
[[noreturn]] void DieHere(const char* what, DWORD code, UINT exit_code) {
  if (FirstToCrash()) {
    RtlCaptureContext(&captured_context);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = code;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = reinterpret_cast<void*>(captured_context.Rip);
    EXCEPTION_POINTERS pointers = {&record, &captured_context};
    LeaveEvidence(what, &pointers);
  }
  TerminateProcess(GetCurrentProcess(), exit_code);
  std::_Exit(static_cast<int>(exit_code));
}

void OnTerminate() { DieHere("std::terminate", kFatalAppExit, kAbortExitCode); }
void OnAbortSignal(int) { DieHere("abort", kFatalAppExit, kAbortExitCode); }
void OnPureCall() { DieHere("pure virtual call", kFatalAppExit, kAbortExitCode); }
void OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
  DieHere("invalid parameter", kInvalidRuntimeParameter, kInvalidRuntimeParameter);
}

// The folders of the dumps in place; false when there is no place for them.
bool PreparePlace() {
  wchar_t base[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(kLogBaseVariable, base, MAX_PATH);
  if (length == 0 || length + std::wcslen(kCrashFolder) + 40 >= MAX_PATH) return false;
  place.app_folder.Add(base).Add(L"\\").Add(kLogAppFolder);
  place.folder.Add(base).Add(L"\\").Add(kCrashFolder);
  return true;
}

// Deletes the oldest dumps, leaving room for one more among the newest kKeptCrashDumps.
void PruneDumps() {
  const std::wstring folder = std::wstring(place.folder.text()) + L"\\";
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + kCrashDumpPrefix + L"*.dmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());  // the oldest first: their names start with the time
  for (size_t i = 0; i + kKeptCrashDumps - 1 < names.size(); ++i) {
    DeleteFileW((folder + names[i]).c_str());
  }
}

}  // namespace

void InstallCrashHandlers() {
  if (PreparePlace()) {
    PruneDumps();
    if (const HMODULE dbghelp =
            LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
      place.write_dump = reinterpret_cast<WriteDumpFunction>(
          reinterpret_cast<void (*)()>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    }
  }
  ULONG stack = kHandlerStack;
  SetThreadStackGuarantee(&stack);
  place.runtime_filter = SetUnhandledExceptionFilter(OnUnhandledException);
  std::set_terminate(OnTerminate);
  std::signal(SIGABRT, OnAbortSignal);
  _set_purecall_handler(OnPureCall);
  _set_invalid_parameter_handler(OnInvalidParameter);
}
