// The NetworkLink on Winsock: a non-blocking TCP socket whose every wait is a bounded select, and a
// name looked up on a thread of its own (GetAddrInfoW has no time-out, and a name server may take
// many seconds). Winsock is started for the object's life. One thread at a time.
#ifndef QUENBREL_PRINTER_TOOL_WIN32_NETWORK_LINK_WIN32_H_
#define QUENBREL_PRINTER_TOOL_WIN32_NETWORK_LINK_WIN32_H_

#include "printer/tool/network_link.h"

class Win32NetworkLink final : public NetworkLink {
 public:
  Win32NetworkLink();
  ~Win32NetworkLink() override;
  Win32NetworkLink(const Win32NetworkLink&) = delete;
  Win32NetworkLink& operator=(const Win32NetworkLink&) = delete;

  LinkOpening Connect(const std::u16string& host, std::uint16_t port, std::uint32_t timeout_ms,
                      std::unique_ptr<NetworkConnection>* connection) override;

 private:
  const bool started_;
};

#endif  // QUENBREL_PRINTER_TOOL_WIN32_NETWORK_LINK_WIN32_H_
