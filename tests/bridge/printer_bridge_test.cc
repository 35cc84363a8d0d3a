// The printer channel as the application sees it: call bytes in, reply envelope bytes out.
#include "printer/printer_bridge.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/bridge/bridge_harness.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using std::chrono::milliseconds;

const std::string kBusy = "Une operation imprimante est deja en cours.";
const std::string kSettings = "Ouvrez les parametres Bluetooth de Windows.";
const std::string kTicketInvalid = "Ticket invalide.";
const std::string kDataInvalid = "Donnees d\xE2\x80\x99impression invalides.";
const std::string kGone =
    "Cette imprimante n\xE2\x80\x99"
    "est plus installee sur cet appareil.";
const std::string kUnknown = "Imprimante inconnue.";

EncodableValue Str(const char* text) { return EncodableValue(std::string(text)); }

EncodableValue Ticket(EncodableValue device, EncodableValue bytes) {
  return EncodableValue(
      EncodableMap{{Str("device"), std::move(device)}, {Str("bytes"), std::move(bytes)}});
}

EncodableValue ByteList(size_t count, uint8_t fill = 0x1B) {
  return EncodableValue(std::vector<uint8_t>(count, fill));
}

const std::vector<PrinterDevice> kDevices = {
    {"printer:Caisse 1", "Caisse 1 (imprimante Windows)"},
    {"serial:COM5", "COM5 (port Bluetooth / serie)"},
    {"usb:X", "X"},
    {"Serial:COM6", "COM6"},
};

