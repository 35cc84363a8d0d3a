// What the driver and the tests say on the application's side of the channels: method calls
// encoded with the standard method codec, values as one readable line of text and back, and
// replies decoded into such a line. Pure functions; any thread. Never throws on bad reply bytes:
// they are shown as hex.
#ifndef QUENBREL_STANDINS_DRIVER_APP_MESSAGES_H_
#define QUENBREL_STANDINS_DRIVER_APP_MESSAGES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "channel/encodable_value.h"

namespace app {

constexpr char kPrinterChannel[] = "quenbrel/printer";

// A call of |method| with |arguments| (null when none are given).
std::vector<uint8_t> EncodeCall(const std::string& method,
                                const flutter::EncodableValue& arguments = {});

// A "print" call: a map with "device" (string) and "bytes" (byte list).
std::vector<uint8_t> EncodePrintCall(const std::string& device, const std::vector<uint8_t>& bytes);

// A value as text, one line, JSON-like: null, true, 5 (32-bit), 5L (64-bit), 1.5, "text" (JSON
// escapes), bytes(N):HEX, i32[...], i64[...], f64[...], f32[...], [a, b], {key: value}.
std::string Describe(const flutter::EncodableValue& value);

// The value |text| describes (as Describe writes it; bytes(N) alone is N bytes 0, 1, 2, ...);
// false, leaving |value| unspecified, for text that is not one.
bool ParseValue(const std::string& text, flutter::EncodableValue* value);

// One line for a reply:
//   empty                              the empty reply (no handler, or not implemented)
//   success VALUE                      VALUE as Describe writes it
//   error CODE MESSAGE DETAILS         MESSAGE a JSON string (or null), DETAILS a value
//   undecodable HEX                    not a reply envelope
std::string DescribeReply(const std::vector<uint8_t>& reply);

std::string Hex(const std::vector<uint8_t>& bytes);
// False for an odd count or a non-hex digit.
bool ParseHex(const std::string& text, std::vector<uint8_t>* bytes);

}  // namespace app

#endif  // QUENBREL_STANDINS_DRIVER_APP_MESSAGES_H_
