#include "standins/driver_link/driver_frames.h"

#include <algorithm>
#include <cstdio>

namespace driver_link {

namespace {

void PutLe(uint32_t value, int bytes, std::vector<uint8_t>* out) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetLe(const uint8_t* data, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(data[i]) << (8 * i);
  return value;
}

}  // namespace

std::vector<uint8_t> EncodeFrame(char type, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> frame(5 + body.size());
  const auto count = static_cast<uint32_t>(body.size() + 1);
  for (int i = 0; i < 4; ++i)
    frame[static_cast<size_t>(i)] = static_cast<uint8_t>(count >> (8 * i));
  frame[4] = static_cast<uint8_t>(type);
  std::copy(body.begin(), body.end(), frame.begin() + 5);
  return frame;
}

bool EncodeMessageBody(const ChannelMessage& message, std::vector<uint8_t>* body) {
  if (message.channel.size() > 0xFFFF) return false;
  body->clear();
  PutLe(message.id, 4, body);
  PutLe(static_cast<uint32_t>(message.channel.size()), 2, body);
  body->insert(body->end(), message.channel.begin(), message.channel.end());
  body->insert(body->end(), message.bytes.begin(), message.bytes.end());
  return true;
}

bool DecodeMessageBody(const std::vector<uint8_t>& body, ChannelMessage* message) {
  if (body.size() < 6) return false;
  const size_t name_size = GetLe(body.data() + 4, 2);
  if (body.size() < 6 + name_size) return false;
  message->id = GetLe(body.data(), 4);
  message->channel.assign(body.begin() + 6, body.begin() + 6 + name_size);
  message->bytes.assign(body.begin() + 6 + name_size, body.end());
  return true;
}

std::vector<uint8_t> EncodeReplyBody(uint32_t id, const std::vector<uint8_t>& reply) {
  std::vector<uint8_t> body(4 + reply.size());
  for (int i = 0; i < 4; ++i) body[static_cast<size_t>(i)] = static_cast<uint8_t>(id >> (8 * i));
  std::copy(reply.begin(), reply.end(), body.begin() + 4);
  return body;
}

bool DecodeReplyBody(const std::vector<uint8_t>& body, uint32_t* id, std::vector<uint8_t>* reply) {
  if (body.size() < 4) return false;
  *id = GetLe(body.data(), 4);
  reply->assign(body.begin() + 4, body.end());
  return true;
}

void FrameReader::Feed(const uint8_t* data, size_t size) {
  if (broken_) return;
  // Drop what was consumed before growing, so the buffer holds at most one partial frame.
  if (start_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  pending_.insert(pending_.end(), data, data + size);
}

bool FrameReader::Next(Frame* frame) {
  if (broken_ || pending_.size() - start_ < 4) return false;
  const uint32_t count = GetLe(pending_.data() + start_, 4);
  if (count == 0 || count > kMaxFrameBytes) {
    broken_ = true;
    return false;
  }
  if (pending_.size() - start_ - 4 < count) return false;
  const auto first = pending_.begin() + static_cast<std::ptrdiff_t>(start_ + 4);
  frame->type = static_cast<char>(*first);
  frame->body.assign(first + 1, first + count);
  start_ += 4 + count;
  return true;
}

std::string JsonStringArray(const std::vector<std::string>& items) {
  std::string json = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) json += ',';
    json += '"';
    for (const char c : items[i]) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        json += '\\';
        json += c;
      } else if (byte < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
        json += escaped;
      } else {
        json += c;
      }
    }
    json += '"';
  }
  return json + "]";
}

}  // namespace driver_link
