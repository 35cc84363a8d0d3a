// The byte streams over memory that the codecs use for each message.
//
// The caller owns the buffer or vector and keeps it alive while the stream is in use. One thread.
// Never throws on bad input: a read past the end logs one line and leaves the destination alone.
//
// Both classes are final and defined here, so that code holding the concrete type calls them
// without a virtual call and the compiler can inline them; the serializer relies on that.
#ifndef QUENBREL_CHANNEL_BYTE_BUFFER_STREAMS_H_
#define QUENBREL_CHANNEL_BYTE_BUFFER_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "channel/byte_streams.h"

namespace flutter {

// Logged once for every read that would pass the end of the message, up to kLoggedShortReads
// times a message: a message cut short inside a long list would otherwise write a line for every
// missing element, and a window thread that writes thousands of lines to a console freezes.
extern const char kShortReadMessage[];
constexpr size_t kLoggedShortReads = 64;

// Counts one more short read of the message in |budget| and logs it, or, once, that the rest go
// unlogged. Every short read of a message, the reader's and the decoder's, goes through here.
void LogShortRead(DecodeBudget& budget);

// Reads from |bytes|[0, |size|); the position starts at 0 and counts from the first byte.
class ByteBufferStreamReader final : public ByteStreamReader {
 public:
  ByteBufferStreamReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  uint8_t ReadByte() override {
    if (position_ >= size_) {
      LogShortRead(decode_budget());
      return 0;
    }
    return bytes_[position_++];
  }

  void ReadBytes(uint8_t* buffer, size_t length) override {
    if (const uint8_t* source = Consume(length)) {
      std::memcpy(buffer, source, length);
    }
  }

  // May move the position past the end; the next read then fails.
  void ReadAlignment(uint8_t alignment) override {
    if (alignment != 0 && position_ % alignment != 0) {
      position_ += alignment - position_ % alignment;
    }
  }

  size_t BytesRemaining() const override { return position_ < size_ ? size_ - position_ : 0; }

  // The next |length| (at least 1) bytes where they lie, passed over; null, after logging and
  // without moving, when fewer are left. Lets a decoder copy them straight into their value.
  const uint8_t* Consume(size_t length) {
    // Written so that a huge |length| cannot wrap around.
    if (length == 0 || length > BytesRemaining()) {
      if (length != 0) LogShortRead(decode_budget());
      return nullptr;
    }
    const uint8_t* start = bytes_ + position_;
    position_ += length;
    return start;
  }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t position_ = 0;
};

// Appends to |*buffer|; its length is the position.
class ByteBufferStreamWriter final : public ByteStreamWriter {
 public:
  explicit ByteBufferStreamWriter(std::vector<uint8_t>* buffer) : buffer_(buffer) {}

  void WriteByte(uint8_t byte) override { buffer_->push_back(byte); }

  void WriteBytes(const uint8_t* buffer, size_t length) override {
    if (length > 0) {
      buffer_->insert(buffer_->end(), buffer, buffer + length);
    }
  }

  void WriteAlignment(uint8_t alignment) override {
    if (alignment != 0 && buffer_->size() % alignment != 0) {
      buffer_->resize(buffer_->size() + alignment - buffer_->size() % alignment, 0);
    }
  }

  // The vector written to, for an encoder that appends to it directly. Between calls its length
  // is the position.
  std::vector<uint8_t>& Buffer() const { return *buffer_; }

 private:
  std::vector<uint8_t>* buffer_;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_BYTE_BUFFER_STREAMS_H_
