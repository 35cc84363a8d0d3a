// The printer channel as the application sees it: call bytes in, reply envelope bytes out, the
// bytes that reach the device; the worker and the hand-off when the platform lets the bridge down.
#include "printer/printer_bridge.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/bridge/bridge_harness.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

const std::string kBusy = "Une operation imprimante est deja en cours.";
const std::string kSettings = "Ouvrez les parametres Bluetooth de Windows.";
const std::string kTicketInvalid = "Ticket invalide.";
const std::string kDataInvalid = "Donnees d\xE2\x80\x99impression invalides.";
const std::string kGone =
    "Cette imprimante n\xE2\x80\x99"
    "est plus installee sur cet appareil.";
const std::string kUnknown = "Imprimante inconnue.";
const std::string kNoWorker = "Impossible de lancer l\xE2\x80\x99operation imprimante.";

EncodableValue Str(const std::string& text) { return EncodableValue(text); }
EncodableValue Map(EncodableMap map) { return EncodableValue(std::move(map)); }
EncodableValue Ticket(EncodableValue device, EncodableValue bytes) {
  return Map({{Str("device"), std::move(device)}, {Str("bytes"), std::move(bytes)}});
}
EncodableValue Ticket(const std::string& device, size_t size, uint8_t fill = 0x1B) {
  return Ticket(Str(device), EncodableValue(std::vector<uint8_t>(size, fill)));
}

const std::vector<PrinterDevice> kDevices = {
    {"printer:Caisse 1", "Caisse 1 (imprimante Windows)"},
    {"serial:COM5", "COM5 (port Bluetooth / serie)"},
    {"usb:X", "X"},
    {"Serial:COM6", "COM6"},
    {"printer:Caf\xC3\xA9", "Caf\xC3\xA9 (imprimante Windows)"},
};
constexpr PostRetry kFastRetry{3, milliseconds(1), milliseconds(2)};

// "settings" opens the Bluetooth page at once, owned by the window; the shell's answer decides.
TEST(PrinterBridge, Settings) {
  const Bytes refused = ErrorReply("settings", kSettings);
  for (const auto& [answer, reply] : std::vector<std::pair<std::intptr_t, Bytes>>{
           {33, SuccessNull()}, {32, refused}, {-1, refused}}) {
    SCOPED_TRACE(answer);
    BridgeHarness h;
    h.shell->answer = answer;
    EXPECT_EQ(h.Reply(h.Call("settings", Str("ignored"))), reply);
    EXPECT_EQ(
        h.shell->calls,
        (std::vector<ShellCall>{{BridgeHarness::kWindow, L"open", L"ms-settings:bluetooth"}}));
    EXPECT_EQ(h.threads->started, 0);
  }
}

