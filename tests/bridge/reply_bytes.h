// Reply envelopes of the printer channel, spelled out byte by byte for tests (every text here is
// under 254 bytes, so each size is one byte).
#ifndef QUENBREL_TESTS_BRIDGE_REPLY_BYTES_H_
#define QUENBREL_TESTS_BRIDGE_REPLY_BYTES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "printer/printer_device.h"

using Bytes = std::vector<uint8_t>;

Bytes StringValue(const std::string& text);
Bytes SuccessNull();
Bytes ErrorReply(const std::string& code, const std::string& message);
Bytes ListReply(const std::vector<PrinterDevice>& devices);

#endif  // QUENBREL_TESTS_BRIDGE_REPLY_BYTES_H_
