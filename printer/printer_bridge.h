// The "quenbrel/printer" channel: "list", "print" and "settings", one operation at a time, run on a
// worker thread and answered on the window's thread.
#ifndef QUENBREL_PRINTER_PRINTER_BRIDGE_H_
#define QUENBREL_PRINTER_PRINTER_BRIDGE_H_

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "channel/binary_messenger.h"
#include "channel/encodable_value.h"
#include "channel/method_call.h"
#include "channel/method_channel.h"
#include "channel/method_result.h"
#include "printer/platform/shell.h"
#include "printer/platform/thread_starter.h"
#include "printer/platform/window_handle.h"
#include "printer/platform/window_poster.h"
#include "printer/printer_services.h"

// The private message that wakes the window's thread when an operation has finished (WM_APP +
// 0x5A). Posted with wParam 0 and lParam 0; only the number matters.
constexpr unsigned int kPrinterResultMessage = 0x805A;

// The largest ticket "print" accepts, in bytes.
constexpr size_t kMaxTicketBytes = 65536;

// The operating-system services the bridge runs on, chosen by whoever builds it.
struct BridgePlatform {
  std::shared_ptr<WindowPoster> poster;      // also used by workers that outlive the bridge
  std::unique_ptr<Shell> shell;              // window's thread only
  std::unique_ptr<ThreadStarter> threads;    // window's thread only
  std::shared_ptr<PrinterServices> devices;  // used by workers that may outlive the bridge
};

// Owner: the host window, alone, through an owning pointer; made once the engine's messenger
// exists and destroyed before it.
// Threads: construction, destruction, HandleMethodCall and HandleWindowMessage only on the window's
// thread (where the engine delivers channel messages). Never waits for a printer or a worker.
// Never lets an exception reach the channel layer or the window procedure.
class PrinterBridge {
 public:
  // Shared between the bridge and its workers, so that a worker can finish after the bridge is
  // gone. |value| and |error| are guarded by |mutex|; the rest is fixed or atomic.
  struct State {
    explicit State(WindowHandle window) : window(window) {}

    const WindowHandle window;       // the top-level window that completion messages go to
    std::atomic<bool> active{true};  // false once the bridge's destructor has started
    std::mutex mutex;
    flutter::EncodableValue value;  // result of the last operation that succeeded
    std::string error;              // message of the last failure; empty after a success
    bool failed = false;            // whether the last operation failed, whatever its message
    bool lost = false;  // a failure that could not be kept (not a std::exception, or no memory)
    // Set by a worker whose completion message could not be posted (a full queue): the window's
    // thread then answers at the next window message or call it sees, which a full queue brings
    // soon.
    std::atomic<bool> undelivered{false};
  };

  using Task = std::function<flutter::EncodableValue()>;

  // |messenger| is the engine's messenger, not owned, outliving the bridge; |window| is the host's
  // top-level window. Installs the handler of "quenbrel/printer" on |messenger|.
  PrinterBridge(flutter::BinaryMessenger* messenger, WindowHandle window, BridgePlatform platform);

  // Removes the channel's handler and drops a pending call unanswered. Does not wait for a running
  // worker: it finishes its task and posts nothing.
  ~PrinterBridge();

  PrinterBridge(const PrinterBridge&) = delete;
  PrinterBridge& operator=(const PrinterBridge&) = delete;

  void HandleMethodCall(const flutter::MethodCall& call,
                        std::unique_ptr<flutter::MethodResult> result);

  // Offered every message of the top-level window. True (the host then returns 0) for
  // kPrinterResultMessage, which answers the pending call if there is one; false for the rest.
  bool HandleWindowMessage(unsigned int message);

 private:
  using Result = flutter::MethodResult;

  void Dispatch(const flutter::MethodCall& call, std::unique_ptr<Result>& result);
  void OpenSettings(Result& result);
  // What a worker thread runs and holds, counted as the printer's work (printer/printer_work.h).
  struct Worker;

  // Takes |result| as pending, then starts the worker. When no worker starts, |result| goes back
  // to the caller, the bridge is Idle again and the thread library's error is rethrown.
  void RunOperation(Task task, std::unique_ptr<Result>& result);
  static void RunWorker(State& state, const Task& task, WindowPoster& poster);
  // Stores a failure with |message|, or as lost without one. Never throws.
  static void StoreFailure(State& state, const char* message) noexcept;
  // Answers |pending_result| from the stored outcome and makes the bridge Idle. Never throws: an
  // outcome that cannot be answered (no memory to encode it) becomes an error on the same call.
  void AnswerPending();

  std::shared_ptr<State> state;
  std::unique_ptr<flutter::MethodChannel> channel;
  std::unique_ptr<Result> pending_result;  // non-empty: an operation is pending (busy)
  BridgePlatform platform;
};

#endif  // QUENBREL_PRINTER_PRINTER_BRIDGE_H_
