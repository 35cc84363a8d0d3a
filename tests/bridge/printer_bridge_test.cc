// The printer channel as the application sees it: calls in, replies out, the bytes that reach the
// device; the worker and the hand-off when the platform lets the bridge down.
#include "printer/printer_bridge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/bridge/bridge_harness.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

const std::string kBusy = R"(error busy "Une operation imprimante est deja en cours." null)";
const std::string kSettings =
    R"(error settings "Ouvrez les parametres Bluetooth de Windows." null)";
const std::string kTicketInvalid = R"(error arguments "Ticket invalide." null)";
const std::string kDataInvalid =
    "error arguments \"Donnees d\xE2\x80\x99impression invalides.\" null";
const std::string kGone =
    "error printer \"Cette imprimante n\xE2\x80\x99"
    "est plus installee sur cet appareil.\" null";
const std::string kUnknown = R"(error printer "Imprimante inconnue." null)";
const std::string kNoWorker =
    "error printer \"Impossible de lancer l\xE2\x80\x99operation imprimante.\" null";
const std::string kNull = "success null";

EncodableValue Map(EncodableMap map) { return EncodableValue(std::move(map)); }
EncodableValue Ticket(EncodableValue device, EncodableValue bytes) {
  return Map({{"device", std::move(device)}, {"bytes", std::move(bytes)}});
}
EncodableValue Ticket(const std::string& device, size_t size, uint8_t fill = 0x1B) {
  return Ticket(EncodableValue(device), EncodableValue(std::vector<uint8_t>(size, fill)));
}

const std::vector<PrinterDevice> kDevices = {
    {"printer:Caisse 1", "Caisse 1 (imprimante Windows)"},
    {"serial:COM5", "COM5 (port Bluetooth / serie)"},
    {"usb:X", "X"},
    {"Serial:COM6", "COM6"},
    {"printer:Caf\xC3\xA9", "Caf\xC3\xA9 (imprimante Windows)"},
};

std::string Listed(const std::vector<PrinterDevice>& devices) {
  std::string text;
  for (const PrinterDevice& d : devices) {
    text += std::string(text.empty() ? "" : ", ") + "{\"id\": \"" + d.id + "\", \"name\": \"" +
            d.name + "\", \"transport\": \"windows\"}";
  }
  return "success [" + text + "]";
}

// "settings" opens the Bluetooth page at once, owned by the window; the shell's answer decides.
TEST(PrinterBridge, Settings) {
  for (const auto& [answer, reply] : std::vector<std::pair<std::intptr_t, std::string>>{
           {33, kNull}, {32, kSettings}, {-1, kSettings}}) {
    SCOPED_TRACE(answer);
    BridgeHarness h;
    h.shell->answer = answer;
    EXPECT_EQ(h.Reply(h.Call("settings", EncodableValue("ignored"))), reply);
    EXPECT_EQ(h.shell->calls.size(), 1u);
    EXPECT_EQ(h.shell->calls[0], std::make_tuple(BridgeHarness::kWindow, std::wstring(L"open"),
                                                 std::wstring(L"ms-settings:bluetooth")));
    EXPECT_TRUE(h.threads->held.empty());
  }
}

