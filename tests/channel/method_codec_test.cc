// Method calls and reply envelopes, and the result that answers a call once, against the tables
// in method_cases.txt.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "channel/engine_method_result.h"
#include "channel/standard_method_codec.h"
#include "tests/test_util.h"

namespace {

using flutter::MethodCall;
using flutter::StandardMethodCodec;
using namespace quenbrel_test;  // NOLINT: test helpers

const StandardMethodCodec& Codec() { return StandardMethodCodec::GetInstance(); }

// The log lines named in a table; "64*short" is the line 64 times.
Lines LogLines(const std::string& names) {
  static const std::map<std::string, std::string> kLines = {
      {"short", kShortRead},
      {"further", "Further invalid reads of this message are not logged."},
      {"not-a-call", "Invalid method call; method name is not a string."},
      {"bad-envelope", "Invalid error envelope; code or message is not a string."},
      {"duplicate",
       "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
       "exactly once. Ignoring duplicate result."},
      {"leak", "Warning: Failed to respond to a message. This is a memory leak."}};
  Lines lines;
  std::istringstream in(names);
  for (std::string name; in >> name;) {
    const size_t star = name.find('*');
    const size_t count = star == std::string::npos ? 1 : std::stoul(name.substr(0, star));
    lines.insert(lines.end(), count, kLines.at(name.substr(star + 1)));
  }
  return lines;
}

// Records the answers it is given, with values as their encoding.
class RecordingResult : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* result) override {
    answer = "success " + (result ? ToHex(EncodeAt(*result)) : "none");
  }
  void Error(const std::string& code, const std::string& message,
             const EncodableValue* details) override {
    answer = "error " + code + "/" + message + "/" + (details ? ToHex(EncodeAt(*details)) : "none");
  }
  void NotImplemented() override { answer = "not implemented"; }
  std::string answer = "none";
};

// Calls decode to a method call, envelopes answer a result; either may be refused.
TEST(StandardMethodCodec, Decodes) {
  for (const std::string kind : {"call", "envelope"}) {
    for (const Lines& row : Cases("method_cases.txt", kind)) {
      SCOPED_TRACE(row[3]);
      const Bytes bytes = Hex(row[0]);
      RecordingResult result;
      bool recognised = false;
      const Lines log = Logged([&] {
        if (kind == "envelope") {
          recognised = Codec().DecodeResponseEnvelope(bytes.data(), bytes.size(), &result);
        } else if (auto call = Codec().DecodeMethodCall(bytes.data(), bytes.size())) {
          result.answer = call->method_name() + " " + ToHex(EncodeAt(*call->arguments()));
          recognised = true;
        }
      });
      EXPECT_EQ(log, LogLines(row[2]));
      const size_t name_end = row[1].find(' ');  // a call's arguments: spelled out
      EXPECT_EQ(result.answer,
                kind == "call" && name_end != std::string::npos
                    ? row[1].substr(0, name_end + 1) + ToHex(Hex(row[1].substr(name_end + 1)))
                    : row[1]);
      EXPECT_EQ(recognised, row[1] != "none");
    }
  }
  EXPECT_EQ(ToHex(*Codec().EncodeMethodCall(MethodCall("print", nullptr))),
            "07 05 70 72 69 6E 74 00");
  const MethodCall call("list", std::make_unique<EncodableValue>(flutter::EncodableList{true}));
  EXPECT_EQ(ToHex(*Codec().EncodeMethodCall(call)), "07 04 6C 69 73 74 0C 01 01");
}

TEST(StandardMethodCodec, OneCodecPerSerializer) {
  struct OtherSerializer : flutter::StandardCodecSerializer {};
  static const OtherSerializer other;
  const StandardMethodCodec* shared = &StandardMethodCodec::GetInstance();
  EXPECT_EQ(&StandardMethodCodec::GetInstance(&StandardCodecSerializer::GetInstance()), shared);
  const StandardMethodCodec* own = &StandardMethodCodec::GetInstance(&other);
  EXPECT_NE(own, shared);
  EXPECT_EQ(&StandardMethodCodec::GetInstance(&other), own);
}

// One answer of a table row to |result|: S, S=HEX, E=CODE[/MESSAGE[/HEX]] or N.
void Answer(const std::string& answer, flutter::MethodResult& result) {
  std::istringstream in(answer);
  std::string kind, code, message, value;
  std::getline(in >> std::ws, kind, '=');
  if (kind == "N") return result.NotImplemented();
  if (kind == "S")
    return std::getline(in, value) ? result.Success(ValueOf(Hex(value))) : result.Success();
  std::getline(std::getline(in, code, '/'), message, '/');
  if (!std::getline(in, value)) return result.Error(code, message);
  result.Error(code, message, ValueOf(Hex(value)));
}

// Each answer is encoded before the once-only test, so a duplicate is encoded and then refused.
TEST(EngineMethodResult, SendsTheFirstAnswerOnly) {
  for (const Lines& row : Cases("method_cases.txt", "answer")) {
    SCOPED_TRACE(row[3]);
    Lines sent;
    auto held = std::make_shared<int>(0);
    std::weak_ptr<int> watch = held;
    const Lines log = Logged([&] {
      auto result = std::make_unique<flutter::EngineMethodResult>(
          [&sent, held](const uint8_t* bytes, size_t size) {
            sent.push_back(bytes ? ToHex(Bytes(bytes, bytes + size))
                                 : "null " + std::to_string(size));
          },
          &Codec());
      held.reset();
      std::istringstream answers(row[0]);
      for (std::string answer; std::getline(answers, answer, ',');) {
        Answer(answer, *result);
        EXPECT_TRUE(watch.expired()) << "the reply is released once answered";
      }
    });
    EXPECT_EQ(sent, row[1].empty() ? Lines() : Lines{row[1] == "null" ? "null 0" : row[1]});
    EXPECT_EQ(log, LogLines(row[2]));
  }
}

}  // namespace
