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
const char kShortRead[] = "Invalid read in StandardCodecByteStreamReader\n";
const char kInvalidCall[] = "Invalid method call; method name is not a string.\n";
const char kUnableLine[] =
    "Unable to construct method call from message on channel quenbrel/printer\n";
const char kLeakLine[] = "Warning: Failed to respond to a message. This is a memory leak.\n";

TEST(MethodChannelTest, IncomingCallTable) {
  enum Handling { kAnswerNull, kDrop, kKeep };
  struct Row {
    const char* name;
    Bytes message;
    Handling handling;
    std::string log;
    std::vector<std::string> calls;  // method names the handler saw, each with null arguments
    std::optional<Bytes> reply;      // what the application received
  };
  const Row rows[] = {
      {"empty message",
       {},
       kAnswerNull,
       std::string(kShortRead) + kInvalidCall + kUnableLine,
       {},
       Bytes{}},
      {"not a call",
       {0x03, 0x01, 0x00, 0x00, 0x00},
       kAnswerNull,
       std::string(kInvalidCall) + kUnableLine,
       {},
       Bytes{}},
      {"list without arguments",
       {0x07, 0x04, 'l', 'i', 's', 't', 0x00},
       kAnswerNull,
       "",
       {"list"},
       Bytes{0x00, 0x00}},
      {"list cut after its name",
       {0x07, 0x04, 'l', 'i', 's', 't'},
       kAnswerNull,
       kShortRead,
       {"list"},
       Bytes{0x00, 0x00}},
      {"handler drops the result unanswered",
       {0x07, 0x04, 'l', 'i', 's', 't', 0x00},
       kDrop,
       kLeakLine,
       {"list"},
       std::nullopt},
      {"handler keeps the result",
       {0x07, 0x04, 'l', 'i', 's', 't', 0x00},
       kKeep,
       "",
       {"list"},
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandinEngineHandle engine;
    BinaryMessengerImpl messenger(engine.messenger());
    MethodChannel channel(&messenger, kChannel, &StandardMethodCodec::GetInstance());
    std::vector<std::string> calls;
    std::unique_ptr<MethodResult> kept;
    channel.SetMethodCallHandler([&](const MethodCall& call, std::unique_ptr<MethodResult> result) {
      calls.push_back(call.method_name());
      EXPECT_TRUE(call.arguments() && call.arguments()->IsNull());
      if (row.handling == kAnswerNull) result->Success();
      if (row.handling == kKeep) kept = std::move(result);
    });
    testing::internal::CaptureStderr();
    const int64_t id = engine.Inject(kChannel, row.message);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), row.log);
    EXPECT_EQ(calls, row.calls);
    EXPECT_EQ(engine.Reply(id), row.reply);
    if (kept) {
      kept->Error("busy");
      EXPECT_EQ(engine.Reply(id), (Bytes{0x01, 0x07, 0x04, 'b', 'u', 's', 'y', 0x00, 0x00}))
          << "a kept result answers later";
    }
    channel.SetMethodCallHandler(nullptr);
  }
}

TEST(MethodChannelTest, RemovingTheHandlerUnregistersTheChannel) {
  StandinEngineHandle engine;
  BinaryMessengerImpl messenger(engine.messenger());
  MethodChannel channel(&messenger, kChannel, &StandardMethodCodec::GetInstance());
  EXPECT_FALSE(StandinEngineGetRegistration(engine.engine(), kChannel, nullptr))
      << "nothing until a handler is set";
  int calls = 0;
  channel.SetMethodCallHandler([&calls](const MethodCall&, std::unique_ptr<MethodResult> result) {
    ++calls;
    result->NotImplemented();
  });
  EXPECT_TRUE(StandinEngineGetRegistration(engine.engine(), kChannel, nullptr));
  channel.SetMethodCallHandler(nullptr);
  EXPECT_FALSE(StandinEngineGetRegistration(engine.engine(), kChannel, nullptr));
  EXPECT_EQ(engine.Reply(engine.Inject(kChannel, {0x07, 0x01, 'x', 0x00})), Bytes{});
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace flutter