// Calls one after the other on one bridge: argument errors and unknown methods answered at once,
// "list" and "print" through a worker, each answered once with its own outcome (no stale list, no
// stale error); the exact bytes reach the device, the devices listed afresh for each print.
TEST(PrinterBridge, RepliesInSequence) {
  const std::string failure = "Envoi interrompu. Verifiez le ticket.";
  const std::string failed = "error printer \"" + failure + "\" null";
  const std::vector<uint8_t> raw = {0x00, 0x1B, 0x40, 0xFF, 0x0A};
  const struct {
    const char* name;
    const char* method;
    std::optional<EncodableValue> arguments;
    std::string reply;
    std::optional<PrintRecord> printed = {};
    std::optional<std::string> print_failure = {}, list_failure = {};
    std::vector<PrinterDevice> devices = kDevices;
  } rows[] = {
      // clang-format off
      {"list, order and UTF-8 kept", "list", EncodableValue("ignored"), Listed(kDevices)},
      {"transport failure after a list", "print", Ticket("serial:COM5", 1), failed, {}, failure},
      {"list after a failed print", "list", {}, Listed(kDevices)},
      {"discovery failure in a print", "print", Ticket("serial:COM5", 1), failed, {}, {}, failure},
      {"a failure without text is a failure", "print", Ticket("serial:COM5", 1), "error printer null null", {}, ""},
      {"one byte to a port after a failure", "print", Ticket("serial:COM5", 1), kNull, PrintRecord{"serial:COM5", {0x1B}, true}},
      {"raw bytes to a printer", "print", Ticket(EncodableValue("printer:Caisse 1"), raw), kNull, PrintRecord{"printer:Caisse 1", raw, false}},
      {"exactly 65536 bytes", "print", Ticket("serial:COM5", 65536, 0x41), kNull, PrintRecord{"serial:COM5", std::vector<uint8_t>(65536, 0x41), true}},
      {"extra keys change nothing", "print", Map({{"device", "serial:COM5"}, {"bytes", std::vector<uint8_t>{2, 3}}, {"copies", 3}, {1, "x"}}), kNull, PrintRecord{"serial:COM5", {2, 3}, true}},
      {"listed before, gone now", "print", Ticket("serial:COM5", 1), kGone, {}, {}, {}, {}},
      {"id never listed", "print", Ticket("serial:COM9", 1), kGone},
      {"empty id", "print", Ticket("", 1), kGone},
      {"prefix of a listed id", "print", Ticket("serial:COM", 1), kGone},
      {"listed id, unknown prefix", "print", Ticket("usb:X", 1), kUnknown},
      {"prefix is case-sensitive", "print", Ticket("Serial:COM6", 1), kUnknown},
      {"list, discovery failure", "list", {}, failed, {}, {}, failure},
      {"unknown method", "List", {}, "empty"},
      {"print without arguments", "print", {}, kTicketInvalid},
      {"print with a list", "print", EncodableValue(EncodableList{"serial:COM5"}), kTicketInvalid},
      {"device is a number", "print", Ticket(EncodableValue(5), std::vector<uint8_t>{1}), kDataInvalid},
      {"bytes as a general list", "print", Ticket("serial:COM5", EncodableList{27}), kDataInvalid},
      {"bytes as 32-bit ints", "print", Ticket("serial:COM5", std::vector<int32_t>{27}), kDataInvalid},
      {"bytes as 64-bit ints", "print", Ticket("serial:COM5", std::vector<int64_t>{27}), kDataInvalid},
      {"no bytes at all", "print", Ticket("serial:COM5", 0), kDataInvalid},
      {"65537 bytes", "print", Ticket("serial:COM5", 65537), kDataInvalid},
      {"device missing", "print", Map({{"bytes", std::vector<uint8_t>{1}}}), kDataInvalid},
      {"bytes missing", "print", Map({{"device", "serial:COM5"}}), kDataInvalid},
      {"keys that are not strings", "print", Map({{std::vector<uint8_t>{'d', 'e', 'v', 'i', 'c', 'e'}, "serial:COM5"}, {std::vector<uint8_t>{'b', 'y', 't', 'e', 's'}, std::vector<uint8_t>{1}}}), kDataInvalid},
      // clang-format on
  };
  BridgeHarness h;
  std::vector<PrintRecord> printed;
  size_t workers = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    h.machine->devices = row.devices;
    h.machine->print_failure = row.print_failure;
    h.machine->list_failure = row.list_failure;
    const int64_t id = h.Call(row.method, row.arguments);
    const bool at_once = h.threads->held.empty();
    EXPECT_EQ(h.Reply(id) == "none", !at_once);
    workers += at_once ? 0 : 1;
    h.Finish();
    EXPECT_EQ(h.Reply(id), row.reply);
    if (row.printed) printed.push_back(*row.printed);
    EXPECT_EQ(h.machine->printed, printed);
  }
  EXPECT_EQ(h.machine->windows, std::vector<WindowHandle>(workers, BridgeHarness::kWindow));
}

