// What the driver says on the application's side of the channels: method calls encoded with the
// standard method codec, and replies decoded into one readable line.
// Pure functions; any thread. Never throws on bad reply bytes: they are shown as hex.
#ifndef QUENBREL_STANDINS_DRIVER_APP_MESSAGES_H_
#define QUENBREL_STANDINS_DRIVER_APP_MESSAGES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace app {

constexpr char kPrinterChannel[] = "quenbrel/printer";

// A call of |method| without arguments (the arguments are null).
std::vector<uint8_t> EncodeCall(const std::string& method);

// A "print" call: a map with "device" (string) and "bytes" (byte list).
std::vector<uint8_t> EncodePrintCall(const std::string& device, const std::vector<uint8_t>& bytes);

// One line for a reply:
//   empty                              the empty reply (no handler, or not implemented)
//   success VALUE                      VALUE as JSON-like text; byte lists as bytes(N):HEX
//   error CODE MESSAGE DETAILS         MESSAGE a JSON string (or null), DETAILS a value
//   undecodable HEX                    not a reply envelope
std::string DescribeReply(const std::vector<uint8_t>& reply);

std::string Hex(const std::vector<uint8_t>& bytes);
// False for an odd count or a non-hex digit.
bool ParseHex(const std::string& text, std::vector<uint8_t>* bytes);

}  // namespace app

#endif  // QUENBREL_STANDINS_DRIVER_APP_MESSAGES_H_
