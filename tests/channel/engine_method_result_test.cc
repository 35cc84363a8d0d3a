#include "channel/engine_method_result.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "channel/standard_method_codec.h"
#include "tests/channel/channel_test_util.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::EngineMethodResult;
using flutter::MethodResult;
using quenbrel_test::Bytes;
using quenbrel_test::LogCapture;
using Lines = std::vector<std::string>;

const char kDuplicate[] =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.";
const char kLeak[] = "Warning: Failed to respond to a message. This is a memory leak.";

// What reached the reply callable: one entry per call, "null" for a null pointer.
struct Sent {
  std::vector<std::string> replies;
  flutter::ReplyCallback Callback() {
    return [this](const uint8_t* bytes, size_t size) {
      replies.push_back(bytes == nullptr ? "null/" + std::to_string(size)
                                         : quenbrel_test::ToHex(Bytes(bytes, bytes + size)));
    };
  }
};

std::unique_ptr<EngineMethodResult> MakeResult(Sent* sent) {
  return std::make_unique<EngineMethodResult>(sent->Callback(),
                                              &flutter::StandardMethodCodec::GetInstance());
}

TEST(EngineMethodResult, SendsEachAnswer) {
  double half = 0.5;
  uint8_t half_bytes[8];
  std::memcpy(half_bytes, &half, 8);
  struct Row {
    const char* name;
    std::function<void(MethodResult&)> answer;
    std::string sent;
  };
  const Row rows[] = {
      {"success without value", [](MethodResult& r) { r.Success(); }, "00 00"},
      {"success ok", [](MethodResult& r) { r.Success(EncodableValue("ok")); }, "00 07 02 6F 6B"},
      {"success list of map",
       [](MethodResult& r) {
         r.Success(EncodableValue(EncodableList{EncodableMap{{"id", "a"}}}));
       },
       "00 0C 01 0D 01 07 02 69 64 07 01 61"},
      {"success double pads six", [](MethodResult& r) { r.Success(EncodableValue(0.5)); },
       "00 06 00 00 00 00 00 00 " + quenbrel_test::ToHex(Bytes(half_bytes, half_bytes + 8))},
      {"error busy", [](MethodResult& r) { r.Error("busy"); }, "01 07 04 62 75 73 79 00 00"},
      {"error busy x", [](MethodResult& r) { r.Error("busy", "x"); },
       "01 07 04 62 75 73 79 07 01 78 00"},
      {"error with details", [](MethodResult& r) { r.Error("e", "", EncodableValue(true)); },
       "01 07 01 65 00 01"},
      {"not implemented", [](MethodResult& r) { r.NotImplemented(); }, "null/0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Sent sent;
    LogCapture capture;
    std::unique_ptr<MethodResult> result = MakeResult(&sent);
    row.answer(*result);
    result.reset();
    EXPECT_EQ(sent.replies, Lines{row.sent});
    EXPECT_EQ(capture.Lines(), Lines());
  }
}

TEST(EngineMethodResult, AnswersOnlyOnce) {
  struct Row {
    const char* name;
    std::function<void(MethodResult&)> first;
    std::function<void(MethodResult&)> second;
    std::string sent;
  };
  const Row rows[] = {
      {"success twice", [](MethodResult& r) { r.Success(); },
       [](MethodResult& r) { r.Success(EncodableValue(1)); }, "00 00"},
      {"error after not implemented", [](MethodResult& r) { r.NotImplemented(); },
       [](MethodResult& r) { r.Error("busy"); }, "null/0"},
      {"not implemented after error", [](MethodResult& r) { r.Error("e", "m"); },
       [](MethodResult& r) { r.NotImplemented(); }, "01 07 01 65 07 01 6D 00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Sent sent;
    LogCapture capture;
    std::unique_ptr<MethodResult> result = MakeResult(&sent);
    row.first(*result);
    row.second(*result);
    result.reset();
    EXPECT_EQ(sent.replies, Lines{row.sent});
    EXPECT_EQ(capture.Lines(), Lines{kDuplicate});
  }
}

TEST(EngineMethodResult, UnansweredResultLogsTheLeak) {
  Sent sent;
  LogCapture capture;
  MakeResult(&sent).reset();
  EXPECT_EQ(sent.replies, Lines());
  EXPECT_EQ(capture.Lines(), Lines{kLeak});
}

TEST(EngineMethodResult, ReleasesTheCallableOnceAnswered) {
  auto held = std::make_shared<int>(0);
  std::weak_ptr<int> watch = held;
  EngineMethodResult result([held](const uint8_t*, size_t) { ++*held; },
                            &flutter::StandardMethodCodec::GetInstance());
  held.reset();
  EXPECT_FALSE(watch.expired());
  result.Success();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
