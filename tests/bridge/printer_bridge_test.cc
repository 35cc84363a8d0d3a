// The printer channel as the application sees it: calls in, replies out (as the driver shows them),
// the bytes that reach the device; the worker and the hand-off when the platform lets the bridge
// down.
#include "printer/printer_bridge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/standard_method_codec.h"
#include "standins/driver/app_messages.h"
#include "standins/engine/standin_engine_handle.h"
#include "standins/printer/bridge_platform.h"
#include "tests/failing_new.h"
#include "tests/test_util.h"

namespace {

// A printer bridge on a real method channel over the stand-in engine, on the stand-ins of its
// platform (standins/printer/bridge_platform.h): workers are held until the test runs them, so
// that every run is deterministic. The test's thread plays the window's thread.
class BridgeHarness {
  StandinEngineHandle engine_;  // outlives the messenger, which outlives the bridge
  flutter::BinaryMessengerImpl messenger_{engine_.messenger()};

 public:
  BridgeHarness() {
    auto owned_shell = std::make_unique<FakeShell>();
    auto owned_threads = std::make_unique<HeldThreads>();
    shell = owned_shell.get();
    threads = owned_threads.get();
    bridge = std::make_unique<PrinterBridge>(
        &messenger_, kWindow,
        BridgePlatform{machine, std::move(owned_shell), std::move(owned_threads), machine});
  }

  // Injects a call as the application would; its id.
  int64_t Call(const std::string& method, flutter::EncodableValue arguments = {}) {
    return Send(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(flutter::MethodCall(
        method, std::make_unique<flutter::EncodableValue>(std::move(arguments)))));
  }
  int64_t Send(const std::vector<uint8_t>& message) {
    return engine_.Inject("quenbrel/printer", message);
  }
  // The reply to |id| as text ("none" while there is none).
  std::string Reply(int64_t id) {
    const auto reply = engine_.Reply(id);
    return reply ? app::DescribeReply(*reply) : "none";
  }
  // Runs the oldest held worker on a thread of its own, joined at once.
  bool RunWorker() {
    if (threads->held.empty()) return false;
    std::thread(std::move(threads->held.front())).join();
    threads->held.pop_front();
    return true;
  }
  // Hands every posted message to the bridge, oldest first.
  void Pump() {
    for (; !machine->queue.empty(); machine->queue.pop_front()) {
      bridge->HandleWindowMessage(machine->queue.front());
    }
  }
  void Finish() {
    while (RunWorker()) {
    }
    Pump();
  }

  static inline const WindowHandle kWindow = reinterpret_cast<WindowHandle>(0x5A5A0);

