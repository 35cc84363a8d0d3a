#include "channel/binary_messenger_impl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/messenger/standin_engine_handle.h"

namespace flutter {
namespace {

const char kDuplicateLine[] =
    "Error: Response can be set only once. Ignoring duplicate response.\n";

// A handler that answers every message with the one byte |tag|, naming itself in the reply.
ChannelMessageHandler TaggedHandler(uint8_t tag) {
  return [tag](const uint8_t*, size_t, ReplyCallback reply) { reply(&tag, 1); };
}

// A registration made directly with the engine, outside any messenger object.
void RawCallback(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                 void*) {
  const uint8_t tag = 9;
  FlutterDesktopMessengerLock(messenger);
  FlutterDesktopMessengerSendResponse(messenger, message->response_handle, &tag, 1);
  FlutterDesktopMessengerUnlock(messenger);
}

TEST(BinaryMessengerImplTest, RegistryTable) {
  enum Op { kSet1, kSet2, kRemove, kRawRegister };
  struct Row {
    const char* name;
    std::vector<Op> ops;
    std::optional<Bytes> reply;  // what a message on the channel gets back afterwards
  };
  const Row rows[] = {
      {"install", {kSet1}, Bytes{1}},
      {"second handler replaces the first", {kSet1, kSet2}, Bytes{2}},
      {"remove", {kSet1, kRemove}, Bytes{}},
      {"remove without handler clears the engine's registration", {kRawRegister, kRemove}, Bytes{}},
      {"install again after removal", {kSet1, kRemove, kSet2}, Bytes{2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandinEngineHandle engine;
    BinaryMessengerImpl messenger(engine.messenger());
    messenger.SetMessageHandler("other", TaggedHandler(3));
    std::vector<void*> addresses;  // registered since the last removal: all the same
    for (Op op : row.ops) {
      if (op == kRawRegister) {
        FlutterDesktopMessengerSetCallback(engine.messenger(), "c", RawCallback, nullptr);
      } else {
        messenger.SetMessageHandler(
            "c",
            op == kRemove ? nullptr : TaggedHandler(static_cast<uint8_t>(op == kSet1 ? 1 : 2)));
      }
      if (op == kRemove) addresses.clear();  // a new entry may live elsewhere
      void* user_data = nullptr;
      if (op != kRemove && op != kRawRegister &&
          StandinEngineGetRegistration(engine.engine(), "c", &user_data)) {
        addresses.push_back(user_data);
      }
    }
    for (void* address : addresses) EXPECT_EQ(address, addresses.front());
    EXPECT_EQ(StandinEngineGetRegistration(engine.engine(), "c", nullptr), row.reply != Bytes{});
    EXPECT_EQ(engine.Reply(engine.Inject("c", {0x07})), row.reply);
    EXPECT_EQ(engine.Reply(engine.Inject("other", {0x07})), Bytes{3}) << "registry unchanged";
  }
}

TEST(BinaryMessengerImplTest, ReplyTable) {
  enum Action { kAnswerAb, kAnswerCd, kAnswerEmpty, kAnswerCopyCd, kShutDown, kDestroy };
  struct Row {
    const char* name;
    std::vector<Action> actions;
    std::optional<Bytes> reply;
    int response_calls;
    std::string log;
  };
  const Row rows[] = {
      {"answered once", {kAnswerAb}, Bytes{0xAB}, 1, ""},
      {"empty reply", {kAnswerEmpty}, Bytes{}, 1, ""},
      {"answered twice", {kAnswerAb, kAnswerCd}, Bytes{0xAB}, 1, kDuplicateLine},
      {"answered through two copies", {kAnswerAb, kAnswerCopyCd}, Bytes{0xAB}, 1, kDuplicateLine},
      {"answered after the engine stopped", {kShutDown, kAnswerAb}, std::nullopt, 0, ""},
      {"answered after the engine ended", {kDestroy, kAnswerAb}, std::nullopt, 0, ""},
      {"never answered", {}, std::nullopt, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandinEngineResetCounters();
    StandinEngineHandle engine;
    FlutterDesktopMessengerRef core = engine.messenger();
    BinaryMessengerImpl messenger(core);
    ReplyCallback kept;
    messenger.SetMessageHandler(
        "c", [&kept](const uint8_t*, size_t, ReplyCallback reply) { kept = std::move(reply); });
    const int64_t id = engine.Inject("c", {});
    ASSERT_TRUE(kept);
    ReplyCallback copy = kept;
    EXPECT_EQ(StandinEngineMessengerReferences(core), 2) << "one reference for all copies";
    std::optional<Bytes> reply;
    int response_calls = 0;
    testing::internal::CaptureStderr();
    const uint8_t ab = 0xAB, cd = 0xCD;
    for (Action action : row.actions) {
      switch (action) {
        case kAnswerAb:
          kept(&ab, 1);
          break;
        case kAnswerCd:
          kept(&cd, 1);
          break;
        case kAnswerEmpty:
          kept(nullptr, 0);
          break;
        case kAnswerCopyCd:
          copy(&cd, 1);
          break;
        case kShutDown:
          StandinEngineShutDown(engine.engine());
          break;
        case kDestroy:
          reply = engine.Reply(id);
          response_calls = StandinEngineResponseCalls(engine.engine(), id);
          engine.Destroy();
          break;
      }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), row.log);
    if (engine.engine()) {
      reply = engine.Reply(id);
      response_calls = StandinEngineResponseCalls(engine.engine(), id);
    }
    EXPECT_EQ(reply, row.reply);
    EXPECT_EQ(response_calls, row.response_calls);
    EXPECT_EQ(StandinEngineGetCounters().responses_without_engine, 0);
    EXPECT_EQ(StandinEngineGetCounters().responses_without_lock, 0);
    kept = nullptr;
    if (engine.engine()) {
      EXPECT_EQ(StandinEngineMessengerReferences(core), 2) << "a copy still holds it";
      copy = nullptr;
      EXPECT_EQ(StandinEngineMessengerReferences(core), 1) << "the last copy gives it back";
    }
    // Where the engine ended, the last copy frees the messenger (checked by the sanitizers).
  }
}

TEST(BinaryMessengerImplTest, SendTable) {
  struct Row {
    const char* name;
    bool with_reply;
    bool refuse;
    size_t recorded;
    int calls_after_answer;
  };
  const Row rows[] = {
      {"without reply", false, false, 1, 0},
      {"with reply", true, false, 1, 1},
      {"refused without reply", false, true, 0, 0},
      {"refused with reply", true, true, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandinEngineHandle engine;
    BinaryMessengerImpl messenger(engine.messenger());
    StandinEngineSetRefuseSends(engine.engine(), row.refuse);
    auto alive = std::make_shared<int>(0);  // shared by the reply copies: tells when they are gone
    std::vector<Bytes> answers;
    ReplyCallback reply;
    if (row.with_reply) {
      reply = [alive, &answers](const uint8_t* data, size_t size) {
        answers.emplace_back(data, data + size);
      };
    }
    const Bytes message{1, 2, 3};
    messenger.Send("c", message.data(), message.size(), std::move(reply));
    ASSERT_EQ(StandinEngineSentCount(engine.engine()), row.recorded);
    EXPECT_EQ(alive.use_count(), row.with_reply && !row.refuse ? 2 : 1);
    if (row.recorded) {
      const uint8_t* sent = nullptr;
      size_t size = 0;
      bool wants_reply = false;
      StandinEngineGetSent(engine.engine(), 0, nullptr, &sent, &size, &wants_reply);
      EXPECT_EQ(Bytes(sent, sent + size), message);
      EXPECT_EQ(wants_reply, row.with_reply);
      const uint8_t answer = 0x42;
      EXPECT_EQ(StandinEngineAnswerSent(engine.engine(), 0, &answer, 1), row.with_reply);
    }
    EXPECT_EQ(answers.size(), static_cast<size_t>(row.calls_after_answer));
    if (!answers.empty()) {
      EXPECT_EQ(answers[0], Bytes{0x42});
    }
    EXPECT_EQ(alive.use_count(), 1) << "the reply copy is gone";
  }
}

// Replies may be answered on any thread: each takes the messenger's lock around its send.
TEST(BinaryMessengerImplTest, RepliesFromOtherThreadsTakeTheLock) {
  StandinEngineResetCounters();
  StandinEngineHandle engine;
  BinaryMessengerImpl messenger(engine.messenger());
  ReplyCallback kept;
  messenger.SetMessageHandler(
      "c", [&kept](const uint8_t*, size_t, ReplyCallback reply) { kept = std::move(reply); });
  const int64_t id = engine.Inject("c", {});
  ReplyCallback copy = kept;
  testing::internal::CaptureStderr();
  const uint8_t a = 0xA, b = 0xB;
  std::thread first([&kept, a] { kept(&a, 1); });
  std::thread second([&copy, b] { copy(&b, 1); });
  first.join();
  second.join();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kDuplicateLine);
  const std::optional<Bytes> reply = engine.Reply(id);
  ASSERT_TRUE(reply);
  EXPECT_TRUE(*reply == Bytes{0xA} || *reply == Bytes{0xB});
  EXPECT_EQ(StandinEngineResponseCalls(engine.engine(), id), 1);
  EXPECT_EQ(StandinEngineGetCounters().responses_without_lock, 0);
}

// The availability test and the send are one step under the lock: a reply racing the engine's end
// either goes out or is dropped, and never reaches an engine that has gone.
TEST(BinaryMessengerImplTest, ReplyRacingTheEngineEnd) {
  StandinEngineResetCounters();
  for (int round = 0; round < 50; ++round) {
    StandinEngineHandle engine;
    BinaryMessengerImpl messenger(engine.messenger());
    ReplyCallback kept;
    messenger.SetMessageHandler(
        "c", [&kept](const uint8_t*, size_t, ReplyCallback reply) { kept = std::move(reply); });
    const int64_t id = engine.Inject("c", {});
    const uint8_t a = 0xA;
    std::thread replier([&kept, a] { kept(&a, 1); });
    StandinEngineShutDown(engine.engine());
    replier.join();
    EXPECT_LE(StandinEngineResponseCalls(engine.engine(), id), 1);
    kept = nullptr;
  }
  EXPECT_EQ(StandinEngineGetCounters().responses_without_engine, 0);
  EXPECT_EQ(StandinEngineGetCounters().responses_without_lock, 0);
}

}  // namespace
}  // namespace flutter
