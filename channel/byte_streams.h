// Byte-level input and output of the standard codec.
//
// A stream belongs to one encode or decode on one thread. Implementations never throw on bad input.
#ifndef QUENBREL_CHANNEL_BYTE_STREAMS_H_
#define QUENBREL_CHANNEL_BYTE_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <limits>

namespace flutter {

// What ByteStreamReader::BytesRemaining reports for a reader that does not know its end.
constexpr size_t kUnknownEnd = std::numeric_limits<size_t>::max();

// What decoding one message may still spend, kept with the message's reader so that every value
// decoded from it, through any serializer and at any depth, draws on the same budget. The standard
// codec's decoder starts and spends it (see kFillInBudget); a reader only holds it, and counts its
// own short reads in it: that count is how the decoder sees a reader without a known end run dry.
struct DecodeBudget {
  bool started = false;
  // Bytes that sizes may still announce ahead of the bytes that carry them.
  uint64_t bytes = 0;
  // Lists and maps being decoded.
  int depth = 0;
  // Reads past the end of the message so far, by the reader or the decoder (see LogShortRead).
  size_t short_reads = 0;
};

class ByteStreamReader {
 public:
  virtual ~ByteStreamReader() = default;

  // One byte; 0 when none is left, after counting the short read in decode_budget() and logging
  // it (LogShortRead in byte_buffer_streams.h does both).
  virtual uint8_t ReadByte() = 0;

  // |length| bytes into |buffer|; when fewer are left, counts and logs the short read as ReadByte
  // does and leaves |buffer| as it was.
  virtual void ReadBytes(uint8_t* buffer, size_t length) = 0;

  // Skips to the next multiple of |alignment|, counted from the start of the message.
  virtual void ReadAlignment(uint8_t alignment) = 0;

  // Bytes left before the end of the message, which lets the decoder tell a value cut short from
  // one whose bytes are there. Readers that do not know their end keep this default.
  virtual size_t BytesRemaining() const { return kUnknownEnd; }

  // The decoding budget of this reader's message.
  DecodeBudget& decode_budget() { return decode_budget_; }

 private:
  DecodeBudget decode_budget_;
};

class ByteStreamWriter {
 public:
  virtual ~ByteStreamWriter() = default;

  virtual void WriteByte(uint8_t byte) = 0;

  // Appends |length| bytes from |buffer|.
  virtual void WriteBytes(const uint8_t* buffer, size_t length) = 0;

  // Appends zero bytes up to the next multiple of |alignment|, counted from the start of the
  // message.
  virtual void WriteAlignment(uint8_t alignment) = 0;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_BYTE_STREAMS_H_