  std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
  FakeShell* shell = nullptr;      // owned by the bridge
  HeldThreads* threads = nullptr;  // owned by the bridge
  std::unique_ptr<PrinterBridge> bridge;
};

using flutter::EncodableValue;

const std::string kBusy = R"(error busy "Une operation imprimante est deja en cours." null)";
const std::string kSettings =
    R"(error settings "Ouvrez les parametres Bluetooth de Windows." null)";
const std::string kNoWorker =
    "error printer \"Impossible de lancer l\xE2\x80\x99operation imprimante.\" null";
const std::string kNull = "success null";
const std::string kLost =
    "error printer \"Resultat de l\xE2\x80\x99operation imprimante inconnu. Verifiez le ticket "
    "avant "
    "de reessayer.\" null";

const std::vector<PrinterDevice> kDevices = {
    {"printer:Caisse 1", "Caisse 1 (imprimante Windows)"},
    {"serial:COM5", "COM5 (port Bluetooth / serie)"},
    {"usb:X", "X"},
    {"Serial:COM6", "COM6"},
    {"printer:Caf\xC3\xA9", "Caf\xC3\xA9 (imprimante Windows)"},
};

std::string Listed() {
  std::string text;
  for (const PrinterDevice& d : kDevices) {
    text += std::string(text.empty() ? "" : ", ") + "{\"id\": \"" + d.id + "\", \"name\": \"" +
            d.name + "\", \"transport\": \"windows\"}";
  }
  return "success [" + text + "]";
}

EncodableValue Value(const std::string& text) {
  EncodableValue value;
  EXPECT_TRUE(app::ParseValue(text, &value)) << text;
  return value;
}

// A PRINTED field: "port" or "spooler", the device id, the bytes.
PrintRecord Printed(const std::string& text) {
  const size_t id = text.find(' ') + 1, bytes = text.rfind(" bytes(");
  return {text.substr(id, bytes - id),
          std::get<std::vector<uint8_t>>(Value(text.substr(bytes + 1))),
          text.compare(0, 5, "port ") == 0};
}

// Calls one after the other on one bridge (bridge_cases.txt): argument errors, unknown methods and
// "settings" answered at once, "list" and "print" through a worker, each answered once with its own
// outcome (no stale list, no stale error), the exact bytes to the device, the devices listed
// afresh.
TEST(PrinterBridge, RepliesInSequence) {
  BridgeHarness h;
  std::vector<PrintRecord> printed;
  size_t workers = 0;
  for (const quenbrel_test::Lines& row : quenbrel_test::Cases("bridge_cases.txt", "call")) {
    SCOPED_TRACE(row[5]);
    auto failure = [&](const std::string& what) -> std::optional<std::string> {
      if (row[2].rfind(what, 0) != 0) return std::nullopt;
      return row[2].substr(std::min(row[2].size(), what.size() + 1));
    };
    h.machine->devices = row[2] == "no devices" ? std::vector<PrinterDevice>() : kDevices;
    h.machine->print_failure = failure("print fails:");
    h.machine->list_failure = failure("list fails:");
    if (const auto answer = failure("shell answers")) h.shell->answer = std::stoi(*answer);
    const int64_t id = h.Call(row[0], row[1].empty() ? EncodableValue() : Value(row[1]));
    const bool at_once = h.threads->held.empty();
    EXPECT_EQ(h.Reply(id) == "none", !at_once);
    workers += at_once ? 0 : 1;
    h.Finish();
    EXPECT_EQ(h.Reply(id), row[3] == "LISTED" ? Listed() : row[3]);
    if (!row[4].empty()) printed.push_back(Printed(row[4]));
    EXPECT_TRUE(h.machine->printed == printed);
  }
  EXPECT_EQ(h.machine->windows, std::vector<WindowHandle>(workers, BridgeHarness::kWindow));
  // Each "settings" opens the Bluetooth page at once, owned by the window.
  EXPECT_EQ(h.shell->calls, decltype(h.shell->calls)(
                                3, {BridgeHarness::kWindow, L"open", L"ms-settings:bluetooth"}));
}

const char kPrint[] = R"({"device": "serial:COM5", "bytes": bytes(2):1b40})";

// While an operation is pending (its worker not done, or its message posted but not yet handled)
// every call is refused "busy" and nothing else happens; other window messages leave it pending.
TEST(PrinterBridge, BusyWhilePending) {
  for (const bool posted : {false, true}) {
    SCOPED_TRACE(posted ? "message posted, not yet handled" : "worker not done");
    BridgeHarness h;
    h.machine->devices = kDevices;
    const int64_t pending = h.Call("print", Value(kPrint));
    if (posted) h.RunWorker();
    for (const auto& [method, arguments] :
         std::vector<std::pair<const char*, std::string>>{{"list", "null"},
                                                          {"print", kPrint},
                                                          {"print", "null"},
                                                          {"settings", "null"},
                                                          {"nope", "1"}}) {
      EXPECT_EQ(h.Reply(h.Call(method, Value(arguments))), kBusy) << method;
    }
    for (unsigned int message : {0x8059u, 0x805Bu, 0x8000u, 0x005Au, 0u, 0x0113u, 0x1805Au}) {
      EXPECT_FALSE(h.bridge->HandleWindowMessage(message)) << message;
    }
    EXPECT_TRUE(h.shell->calls.empty());
    EXPECT_EQ(h.threads->held.size(), posted ? 0u : 1u);
    EXPECT_EQ(h.Reply(pending), "none");
    h.Finish();
    EXPECT_EQ(h.Reply(pending), kNull);
    EXPECT_EQ(h.machine->printed.size(), 1u);
    EXPECT_TRUE(h.bridge->HandleWindowMessage(0x805A)) << "consumed with nothing pending";
    EXPECT_EQ(h.Reply(h.Call("settings")), kNull);
  }
}

// The bridge goes while a ticket is being sent: it still goes out; nothing is posted or answered,
// the worker lets go of everything it held, and a later call finds no handler (the engine answers
// it).
TEST(PrinterBridge, DestroyedWhilePending) {
  BridgeHarness h;
  h.machine->devices = kDevices;
  const int64_t id = h.Call("print", Value(kPrint));
  std::function<void()> worker = std::move(h.threads->held.front());  // the bridge owns |threads|
  h.bridge.reset();
  std::thread(std::move(worker)).join();
  EXPECT_EQ(h.machine.use_count(), 1);
  EXPECT_EQ(h.machine->printed.size(), 1u);
  EXPECT_EQ(h.machine->posts, 0);
  EXPECT_EQ(h.Reply(id), "none");
  EXPECT_EQ(h.Reply(h.Call("list")), "empty");
}

// No thread for the worker, or a failure while a call is handled: the call is answered at once
// and the bridge is Idle again.
TEST(PrinterBridge, FailuresOnTheWindowThread) {
  for (const char* method : {"list", "print", "settings"}) {
    BridgeHarness h;
    h.machine->devices = kDevices;
    h.threads->refuse = true;
    h.shell->fails = true;
    EXPECT_EQ(h.Reply(h.Call(method, Value(kPrint))), kNoWorker) << method;
    h.threads->refuse = false;
    const int64_t next = h.Call("list");
    h.Finish();
    EXPECT_EQ(h.Reply(next), Listed()) << method;
  }
}

// A refused post (a full queue): the window's thread answers at the next message it sees or at the
// next call, which is then served normally.
TEST(PrinterBridge, PostRefused) {
  for (const bool by_call : {false, true}) {
    SCOPED_TRACE(by_call ? "next call" : "next window message");
    BridgeHarness h;
    h.machine->devices = kDevices;
    h.machine->refusals = 1;
    const int64_t id = h.Call("list");
    h.Finish();
    EXPECT_EQ(h.machine->posts, 1);
    EXPECT_EQ(h.Reply(id), "none");
    if (by_call) {
      EXPECT_EQ(h.Reply(h.Call("settings")), kNull);
    } else {
      EXPECT_FALSE(h.bridge->HandleWindowMessage(0x0113));
    }
    EXPECT_EQ(h.Reply(id), Listed());
  }
}

// Memory runs out at each of the host's allocations in turn while a call is handled: nothing
// unwinds into the engine (the stand-in ends the run if it does), every call is answered once, and
// an outcome that was waiting to be answered is answered on its own call.
TEST(PrinterBridge, OutOfMemory) {
  const struct {
    const char* method;  // null: a message that is not a call
    const char* arguments;
    std::string reply;  // when no allocation fails
  } kCalls[] = {
      {"settings", "null", kNull},
      {"print", kPrint, kNull},
      {"print", "{}", R"(error arguments "Donnees d’impression invalides." null)"},
      {"list", "null", Listed()},
      {"nope", "null", "empty"},
      {nullptr, "", "empty"},
  };
  for (const auto& call : kCalls) {
    for (const bool waiting : {false, true}) {
      SCOPED_TRACE(std::string(call.method ? call.method : "not a call") +
                   (waiting ? ", a list waiting" : ""));
      for (long n = 1;; ++n) {
        BridgeHarness h;
        h.machine->devices = kDevices;
        h.machine->refusals = -1;  // its answer waits for the next call
        const int64_t list = waiting ? h.Call("list") : 0;
        h.Finish();
        quenbrel_test::FailHostAllocation(n);
        const int64_t id = call.method ? h.Call(call.method, Value(call.arguments)) : h.Send({7});
        const bool failed = quenbrel_test::HostAllocationFailed();
        quenbrel_test::FailHostAllocation(0);
        h.Finish();
        h.bridge->HandleWindowMessage(0);  // a call that failed before the bridge left it waiting
        if (waiting) {
          EXPECT_THAT(h.Reply(list), testing::AnyOf(Listed(), kLost)) << n;
        }
        if (!failed) {
          EXPECT_EQ(h.Reply(id), call.reply);
          break;
        }
        EXPECT_NE(h.Reply(id), "none") << n;
      }
    }
  }
}

}  // namespace