// Calls that are answered at once by an Idle bridge, without starting a worker.
TEST(PrinterBridge, IdleCallsAnsweredAtOnce) {
  struct Row {
    const char* name;
    const char* method;
    std::optional<EncodableValue> arguments;
    std::intptr_t shell_answer;
    Bytes reply;
  };
  const std::vector<Row> rows = {
      {"settings opened", "settings", std::nullopt, 42, SuccessNull()},
      {"settings arguments ignored", "settings", Str("x"), 33, SuccessNull()},
      {"settings refused at 32", "settings", std::nullopt, 32, ErrorReply("settings", kSettings)},
      {"settings negative answer", "settings", std::nullopt, -1, ErrorReply("settings", kSettings)},
      {"unknown method", "List", std::nullopt, 42, Bytes{}},
      {"unknown method with arguments", "scan", EncodableValue(5), 42, Bytes{}},
      {"print without arguments", "print", std::nullopt, 42,
       ErrorReply("arguments", kTicketInvalid)},
      {"print with a list", "print", EncodableValue(EncodableList{Str("serial:COM5")}), 42,
       ErrorReply("arguments", kTicketInvalid)},
      {"print with a string", "print", Str("serial:COM5"), 42,
       ErrorReply("arguments", kTicketInvalid)},
      {"device is a number", "print", Ticket(EncodableValue(5), ByteList(3)), 42,
       ErrorReply("arguments", kDataInvalid)},
      {"bytes as a general list", "print",
       Ticket(Str("serial:COM5"),
              EncodableValue(EncodableList{EncodableValue(27), EncodableValue(64)})),
       42, ErrorReply("arguments", kDataInvalid)},
      {"bytes as 32-bit ints", "print",
       Ticket(Str("serial:COM5"), EncodableValue(std::vector<int32_t>{27, 64})), 42,
       ErrorReply("arguments", kDataInvalid)},
      {"bytes as 64-bit ints", "print",
       Ticket(Str("serial:COM5"), EncodableValue(std::vector<int64_t>{27, 64})), 42,
       ErrorReply("arguments", kDataInvalid)},
      {"no bytes at all", "print", Ticket(Str("serial:COM5"), ByteList(0)), 42,
       ErrorReply("arguments", kDataInvalid)},
      {"65537 bytes", "print", Ticket(Str("serial:COM5"), ByteList(65537)), 42,
       ErrorReply("arguments", kDataInvalid)},
      {"device missing", "print", EncodableValue(EncodableMap{{Str("bytes"), ByteList(3)}}), 42,
       ErrorReply("arguments", kDataInvalid)},
      {"bytes missing", "print", EncodableValue(EncodableMap{{Str("device"), Str("serial:COM5")}}),
       42, ErrorReply("arguments", kDataInvalid)},
      {"keys that are not strings", "print",
       EncodableValue(EncodableMap{
           {EncodableValue(std::vector<uint8_t>{'d', 'e', 'v', 'i', 'c', 'e'}), Str("serial:COM5")},
           {EncodableValue(std::vector<uint8_t>{'b', 'y', 't', 'e', 's'}), ByteList(3)}}),
       42, ErrorReply("arguments", kDataInvalid)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BridgeHarness h;
    h.shell->answer = row.shell_answer;
    int64_t id = row.arguments ? h.Call(row.method, *row.arguments) : h.Call(row.method);
    EXPECT_EQ(h.Reply(id), row.reply);
    EXPECT_EQ(h.threads->started, 0);
    bool settings = std::string(row.method) == "settings";
    ASSERT_EQ(h.shell->calls.size(), settings ? 1u : 0u);
    if (settings) {
      EXPECT_EQ(h.shell->calls[0].owner, BridgeHarness::kWindow);
      EXPECT_EQ(h.shell->calls[0].verb, L"open");
      EXPECT_EQ(h.shell->calls[0].file, L"ms-settings:bluetooth");
    }
  }
}

// "print" through the worker: what the application is answered and what reaches the device.
TEST(PrinterBridge, PrintOutcomes) {
  struct Row {
    const char* name;
    EncodableValue arguments;
    std::string print_failure;
    std::string list_failure;
    Bytes reply;
    std::vector<PrintRecord> printed;
  };
  const std::vector<uint8_t> raw = {0x00, 0x1B, 0x40, 0xFF, 0x0A};
  const std::string failure = "Envoi interrompu. Verifiez le ticket.";
  const std::vector<Row> rows = {
      {"one byte to a port",
       Ticket(Str("serial:COM5"), ByteList(1)),
       "",
       "",
       SuccessNull(),
       {{"serial:COM5", {0x1B}, true}}},
      {"raw bytes to a printer",
       Ticket(Str("printer:Caisse 1"), EncodableValue(raw)),
       "",
       "",
       SuccessNull(),
       {{"printer:Caisse 1", raw, false}}},
      {"exactly 65536 bytes",
       Ticket(Str("serial:COM5"), ByteList(65536, 0x41)),
       "",
       "",
       SuccessNull(),
       {{"serial:COM5", std::vector<uint8_t>(65536, 0x41), true}}},
      {"extra keys change nothing",
       EncodableValue(EncodableMap{{Str("device"), Str("serial:COM5")},
                                   {Str("bytes"), ByteList(2)},
                                   {Str("copies"), EncodableValue(3)},
                                   {EncodableValue(1), Str("x")}}),
       "",
       "",
       SuccessNull(),
       {{"serial:COM5", {0x1B, 0x1B}, true}}},
      {"id no longer listed",
       Ticket(Str("serial:COM9"), ByteList(1)),
       "",
       "",
       ErrorReply("printer", kGone),
       {}},
      {"empty id", Ticket(Str(""), ByteList(1)), "", "", ErrorReply("printer", kGone), {}},
      {"prefix of a listed id",
       Ticket(Str("serial:COM"), ByteList(1)),
       "",
       "",
       ErrorReply("printer", kGone),
       {}},
      {"listed id without a known prefix",
       Ticket(Str("usb:X"), ByteList(1)),
       "",
       "",
       ErrorReply("printer", kUnknown),
       {}},
      {"prefix is case-sensitive",
       Ticket(Str("Serial:COM6"), ByteList(1)),
       "",
       "",
       ErrorReply("printer", kUnknown),
       {}},
      {"transport failure word for word",
       Ticket(Str("serial:COM5"), ByteList(1)),
       failure,
       "",
       ErrorReply("printer", failure),
       {}},
      {"discovery failure word for word",
       Ticket(Str("serial:COM5"), ByteList(1)),
       "",
       failure,
       ErrorReply("printer", failure),
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BridgeHarness h;
    h.devices->SetDevices(kDevices);
    h.devices->FailPrinting(row.print_failure);
    h.devices->FailListing(row.list_failure);
    int64_t id = h.Call("print", row.arguments);
    ASSERT_TRUE(h.PumpUntilAnswered(id));
    EXPECT_EQ(h.Reply(id), row.reply);
    std::vector<PrintRecord> printed = h.devices->printed();
    ASSERT_EQ(printed.size(), row.printed.size());
    for (size_t i = 0; i < printed.size(); ++i) {
      EXPECT_EQ(printed[i].id, row.printed[i].id);
      EXPECT_EQ(printed[i].bytes, row.printed[i].bytes);
      EXPECT_EQ(printed[i].serial, row.printed[i].serial);
    }
    EXPECT_EQ(h.queue->windows(), std::vector<WindowHandle>{BridgeHarness::kWindow});
  }
}

TEST(PrinterBridge, ListReplies) {
  struct Row {
    const char* name;
    std::vector<PrinterDevice> devices;
    std::string list_failure;
    Bytes reply;
  };
  const std::vector<PrinterDevice> mixed = {
      {"printer:A", "A (imprimante Windows)"},
      {"printer:Caf\xC3\xA9", "Caf\xC3\xA9 (imprimante Windows)"},
      {"serial:COM3", "COM3 (port Bluetooth / serie)"},
  };
  const std::vector<Row> rows = {
      {"nothing installed", {}, "", Bytes{0x00, 0x0C, 0x00}},
      {"a port is a windows transport", {kDevices[1]}, "", ListReply({kDevices[1]})},
      {"order and UTF-8 kept", mixed, "", ListReply(mixed)},
      {"discovery failure", mixed, "Plus de memoire.", ErrorReply("printer", "Plus de memoire.")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BridgeHarness h;
    h.devices->SetDevices(row.devices);
    h.devices->FailListing(row.list_failure);
    int64_t id = h.Call("list", Str("ignored"));
    ASSERT_TRUE(h.PumpUntilAnswered(id));
    EXPECT_EQ(h.Reply(id), row.reply);
  }
}

// Each outcome is answered once and only for its own operation: no stale list, no stale error.
TEST(PrinterBridge, OutcomesInSequence) {
  struct Row {
    const char* method;
    std::optional<EncodableValue> arguments;
    std::string print_failure;
    Bytes reply;
  };
  const Bytes list = ListReply(kDevices);
  const std::vector<Row> rows = {
      {"list", std::nullopt, "", list},
      {"print", Ticket(Str("serial:COM9"), ByteList(1)), "", ErrorReply("printer", kGone)},
      {"list", std::nullopt, "", list},
      {"print", Ticket(Str("serial:COM5"), ByteList(1)), "", SuccessNull()},
      {"print", Ticket(Str("serial:COM5"), ByteList(1)), "Hors ligne.",
       ErrorReply("printer", "Hors ligne.")},
      {"print", Ticket(Str("printer:Caisse 1"), ByteList(1)), "", SuccessNull()},
      {"list", std::nullopt, "", list},
  };
  BridgeHarness h;
  h.devices->SetDevices(kDevices);
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i) + " " + rows[i].method);
    h.devices->FailPrinting(rows[i].print_failure);
    int64_t id =
        rows[i].arguments ? h.Call(rows[i].method, *rows[i].arguments) : h.Call(rows[i].method);
    ASSERT_TRUE(h.PumpUntilAnswered(id));
    EXPECT_EQ(h.Reply(id), rows[i].reply);
    EXPECT_EQ(h.Responses(id), 1);
  }
}

