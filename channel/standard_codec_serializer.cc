// Wire format. A value is one tag byte and its payload; numbers are little-endian raw bytes.
//
//   tag  written for        payload
//   0    null, custom       -
//   1/2  true/false         -
//   3    int32_t            4 bytes
//   4    int64_t            8 bytes
//   5    (read only)        as 7
//   6    double             pad to 8, 8 bytes
//   7    string             size, bytes (no terminator)
//   8    uint8_t list       size, bytes
//   9    int32_t list       size, pad to 4, 4 bytes each
//   10   int64_t list       size, pad to 8, 8 bytes each
//   11   double list        size, pad to 8, 8 bytes each
//   12   EncodableList      size, each element as a value
//   13   EncodableMap       size, key and value as values, in ascending key order
//   14   float list         size, pad to 4, 4 bytes each
//
// Padding is zero bytes up to a multiple of the alignment, counted from the first byte of the whole
// message. The padding of a typed list is written even when it is empty, as the reader expects.
#include "channel/standard_codec_serializer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "channel/log_line.h"

namespace flutter {

namespace {

enum Tag : uint8_t {
  kNull = 0,
  kTrue = 1,
  kFalse = 2,
  kInt32 = 3,
  kInt64 = 4,
  kLargeInt = 5,
  kFloat64 = 6,
  kString = 7,
  kUInt8List = 8,
  kInt32List = 9,
  kInt64List = 10,
  kFloat64List = 11,
  kList = 12,
  kMap = 13,
  kFloat32List = 14,
};

constexpr size_t kMaxWireSize = std::numeric_limits<uint32_t>::max();
// Lists and maps being decoded on this thread, through any serializer.
thread_local int nesting_depth = 0;

// Elements that lists may still reserve room for up front in the message being decoded on this
// thread. Every element takes at least one byte, so a genuine message's lists all fit in its size;
// a hostile one that nests lists announcing huge counts cannot reserve more than that in total.
thread_local size_t reserve_budget = 0;

class NestingGuard {
 public:
  NestingGuard() { ++nesting_depth; }
  ~NestingGuard() { --nesting_depth; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;
  bool TooDeep() const { return nesting_depth > kMaxNestingDepth; }
};

template <typename T>
void WriteNumber(T number, ByteStreamWriter* stream) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &number, sizeof(T));
  stream->WriteBytes(bytes, sizeof(T));
}

template <typename T>
T ReadNumber(ByteStreamReader* stream) {
  uint8_t bytes[sizeof(T)] = {};
  stream->ReadBytes(bytes, sizeof(T));
  T number;
  std::memcpy(&number, bytes, sizeof(T));
  return number;
}

// Sizing rule against hostile sizes: content missing from the end of a message is filled in (zeros
// or nulls, one short-read line per failed read) only for values that announce at most kMaxFilledIn
// bytes, elements or entries; a larger one that runs past the end logs one short-read line and
// keeps only what the message holds. So decoding costs memory, time and log lines in proportion to
// the message, plus a constant.
bool MayFillIn(size_t count) { return count <= kMaxFilledIn; }

// A value of type Container: |count| elements after |alignment| padding (0: none), read by one
// ReadBytes straight into the value.
template <typename Container>
EncodableValue ReadBlock(size_t count, uint8_t alignment, ByteStreamReader* stream) {
  using Element = typename Container::value_type;
  if (alignment != 0) {
    stream->ReadAlignment(alignment);
  }
  // count < 2^32 and sizeof(Element) <= 8: no overflow in 64 bits.
  uint64_t byte_count = static_cast<uint64_t>(count) * sizeof(Element);
  if (byte_count > stream->BytesRemaining() && !MayFillIn(byte_count)) {
    LogLine(kShortReadMessage);
    return EncodableValue(Container());
  }
  EncodableValue value(std::in_place_type<Container>, count, Element());
  if (count > 0) {
    Container& block = *std::get_if<Container>(&value);
    stream->ReadBytes(reinterpret_cast<uint8_t*>(&block[0]), static_cast<size_t>(byte_count));
  }
  return value;
}

// Whether another element of a list or map of |count| announced ones is to be read.
bool MoreToRead(size_t count, ByteStreamReader* stream) {
  if (stream->BytesRemaining() > 0 || MayFillIn(count)) {
    return true;
  }
  LogLine(kShortReadMessage);
  return false;
}

// The tag and size of a value with a payload; false, with null written instead, when the size
// cannot travel.
bool StartSized(const StandardCodecSerializer& serializer, uint8_t tag, size_t size,
                ByteStreamWriter* stream) {
  if (size > kMaxWireSize) {
    LogLine("Value too large for StandardCodecSerializer::WriteValue; written as null.");
    stream->WriteByte(kNull);
    return false;
  }
  stream->WriteByte(tag);
  serializer.WriteSize(size, stream);
  return true;
}

// A typed list: tag, size, |alignment| padding (0: none), then its elements' bytes.
template <typename T>
void WriteTypedList(const StandardCodecSerializer& serializer, uint8_t tag,
                    const std::vector<T>& list, uint8_t alignment, ByteStreamWriter* stream) {
  if (!StartSized(serializer, tag, list.size(), stream)) {
    return;
  }
  if (alignment != 0) {
    stream->WriteAlignment(alignment);
  }
  if (!list.empty()) {
    stream->WriteBytes(reinterpret_cast<const uint8_t*>(list.data()), list.size() * sizeof(T));
  }
}

}  // namespace