// Calls one after the other on one bridge: argument errors and unknown methods answered at once,
// "list" and "print" through a worker; each answered once with its own outcome (no stale list, no
// stale error), and the exact bytes reach the device.
TEST(PrinterBridge, RepliesInSequence) {
  struct Row {
    const char* name;
    const char* method;
    std::optional<EncodableValue> arguments;
    Bytes reply;
    std::optional<PrintRecord> printed = std::nullopt;
    std::string print_failure = "";
    std::string list_failure = "";
  };
  const std::string failure = "Envoi interrompu. Verifiez le ticket.";
  const Bytes failed = ErrorReply("printer", failure);
  const Bytes ticket_invalid = ErrorReply("arguments", kTicketInvalid);
  const Bytes data_invalid = ErrorReply("arguments", kDataInvalid);
  const Bytes raw = {0x00, 0x1B, 0x40, 0xFF, 0x0A};
  const Bytes one = {0x01};
  const std::vector<Row> rows = {
      {"list, order and UTF-8 kept", "list", Str("ignored"), ListReply(kDevices)},
      {"transport failure after a list", "print", Ticket("serial:COM5", 1), failed, {}, failure},
      {"list after a failed print", "list", std::nullopt, ListReply(kDevices)},
      {"discovery failure in a print", "print", Ticket("serial:COM5", 1), failed, {}, "", failure},
      {"one byte to a port after a failure", "print", Ticket("serial:COM5", 1), SuccessNull(),
       PrintRecord{"serial:COM5", {0x1B}, true}},
      {"raw bytes to a printer", "print", Ticket(Str("printer:Caisse 1"), EncodableValue(raw)),
       SuccessNull(), PrintRecord{"printer:Caisse 1", raw, false}},
      {"exactly 65536 bytes", "print", Ticket("serial:COM5", 65536, 0x41), SuccessNull(),
       PrintRecord{"serial:COM5", Bytes(65536, 0x41), true}},
      {"extra keys change nothing", "print",
       Map({{Str("device"), Str("serial:COM5")},
            {Str("bytes"), EncodableValue(Bytes{2, 3})},
            {Str("copies"), EncodableValue(3)},
            {EncodableValue(1), Str("x")}}),
       SuccessNull(), PrintRecord{"serial:COM5", {2, 3}, true}},
      {"id no longer listed", "print", Ticket("serial:COM9", 1), ErrorReply("printer", kGone)},
      {"empty id", "print", Ticket("", 1), ErrorReply("printer", kGone)},
      {"prefix of a listed id", "print", Ticket("serial:COM", 1), ErrorReply("printer", kGone)},
      {"listed id, unknown prefix", "print", Ticket("usb:X", 1), ErrorReply("printer", kUnknown)},
      {"prefix is case-sensitive", "print", Ticket("Serial:COM6", 1),
       ErrorReply("printer", kUnknown)},
      {"list, discovery failure", "list", std::nullopt, failed, {}, "", failure},
      {"unknown method", "List", std::nullopt, Bytes{}},
      {"print without arguments", "print", std::nullopt, ticket_invalid},
      {"print with a list", "print", EncodableValue(EncodableList{Str("serial:COM5")}),
       ticket_invalid},
      {"device is a number", "print", Ticket(EncodableValue(5), EncodableValue(one)), data_invalid},
      {"bytes as a general list", "print",
       Ticket(Str("serial:COM5"), EncodableValue(EncodableList{EncodableValue(27)})), data_invalid},
      {"bytes as 32-bit ints", "print",
       Ticket(Str("serial:COM5"), EncodableValue(std::vector<int32_t>{27})), data_invalid},
      {"bytes as 64-bit ints", "print",
       Ticket(Str("serial:COM5"), EncodableValue(std::vector<int64_t>{27})), data_invalid},
      {"no bytes at all", "print", Ticket("serial:COM5", 0), data_invalid},
      {"65537 bytes", "print", Ticket("serial:COM5", 65537), data_invalid},
      {"device missing", "print", Map({{Str("bytes"), EncodableValue(one)}}), data_invalid},
      {"bytes missing", "print", Map({{Str("device"), Str("serial:COM5")}}), data_invalid},
      {"keys that are not strings", "print",
       Map({{EncodableValue(Bytes{'d', 'e', 'v', 'i', 'c', 'e'}), Str("serial:COM5")},
            {EncodableValue(Bytes{'b', 'y', 't', 'e', 's'}), EncodableValue(one)}}),
       data_invalid},
  };
  BridgeHarness h;
  h.devices->SetDevices(kDevices);
  std::vector<PrintRecord> printed;
  size_t workers = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const bool at_once =
        row.reply.empty() || row.reply == ticket_invalid || row.reply == data_invalid;
    const int started = h.threads->started;
    h.devices->FailPrinting(row.print_failure);
    h.devices->FailListing(row.list_failure);
    int64_t id = h.Call(row.method, row.arguments);
    EXPECT_EQ(h.Reply(id).has_value(), at_once);
    ASSERT_TRUE(h.PumpUntilAnswered(id));
    EXPECT_EQ(h.Reply(id), row.reply);
    EXPECT_EQ(h.Responses(id), 1);
    EXPECT_EQ(h.threads->started - started, at_once ? 0 : 1);
    workers += at_once ? 0 : 1;
    if (row.printed) printed.push_back(*row.printed);
    EXPECT_EQ(h.devices->printed(), printed);
  }
  EXPECT_EQ(h.queue->windows(), std::vector<WindowHandle>(workers, BridgeHarness::kWindow));
}

