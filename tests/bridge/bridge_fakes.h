// Stand-ins for the bridge's platform: a window queue the test pumps, a shell, a thread starter
// that can refuse, and devices whose listing and printing can fail, wait or be slow.
#ifndef QUENBREL_TESTS_BRIDGE_BRIDGE_FAKES_H_
#define QUENBREL_TESTS_BRIDGE_BRIDGE_FAKES_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "printer/platform/shell.h"
#include "printer/platform/thread_starter.h"
#include "printer/platform/window_poster.h"
#include "printer/printer_services.h"

// The window's message queue. Workers post into it; the test thread takes messages out.
class FakeWindowQueue : public WindowPoster {
 public:
  bool Post(WindowHandle window, unsigned int message) override;

  // Waits at most |bound| for a posted message and takes it.
  std::optional<unsigned int> Take(std::chrono::milliseconds bound);
  // Waits at most |bound| until |count| posts have been attempted (refused ones included).
  bool WaitForAttempts(int count, std::chrono::milliseconds bound);

  void RefuseNext(int count);  // refuse the next |count| posts; -1: all
  int attempts();
  size_t queued();
  std::vector<WindowHandle> windows();  // the window of each accepted post

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<unsigned int> queue_;
  std::vector<WindowHandle> windows_;
  int refuse_ = 0;
  int attempts_ = 0;
};

struct ShellCall {
  WindowHandle owner;
  std::wstring verb;
  std::wstring file;
};

class FakeShell : public Shell {
 public:
  std::intptr_t Execute(WindowHandle owner, const wchar_t* verb, const wchar_t* file) override {
    calls.push_back({owner, verb, file});
    return answer;
  }
  std::intptr_t answer = 42;
  std::vector<ShellCall> calls;
};

// Real detached threads, unless told to refuse.
class FakeThreadStarter : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override;
  bool refuse = false;  // window's thread only
  int started = 0;
};

struct PrintRecord {
  std::string id;
  std::vector<uint8_t> bytes;
  bool serial;
};

// Devices whose behaviour the test sets. Thread-safe: workers call it while the test reads it.
class FakePrinterServices : public PrinterServices {
 public:
  std::vector<PrinterDevice> ListDevices() override;
  void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) override;
  void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) override;

  void SetDevices(std::vector<PrinterDevice> devices);
  void FailListing(std::string message);   // empty: listing works
  void FailPrinting(std::string message);  // empty: printing works
  void SetDelay(std::chrono::milliseconds delay);
  // While held, a print waits (at most 10 s) inside the transport.
  void HoldPrints(bool hold);
  // Waits at most |bound| until a print has entered the transport / has finished.
  bool WaitForEntered(int count, std::chrono::milliseconds bound);
  std::vector<PrintRecord> printed();

 private:
  void Print(const std::string& id, const std::vector<uint8_t>& bytes, bool serial);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PrinterDevice> devices_;
  std::string list_failure_;
  std::string print_failure_;
  std::chrono::milliseconds delay_{0};
  bool hold_ = false;
  int entered_ = 0;
  std::vector<PrintRecord> printed_;
};

#endif  // QUENBREL_TESTS_BRIDGE_BRIDGE_FAKES_H_
