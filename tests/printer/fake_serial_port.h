// A recording, fault-injecting SerialPort: logs every call in order, fails the operation named in
// `fail_at`, takes at most the next entry of `takes` per Write (everything when empty), answers
// GetCommState with `port_state`, and keeps what it was given. A fault hook, when set, is asked
// first.
#ifndef QUENBREL_TESTS_PRINTER_FAKE_SERIAL_PORT_H_
#define QUENBREL_TESTS_PRINTER_FAKE_SERIAL_PORT_H_

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "printer/platform/serial_port.h"
#include "printer/text_conversion.h"
#include "tests/printer/fault_hook.h"

class FakeSerialPort final : public SerialPort {
 public:
  CommState port_state;
  std::string fail_at;
  std::deque<std::uint32_t> takes;

  std::vector<std::string> calls;
  CommState state_given_to_get;  // the record as GetCommState received it
  CommState state_set;
  CommTimeouts timeouts_set;
  std::vector<unsigned char> received;
  FaultHook* hook = nullptr;

  bool Open(const std::u16string& path, SerialHandle* handle) override {
    if (FaultHook::Ask(hook, "Open") != FaultHook::kPass) return false;
    *handle = SerialHandle{7};
    return Record("Open(" + Utf16ToUtf8(path) + ")");
  }
  bool GetCommState(SerialHandle handle, CommState* state) override {
    if (FaultHook::Ask(hook, "GetCommState") != FaultHook::kPass) return false;
    state_given_to_get = *state;
    *state = port_state;
    return Record("GetCommState", handle);
  }
  bool SetCommState(SerialHandle handle, const CommState& state) override {
    if (FaultHook::Ask(hook, "SetCommState") != FaultHook::kPass) return false;
    state_set = state;
    return Record("SetCommState", handle);
  }
  bool SetCommTimeouts(SerialHandle handle, const CommTimeouts& timeouts) override {
    if (FaultHook::Ask(hook, "SetCommTimeouts") != FaultHook::kPass) return false;
    timeouts_set = timeouts;
    return Record("SetCommTimeouts", handle);
  }
  bool Write(SerialHandle handle, const unsigned char* data, std::uint32_t count,
             std::uint32_t* written) override {
    if (FaultHook::Hit hit = FaultHook::Ask(hook, "Write"); hit != FaultHook::kPass) {
      if (hit == FaultHook::kTakeNothing) *written = 0;
      return hit == FaultHook::kTakeNothing;
    }
    const std::uint32_t take = takes.empty() ? count : std::min(count, takes.front());
    if (!takes.empty()) takes.pop_front();
    *written = take;
    received.insert(received.end(), data, data + take);
    return Record("Write(" + std::to_string(count) + ")", handle);
  }
  void Close(SerialHandle handle) override {
    FaultHook::Tell(hook, "Close");
    Record("Close", handle);
  }

 private:
  bool Record(const std::string& call, SerialHandle handle = SerialHandle{7}) {
    calls.push_back(handle == SerialHandle{7} ? call : call + " on a wrong handle");
    return fail_at.empty() || call.compare(0, fail_at.size(), fail_at) != 0;
  }
};

#endif  // QUENBREL_TESTS_PRINTER_FAKE_SERIAL_PORT_H_
