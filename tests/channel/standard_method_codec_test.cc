#include "channel/standard_method_codec.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/channel/channel_test_util.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::StandardMethodCodec;
using quenbrel_test::Bytes;
using quenbrel_test::Hex;
using quenbrel_test::kShortRead;
using quenbrel_test::LogCapture;
using quenbrel_test::ToHex;
using Lines = std::vector<std::string>;

const StandardMethodCodec& Codec() { return StandardMethodCodec::GetInstance(); }

TEST(StandardMethodCodec, DecodesMethodCalls) {
  struct Row {
    const char* name;
    const char* bytes;
    std::optional<std::string> method;  // none: not a call
    EncodableValue arguments;
    Lines log;
  };
  const Row rows[] = {
      {"list with null arguments", "07 04 6C 69 73 74 00", "list", EncodableValue(), {}},
      {"list without arguments", "07 04 6C 69 73 74", "list", EncodableValue(), {kShortRead}},
      {"name not a string",
       "03 01 00 00 00",
       std::nullopt,
       EncodableValue(),
       {"Invalid method call; method name is not a string."}},
      {"empty message",
       "",
       std::nullopt,
       EncodableValue(),
       {kShortRead, "Invalid method call; method name is not a string."}},
      {"trailing bytes ignored",
       "07 01 70 0D 01 07 02 69 64 07 01 78 FF FF",
       "p",
       EncodableValue(EncodableMap{{"id", "x"}}),
       {}},
      {"print with a map",
       "07 05 70 72 69 6E 74 0D 01 07 05 62 79 74 65 73 08 02 1B 40",
       "print",
       EncodableValue(EncodableMap{{"bytes", std::vector<uint8_t>{0x1B, 0x40}}}),
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes bytes = Hex(row.bytes);
    LogCapture capture;
    std::unique_ptr<MethodCall> call =
        Codec().DecodeMethodCall(bytes.empty() ? nullptr : bytes.data(), bytes.size());
    EXPECT_EQ(capture.Lines(), row.log);
    ASSERT_EQ(call != nullptr, row.method.has_value());
    if (call) {
      EXPECT_EQ(call->method_name(), *row.method);
      ASSERT_NE(call->arguments(), nullptr);
      EXPECT_EQ(*call->arguments(), row.arguments);
    }
  }
}

TEST(StandardMethodCodec, EncodesMethodCalls) {
  MethodCall without("print", nullptr);
  EXPECT_EQ(ToHex(*Codec().EncodeMethodCall(without)), "07 05 70 72 69 6E 74 00");
  MethodCall with("list", std::make_unique<EncodableValue>(EncodableList{true}));
  Bytes encoded = *Codec().EncodeMethodCall(with);
  EXPECT_EQ(ToHex(encoded), "07 04 6C 69 73 74 0C 01 01");
  std::unique_ptr<MethodCall> decoded = Codec().DecodeMethodCall(encoded.data(), encoded.size());
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(*decoded->arguments(), EncodableValue(EncodableList{true}));
}

// Records what DecodeResponseEnvelope answers.
class RecordingResult : public flutter::MethodResult {
 public:
  using MethodResult::Error;
  using MethodResult::Success;
  void Success(const EncodableValue* result) override {
    answers.push_back("success " + (result ? ::testing::PrintToString(*result) : "none"));
  }
  void Error(const std::string& code, const std::string& message,
             const EncodableValue* details) override {
    answers.push_back("error " + code + "/" + message + "/" +
                      (details ? ::testing::PrintToString(*details) : "none"));
  }
  void NotImplemented() override { answers.push_back("not implemented"); }
  std::vector<std::string> answers;
};

TEST(StandardMethodCodec, DecodesResponseEnvelopes) {
  struct Row {
    const char* name;
    const char* bytes;
    bool recognised;
    Lines answers;
    Lines log;
  };
  const Row rows[] = {
      {"success null", "00 00", true, {"success none"}, {}},
      {"success value", "00 07 02 6F 6B", true, {"success \"\"ok\"\""}, {}},
      {"error with details", "01 07 01 63 07 01 6D 03 01 00 00 00", true, {"error c/m/1"}, {}},
      {"error with null message", "01 07 04 62 75 73 79 00 00", true, {"error busy//none"}, {}},
      {"unknown status", "02", false, {}, {}},
      {"empty buffer", "", true, {"success none"}, {kShortRead, kShortRead}},
      {"error code not a string",
       "01 03 01 00 00 00 00 00",
       false,
       {},
       {"Invalid error envelope; code or message is not a string."}},
      {"error message not a string",
       "01 07 01 63 01 00",
       false,
       {},
       {"Invalid error envelope; code or message is not a string."}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes bytes = Hex(row.bytes);
    RecordingResult result;
    LogCapture capture;
    EXPECT_EQ(Codec().DecodeResponseEnvelope(bytes.data(), bytes.size(), &result), row.recognised);
    EXPECT_EQ(capture.Lines(), row.log);
    EXPECT_EQ(result.answers, row.answers);
  }
}

TEST(StandardMethodCodec, OneCodecPerSerializer) {
  struct OtherSerializer : flutter::StandardCodecSerializer {};
  static const OtherSerializer other;
  const StandardMethodCodec* shared = &StandardMethodCodec::GetInstance();
  EXPECT_EQ(&StandardMethodCodec::GetInstance(), shared);
  EXPECT_EQ(&StandardMethodCodec::GetInstance(&flutter::StandardCodecSerializer::GetInstance()),
            shared);
  const StandardMethodCodec* own = &StandardMethodCodec::GetInstance(&other);
  EXPECT_NE(own, shared);
  EXPECT_EQ(&StandardMethodCodec::GetInstance(&other), own);
}

}  // namespace
