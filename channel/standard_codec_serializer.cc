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
//
// The format is written once, in Encoder and Decoder, which are generic over the stream. On the
// fast path, taken when the serializer is exactly the standard one and the stream is a ByteBuffer
// stream (checked once per call of WriteValue or ReadValueOfType), they call the stream directly
// and handle nested values themselves: no virtual call per value or byte. On the general path,
// for a derived serializer or any other stream, every byte goes through the stream's virtual
// interface and every nested value through the serializer's virtual WriteValue or
// ReadValueOfType, so that a derived serializer sees every value at every depth. Either way a
// decode spends the one budget that its reader holds (kFillInBudget), whatever serializer reads the
// nested values.
#include "channel/standard_codec_serializer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <typeinfo>
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

// From a reader that does not know its end, strings and typed lists are read this many bytes at a
// time, so that they grow only as their contents arrive.
constexpr size_t kPartBytes = 64 * 1024;

// The budget of |stream|'s message, started at the first value read from it (see kFillInBudget).
DecodeBudget& StartedBudget(ByteStreamReader& stream) {
  DecodeBudget& budget = stream.decode_budget();
  if (!budget.started) {
    const size_t remaining = stream.BytesRemaining();
    budget.bytes = static_cast<uint64_t>(remaining == kUnknownEnd ? 0 : remaining) + kFillInBudget;
    budget.started = true;
  }
  return budget;
}

// Takes |bytes| from |budget|; false, taking nothing, when fewer are left.
bool Spend(DecodeBudget& budget, uint64_t bytes) {
  if (bytes > budget.bytes) return false;
  budget.bytes -= bytes;
  return true;
}

void LogTooLarge() {
  LogLine("Value too large for StandardCodecSerializer::WriteValue; written as null.");
}

template <typename T, typename Stream>
void WriteNumber(T number, Stream& stream) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &number, sizeof(T));
  stream.WriteBytes(bytes, sizeof(T));
}

template <typename T, typename Stream>
T ReadNumber(Stream& stream) {
  uint8_t bytes[sizeof(T)] = {};
  stream.ReadBytes(bytes, sizeof(T));
  T number;
  std::memcpy(&number, bytes, sizeof(T));
  return number;
}

template <typename Stream>
void WriteSizeTo(size_t size, Stream& stream) {
  if (size < 254) {
    stream.WriteByte(static_cast<uint8_t>(size));
  } else if (size <= 0xFFFF) {
    stream.WriteByte(254);
    WriteNumber(static_cast<uint16_t>(size), stream);
  } else {
    stream.WriteByte(255);
    WriteNumber(static_cast<uint32_t>(std::min(size, kMaxWireSize)), stream);
  }
}

template <typename Stream>
size_t ReadSizeFrom(Stream& stream) {
  const uint8_t first = stream.ReadByte();
  if (first < 254) {
    return first;
  }
  if (first == 254) {
    return ReadNumber<uint16_t>(stream);
  }
  return ReadNumber<uint32_t>(stream);
}

// The fast path's stream: writes into the vector behind a ByteBufferStreamWriter through a cursor
// over zero bytes appended ahead of it, so that a write is a check and a copy rather than a call
// into the vector. The vector is cut back to what was written when the sink ends. A large block
// that does not fit is appended as it is rather than zero-filled first.
class VectorSink {
 public:
  explicit VectorSink(std::vector<uint8_t>& bytes)
      : bytes_(bytes), cursor_(bytes.data() + bytes.size()), limit_(cursor_) {}
  ~VectorSink() { bytes_.resize(Position()); }
  VectorSink(const VectorSink&) = delete;
  VectorSink& operator=(const VectorSink&) = delete;

  void WriteByte(uint8_t byte) {
    if (cursor_ == limit_) Grow(1);
    *cursor_++ = byte;
  }

  void WriteBytes(const uint8_t* bytes, size_t length) {
    if (static_cast<size_t>(limit_ - cursor_) >= length) {
      std::memcpy(cursor_, bytes, length);
      cursor_ += length;
    } else {
      WriteBeyondRoom(bytes, length);
    }
  }

  void WriteAlignment(uint8_t alignment) {
    const size_t padding = (alignment - Position() % alignment) % alignment;
    if (static_cast<size_t>(limit_ - cursor_) < padding) Grow(padding);
    cursor_ += padding;  // the bytes ahead are zero
  }

 private:
  static constexpr size_t kLargeBlock = 1024;
  static constexpr size_t kLeastGrowth = 256;

  size_t Position() const { return static_cast<size_t>(cursor_ - bytes_.data()); }

  void Grow(size_t length) {
    const size_t position = Position();
    const size_t wanted = position + std::max({length, position, kLeastGrowth});
    bytes_.resize(std::max(wanted, bytes_.capacity()));
    cursor_ = bytes_.data() + position;
    limit_ = bytes_.data() + bytes_.size();
  }

