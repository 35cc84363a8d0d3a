// The printer channel as the application sees it: calls in, replies out (as the driver shows them),
// the bytes that reach the device; the worker and the hand-off when the platform lets the bridge
// down.
#include "printer/printer_bridge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "printer/printer_work.h"
#include "standins/driver/app_messages.h"
#include "standins/engine/standin_engine_handle.h"
#include "standins/memory/failing_new.h"
#include "standins/printer/bridge_platform.h"
#include "tests/test_util.h"

namespace {

using flutter::EncodableValue;
using namespace quenbrel_test;  // NOLINT: test helpers

const std::vector<PrinterDevice> kDevices = {
    {"printer:Caisse 1", "Caisse 1 (imprimante Windows)"},
    {"serial:COM5", "COM5 (port Bluetooth / serie)"},
    {"usb:X", "X"},
    {"Serial:COM6", "COM6"},
    {"printer:Caf\xC3\xA9", "Caf\xC3\xA9 (imprimante Windows)"},
};

// A value written as the driver shows it.
EncodableValue Value(const std::string& text) {
  EncodableValue value;
  EXPECT_TRUE(app::ParseValue(text, &value)) << text;
  return value;
}

// A printer bridge on a real method channel over the stand-in engine, on the stand-ins of its
// platform (standins/printer/bridge_platform.h) with the test devices: workers are held until the
// test runs them, so that every run is deterministic. The test's thread plays the window's thread.
class BridgeHarness {
 public:
  BridgeHarness() { machine->devices = kDevices; }

  // Injects a call as the application would, its arguments as the driver writes them; its id.
  int64_t Call(const std::string& method, const std::string& arguments = "null") {
    return engine.Inject(app::kPrinterChannel, app::EncodeCall(method, Value(arguments)));
  }
  // The reply to |id| as text ("none" while there is none).
  std::string Reply(int64_t id) {
    const auto reply = engine.Reply(id);
    return reply ? app::DescribeReply(*reply) : "none";
  }
  // Runs the oldest held worker on a thread of its own, joined at once.
  bool RunWorker() {
    if (threads->held.empty()) return false;
    std::thread(std::move(threads->held.front())).join();
    threads->held.pop_front();
    return true;
  }
  // Runs every held worker, then hands every posted message to the bridge, oldest first.
  void Finish() {
    while (RunWorker()) continue;
    for (; !machine->queue.empty(); machine->queue.pop_front()) {
      bridge->HandleWindowMessage(machine->queue.front());
    }
  }

  static inline const WindowHandle kWindow = reinterpret_cast<WindowHandle>(0x5A5A0);

