// The top-level window's shutdown block reason, over USER32.
#ifndef QUENBREL_HOST_SHUTDOWN_BLOCK_REASON_WIN32_H_
#define QUENBREL_HOST_SHUTDOWN_BLOCK_REASON_WIN32_H_

#include <windows.h>

#include "host/shutdown_block_reason.h"

class Win32ShutdownBlockReason : public ShutdownBlockReason {
 public:
  // |window|: the program's top-level window, outliving this object.
  explicit Win32ShutdownBlockReason(HWND window) : window_(window) {}

  void Give(const wchar_t* text) override;
  void Withdraw() override;

 private:
  HWND window_;
};

#endif  // QUENBREL_HOST_SHUTDOWN_BLOCK_REASON_WIN32_H_