// While an operation is pending (its worker still running, or its message posted but not yet
// handled) every call is refused "busy" and nothing else happens.
TEST(PrinterBridge, BusyWhilePending) {
  const std::vector<std::pair<const char*, std::optional<EncodableValue>>> calls = {
      {"list", std::nullopt},     {"print", Ticket("serial:COM5", 1)}, {"print", std::nullopt},
      {"settings", std::nullopt}, {"nope", EncodableValue(1)},
  };
  for (bool posted : {false, true}) {
    SCOPED_TRACE(posted ? "message posted, not yet handled" : "worker running");
    BridgeHarness h;
    h.devices->SetDevices(kDevices);
    h.devices->HoldPrints(!posted);
    int64_t pending = h.Call("print", Ticket("serial:COM5", 2));
    ASSERT_TRUE(posted ? h.queue->WaitForAttempts(1, milliseconds(10000))
                       : h.devices->WaitForEntered(1, milliseconds(10000)));
    for (const auto& [method, arguments] : calls) {
      SCOPED_TRACE(method);
      EXPECT_EQ(h.Reply(h.Call(method, arguments)), ErrorReply("busy", kBusy));
    }
    EXPECT_TRUE(h.shell->calls.empty());
    EXPECT_EQ(h.threads->started, 1);
    EXPECT_FALSE(h.Reply(pending));
    h.devices->HoldPrints(false);
    ASSERT_TRUE(h.PumpUntilAnswered(pending));
    EXPECT_EQ(h.Reply(pending), SuccessNull());
    EXPECT_EQ(h.devices->printed().size(), 1u);
    EXPECT_EQ(h.Reply(h.Call("settings")), SuccessNull());
  }
}

// Only the result message is consumed; with nothing pending it changes nothing.
TEST(PrinterBridge, WindowMessages) {
  BridgeHarness h;
  for (unsigned int message :
       {0x805Au, 0x8059u, 0x805Bu, 0x8000u, 0x005Au, 0u, 0x0113u, 0x1805Au}) {
    EXPECT_EQ(h.bridge->HandleWindowMessage(message), message == 0x805A) << message;
  }
  int64_t id = h.Call("list");
  EXPECT_FALSE(h.Reply(id));
  ASSERT_TRUE(h.PumpUntilAnswered(id));
  EXPECT_EQ(h.Reply(id), Bytes({0x00, 0x0C, 0x00}));
}

