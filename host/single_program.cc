#include "host/single_program.h"

namespace {

// "Local\": the namespace of the session the process runs in.
constexpr wchar_t kMutexName[] = L"Local\\Quenbrel.Program";

}  // namespace

SingleProgram::SingleProgram() {
  SetLastError(ERROR_SUCCESS);
  mutex_ = CreateMutexW(nullptr, FALSE, kMutexName);
  const DWORD error = GetLastError();
  // Refused access: it exists, made by a program that runs with other rights (as administrator).
  another_runs_ =
      error == ERROR_ALREADY_EXISTS || (mutex_ == nullptr && error == ERROR_ACCESS_DENIED);
}

SingleProgram::~SingleProgram() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

void SingleProgram::BringForward(const wchar_t* window_class, const wchar_t* title) {
  const HWND window = FindWindowW(window_class, title);
  if (window == nullptr || !IsWindowVisible(window)) return;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
}
