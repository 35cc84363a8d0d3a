#include "channel/method_channel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/standard_method_codec.h"
#include "tests/messenger/standin_engine_handle.h"

namespace flutter {
namespace {

const char kChannel[] = "quenbrel/printer";
const std::string kShortRead = "Invalid read in StandardCodecByteStreamReader\n";
const std::string kInvalidCall = "Invalid method call; method name is not a string.\n";
const std::string kUnable =
    "Unable to construct method call from message on channel quenbrel/printer\n";
const std::string kLeak = "Warning: Failed to respond to a message. This is a memory leak.\n";
const Bytes kList = {0x07, 0x04, 'l', 'i', 's', 't', 0x00};

TEST(MethodChannelTest, IncomingCalls) {
  // The handler answers null, drops the result unanswered, keeps it (answering "busy" later), or
  // is removed before the message comes.
  enum Handling { kAnswerNull, kDrop, kKeep, kRemoved };
  struct Row {
    const char* name;
    Bytes message;
    Handling handling;
    std::string log;
    bool called;                 // with "list" and null arguments
    std::optional<Bytes> reply;  // what the application received
  };
  // clang-format off
  const Row rows[] = {
      {"empty message", {}, kAnswerNull, kShortRead + kInvalidCall + kUnable, false, Bytes{}},
      {"not a call", {0x03, 0x01, 0x00, 0x00, 0x00}, kAnswerNull, kInvalidCall + kUnable, false, Bytes{}},
      {"list without arguments", kList, kAnswerNull, "", true, Bytes{0x00, 0x00}},
      {"list cut after its name", {0x07, 0x04, 'l', 'i', 's', 't'}, kAnswerNull, kShortRead, true, Bytes{0x00, 0x00}},
      {"result dropped unanswered", kList, kDrop, kLeak, true, std::nullopt},
      {"result kept", kList, kKeep, "", true, std::nullopt},
      {"handler removed: channel unregistered", kList, kRemoved, "", false, Bytes{}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandinEngineHandle engine;
    BinaryMessengerImpl messenger(engine.messenger());
    MethodChannel channel(&messenger, kChannel, &StandardMethodCodec::GetInstance());
    EXPECT_FALSE(StandinEngineGetRegistration(engine.engine(), kChannel, nullptr));
    bool called = false;
    std::unique_ptr<MethodResult> kept;
    channel.SetMethodCallHandler([&](const MethodCall& call, std::unique_ptr<MethodResult> result) {
      called = true;
      EXPECT_EQ(call.method_name(), "list");
      EXPECT_TRUE(call.arguments() && call.arguments()->IsNull());
      if (row.handling == kAnswerNull) result->Success();
      if (row.handling == kKeep) kept = std::move(result);
    });
    EXPECT_TRUE(StandinEngineGetRegistration(engine.engine(), kChannel, nullptr));
    if (row.handling == kRemoved) {
      channel.SetMethodCallHandler(nullptr);
      EXPECT_FALSE(StandinEngineGetRegistration(engine.engine(), kChannel, nullptr));
    }
    testing::internal::CaptureStderr();
    const int64_t id = engine.Inject(kChannel, row.message);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), row.log);
    EXPECT_EQ(called, row.called);
    EXPECT_EQ(engine.Reply(id), row.reply);
    if (kept) {
      kept->Error("busy");
      EXPECT_EQ(engine.Reply(id), (Bytes{0x01, 0x07, 0x04, 'b', 'u', 's', 'y', 0x00, 0x00}));
    }
    channel.SetMethodCallHandler(nullptr);
  }
}

}  // namespace
}  // namespace flutter
