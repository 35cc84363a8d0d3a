#include "channel/engine_method_result.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "channel/standard_method_codec.h"
#include "tests/channel/channel_test_util.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::MethodResult;
using namespace quenbrel_test;  // NOLINT: test helpers

const char kDuplicate[] =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.";
const char kLeak[] = "Warning: Failed to respond to a message. This is a memory leak.";

using Answer = std::function<void(MethodResult&)>;

// Answers a fresh result with each of |answers|, then drops it. Returns what reached the reply
// callable ("null" for a null pointer) and the lines logged.
std::pair<Lines, Lines> AnswerAll(const std::vector<Answer>& answers) {
  Lines sent;
  LogCapture capture;
  auto result = std::make_unique<flutter::EngineMethodResult>(
      [&sent](const uint8_t* bytes, size_t size) {
        sent.push_back(bytes ? ToHex(Bytes(bytes, bytes + size)) : "null " + std::to_string(size));
      },
      &flutter::StandardMethodCodec::GetInstance());
  for (const Answer& answer : answers) answer(*result);
  result.reset();
  return {sent, capture.Take()};
}

TEST(EngineMethodResult, SendsTheFirstAnswerOnly) {
  const Answer success = [](MethodResult& r) { r.Success(); };
  const Answer error = [](MethodResult& r) { r.Error("busy"); };
  const Answer not_implemented = [](MethodResult& r) { r.NotImplemented(); };
  const struct {
    const char* name;
    std::vector<Answer> answers;
    Lines sent, log;
  } rows[] = {
      {"success without value", {success}, {"00 00"}, {}},
      {"success ok",
       {[](MethodResult& r) { r.Success(EncodableValue("ok")); }},
       {"00 07 02 6F 6B"},
       {}},
      {"success list of map",
       {[](MethodResult& r) {
         r.Success(EncodableList{EncodableMap{{"id", "a"}}});
       }},
       {"00 0C 01 0D 01 07 02 69 64 07 01 61"},
       {}},
      {"success double pads six",
       {[](MethodResult& r) { r.Success(EncodableValue(1.5)); }},
       {"00 06 00 00 00 00 00 00 00 00 00 00 00 00 F8 3F"},
       {}},
      {"error busy", {error}, {"01 07 04 62 75 73 79 00 00"}, {}},
      {"error busy x",
       {[](MethodResult& r) { r.Error("busy", "x"); }},
       {"01 07 04 62 75 73 79 07 01 78 00"},
       {}},
      {"error with details",
       {[](MethodResult& r) { r.Error("e", "", EncodableValue(true)); }},
       {"01 07 01 65 00 01"},
       {}},
      {"not implemented", {not_implemented}, {"null 0"}, {}},
      {"success twice", {success, success}, {"00 00"}, {kDuplicate}},
      {"error after not implemented", {not_implemented, error}, {"null 0"}, {kDuplicate}},
      {"three answers",
       {error, success, not_implemented},
       {"01 07 04 62 75 73 79 00 00"},
       {kDuplicate, kDuplicate}},
      {"never answered", {}, {}, {kLeak}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::pair<Lines, Lines> outcome = AnswerAll(row.answers);
    EXPECT_EQ(outcome.first, row.sent);
    EXPECT_EQ(outcome.second, row.log);
  }
}

TEST(EngineMethodResult, ReleasesTheCallableOnceAnswered) {
  auto held = std::make_shared<int>(0);
  std::weak_ptr<int> watch = held;
  flutter::EngineMethodResult result([held](const uint8_t*, size_t) {},
                                     &flutter::StandardMethodCodec::GetInstance());
  held.reset();
  EXPECT_FALSE(watch.expired());
  result.Success();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
