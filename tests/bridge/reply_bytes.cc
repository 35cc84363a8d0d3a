#include "tests/bridge/reply_bytes.h"

#include <algorithm>

Bytes StringValue(const std::string& text) {
  // Sized first: GCC 12 at -O3 misreads an insert after a braced initialiser as out of bounds.
  Bytes bytes(2 + text.size());
  bytes[0] = 0x07;
  bytes[1] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), bytes.begin() + 2);
  return bytes;
}

Bytes SuccessNull() { return {0x00, 0x00}; }

Bytes ErrorReply(const std::string& code, const std::string& message) {
  Bytes bytes{0x01};
  for (const Bytes& part : {StringValue(code), StringValue(message), Bytes{0x00}}) {
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  return bytes;
}

Bytes ListReply(const std::vector<PrinterDevice>& devices) {
  Bytes bytes{0x00, 0x0C, static_cast<uint8_t>(devices.size())};
  for (const PrinterDevice& device : devices) {
    bytes.insert(bytes.end(), {0x0D, 0x03});
    for (const std::string& text : {std::string("id"), device.id, std::string("name"), device.name,
                                    std::string("transport"), std::string("windows")}) {
      Bytes value = StringValue(text);
      bytes.insert(bytes.end(), value.begin(), value.end());
    }
  }
  return bytes;
}
