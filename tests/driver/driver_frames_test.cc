// The driver connection's frames, byte for byte, and a stream cut at every possible place.
#include "standins/driver_link/driver_frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace driver_link {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(DriverFrames, MessageFrameBytes) {
  ChannelMessage message;
  message.id = 0x01020304;
  message.channel = "q/p";
  message.bytes = {0xAA, 0x00};
  Bytes body;
  ASSERT_TRUE(EncodeMessageBody(message, &body));
  const Bytes frame = EncodeFrame(kMessageFrame, body);
  EXPECT_EQ(frame, (Bytes{12, 0, 0, 0, 'M', 4, 3, 2, 1, 3, 0, 'q', '/', 'p', 0xAA, 0x00}));
}

TEST(DriverFrames, BodiesTooShortAreRefused) {
  const std::vector<Bytes> message_bodies = {{}, {1, 0, 0, 0, 2}, {1, 0, 0, 0, 2, 0, 'a'}};
  for (const Bytes& body : message_bodies) {
    ChannelMessage message;
    EXPECT_FALSE(DecodeMessageBody(body, &message)) << body.size() << " bytes";
  }
  uint32_t id = 0;
  Bytes reply;
  EXPECT_FALSE(DecodeReplyBody({1, 2, 3}, &id, &reply));
  ASSERT_TRUE(DecodeReplyBody({7, 0, 0, 0}, &id, &reply));  // the empty reply
  EXPECT_EQ(id, 7u);
  EXPECT_TRUE(reply.empty());
}

TEST(DriverFrames, ReaderReassemblesAStreamCutAnywhere) {
  Bytes stream = EncodeFrame(kEventFrame, {'r', 'e', 'a', 'd', 'y'});
  const Bytes quit = EncodeFrame(kQuitFrame, {});
  stream.insert(stream.end(), quit.begin(), quit.end());
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    FrameReader reader;
    std::vector<Frame> frames;
    Frame frame;
    reader.Feed(stream.data(), cut);
    while (reader.Next(&frame)) frames.push_back(frame);
    reader.Feed(stream.data() + cut, stream.size() - cut);
    while (reader.Next(&frame)) frames.push_back(frame);
    ASSERT_EQ(frames.size(), 2u) << "cut at " << cut;
    EXPECT_EQ(frames[0].type, kEventFrame);
    EXPECT_EQ(std::string(frames[0].body.begin(), frames[0].body.end()), "ready");
    EXPECT_EQ(frames[1].type, kQuitFrame);
    EXPECT_TRUE(frames[1].body.empty());
  }
}

TEST(DriverFrames, ImpossibleCountsBreakTheStream) {
  const std::vector<Bytes> streams = {{0, 0, 0, 0, 'Q'}, {0xFF, 0xFF, 0xFF, 0x7F, 'M'}};
  for (const Bytes& stream : streams) {
    FrameReader reader;
    reader.Feed(stream.data(), stream.size());
    Frame frame;
    EXPECT_FALSE(reader.Next(&frame));
    EXPECT_TRUE(reader.broken());
  }
}

// The plain cases ([] and ["alpha","beta gamma"]) are checked end to end; here, the escapes.
TEST(DriverFrames, JsonArgumentsEscaped) {
  EXPECT_EQ(JsonStringArray({"a\"b\\c", "\n", "\xC3\xA9t\xC3\xA9"}),
            "[\"a\\\"b\\\\c\",\"\\u000a\",\"\xC3\xA9t\xC3\xA9\"]");
}

}  // namespace
}  // namespace driver_link
