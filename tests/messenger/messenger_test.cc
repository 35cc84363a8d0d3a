// The binary messenger over the stand-in engine, which ends the run on any breach of the engine
// library's contract (a second response, a response without the lock, a registration left behind
// when the engine ends, ...). The method channel runs in the bridge and end-to-end suites.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "standins/engine/standin_engine_handle.h"
#include "tests/test_util.h"

namespace flutter {
namespace {

using namespace ::quenbrel_test;  // NOLINT: test helpers

const char kDuplicate[] = "Error: Response can be set only once. Ignoring duplicate response.";

// A handler that answers every message with the one byte |tag|.
ChannelMessageHandler TaggedHandler(uint8_t tag) {
  return [tag](const uint8_t*, size_t, ReplyCallback reply) { reply(&tag, 1); };
}

void RawCallback(FlutterDesktopMessengerRef, const FlutterDesktopMessage*, void*) {}

// The reply a row expects: none, or the bytes.
std::optional<Bytes> Reply(const std::string& hex) {
  return hex == "none" ? std::nullopt : std::optional<Bytes>(Hex(hex));
}

// Installing, replacing (same registered address, new handler) and removing a channel's handler,
// and a handler that replaces or removes its own channel while it runs.
TEST(BinaryMessengerImpl, Registry) {
  for (const Lines& row : Cases("messenger_cases.txt", "registry")) {
    SCOPED_TRACE(row[2]);
    const std::string& ops = row[0];
    StandinEngineHandle engine;
    BinaryMessengerImpl messenger(engine.messenger());
    messenger.SetMessageHandler("other", TaggedHandler(3));
    std::vector<void*> addresses;  // registered since the last removal: all the same
    for (char op : ops) {
      const std::string tag = std::string(64, op);  // outlives the call only inside the handler
      if (op == 'R') FlutterDesktopMessengerSetCallback(engine.messenger(), "c", RawCallback, 0);
      if (op == '1' || op == '2') messenger.SetMessageHandler("c", TaggedHandler(op - '0'));
      if (op == 'r') messenger.SetMessageHandler("c", nullptr);
      if (op == 't' || op == 'T') {  // a handler that fails, before or after it answers
        messenger.SetMessageHandler("c", [op](const uint8_t*, size_t, ReplyCallback reply) {
          if (op == 'T') reply(reinterpret_cast<const uint8_t*>("T"), 1);
          throw std::bad_alloc();
        });
      }
      if (op == 's' || op == 'x') {
        messenger.SetMessageHandler(
            "c", [&messenger, op, tag](const uint8_t*, size_t, ReplyCallback reply) {
              messenger.SetMessageHandler("c", op == 's' ? TaggedHandler(2) : nullptr);
              const uint8_t first = static_cast<uint8_t>(tag[63]);  // still alive
              reply(&first, 1);
            });
        EXPECT_EQ(engine.Reply(engine.Inject("c", {})), Bytes{static_cast<uint8_t>(op)});
      }
      void* user_data = nullptr;
      if (op == 'r') addresses.clear();
      if (op != 'R' && StandinEngineGetRegistration(engine.engine(), "c", &user_data)) {
        addresses.push_back(user_data);
      }
    }
    for (void* address : addresses) EXPECT_EQ(address, addresses.front());
    EXPECT_EQ(engine.Reply(engine.Inject("c", {0x07})), Reply(row[1]));
    EXPECT_EQ(engine.Reply(engine.Inject("other", {0x07})), Bytes{3}) << "registry unchanged";
    messenger.SetMessageHandler("c", nullptr);
    messenger.SetMessageHandler("other", nullptr);
  }
}

// A reply, however many copies it has: the first call sends, later ones log; after the engine
// stopped nothing is sent. One messenger reference serves all copies; the last gives it back.
TEST(BinaryMessengerImpl, Replies) {
  for (const Lines& row : Cases("messenger_cases.txt", "replies")) {
    SCOPED_TRACE(row[3]);
    const std::string& actions = row[0];
    StandinEngineHandle engine;
    StandinEngineSetLockless(engine.engine(), actions == "P");
    FlutterDesktopMessengerRef core = engine.messenger();
    BinaryMessengerImpl messenger(core);
    ReplyCallback kept;
    messenger.SetMessageHandler(
        "c", [&kept](const uint8_t*, size_t, ReplyCallback reply) { kept = std::move(reply); });
    const int64_t id = engine.Inject("c", {});
    ReplyCallback copy = kept;
    EXPECT_EQ(StandinEngineMessengerReferences(core), 2);
    const Lines log = Logged([&] {
      for (char action : actions) {
        const uint8_t byte = action == 'c' || action == 'C' ? 0xCD : 0xAB;
        if (action == 's') StandinEngineShutDown(engine.engine());
        if (action == 'P') {  // a copy answers on another thread at the same time
          std::thread other([&copy, byte] { copy(&byte, 1); });
          kept(&byte, 1);
          other.join();
        } else if (action != 's') {
          (action == 'C' ? copy : kept)(action == 'e' ? nullptr : &byte, action != 'e');
        }
      }
    });
    EXPECT_EQ(log, row[2].empty() ? Lines() : Lines{kDuplicate});
    EXPECT_EQ(engine.Reply(id), Reply(row[1]));
    kept = nullptr;
    EXPECT_EQ(StandinEngineMessengerReferences(core), 2);
    copy = nullptr;
    EXPECT_EQ(StandinEngineMessengerReferences(core), 1);
    if (actions.find('s') == std::string::npos) messenger.SetMessageHandler("c", nullptr);
  }
}

// A message goes out once, asking for a reply only when there is one; the reply runs once when
// answered and is let go then (even when it fails), or at once when the engine refuses the message.
TEST(BinaryMessengerImpl, Sends) {
  for (int row = 0; row < 6; ++row) {
    const bool with_reply = row & 1, refused = row & 2, throws = row & 4;
    SCOPED_TRACE(row);
    StandinEngineHandle engine;
    BinaryMessengerImpl messenger(engine.messenger());
    StandinEngineSetRefuseSends(engine.engine(), refused);
    auto alive = std::make_shared<int>(0);  // held by the reply: tells when it is gone
    std::vector<Bytes> answers;
    ReplyCallback reply = [alive, &answers, throws](const uint8_t* data, size_t size) {
      answers.emplace_back(data, data + size);
      if (throws) throw std::bad_alloc();  // stopped before it reaches the engine
    };
    const Bytes message{1, 2, 3};
    messenger.Send("c", message.data(), message.size(), with_reply ? reply : nullptr);
    reply = nullptr;
    ASSERT_EQ(StandinEngineSentCount(engine.engine()), refused ? 0u : 1u);
    EXPECT_EQ(alive.use_count(), with_reply && !refused ? 2 : 1);
    const uint8_t* sent = nullptr;
    size_t size = 0;
    bool wants_reply = with_reply;
    StandinEngineGetSent(engine.engine(), 0, nullptr, &sent, &size, &wants_reply);
    EXPECT_EQ(Bytes(sent, sent + size), refused ? Bytes() : message);
    EXPECT_EQ(wants_reply, with_reply);
    StandinEngineAnswerSent(engine.engine(), 0, message.data(), 1);  // none when refused
    EXPECT_EQ(answers, with_reply && !refused ? std::vector<Bytes>{{1}} : std::vector<Bytes>{});
    EXPECT_EQ(alive.use_count(), 1) << "the reply copy is gone";
  }
}

}  // namespace
}  // namespace flutter
