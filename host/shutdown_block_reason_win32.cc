#include "host/shutdown_block_reason_win32.h"

void Win32ShutdownBlockReason::Give(const wchar_t* text) {
  ShutdownBlockReasonCreate(window_, text);
}

void Win32ShutdownBlockReason::Withdraw() { ShutdownBlockReasonDestroy(window_); }