// While an operation is pending (its worker not done, or its message posted but not yet handled)
// every call is refused "busy" and nothing else happens; other window messages leave it pending.
TEST(PrinterBridge, BusyWhilePending) {
  for (const bool posted : {false, true}) {
    SCOPED_TRACE(posted ? "message posted, not yet handled" : "worker not done");
    BridgeHarness h;
    h.machine->devices = kDevices;
    const int64_t pending = h.Call("print", Ticket("serial:COM5", 2));
    if (posted) h.RunWorker();
    for (const auto& [method, arguments] :
         std::vector<std::pair<const char*, std::optional<EncodableValue>>>{
             {"list", {}},
             {"print", Ticket("serial:COM5", 1)},
             {"print", {}},
             {"settings", {}},
             {"nope", EncodableValue(1)}}) {
      EXPECT_EQ(h.Reply(h.Call(method, arguments)), kBusy) << method;
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

// The bridge goes while an operation is pending: a ticket being sent still goes out, a worker
// whose posts are refused stops retrying; nothing is posted or answered, the worker lets go of
// everything it held, and a later call finds no handler (the engine answers it).
TEST(PrinterBridge, DestroyedWhilePending) {
  for (const bool retrying : {false, true}) {
    SCOPED_TRACE(retrying ? "posts refused, retrying" : "ticket being sent");
    BridgeHarness h(PostRetry{1000000, std::chrono::milliseconds(1), std::chrono::milliseconds(2)});
    h.machine->devices = kDevices;
    h.machine->refusals = retrying ? -1 : 0;
    const int64_t id = h.Call("print", Ticket("serial:COM5", 3));
    std::thread worker(std::move(h.threads->held.front()));
    for (int i = 0; i < 10000 && retrying && h.machine->posts < 2; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    h.bridge.reset();
    worker.join();
    EXPECT_EQ(h.machine.use_count(), 1);
    EXPECT_EQ(h.machine->printed.size(), 1u);
    EXPECT_TRUE(h.machine->queue.empty());
    EXPECT_EQ(h.Reply(id), "none");
    EXPECT_EQ(h.Reply(h.Call("list")), "empty");
  }
}

// No thread for the worker, or a failure while a call is handled: the call is answered at once
// and the bridge is Idle again.
TEST(PrinterBridge, FailuresOnTheWindowThread) {
  for (const char* method : {"list", "print", "settings"}) {
    SCOPED_TRACE(method);
    BridgeHarness h;
    h.machine->devices = kDevices;
    h.threads->refuse = true;
    h.shell->fails = true;
    std::optional<EncodableValue> arguments;
    if (std::string(method) == "print") arguments = Ticket("serial:COM5", 1);
    EXPECT_EQ(h.Reply(h.Call(method, arguments)), kNoWorker);
    h.threads->refuse = false;
    const int64_t next = h.Call("list");
    h.Finish();
    EXPECT_EQ(h.Reply(next), Listed(kDevices));
  }
}

// Refused posts: retried while the bridge lives; if every retry is refused, the window's thread
// answers at the next message it sees or at the next call, which is then served normally.
TEST(PrinterBridge, PostRefused) {
  enum Delivery { kPostedLater, kNextWindowMessage, kNextCall };
  for (const auto& [refusals, delivery] : std::vector<std::pair<int, Delivery>>{
           {2, kPostedLater}, {-1, kNextWindowMessage}, {-1, kNextCall}}) {
    SCOPED_TRACE(delivery);
    BridgeHarness h;
    h.machine->devices = kDevices;
    h.machine->refusals = refusals;
    const int64_t id = h.Call("list");
    h.Finish();
    EXPECT_EQ(h.machine->posts, 3);
    EXPECT_EQ(h.Reply(id) == "none", delivery != kPostedLater);
    if (delivery == kNextWindowMessage) {
      EXPECT_FALSE(h.bridge->HandleWindowMessage(0x0113));
    } else if (delivery == kNextCall) {
      EXPECT_EQ(h.Reply(h.Call("settings")), kNull);
    }
    EXPECT_EQ(h.Reply(id), Listed(kDevices));
  }
}

}  // namespace
