// The worker and the hand-off when the platform lets the bridge down, and a long random run.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "printer/printer_bridge.h"
#include "tests/bridge/bridge_harness.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;
using std::chrono::milliseconds;

const std::string kBusy = "Une operation imprimante est deja en cours.";
const std::string kNoWorker = "Impossible de lancer l\xE2\x80\x99operation imprimante.";
const std::vector<PrinterDevice> kDevices = {{"serial:COM5", "COM5 (port Bluetooth / serie)"}};

EncodableValue Ticket(const std::string& device, size_t size) {
  return EncodableValue(EncodableMap{
      {EncodableValue(std::string("device")), EncodableValue(device)},
      {EncodableValue(std::string("bytes")), EncodableValue(std::vector<uint8_t>(size, 0x1B))}});
}

constexpr PostRetry kFastRetry{3, milliseconds(1), milliseconds(2)};

// No thread for the worker: the call is answered at once and the bridge is Idle again.
TEST(PrinterWorker, ThreadStartRefused) {
  for (const char* method : {"list", "print"}) {
    SCOPED_TRACE(method);
    BridgeHarness h;
    h.devices->SetDevices(kDevices);
    h.threads->refuse = true;
    int64_t id =
        std::string(method) == "list" ? h.Call("list") : h.Call("print", Ticket("serial:COM5", 1));
    EXPECT_EQ(h.Reply(id), ErrorReply("printer", kNoWorker));
    h.threads->refuse = false;
    int64_t next = h.Call("list");
    ASSERT_TRUE(h.PumpUntilAnswered(next));
    EXPECT_EQ(h.Reply(next), ListReply(kDevices));
  }
}

// Refused posts: retried while the bridge lives; if every retry is refused, the window's thread
// answers at the next message it sees or at the next call, which is then served normally.
TEST(PrinterWorker, PostRefused) {
  enum Delivery { kPostedLater, kNextWindowMessage, kNextCall };
  struct Row {
    const char* name;
    int refusals;
    Delivery delivery;
  };
  const std::vector<Row> rows = {
      {"refused twice, then posted", 2, kPostedLater},
      {"always refused, next window message", -1, kNextWindowMessage},
      {"always refused, next call", -1, kNextCall},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BridgeHarness h(kFastRetry);
    h.devices->SetDevices(kDevices);
    h.queue->RefuseNext(row.refusals);
    int64_t id = h.Call("list");
    std::optional<int64_t> next;
    switch (row.delivery) {
      case kPostedLater:
        ASSERT_TRUE(h.PumpUntilAnswered(id));
        EXPECT_EQ(h.queue->attempts(), 3);
        break;
      case kNextWindowMessage:
        ASSERT_TRUE(h.queue->WaitForAttempts(3, milliseconds(10000)));
        for (int i = 0; i < 1000 && !h.Reply(id); ++i) {
          EXPECT_FALSE(h.bridge->HandleWindowMessage(0x0113));
          std::this_thread::sleep_for(milliseconds(5));
        }
        break;
      case kNextCall:
        ASSERT_TRUE(h.queue->WaitForAttempts(3, milliseconds(10000)));
        for (int i = 0; i < 1000 && !h.Reply(id); ++i) {
          int64_t call = h.Call("settings");
          if (h.Reply(id)) {
            next = call;
          } else {
            EXPECT_EQ(h.Reply(call), ErrorReply("busy", kBusy));
            std::this_thread::sleep_for(milliseconds(5));
          }
        }
        ASSERT_TRUE(next);
        EXPECT_EQ(h.Reply(*next), SuccessNull());
        break;
    }
    EXPECT_EQ(h.Reply(id), ListReply(kDevices));
    EXPECT_EQ(h.Responses(id), 1);
    EXPECT_EQ(h.queue->attempts(), 3);
  }
}

// A worker whose bridge is gone stops retrying.
TEST(PrinterWorker, RetriesStopWithTheBridge) {
  BridgeHarness h(PostRetry{1000000, milliseconds(1), milliseconds(2)});
  h.queue->RefuseNext(-1);
  h.Call("list");
  ASSERT_TRUE(h.queue->WaitForAttempts(2, milliseconds(10000)));
  h.DestroyBridge();
  int after = h.queue->attempts();
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_LE(h.queue->attempts(), after + 1);
}

// Thousands of mixed calls with random delays and failures of every platform piece: every call is
// answered exactly once, and "busy" only while an operation is pending.
TEST(PrinterWorker, RandomSequence) {
  const Bytes busy = ErrorReply("busy", kBusy);
  const Bytes malformed = {0x03, 0x01, 0x00, 0x00, 0x00};
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    BridgeHarness h(kFastRetry);
    h.devices->SetDevices(kDevices);
    std::vector<int64_t> ids;
    int64_t pending = 0;  // the call whose operation is pending; 0: Idle
    for (int step = 0; step < 1500; ++step) {
      h.devices->SetDelay(milliseconds(random() % 3));
      h.devices->FailPrinting(chance(20) ? "Hors ligne." : "");
      h.devices->FailListing(chance(10) ? "Plus de memoire." : "");
      h.threads->refuse = chance(5);
      if (chance(10)) h.queue->RefuseNext(static_cast<int>(random() % 5));
      if (chance(10)) h.shell->answer = chance(50) ? 2 : 42;

      int kind = static_cast<int>(random() % 7);
      int64_t id = 0;
      switch (kind) {
        case 0:
          id = h.Call("list");
          break;
        case 1:
          id = h.Call("print", Ticket("serial:COM5", 1 + random() % 64));
          break;
        case 2:
          id = h.Call("print", Ticket("serial:COM9", 1));
          break;
        case 3:
          id = h.Call("print", Ticket("serial:COM5", 0));
          break;
        case 4:
          id = h.Call("settings");
          break;
        case 5:
          id = h.Call("scan");
          break;
        default:
          id = h.CallBytes(malformed);
          break;
      }
      ASSERT_GT(id, 0);
      ids.push_back(id);
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
    if (pending) {
      ASSERT_TRUE(h.PumpUntilAnswered(pending, milliseconds(10000), true));
    }
    for (int64_t id : ids) {
      ASSERT_EQ(h.Responses(id), 1) << "call " << id;
    }
    h.shell->answer = 42;
    EXPECT_EQ(h.Reply(h.Call("settings")), SuccessNull());
  }
}

}  // namespace
