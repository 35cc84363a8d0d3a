// The driver connection between the stand-in engine and a driver program, as bytes. Test equipment.
//
// A frame, in both directions:
//   4 bytes  N, little-endian: the count of the bytes that follow (at least 1)
//   1 byte   type
//   N-1      body
//
// Types and bodies:
//   'M' driver -> engine  4-byte LE id, 2-byte LE channel-name length L, L bytes of channel name
//                         (UTF-8), then the message bytes to the end of the frame
//   'R' engine -> driver  4-byte LE id of the message answered, then the reply bytes to the end
//                         (none for the empty reply)
//   'Q' driver -> engine  no body: close the top-level window as the user would
//   'W' driver -> engine  4-byte LE message number, 8-byte LE wparam, then optionally a rectangle
//                         (left, top, right, bottom: 4-byte LE each) whose address is the lparam
//                         (else 0): sent to the top-level window (WM_QUIT: posted to the thread,
//                         as a plug-in might); answered by "result VALUE"
//   'G' driver -> engine  no body: answered by "window VISIBLE X Y W H STYLE CW CH VX VY VW VH",
//                         the top-level window's visibility (0 or 1), outer rectangle and style
//                         (hex), its client area's size, and the view's rectangle in it
//   'E' engine -> driver  one event as UTF-8 text: "ready", "project ASSETS|ICU|AOT|ENTRY|ARGV"
//                         (ENTRY "null" or the entry point, ARGV "null" or the count), "arguments
//                         [JSON array]", "view W H", "frame", "fonts", "unhandled CHANNEL",
//                         "result VALUE", "window ..."
//
// Pure functions and a value-type reader; any thread. Never throws on bad input: a decoder answers
// false, the reader reports a broken stream.
#ifndef QUENBREL_STANDINS_DRIVER_LINK_DRIVER_FRAMES_H_
#define QUENBREL_STANDINS_DRIVER_LINK_DRIVER_FRAMES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace driver_link {

constexpr char kMessageFrame = 'M';
constexpr char kReplyFrame = 'R';
constexpr char kQuitFrame = 'Q';
constexpr char kWindowMessageFrame = 'W';
constexpr char kGeometryFrame = 'G';
constexpr char kEventFrame = 'E';

// Frames larger than this are refused: the stream is then broken.
constexpr uint32_t kMaxFrameBytes = 16u << 20;

struct Frame {
  char type = 0;
  std::vector<uint8_t> body;
};

// One channel message, the body of an 'M' frame.
struct ChannelMessage {
  uint32_t id = 0;
  std::string channel;
  std::vector<uint8_t> bytes;
};

// The whole frame, count included.
std::vector<uint8_t> EncodeFrame(char type, const std::vector<uint8_t>& body);

// Returns false for a channel name longer than 65535 bytes.
bool EncodeMessageBody(const ChannelMessage& message, std::vector<uint8_t>* body);
bool DecodeMessageBody(const std::vector<uint8_t>& body, ChannelMessage* message);

std::vector<uint8_t> EncodeReplyBody(uint32_t id, const std::vector<uint8_t>& reply);
bool DecodeReplyBody(const std::vector<uint8_t>& body, uint32_t* id, std::vector<uint8_t>* reply);

// Cuts a byte stream into frames. Feed what arrives, then take frames until Next answers false.
class FrameReader {
 public:
  void Feed(const uint8_t* data, size_t size);
  // The next complete frame, if any.
  bool Next(Frame* frame);
  // True once a count of 0 or above kMaxFrameBytes was seen; nothing more is read then.
  bool broken() const { return broken_; }

 private:
  std::vector<uint8_t> pending_;
  size_t start_ = 0;
  bool broken_ = false;
};

// A JSON array of UTF-8 strings: quotes, backslashes and control characters escaped, the rest
// (non-ASCII included) as it is.
std::string JsonStringArray(const std::vector<std::string>& items);

}  // namespace driver_link

#endif  // QUENBREL_STANDINS_DRIVER_LINK_DRIVER_FRAMES_H_