// While an operation is pending (its worker still running, or its message posted but not yet
// handled) every call is refused "busy" and nothing else happens.
TEST(PrinterBridge, BusyWhilePending) {
  struct Call {
    const char* method;
    std::optional<EncodableValue> arguments;
  };
  const std::vector<Call> calls = {
      {"list", std::nullopt},      {"print", Ticket(Str("serial:COM5"), ByteList(1))},
      {"print", std::nullopt},     {"settings", std::nullopt},
      {"nope", EncodableValue(1)},
  };
  for (bool posted : {false, true}) {
    SCOPED_TRACE(posted ? "message posted, not yet handled" : "worker running");
    BridgeHarness h;
    h.devices->SetDevices(kDevices);
    h.devices->HoldPrints(!posted);
    int64_t pending = h.Call("print", Ticket(Str("serial:COM5"), ByteList(2)));
    if (posted) {
      ASSERT_TRUE(h.queue->WaitForAttempts(1, milliseconds(10000)));
    } else {
      ASSERT_TRUE(h.devices->WaitForEntered(1, milliseconds(10000)));
    }
    for (const Call& call : calls) {
      SCOPED_TRACE(call.method);
      int64_t id = call.arguments ? h.Call(call.method, *call.arguments) : h.Call(call.method);
      EXPECT_EQ(h.Reply(id), ErrorReply("busy", kBusy));
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

TEST(PrinterBridge, WindowMessages) {
  struct Row {
    unsigned int message;
    bool consumed;
  };
  const std::vector<Row> rows = {
      {0x805A, true},  {0x8059, false}, {0x805B, false}, {0x8000, false},
      {0x005A, false}, {0x0000, false}, {0x0113, false}, {0x1805A, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    BridgeHarness h;
    EXPECT_EQ(h.bridge->HandleWindowMessage(row.message), row.consumed);
    // Nothing was pending, so nothing changed: the bridge is still Idle.
    int64_t id = h.Call("list");
    EXPECT_FALSE(h.Reply(id));
    ASSERT_TRUE(h.PumpUntilAnswered(id));
    EXPECT_EQ(h.Reply(id), Bytes({0x00, 0x0C, 0x00}));
  }
}

// The bridge goes while a ticket is being sent: the ticket still goes out, nothing is posted or
// answered, and the worker lets go of everything it held.
TEST(PrinterBridge, DestroyedDuringPrint) {
  BridgeHarness h;
  h.devices->SetDevices(kDevices);
  h.devices->HoldPrints(true);
  int64_t id = h.Call("print", Ticket(Str("serial:COM5"), ByteList(3)));
  ASSERT_TRUE(h.devices->WaitForEntered(1, milliseconds(10000)));
  h.DestroyBridge();
  h.devices->HoldPrints(false);
  for (int i = 0; i < 1000 && h.devices.use_count() > 1; ++i) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  EXPECT_EQ(h.devices.use_count(), 1);
  EXPECT_EQ(h.devices->printed().size(), 1u);
  EXPECT_EQ(h.queue->attempts(), 0);
  EXPECT_FALSE(h.Reply(id));
  EXPECT_EQ(h.Responses(id), 0);
}

}  // namespace
