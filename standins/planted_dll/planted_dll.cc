// Test equipment: planted beside a program under the name of a Windows DLL, as an attacker would
// leave it in a Downloads folder. Loaded, it says so on standard error and ends the process with
// code 86 at once, before the program can call what it does not export.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    static const char kLine[] = "planted DLL loaded\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kLine, sizeof kLine - 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), 86);
  }
  return TRUE;
}
