// What Windows shows the user about why this program holds the end of the session (a shutdown, a
// restart, a log-off) for a moment: the window's shutdown block reason.
#ifndef QUENBREL_HOST_SHUTDOWN_BLOCK_REASON_H_
#define QUENBREL_HOST_SHUTDOWN_BLOCK_REASON_H_

// Owner: the session-end handling, alone. Thread: the window's thread. Never throws; a reason that
// Windows will not take simply is not shown.
class ShutdownBlockReason {
 public:
  virtual ~ShutdownBlockReason() = default;

  // Gives |text| as the window's reason, replacing any given before.
  virtual void Give(const wchar_t* text) = 0;
  // Withdraws the window's reason, if it has one.
  virtual void Withdraw() = 0;
};

#endif  // QUENBREL_HOST_SHUTDOWN_BLOCK_REASON_H_
