// Feeds arbitrary bytes to the method-call decoder and the value decoder. Any crash, sanitizer
// report, or a decoded value whose encoding does not survive a second round trip is a finding.
#include <stdio.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "channel/standard_codec_serializer.h"
#include "channel/standard_method_codec.h"

namespace {

using flutter::EncodableValue;

// NaN breaks the ordering of map keys (a NaN inside a float list key too), so a map holding one
// need not re-decode identically.
bool HoldsNaN(const EncodableValue& value) {
  auto nan = [](auto number) { return std::isnan(number); };
  if (const auto* number = std::get_if<double>(&value)) return nan(*number);
  if (const auto* numbers = std::get_if<std::vector<double>>(&value)) {
    return std::any_of(numbers->begin(), numbers->end(), nan);
  }
  if (const auto* numbers = std::get_if<std::vector<float>>(&value)) {
    return std::any_of(numbers->begin(), numbers->end(), nan);
  }
  if (const auto* list = std::get_if<flutter::EncodableList>(&value)) {
    return std::any_of(list->begin(), list->end(), HoldsNaN);
  }
  if (const auto* map = std::get_if<flutter::EncodableMap>(&value)) {
    return std::any_of(map->begin(), map->end(), [](const auto& entry) {
      return HoldsNaN(entry.first) || HoldsNaN(entry.second);
    });
  }
  return false;
}

std::vector<uint8_t> Encode(const EncodableValue& value) {
  std::vector<uint8_t> bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  flutter::StandardCodecSerializer::GetInstance().WriteValue(value, &writer);
  return bytes;
}

EncodableValue Decode(const uint8_t* data, size_t size) {
  flutter::ByteBufferStreamReader reader(data, size);
  return flutter::StandardCodecSerializer::GetInstance().ReadValue(&reader);
}

ssize_t Discard(void*, const char*, size_t size) { return static_cast<ssize_t>(size); }

}  // namespace

// Hostile input logs a line per fault, hundreds per input; a system call for each would take most
// of the run. libFuzzer and the sanitizers report through their own descriptor, not this stream.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  cookie_io_functions_t discard = {nullptr, Discard, nullptr, nullptr};
  if (FILE* sink = fopencookie(nullptr, "w", discard)) stderr = sink;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(data, size);

  EncodableValue value = Decode(data, size);
  if (!HoldsNaN(value)) {
    std::vector<uint8_t> first = Encode(value);
    std::vector<uint8_t> second = Encode(Decode(first.data(), first.size()));
    if (first != second) std::abort();
  }
  return 0;
}