// The bridge goes while an operation is pending: a ticket being sent still goes out, a worker
// whose posts are refused stops retrying; nothing is posted or answered, and the worker lets go
// of everything it held.
TEST(PrinterBridge, DestroyedWhilePending) {
  for (bool refused_posts : {false, true}) {
    SCOPED_TRACE(refused_posts ? "posts refused, retrying" : "ticket being sent");
    BridgeHarness h(PostRetry{1000000, milliseconds(1), milliseconds(2)});
    h.devices->SetDevices(kDevices);
    h.devices->HoldPrints(!refused_posts);
    h.queue->RefuseNext(refused_posts ? -1 : 0);
    int64_t id = h.Call("print", Ticket("serial:COM5", 3));
    ASSERT_TRUE(refused_posts ? h.queue->WaitForAttempts(2, milliseconds(10000))
                              : h.devices->WaitForEntered(1, milliseconds(10000)));
    h.bridge.reset();
    h.devices->HoldPrints(false);
    for (int i = 0; i < 1000 && h.devices.use_count() > 1; ++i) {
      std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_EQ(h.devices.use_count(), 1);
    EXPECT_EQ(h.devices->printed().size(), 1u);
    EXPECT_EQ(h.queue->attempts() == 0, !refused_posts);
    EXPECT_FALSE(h.Reply(id));
    EXPECT_EQ(h.Responses(id), 0);
  }
}

// No thread for the worker: the call is answered at once and the bridge is Idle again.
TEST(PrinterBridge, ThreadStartRefused) {
  for (const char* method : {"list", "print"}) {
    SCOPED_TRACE(method);
    BridgeHarness h;
    h.devices->SetDevices(kDevices);
    h.threads->refuse = true;
    std::optional<EncodableValue> arguments;
    if (std::string(method) == "print") arguments = Ticket("serial:COM5", 1);
    EXPECT_EQ(h.Reply(h.Call(method, arguments)), ErrorReply("printer", kNoWorker));
    h.threads->refuse = false;
    int64_t next = h.Call("list");
    ASSERT_TRUE(h.PumpUntilAnswered(next));
    EXPECT_EQ(h.Reply(next), ListReply(kDevices));
  }
}

// Refused posts: retried while the bridge lives; if every retry is refused, the window's thread
// answers at the next message it sees or at the next call, which is then served normally.
TEST(PrinterBridge, PostRefused) {
  enum Delivery { kPostedLater, kNextWindowMessage, kNextCall };
  const struct {
    const char* name;
    int refusals;
    Delivery delivery;
  } rows[] = {{"refused twice, then posted", 2, kPostedLater},
              {"always refused, next window message", -1, kNextWindowMessage},
              {"always refused, next call", -1, kNextCall}};
  for (const auto& [name, refusals, delivery] : rows) {
    SCOPED_TRACE(name);
    BridgeHarness h(kFastRetry);
    h.devices->SetDevices(kDevices);
    h.queue->RefuseNext(refusals);
    int64_t id = h.Call("list");
    if (delivery == kPostedLater) {
      ASSERT_TRUE(h.PumpUntilAnswered(id));
    } else {
      ASSERT_TRUE(h.queue->WaitForAttempts(3, milliseconds(10000)));
      std::optional<int64_t> next;
      for (int i = 0; i < 1000 && !h.Reply(id); ++i) {
        if (delivery == kNextWindowMessage) {
          EXPECT_FALSE(h.bridge->HandleWindowMessage(0x0113));
        } else {
          int64_t call = h.Call("settings");
          if (h.Reply(id)) {
            next = call;
            break;
          }
          EXPECT_EQ(h.Reply(call), ErrorReply("busy", kBusy));
        }
        std::this_thread::sleep_for(milliseconds(5));
      }
      EXPECT_EQ(h.Reply(next.value_or(0)) == SuccessNull(), delivery == kNextCall);
    }
    EXPECT_EQ(h.Reply(id), ListReply(kDevices));
    EXPECT_EQ(h.Responses(id), 1);
    EXPECT_EQ(h.queue->attempts(), 3);
  }
}

// Thousands of mixed calls with random delays and failures of every platform piece: every call is
// answered exactly once, and "busy" only while an operation is pending.
TEST(PrinterBridge, RandomSequence) {
  const Bytes busy = ErrorReply("busy", kBusy);
  const Bytes malformed = {0x03, 0x01, 0x00, 0x00, 0x00};
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    BridgeHarness h(kFastRetry);
    h.devices->SetDevices(kDevices);
    int64_t pending = 0;  // the call whose operation is pending; 0: Idle
    for (int step = 0; step < 1500; ++step) {
      h.devices->SetDelay(milliseconds(random() % 3));
      h.devices->FailPrinting(chance(20) ? "Hors ligne." : "");
      h.devices->FailListing(chance(10) ? "Plus de memoire." : "");
      h.threads->refuse = chance(5);
      if (chance(10)) h.queue->RefuseNext(static_cast<int>(random() % 5));
      if (chance(10)) h.shell->answer = chance(50) ? 2 : 42;

      const int kind = static_cast<int>(random() % 7);
      const std::vector<std::pair<const char*, std::optional<EncodableValue>>> calls = {
          {"list", std::nullopt},
          {"print", Ticket("serial:COM5", 1 + random() % 64)},
          {"print", Ticket("serial:COM9", 1)},
          {"print", Ticket("serial:COM5", 0)},
          {"settings", std::nullopt},
          {"scan", std::nullopt},
      };
      int64_t id =
          kind == 6 ? h.CallBytes(malformed) : h.Call(calls[kind].first, calls[kind].second);
      ASSERT_GT(id, 0);
      if (pending && h.Reply(pending)) pending = 0;  // answered on this call's way in
      std::optional<Bytes> reply = h.Reply(id);
      if (kind == 6) {
        ASSERT_EQ(reply, Bytes{});  // not a call: the channel answers before the bridge sees it
      } else if (pending) {
        ASSERT_EQ(reply, busy);
      } else if (kind <= 2 && !reply) {
        pending = id;
      } else {
        ASSERT_TRUE(reply);
        ASSERT_NE(*reply, busy);
      }
      if (pending && chance(60)) {
        if (auto message = h.queue->Take(milliseconds(random() % 4))) {
          h.bridge->HandleWindowMessage(*message);
        }
        if (h.Reply(pending)) pending = 0;
      }
    }
    ASSERT_TRUE(!pending || h.PumpUntilAnswered(pending, milliseconds(10000), true));
    for (int64_t id : h.ids) ASSERT_EQ(h.Responses(id), 1) << "call " << id;
    h.shell->answer = 42;
    EXPECT_EQ(h.Reply(h.Call("settings")), SuccessNull());
  }
}

}  // namespace