  void WriteBeyondRoom(const uint8_t* bytes, size_t length) {
    if (length < kLargeBlock) {
      Grow(length);
      std::memcpy(cursor_, bytes, length);
      cursor_ += length;
      return;
    }
    bytes_.resize(Position());
    bytes_.insert(bytes_.end(), bytes, bytes + length);
    cursor_ = limit_ = bytes_.data() + bytes_.size();
  }

  std::vector<uint8_t>& bytes_;
  uint8_t* cursor_;
  uint8_t* limit_;
};

// Writes values to a Stream: VectorSink on the fast path, ByteStreamWriter on the general one.
template <typename Stream>
class Encoder {
 public:
  static constexpr bool kFast = !std::is_same_v<Stream, ByteStreamWriter>;

  Encoder(const StandardCodecSerializer& serializer, Stream& stream)
      : serializer_(serializer), stream_(stream) {}

  void WriteValue(const EncodableValue& value) {
    switch (value.index()) {
      case 0:
        stream_.WriteByte(kNull);
        break;
      case 1:
        stream_.WriteByte(*std::get_if<bool>(&value) ? kTrue : kFalse);
        break;
      case 2:
        stream_.WriteByte(kInt32);
        WriteNumber(*std::get_if<int32_t>(&value), stream_);
        break;
      case 3:
        stream_.WriteByte(kInt64);
        WriteNumber(*std::get_if<int64_t>(&value), stream_);
        break;
      case 4:
        stream_.WriteByte(kFloat64);
        stream_.WriteAlignment(8);
        WriteNumber(*std::get_if<double>(&value), stream_);
        break;
      case 5:
        WriteString(*std::get_if<std::string>(&value));
        break;
      case 6:
        WriteTypedList(kUInt8List, *std::get_if<std::vector<uint8_t>>(&value), 0);
        break;
      case 7:
        WriteTypedList(kInt32List, *std::get_if<std::vector<int32_t>>(&value), 4);
        break;
      case 8:
        WriteTypedList(kInt64List, *std::get_if<std::vector<int64_t>>(&value), 8);
        break;
      case 9:
        WriteTypedList(kFloat64List, *std::get_if<std::vector<double>>(&value), 8);
        break;
      case 10: {
        const auto& list = *std::get_if<EncodableList>(&value);
        if (!StartSized(kList, list.size())) break;
        for (const EncodableValue& element : list) {
          WriteNested(element);
        }
        break;
      }
      case 11: {
        const auto& map = *std::get_if<EncodableMap>(&value);
        if (!StartSized(kMap, map.size())) break;
        for (const auto& entry : map) {
          WriteNested(entry.first);
          WriteNested(entry.second);
        }
        break;
      }
      case kCustomValueIndex:
        stream_.WriteByte(kNull);
        LogLine(
            "Unhandled custom type in StandardCodecSerializer::WriteValue. "
            "Custom types require codec extensions.");
        break;
      case 13:
        WriteTypedList(kFloat32List, *std::get_if<std::vector<float>>(&value), 4);
        break;
      default:
        stream_.WriteByte(kNull);
        break;
    }
  }

 private:
  void WriteNested(const EncodableValue& value) {
    if constexpr (kFast) {
      // Most keys and values are strings: written here, without a call per value.
      if (const auto* text = std::get_if<std::string>(&value)) {
        WriteString(*text);
      } else {
        WriteValue(value);
      }
    } else {
      serializer_.WriteValue(value, &stream_);
    }
  }

  void WriteString(const std::string& text) {
    if (StartSized(kString, text.size()) && !text.empty()) {
      stream_.WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
  }

  // The tag and size of a value with a payload; false, with null written instead, when the size
  // cannot travel.
  bool StartSized(uint8_t tag, size_t size) {
    if (size >= 254) {
      return StartLongSized(tag, size);
    }
    // The usual short size goes with its tag, in one write: as a 16-bit number, the tag in the
    // low byte, which comes first in the little-endian order of every number here.
    WriteNumber(static_cast<uint16_t>(tag | size << 8), stream_);
    return true;
  }

  bool StartLongSized(uint8_t tag, size_t size) {
    if (size > kMaxWireSize) {
      LogTooLarge();
      stream_.WriteByte(kNull);
      return false;
    }
    stream_.WriteByte(tag);
    WriteSizeTo(size, stream_);
    return true;
  }

  // Tag, size, |alignment| padding (0: none), then the elements' bytes.
  template <typename T>
  void WriteTypedList(uint8_t tag, const std::vector<T>& list, uint8_t alignment) {
    if (!StartSized(tag, list.size())) {
      return;
    }
    if (alignment != 0) {
      stream_.WriteAlignment(alignment);
    }
    if (!list.empty()) {
      stream_.WriteBytes(reinterpret_cast<const uint8_t*>(list.data()), list.size() * sizeof(T));
    }
  }

  const StandardCodecSerializer& serializer_;
  Stream& stream_;
};

// Reads values from a Stream: ByteBufferStreamReader on the fast path, ByteStreamReader on the
// general one.
template <typename Stream>
class Decoder {
 public:
  static constexpr bool kFast = !std::is_same_v<Stream, ByteStreamReader>;

