#include "tests/bridge/reply_bytes.h"

Bytes StringValue(const std::string& text) {
  Bytes bytes{0x07, static_cast<uint8_t>(text.size())};
  bytes.insert(bytes.end(), text.begin(), text.end());
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
