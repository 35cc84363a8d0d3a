// The byte streams over memory that the codecs use for each message.
//
// The caller owns the buffer or vector and keeps it alive while the stream is in use. One thread.
// Never throws on bad input: a read past the end logs one line and leaves the destination alone.
#ifndef QUENBREL_CHANNEL_BYTE_BUFFER_STREAMS_H_
#define QUENBREL_CHANNEL_BYTE_BUFFER_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "channel/byte_streams.h"

namespace flutter {

// Logged once for every read that would pass the end of the message.
extern const char kShortReadMessage[];

// Reads from |bytes|[0, |size|); the position starts at 0 and counts from the first byte.
class ByteBufferStreamReader : public ByteStreamReader {
 public:
  ByteBufferStreamReader(const uint8_t* bytes, size_t size);

  uint8_t ReadByte() override;
  void ReadBytes(uint8_t* buffer, size_t length) override;
  // May move the position past the end; the next read then fails.
  void ReadAlignment(uint8_t alignment) override;
  size_t BytesRemaining() const override;

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t position_ = 0;
};

// Appends to |*buffer|; its length is the position.
class ByteBufferStreamWriter : public ByteStreamWriter {
 public:
  explicit ByteBufferStreamWriter(std::vector<uint8_t>* buffer);

  void WriteByte(uint8_t byte) override;
  void WriteBytes(const uint8_t* buffer, size_t length) override;
  void WriteAlignment(uint8_t alignment) override;

 private:
  std::vector<uint8_t>* buffer_;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_BYTE_BUFFER_STREAMS_H_
