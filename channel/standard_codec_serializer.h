// Encodes and decodes EncodableValues in the standard codec's binary format, the wire format that
// the application side reads and writes (layout in standard_codec_serializer.cc).
//
// Stateless: the shared instance and any derived one may be used from any thread. Never throws on
// bad input: every problem logs one line and decoding always yields a value (null where it must).
// WriteValue and ReadValueOfType are the extension points; nested values go through them too, so a
// derived serializer applies at every depth. The standard serializer itself, given the ByteBuffer
// streams, encodes and decodes a whole value without a virtual call per value or byte.
#ifndef QUENBREL_CHANNEL_STANDARD_CODEC_SERIALIZER_H_
#define QUENBREL_CHANNEL_STANDARD_CODEC_SERIALIZER_H_

#include <cstddef>
#include <cstdint>

#include "channel/byte_streams.h"
#include "channel/encodable_value.h"

namespace flutter {

// Lists and maps nested deeper than this decode as null (one log line), so no input can exhaust
// the stack.
constexpr int kMaxNestingDepth = 128;

// Sizes are taken at their word within one budget per message: the bytes left after the first tag
// read from its reader, plus kFillInBudget (only that from a reader that does not know its end).
// It pays for what runs ahead of the bytes: a list's room (one per element), a map's entries (two
// each), the zeros of a string or typed list whose bytes are not all there; no whole message needs
// more than its length. Within it, a value cut short keeps its announced length, filled in with
// zeros or nulls; past it, a value holds only what the message holds (one short-read line): from a
// reader that does not know its end, what it read up to its first short read. So decoding costs
// memory, time and log lines in proportion to the message, whatever the reader.
constexpr size_t kFillInBudget = 64 * 1024;

class StandardCodecSerializer {
 public:
  // The shared serializer, created on first use (thread-safe) and destroyed at process exit.
  static const StandardCodecSerializer& GetInstance();

  virtual ~StandardCodecSerializer();

  StandardCodecSerializer(const StandardCodecSerializer&) = delete;
  StandardCodecSerializer& operator=(const StandardCodecSerializer&) = delete;

  // Appends the tag and payload of |value|. A custom value is written as null (logged).
  virtual void WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const;

  // Decodes the payload of a value whose tag |type| has already been read.
  virtual EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const;

  // Reads a tag, then decodes through ReadValueOfType.
  EncodableValue ReadValue(ByteStreamReader* stream) const;

  // The size encoding: one byte below 254; 254 and 2 bytes up to 65,535; else 255 and 4 bytes.
  size_t ReadSize(ByteStreamReader* stream) const;
  // REQUIRES: size <= 4,294,967,295 (WriteValue never writes larger ones).
  void WriteSize(size_t size, ByteStreamWriter* stream) const;

 protected:
  StandardCodecSerializer();
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_STANDARD_CODEC_SERIALIZER_H_