  Decoder(const StandardCodecSerializer& serializer, Stream& stream)
      : serializer_(serializer), stream_(stream), budget_(StartedBudget(stream)) {}

  // Decodes into |out| (replacing what it holds) the payload of a value whose tag |type| has been
  // read. |out| is the value's own place, a list element or map entry, so nothing is moved but the
  // buffer of a string or typed list.
  void ReadValueOfType(uint8_t type, EncodableValue& out) {
    switch (type) {
      case kNull:
        out.emplace<std::monostate>();
        break;
      case kTrue:
        out.emplace<bool>(true);
        break;
      case kFalse:
        out.emplace<bool>(false);
        break;
      case kInt32:
        out.emplace<int32_t>(ReadNumber<int32_t>(stream_));
        break;
      case kInt64:
        out.emplace<int64_t>(ReadNumber<int64_t>(stream_));
        break;
      case kFloat64:
        stream_.ReadAlignment(8);
        out.emplace<double>(ReadNumber<double>(stream_));
        break;
      case kLargeInt:
      case kString:
        out.emplace<std::string>(ReadBlock<std::string>(0));
        break;
      case kUInt8List:
        out.emplace<std::vector<uint8_t>>(ReadBlock<std::vector<uint8_t>>(0));
        break;
      case kInt32List:
        out.emplace<std::vector<int32_t>>(ReadBlock<std::vector<int32_t>>(4));
        break;
      case kInt64List:
        out.emplace<std::vector<int64_t>>(ReadBlock<std::vector<int64_t>>(8));
        break;
      case kFloat64List:
        out.emplace<std::vector<double>>(ReadBlock<std::vector<double>>(8));
        break;
      case kFloat32List:
        out.emplace<std::vector<float>>(ReadBlock<std::vector<float>>(4));
        break;
      case kList:
      case kMap:
        ReadContainer(type, out);
        break;
      default:
        LogLine("Unknown type in StandardCodecSerializer::ReadValueOfType: " +
                std::to_string(static_cast<unsigned>(type)));
        out.emplace<std::monostate>();
        break;
    }
  }

 private:
  class DepthGuard {
   public:
    explicit DepthGuard(DecodeBudget& budget) : budget_(budget) { ++budget_.depth; }
    ~DepthGuard() { --budget_.depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

   private:
    DecodeBudget& budget_;
  };

  void ReadNested(EncodableValue& out) {
    if constexpr (kFast) {
      // Most keys and values are strings: read here, without a call per value.
      const uint8_t type = stream_.ReadByte();
      if (type == kString) {
        out.emplace<std::string>(ReadBlock<std::string>(0));
      } else {
        ReadValueOfType(type, out);
      }
    } else {
      out = serializer_.ReadValue(&stream_);
    }
  }

  // Whether another element of a list or map is to be read: always when its size was within the
  // budget, else while the message has bytes left; from a reader that does not know its end, until
  // a read comes up short (the message had |short_reads| when the list or map began).
  bool MoreToRead(bool within_budget, size_t short_reads) {
    if (within_budget) return true;
    const size_t remaining = stream_.BytesRemaining();
    if (remaining == kUnknownEnd) return budget_.short_reads == short_reads;
    if (remaining > 0) return true;
    LogShortRead(budget_);
    return false;
  }

  // A string or typed list: size, |alignment| padding (0: none), then its elements' bytes.
  template <typename Container>
  Container ReadBlock(uint8_t alignment) {
    using Element = typename Container::value_type;
    const size_t count = ReadSizeFrom(stream_);
    if (alignment != 0) {
      stream_.ReadAlignment(alignment);
    }
    // count < 2^32 and sizeof(Element) <= 8: no overflow in 64 bits.
    const uint64_t byte_count = static_cast<uint64_t>(count) * sizeof(Element);
    const size_t remaining = stream_.BytesRemaining();
    if (byte_count > remaining && !Spend(budget_, byte_count)) {
      LogShortRead(budget_);
      return Container();
    }
    if constexpr (kFast && sizeof(Element) == 1) {
      // Copied once from the message, without zeroing the value first.
      if (const uint8_t* bytes = stream_.Consume(count)) {
        const auto* first = reinterpret_cast<const Element*>(bytes);
        return Container(first, first + count);
      }
      return Container(count, Element());  // empty, or filled in (Consume logged)
    } else {
      // One read straight into the value; from a reader that does not know its end, one per part
      // until a read comes up short: the value is then filled in within the budget, else empty.
      const bool unknown_end = remaining == kUnknownEnd;
      const size_t part = unknown_end ? kPartBytes / sizeof(Element) : count;
      const size_t short_reads = budget_.short_reads;
      Container block;
      for (size_t done = 0; done < count;) {
        const size_t length = std::min(part, count - done);
        block.resize(done + length);
        stream_.ReadBytes(reinterpret_cast<uint8_t*>(&block[done]), length * sizeof(Element));
        done += length;
        if (unknown_end && budget_.short_reads != short_reads) {
          if (!Spend(budget_, byte_count)) return Container();
          block.resize(count);
          break;
        }
      }
      return block;
    }
  }

