// Stand-ins of the printer bridge's platform, for tests: the window's queue and the devices (one
// fake machine, shared with workers), a shell, and a thread starter that holds each worker until
// the test runs it.
#ifndef QUENBREL_STANDINS_PRINTER_BRIDGE_PLATFORM_H_
#define QUENBREL_STANDINS_PRINTER_BRIDGE_PLATFORM_H_

#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "printer/platform/shell.h"
#include "printer/platform/thread_starter.h"
#include "printer/platform/window_poster.h"
#include "printer/printer_services.h"

struct PrintRecord {
  std::string id;
  std::vector<uint8_t> bytes;
  bool serial;
  bool operator==(const PrintRecord& o) const {
    return id == o.id && bytes == o.bytes && serial == o.serial;
  }
};

// The window's queue and the devices. Workers use it one at a time; only |posts| and |refusals|
// may be touched while a worker runs on its own.
class FakeMachine : public WindowPoster, public PrinterServices {
 public:
  ~FakeMachine() override {
    if (destroyed) destroyed(*this);
  }
  bool Post(WindowHandle window, unsigned int message) override {
    ++posts;
    if (refusals != 0) {
      if (refusals > 0) --refusals;
      return false;
    }
    queue.push_back(message);
    windows.push_back(window);
    return true;
  }
  std::vector<PrinterDevice> ListDevices() override {
    if (list_failure) throw std::runtime_error(*list_failure);
    return devices;
  }
  void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) override {
    Print(id, bytes, true);
  }
  void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) override {
    Print(id, bytes, false);
  }

  std::vector<PrinterDevice> devices;
  std::optional<std::string> list_failure, print_failure;  // thrown with this text when set
  bool print_throws_other = false;                         // throws what no std::exception is
  std::atomic<int> refusals{0};                            // posts to refuse next; -1: all
  std::atomic<int> posts{0};                               // attempted, refused ones included
  std::deque<unsigned int> queue;
  std::vector<WindowHandle> windows;  // of each accepted post
  std::vector<PrintRecord> printed;
  std::function<void(const FakeMachine&)> destroyed;  // called as the machine goes

 private:
  void Print(const std::string& id, const std::vector<uint8_t>& bytes, bool serial) {
    if (print_failure) throw std::runtime_error(*print_failure);
    if (print_throws_other) throw 7;
    printed.push_back({id, bytes, serial});
  }
};

class FakeShell : public Shell {
 public:
  std::intptr_t Execute(WindowHandle owner, const wchar_t* verb, const wchar_t* file) override {
    calls.emplace_back(owner, verb, file);
    if (fails) throw std::runtime_error("shell");
    if (throws_other) throw 7;
    return answer;
  }
  std::intptr_t answer = 42;
  bool fails = false, throws_other = false;
  std::vector<std::tuple<WindowHandle, std::wstring, std::wstring>> calls;
};

class HeldThreads : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override {
    if (refuse) throw Refusal();
    held.push_back(std::move(body));
  }
  // What a refused start throws, as the thread library does.
  static std::system_error Refusal() {
    return std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  bool refuse = false;
  std::deque<std::function<void()>> held;
};

#endif  // QUENBREL_STANDINS_PRINTER_BRIDGE_PLATFORM_H_
