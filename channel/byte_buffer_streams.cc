#include "channel/byte_buffer_streams.h"

#include <cstring>

#include "channel/log_line.h"

namespace flutter {

const char kShortReadMessage[] = "Invalid read in StandardCodecByteStreamReader";

ByteBufferStreamReader::ByteBufferStreamReader(const uint8_t* bytes, size_t size)
    : bytes_(bytes), size_(size) {}

uint8_t ByteBufferStreamReader::ReadByte() {
  if (position_ >= size_) {
    LogLine(kShortReadMessage);
    return 0;
  }
  return bytes_[position_++];
}

void ByteBufferStreamReader::ReadBytes(uint8_t* buffer, size_t length) {
  // Written so that a huge |length| cannot wrap around.
  if (length > BytesRemaining()) {
    LogLine(kShortReadMessage);
    return;
  }
  if (length > 0) {
    std::memcpy(buffer, bytes_ + position_, length);
    position_ += length;
  }
}

void ByteBufferStreamReader::ReadAlignment(uint8_t alignment) {
  if (alignment == 0) {
    return;
  }
  size_t remainder = position_ % alignment;
  if (remainder != 0) {
    position_ += alignment - remainder;
  }
}

size_t ByteBufferStreamReader::BytesRemaining() const {
  return position_ < size_ ? size_ - position_ : 0;
}

ByteBufferStreamWriter::ByteBufferStreamWriter(std::vector<uint8_t>* buffer) : buffer_(buffer) {}

void ByteBufferStreamWriter::WriteByte(uint8_t byte) { buffer_->push_back(byte); }

void ByteBufferStreamWriter::WriteBytes(const uint8_t* buffer, size_t length) {
  if (length > 0) {
    buffer_->insert(buffer_->end(), buffer, buffer + length);
  }
}

void ByteBufferStreamWriter::WriteAlignment(uint8_t alignment) {
  if (alignment == 0) {
    return;
  }
  size_t remainder = buffer_->size() % alignment;
  if (remainder != 0) {
    for (size_t i = remainder; i < alignment; ++i) {
      WriteByte(0);
    }
  }
}

}  // namespace flutter
