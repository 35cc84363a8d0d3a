// Feeds arbitrary bytes to the method-call decoder and the value decoder, and compares the codec's
// fast path (the standard serializer on the ByteBuffer streams) with its general path (streams of
// another type, or a derived serializer, through the virtual interfaces). Any crash, sanitizer
// report, difference between the paths in bytes, values or log lines, or a decoded value whose
// encoding does not survive a second round trip is a finding.
#include <stdio.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "channel/standard_codec_serializer.h"
#include "channel/standard_method_codec.h"

namespace {

using flutter::EncodableValue;
using flutter::StandardCodecSerializer;
using Bytes = std::vector<uint8_t>;

// The standard format through the general path. (That a derived serializer sees every nested
// value is the suite's business.)
const struct DerivedSerializer : StandardCodecSerializer {
} derived;

// Streams of another type that forward to the ByteBuffer ones. A reader may hide its end, as a
// reader that cannot know it does. The short reads of the reader forwarded to count in this
// reader's message, as any reader's own do.
class ForwardingReader : public flutter::ByteStreamReader {
 public:
  ForwardingReader(const uint8_t* data, size_t size, bool knows_end)
      : reader_(data, size), knows_end_(knows_end) {}
  uint8_t ReadByte() override {
    const SharedCount shared(*this);
    return reader_.ReadByte();
  }
  void ReadBytes(uint8_t* buffer, size_t length) override {
    const SharedCount shared(*this);
    reader_.ReadBytes(buffer, length);
  }
  void ReadAlignment(uint8_t alignment) override { reader_.ReadAlignment(alignment); }
  size_t BytesRemaining() const override {
    return knows_end_ ? reader_.BytesRemaining() : ByteStreamReader::BytesRemaining();
  }

 private:
  // While it lives, the reader forwarded to counts in this reader's message.
  struct SharedCount {
    explicit SharedCount(ForwardingReader& r) : r(r) {
      r.reader_.decode_budget().short_reads = r.decode_budget().short_reads;
    }
    ~SharedCount() { r.decode_budget().short_reads = r.reader_.decode_budget().short_reads; }
    ForwardingReader& r;
  };

  flutter::ByteBufferStreamReader reader_;
  bool knows_end_;
};

class ForwardingWriter : public flutter::ByteStreamWriter {
 public:
  explicit ForwardingWriter(Bytes* bytes) : writer_(bytes) {}
  void WriteByte(uint8_t byte) override { writer_.WriteByte(byte); }
  void WriteBytes(const uint8_t* buffer, size_t length) override {
    writer_.WriteBytes(buffer, length);
  }
  void WriteAlignment(uint8_t alignment) override { writer_.WriteAlignment(alignment); }

 private:
  flutter::ByteBufferStreamWriter writer_;
};

// The log lines written since the last Decode began.
std::string captured;

ssize_t Capture(void*, const char* text, size_t size) {
  captured.append(text, size);
  return static_cast<ssize_t>(size);
}

enum class Path { kFast, kForwardingStreams, kDerivedSerializer, kHiddenEnd };

const StandardCodecSerializer& SerializerFor(Path path) {
  return path == Path::kDerivedSerializer ? derived : StandardCodecSerializer::GetInstance();
}

// One value from |data| through |path|; the lines it logged are in |captured| until the next.
EncodableValue Decode(const uint8_t* data, size_t size, Path path) {
  flutter::ByteBufferStreamReader buffer(data, size);
  ForwardingReader forwarding(data, size, path != Path::kHiddenEnd);
  const bool on_buffer = path == Path::kFast || path == Path::kDerivedSerializer;
  captured.clear();
  return SerializerFor(path).ReadValue(on_buffer ? static_cast<flutter::ByteStreamReader*>(&buffer)
                                                 : &forwarding);
}

// |value| after |offset| bytes through |path| (kHiddenEnd: as kForwardingStreams).
Bytes Encode(const EncodableValue& value, Path path, size_t offset = 0) {
  Bytes bytes(offset, 0xAA);
  flutter::ByteBufferStreamWriter buffer(&bytes);
  ForwardingWriter forwarding(&bytes);
  const bool on_buffer = path == Path::kFast || path == Path::kDerivedSerializer;
  SerializerFor(path).WriteValue(
      value, on_buffer ? static_cast<flutter::ByteStreamWriter*>(&buffer) : &forwarding);
  return bytes;
}

}  // namespace

// Hostile input logs a line per fault, hundreds per input; a system call for each would take most
// of the run. libFuzzer and the sanitizers report through their own descriptor, not this stream.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  cookie_io_functions_t capture = {nullptr, Capture, nullptr, nullptr};
  if (FILE* sink = fopencookie(nullptr, "w", capture)) stderr = sink;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(data, size);

  // Values compare by their encodings, which tell apart what == cannot (NaN, -0.0).
  const EncodableValue value = Decode(data, size, Path::kFast);
  const std::string log = captured;
  const Bytes first = Encode(value, Path::kFast);
  for (Path path : {Path::kForwardingStreams, Path::kDerivedSerializer, Path::kHiddenEnd}) {
    // Without a known end the size guards cannot apply; with nothing logged, none applied.
    if (path == Path::kHiddenEnd && !log.empty()) continue;
    if (Encode(Decode(data, size, path), Path::kFast) != first || captured != log) std::abort();
  }
  // Padding depends on the position in the message.
  const size_t offset = size % 8;
  const Bytes shifted = Encode(value, Path::kFast, offset);
  for (Path path : {Path::kForwardingStreams, Path::kDerivedSerializer}) {
    if (Encode(value, path, offset) != shifted) std::abort();
  }
  if (Encode(Decode(first.data(), first.size(), Path::kFast), Path::kFast) != first) std::abort();
  return 0;
}
