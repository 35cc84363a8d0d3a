// A TCP connection to a network printer, as the support tool asks one for its status: connect
// within a bound, then a request and its one-byte answer at a time, each within a bound.
// Implemented by Win32NetworkLink (printer/tool/win32/network_link_win32.h) and by fakes in tests.
#ifndef QUENBREL_PRINTER_TOOL_NETWORK_LINK_H_
#define QUENBREL_PRINTER_TOOL_NETWORK_LINK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a connection attempt came to.
enum class LinkOpening {
  kOpen,
  kRefused,     // the host answered that nothing takes connections on that port
  kTimedOut,    // no connection within the bound: nothing answered
  kUnreachable  // the name unknown (or not resolved within the bound), or no route to the host
};

// What a request came to.
enum class LinkAnswer {
  kByte,     // one byte came
  kSilence,  // nothing came within the bound
  kClosed    // the printer closed or reset the connection (or the request could not be sent)
};

// An open connection; closed when it goes.
class NetworkConnection {
 public:
  virtual ~NetworkConnection() = default;

  // Sends `request` whole, then waits for one byte, all within `timeout_ms`; *answer is set with
  // kByte.
  virtual LinkAnswer Ask(const std::vector<std::uint8_t>& request, std::uint32_t timeout_ms,
                         std::uint8_t* answer) = 0;
};

class NetworkLink {
 public:
  virtual ~NetworkLink() = default;

  // Opens a TCP connection to `port` of `host` (a name or an address) within `timeout_ms`, the
  // name's resolution included; *connection is set with kOpen only.
  virtual LinkOpening Connect(const std::u16string& host, std::uint16_t port,
                              std::uint32_t timeout_ms,
                              std::unique_ptr<NetworkConnection>* connection) = 0;
};

#endif  // QUENBREL_PRINTER_TOOL_NETWORK_LINK_H_