  StandinEngineHandle engine;  // outlives the messenger, which outlives the bridge
  flutter::BinaryMessengerImpl messenger{engine.messenger()};
  std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
  FakeShell* shell = new FakeShell;        // owned by the bridge
  HeldThreads* threads = new HeldThreads;  // owned by the bridge
  std::unique_ptr<PrinterBridge> bridge = std::make_unique<PrinterBridge>(
      &messenger, kWindow,
      BridgePlatform{machine, std::unique_ptr<Shell>(shell),
                     std::unique_ptr<ThreadStarter>(threads), machine});
};

const std::string kBusy = R"(error busy "Une operation imprimante est deja en cours." null)";
const std::string kLost =
    "error printer \"Resultat de l\xE2\x80\x99operation imprimante inconnu. Verifiez le ticket "
    "avant de reessayer.\" null";

std::string Listed() {
  std::string text;
  for (const PrinterDevice& d : kDevices) {
    text += std::string(text.empty() ? "" : ", ") + "{\"id\": \"" + d.id + "\", \"name\": \"" +
            d.name + "\", \"transport\": \"windows\"}";
  }
  return "success [" + text + "]";
}

// A PRINTED field: "port" or "spooler", the device id, the bytes.
PrintRecord Printed(const std::string& text) {
  const size_t id = text.find(' ') + 1, bytes = text.rfind(" bytes(");
  return {text.substr(id, bytes - id),
          std::get<std::vector<uint8_t>>(Value(text.substr(bytes + 1))),
          text.compare(0, 5, "port ") == 0};
}

// Sets |h| up as a call row of bridge_cases.txt says and makes its call; its id.
int64_t CallRow(BridgeHarness& h, const Lines& row) {
  auto failure = [&](const std::string& what) -> std::optional<std::string> {
    if (row[2].rfind(what, 0) != 0) return std::nullopt;
    return row[2].substr(std::min(row[2].size(), what.size() + 1));
  };
  h.machine->devices = row[2] == "no devices" ? std::vector<PrinterDevice>() : kDevices;
  h.machine->print_failure = failure("print fails:");
  h.machine->list_failure = failure("list fails:");
  h.machine->print_throws_other = row[2] == "print throws an int";
  if (const auto answer = failure("shell answers")) h.shell->answer = std::stoi(*answer);
  h.shell->fails = row[2] == "shell fails";
  h.shell->throws_other = row[2] == "shell throws an int";
  h.threads->refuse = row[2] == "no thread";
  if (row[0] == "-") return h.engine.Inject(app::kPrinterChannel, Hex(row[1]));
  return h.Call(row[0], row[1].empty() ? "null" : row[1]);
}

// The one log line of a call refused on the window's thread, by its SETUP: with its reason.
const std::map<std::string, std::string> kRefusals = {
    {"no thread", std::string("Printer call failed; refused: ") + HeldThreads::Refusal().what()},
    {"shell fails", "Printer call failed; refused: shell"},
    {"shell throws an int", "Printer call failed; refused."}};

// Calls one after the other on one bridge (bridge_cases.txt): argument errors, unknown methods,
// "settings" and failures on the window's thread answered at once (a refusal logged with its
// reason), "list" and "print" through a worker, each answered once with its own outcome (no stale
// list, no stale error), the exact bytes to the device, the devices listed afresh, no worker left.
TEST(PrinterBridge, RepliesInSequence) {
  BridgeHarness h;
  std::vector<PrintRecord> printed;
  size_t workers = 0;
  for (const Lines& row : Cases("bridge_cases.txt", "call")) {
    SCOPED_TRACE(row[5]);
    int64_t id = 0;
    const Lines log = Logged([&] { id = CallRow(h, row); });
    if (kRefusals.count(row[2]) != 0) {
      EXPECT_EQ(log, Lines{kRefusals.at(row[2])});
    }
    const bool at_once = h.threads->held.empty();
    EXPECT_EQ(h.Reply(id) == "none", !at_once);
    workers += at_once ? 0 : 1;
    h.Finish();
    EXPECT_FALSE(PrinterWorkRunning());
    EXPECT_EQ(h.Reply(id), row[3] == "LISTED" ? Listed() : row[3]);
    if (!row[4].empty()) printed.push_back(Printed(row[4]));
    EXPECT_TRUE(h.machine->printed == printed);
  }
  EXPECT_EQ(h.machine->windows, std::vector<WindowHandle>(workers, BridgeHarness::kWindow));
  // Each "settings" opens the Bluetooth page at once, owned by the window.
  EXPECT_EQ(h.shell->calls, decltype(h.shell->calls)(
                                5, {BridgeHarness::kWindow, L"open", L"ms-settings:bluetooth"}));
}

const char kPrint[] = R"({"device": "serial:COM5", "bytes": bytes(2):1b40})";

// While an operation is pending (its worker not done, or its message posted but not yet handled)
// every call is refused "busy" and nothing else happens; other window messages leave it pending.
TEST(PrinterBridge, BusyWhilePending) {
  for (const bool posted : {false, true}) {
    SCOPED_TRACE(posted ? "message posted, not yet handled" : "worker not done");
    BridgeHarness h;
    const int64_t pending = h.Call("print", kPrint);
    if (posted) h.RunWorker();
    for (const char* arguments : {"null", kPrint, "1"}) {
      for (const char* method : {"list", "print", "settings", "nope"}) {
        EXPECT_EQ(h.Reply(h.Call(method, arguments)), kBusy) << method << " " << arguments;
      }
    }
    for (unsigned int message : {0x8059u, 0x805Bu, 0x8000u, 0x005Au, 0u, 0x0113u, 0x1805Au}) {
      EXPECT_FALSE(h.bridge->HandleWindowMessage(message)) << message;
    }
    EXPECT_TRUE(h.shell->calls.empty());
    EXPECT_EQ(h.threads->held.size(), posted ? 0u : 1u);
    EXPECT_EQ(h.Reply(pending), "none");
    h.Finish();
    EXPECT_EQ(h.Reply(pending), "success null");
    EXPECT_TRUE(h.bridge->HandleWindowMessage(0x805A)) << "consumed with nothing pending";
  }
}

// The bridge goes while a ticket is being sent: it still goes out; nothing is posted or answered;
// the worker counts as the printer's work until it has let go of everything it held (here the last
// of the machine); the engine answers a later call (no handler).
TEST(PrinterBridge, DestroyedWhilePending) {
  BridgeHarness h;
  const int64_t id = h.Call("print", kPrint);
  std::function<void()> worker = std::move(h.threads->held.front());  // the bridge owns |threads|
  h.bridge.reset();
  std::string at_end;  // the machine as the worker lets go of it
  h.machine->destroyed = [&at_end](const FakeMachine& m) {
    at_end = std::to_string(m.printed.size()) + " printed, " + std::to_string(m.posts) +
             " posted, " + (PrinterWorkRunning() ? "counted" : "not counted");
  };
  h.machine.reset();
  EXPECT_TRUE(PrinterWorkRunning());
  std::thread(std::move(worker)).join();
  EXPECT_EQ(at_end, "1 printed, 0 posted, counted");
  EXPECT_FALSE(PrinterWorkRunning());
  EXPECT_EQ(h.Reply(id), "none");
  EXPECT_EQ(h.Reply(h.Call("list")), "empty");
}

// A refused post (a full queue): the window's thread answers at the next message it sees, without
// taking it. The next operation then waits for its own outcome, at a message or a call alike. (At
// the next call: see OutOfMemory.)
TEST(PrinterBridge, PostRefused) {
  BridgeHarness h;
  h.machine->refusals = 1;
  const int64_t id = h.Call("list");
  h.Finish();
  EXPECT_EQ(h.machine->posts, 1);
  EXPECT_EQ(h.Reply(id), "none");
  EXPECT_FALSE(h.bridge->HandleWindowMessage(0x0113));
  EXPECT_EQ(h.Reply(id), Listed());
  const int64_t next = h.Call("print", kPrint);
  EXPECT_FALSE(h.bridge->HandleWindowMessage(0x0113));
  EXPECT_EQ(h.Reply(h.Call("list")), kBusy);
  EXPECT_EQ(h.Reply(next), "none");
  h.Finish();
  EXPECT_EQ(h.Reply(next), "success null");
}

// Memory runs out at each of the host's allocations in turn while each call of bridge_cases.txt is
// handled: nothing unwinds into the engine (the stand-in ends the run if it does), every call is
// answered once, and an outcome that was waiting to be answered is answered on its own call.
TEST(PrinterBridge, OutOfMemory) {
  for (const Lines& row : Cases("bridge_cases.txt", "call")) {
    for (const bool waiting : {false, true}) {
      SCOPED_TRACE(row[5] + (waiting ? ", a list waiting" : ""));
      for (long n = 1;; ++n) {
        BridgeHarness h;
        h.machine->refusals = -1;  // its answer waits for the next call
        const int64_t list = waiting ? h.Call("list") : 0;
        h.Finish();
        FailHostAllocation(n);
        const int64_t id = CallRow(h, row);
        const bool failed = HostAllocationFailed();
        FailHostAllocation(0);
        h.Finish();
        h.bridge->HandleWindowMessage(0);  // a call that failed before the bridge left it waiting
        if (waiting) {
          EXPECT_THAT(h.Reply(list), testing::AnyOf(Listed(), kLost)) << n;
        }
        if (!failed) {
          EXPECT_EQ(h.Reply(id), row[3] == "LISTED" ? Listed() : row[3]);
          break;
        }
        EXPECT_NE(h.Reply(id), "none") << n;
      }
    }
  }
}

}  // namespace
