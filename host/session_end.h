// The end of the Windows session (a shutdown, a restart, a log-off) while a printer operation
// runs: the ticket being sent is finished, not cut off when Windows ends the process. Windows is
// told why the program needs a moment; the end itself is never refused.
// Owner: the host window. Thread: the window's thread, from its message handling. With no
// operation running it does nothing at all.
#ifndef QUENBREL_HOST_SESSION_END_H_
#define QUENBREL_HOST_SESSION_END_H_

#include <memory>

#include "host/shutdown_block_reason.h"

class SessionEnd {
 public:
  explicit SessionEnd(std::unique_ptr<ShutdownBlockReason> reason);

  // Windows asks whether the session may end (WM_QUERYENDSESSION): gives the reason while an
  // operation runs. The answer stays the window's usual one.
  void OnQuery();

  // The session ends (|ending|) or its end was cancelled (WM_ENDSESSION). Ending, a running
  // operation is waited for, as long as the program waits for one at its exit; then, or at once
  // when cancelled, the reason is withdrawn.
  void OnEnd(bool ending);

 private:
  void Give();

  std::unique_ptr<ShutdownBlockReason> reason_;
  bool given_ = false;
};

#endif  // QUENBREL_HOST_SESSION_END_H_
