#include "channel/standard_method_codec.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/channel/channel_test_util.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::StandardMethodCodec;
using namespace quenbrel_test;  // NOLINT: test helpers

const char kNotACall[] = "Invalid method call; method name is not a string.";
const char kBadEnvelope[] = "Invalid error envelope; code or message is not a string.";

const StandardMethodCodec& Codec() { return StandardMethodCodec::GetInstance(); }

// Bytes in; the call (name and arguments as their encoding, or "none") and the log out.
TEST(StandardMethodCodec, DecodesMethodCalls) {
  const struct {
    const char* name;
    const char* in;
    const char* call;
    Lines log;
  } rows[] = {
      {"list, null arguments", "07 04 6C 69 73 74 00", "list 00", {}},
      {"list, arguments missing", "07 04 6C 69 73 74", "list 00", {kShortRead}},
      {"name not a string", "03 01 00 00 00", "none", {kNotACall}},
      {"empty message", "", "none", {kShortRead, kNotACall}},
      {"trailing bytes ignored", "07 01 70 08 01 1B FF FF", "p 08 01 1B", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes bytes = Hex(row.in);
    LogCapture capture;
    std::unique_ptr<MethodCall> call = Codec().DecodeMethodCall(bytes.data(), bytes.size());
    EXPECT_EQ(capture.Take(), row.log);
    EXPECT_EQ(call ? call->method_name() + " " + ToHex(EncodeAt(*call->arguments())) : "none",
              row.call);
  }
}

TEST(StandardMethodCodec, EncodesMethodCalls) {
  EXPECT_EQ(ToHex(*Codec().EncodeMethodCall(MethodCall("print", nullptr))),
            "07 05 70 72 69 6E 74 00");
  MethodCall call("list", std::make_unique<EncodableValue>(EncodableList{true}));
  EXPECT_EQ(ToHex(*Codec().EncodeMethodCall(call)), "07 04 6C 69 73 74 0C 01 01");
}

// Records the answers that DecodeResponseEnvelope gives.
class RecordingResult : public flutter::MethodResult {
 public:
  using MethodResult::Error;
  using MethodResult::Success;
  void Success(const EncodableValue* result) override {
    answers.push_back("success " + (result ? ToHex(EncodeAt(*result)) : "none"));
  }
  void Error(const std::string& code, const std::string& message,
             const EncodableValue* details) override {
    answers.push_back("error " + code + "/" + message + "/" +
                      (details ? ToHex(EncodeAt(*details)) : "none"));
  }
  void NotImplemented() override { answers.push_back("not implemented"); }
  Lines answers;
};

TEST(StandardMethodCodec, DecodesResponseEnvelopes) {
  const struct {
    const char* name;
    const char* in;
    bool recognised;
    Lines answers;
    Lines log;
  } rows[] = {
      {"success null", "00 00", true, {"success none"}, {}},
      {"success value", "00 07 02 6F 6B", true, {"success 07 02 6F 6B"}, {}},
      {"error with details", "01 07 01 63 07 01 6D 01", true, {"error c/m/01"}, {}},
      {"error, null message", "01 07 04 62 75 73 79 00 00", true, {"error busy//none"}, {}},
      {"unknown status", "02", false, {}, {}},
      {"empty buffer", "", true, {"success none"}, {kShortRead, kShortRead}},
      {"code not a string", "01 03 01 00 00 00 00 00", false, {}, {kBadEnvelope}},
      {"message not a string", "01 07 01 63 01 00", false, {}, {kBadEnvelope}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes bytes = Hex(row.in);
    RecordingResult result;
    LogCapture capture;
    EXPECT_EQ(Codec().DecodeResponseEnvelope(bytes.data(), bytes.size(), &result), row.recognised);
    EXPECT_EQ(capture.Take(), row.log);
    EXPECT_EQ(result.answers, row.answers);
  }
}

TEST(StandardMethodCodec, OneCodecPerSerializer) {
  struct OtherSerializer : flutter::StandardCodecSerializer {};
  static const OtherSerializer other;
  const StandardMethodCodec* shared = &StandardMethodCodec::GetInstance();
  EXPECT_EQ(&StandardMethodCodec::GetInstance(), shared);
  EXPECT_EQ(&StandardMethodCodec::GetInstance(&StandardCodecSerializer::GetInstance()), shared);
  const StandardMethodCodec* own = &StandardMethodCodec::GetInstance(&other);
  EXPECT_NE(own, shared);
  EXPECT_EQ(&StandardMethodCodec::GetInstance(&other), own);
}

}  // namespace