  void ReadContainer(uint8_t type, EncodableValue& out) {
    DepthGuard guard(budget_);
    if (budget_.depth > kMaxNestingDepth) {
      LogLine("Nesting deeper than " + std::to_string(kMaxNestingDepth) +
              " in StandardCodecSerializer::ReadValueOfType; read as null.");
      out.emplace<std::monostate>();
      return;
    }
    const size_t count = ReadSizeFrom(stream_);
    const size_t short_reads = budget_.short_reads;
    if (type == kList) {
      EncodableList& list = out.emplace<EncodableList>();
      const bool within_budget = Spend(budget_, count);
      if (within_budget) list.reserve(count);
      for (size_t i = 0; i < count && MoreToRead(within_budget, short_reads); ++i) {
        ReadNested(list.emplace_back());
      }
      return;
    }
    EncodableMap& map = out.emplace<EncodableMap>();
    const bool within_budget = Spend(budget_, 2 * static_cast<uint64_t>(count));
    for (size_t i = 0; i < count && MoreToRead(within_budget, short_reads); ++i) {
      // The value is read straight into its entry. With duplicate keys the first pair read stays.
      const size_t size = map.size();
      auto entry = AddEntry(map);
      if (map.size() != size) {
        ReadNested(entry->second);
      } else {
        EncodableValue dropped;
        ReadNested(dropped);
      }
    }
  }

  // Reads a key and gives it an entry in |map| with a null value, unless an equivalent key is
  // there; returns the key's entry. Encoders write keys in order, so the hint at the end usually
  // saves the search.
  EncodableMap::iterator AddEntry(EncodableMap& map) {
    if constexpr (kFast) {
      const uint8_t type = stream_.ReadByte();
      if (type == kString) {
        // Most keys are strings: made in their entry, not moved there.
        return map.emplace_hint(
            map.end(), std::piecewise_construct,
            std::forward_as_tuple(std::in_place_type<std::string>, ReadBlock<std::string>(0)),
            std::forward_as_tuple());
      }
      EncodableValue key;
      ReadValueOfType(type, key);
      return map.emplace_hint(map.end(), std::move(key), EncodableValue());
    } else {
      return map.emplace_hint(map.end(), serializer_.ReadValue(&stream_), EncodableValue());
    }
  }

  const StandardCodecSerializer& serializer_;
  Stream& stream_;
  DecodeBudget& budget_;
};

// |stream| as the ByteBuffer stream Buffer when the fast path may be taken: |serializer| is exactly
// the standard one and |stream| exactly a Buffer (which is final). Null otherwise.
template <typename Buffer, typename Stream>
Buffer* FastPathStream(const StandardCodecSerializer& serializer, Stream* stream) {
  if (typeid(serializer) != typeid(StandardCodecSerializer) || typeid(*stream) != typeid(Buffer)) {
    return nullptr;
  }
  return static_cast<Buffer*>(stream);
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
  if (auto* buffer = FastPathStream<ByteBufferStreamWriter>(*this, stream)) {
    VectorSink sink(buffer->Buffer());
    Encoder<VectorSink>(*this, sink).WriteValue(value);
  } else {
    Encoder<ByteStreamWriter>(*this, *stream).WriteValue(value);
  }
}

EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type,
                                                        ByteStreamReader* stream) const {
  EncodableValue value;
  if (auto* buffer = FastPathStream<ByteBufferStreamReader>(*this, stream)) {
    Decoder<ByteBufferStreamReader>(*this, *buffer).ReadValueOfType(type, value);
  } else {
    Decoder<ByteStreamReader>(*this, *stream).ReadValueOfType(type, value);
  }
  return value;
}

size_t StandardCodecSerializer::ReadSize(ByteStreamReader* stream) const {
  return ReadSizeFrom(*stream);
}

void StandardCodecSerializer::WriteSize(size_t size, ByteStreamWriter* stream) const {
  WriteSizeTo(size, *stream);
}

}  // namespace flutter