StandardCodecSerializer::StandardCodecSerializer() = default;

StandardCodecSerializer::~StandardCodecSerializer() = default;

const StandardCodecSerializer& StandardCodecSerializer::GetInstance() {
  static const StandardCodecSerializer instance;
  return instance;
}

EncodableValue StandardCodecSerializer::ReadValue(ByteStreamReader* stream) const {
  return ReadValueOfType(stream->ReadByte(), stream);
}

void StandardCodecSerializer::WriteValue(const EncodableValue& value,
                                         ByteStreamWriter* stream) const {
  switch (value.index()) {
    case 0:
      stream->WriteByte(kNull);
      break;
    case 1:
      stream->WriteByte(*std::get_if<bool>(&value) ? kTrue : kFalse);
      break;
    case 2:
      stream->WriteByte(kInt32);
      WriteNumber(*std::get_if<int32_t>(&value), stream);
      break;
    case 3:
      stream->WriteByte(kInt64);
      WriteNumber(*std::get_if<int64_t>(&value), stream);
      break;
    case 4:
      stream->WriteByte(kFloat64);
      stream->WriteAlignment(8);
      WriteNumber(*std::get_if<double>(&value), stream);
      break;
    case 5: {
      const std::string& text = *std::get_if<std::string>(&value);
      if (StartSized(*this, kString, text.size(), stream) && !text.empty()) {
        stream->WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
      }
      break;
    }
    case 6:
      WriteTypedList(*this, kUInt8List, *std::get_if<std::vector<uint8_t>>(&value), 0, stream);
      break;
    case 7:
      WriteTypedList(*this, kInt32List, *std::get_if<std::vector<int32_t>>(&value), 4, stream);
      break;
    case 8:
      WriteTypedList(*this, kInt64List, *std::get_if<std::vector<int64_t>>(&value), 8, stream);
      break;
    case 9:
      WriteTypedList(*this, kFloat64List, *std::get_if<std::vector<double>>(&value), 8, stream);
      break;
    case 10: {
      const auto& list = *std::get_if<EncodableList>(&value);
      if (!StartSized(*this, kList, list.size(), stream)) break;
      for (const EncodableValue& element : list) {
        WriteValue(element, stream);
      }
      break;
    }
    case 11: {
      const auto& map = *std::get_if<EncodableMap>(&value);
      if (!StartSized(*this, kMap, map.size(), stream)) break;
      for (const auto& entry : map) {
        WriteValue(entry.first, stream);
        WriteValue(entry.second, stream);
      }
      break;
    }
    case kCustomValueIndex:
      stream->WriteByte(kNull);
      LogLine(
          "Unhandled custom type in StandardCodecSerializer::WriteValue. "
          "Custom types require codec extensions.");
      break;
    case 13:
      WriteTypedList(*this, kFloat32List, *std::get_if<std::vector<float>>(&value), 4, stream);
      break;
    default:
      stream->WriteByte(kNull);
      break;
  }
}

EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type,
                                                        ByteStreamReader* stream) const {
  switch (type) {
    case kNull:
      return EncodableValue();
    case kTrue:
      return EncodableValue(true);
    case kFalse:
      return EncodableValue(false);
    case kInt32:
      return EncodableValue(ReadNumber<int32_t>(stream));
    case kInt64:
      return EncodableValue(ReadNumber<int64_t>(stream));
    case kFloat64:
      stream->ReadAlignment(8);
      return EncodableValue(ReadNumber<double>(stream));
    case kLargeInt:
    case kString:
      return ReadBlock<std::string>(ReadSize(stream), 0, stream);
    case kUInt8List:
      return ReadBlock<std::vector<uint8_t>>(ReadSize(stream), 0, stream);
    case kInt32List:
      return ReadBlock<std::vector<int32_t>>(ReadSize(stream), 4, stream);
    case kInt64List:
      return ReadBlock<std::vector<int64_t>>(ReadSize(stream), 8, stream);
    case kFloat64List:
      return ReadBlock<std::vector<double>>(ReadSize(stream), 8, stream);
    case kFloat32List:
      return ReadBlock<std::vector<float>>(ReadSize(stream), 4, stream);
    case kList:
    case kMap: {
      NestingGuard guard;
      if (guard.TooDeep()) {
        LogLine("Nesting deeper than " + std::to_string(kMaxNestingDepth) +
                " in StandardCodecSerializer::ReadValueOfType; read as null.");
        return EncodableValue();
      }
      if (nesting_depth == 1) {
        reserve_budget = stream->BytesRemaining();
      }
      size_t count = ReadSize(stream);
      if (type == kList) {
        EncodableList list;
        const size_t room = std::min(count, reserve_budget);
        reserve_budget -= room;
        list.reserve(room);
        for (size_t i = 0; i < count && MoreToRead(count, stream); ++i) {
          list.push_back(ReadValue(stream));
        }
        return EncodableValue(std::move(list));
      }
      EncodableMap map;
      for (size_t i = 0; i < count && MoreToRead(count, stream); ++i) {
        EncodableValue key = ReadValue(stream);
        EncodableValue entry_value = ReadValue(stream);
        // With duplicate keys the first pair read stays. Encoders write keys in order, so the
        // hint at the end usually saves the search.
        map.emplace_hint(map.end(), std::move(key), std::move(entry_value));
      }
      return EncodableValue(std::move(map));
    }
    default:
      LogLine("Unknown type in StandardCodecSerializer::ReadValueOfType: " +
              std::to_string(static_cast<unsigned>(type)));
      return EncodableValue();
  }
}

size_t StandardCodecSerializer::ReadSize(ByteStreamReader* stream) const {
  uint8_t first = stream->ReadByte();
  if (first < 254) {
    return first;
  }
  if (first == 254) {
    return ReadNumber<uint16_t>(stream);
  }
  return ReadNumber<uint32_t>(stream);
}

void StandardCodecSerializer::WriteSize(size_t size, ByteStreamWriter* stream) const {
  if (size < 254) {
    stream->WriteByte(static_cast<uint8_t>(size));
  } else if (size <= 0xFFFF) {
    stream->WriteByte(254);
    WriteNumber(static_cast<uint16_t>(size), stream);
  } else {
    stream->WriteByte(255);
    WriteNumber(static_cast<uint32_t>(std::min(size, kMaxWireSize)), stream);
  }
}

}  // namespace flutter
