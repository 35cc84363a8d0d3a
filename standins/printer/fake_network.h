// A strict stand-in for a network printer, for tests: its port's TCP/IP settings (none unless set),
// how a connection attempt ends, and what each request gets (a byte, or silence or a closing, which
// end the connection's use). It logs each call ("connect HOST:PORT in 2000 ms", "ask 10 04 01 in
// 500 ms"). A second connection, a request past the script or after silence or a closing, is a
// breach: one line on standard error, and the process ends.
#ifndef QUENBREL_STANDINS_PRINTER_FAKE_NETWORK_H_
#define QUENBREL_STANDINS_PRINTER_FAKE_NETWORK_H_

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "printer/text_conversion.h"
#include "printer/tool/network_link.h"
#include "printer/tool/port_settings.h"

class FakeNetwork : public PortSettings, public NetworkLink {
 public:
  static constexpr int kSilent = -1, kClosed = -2;

  std::optional<TcpIpPort> tcp_ip;
  LinkOpening opening = LinkOpening::kOpen;
  std::deque<int> answers;  // a byte, kSilent or kClosed for each request
  std::string log;

  std::optional<TcpIpPort> TcpIpSettings(const std::u16string&) override { return tcp_ip; }

  LinkOpening Connect(const std::u16string& host, std::uint16_t port, std::uint32_t timeout_ms,
                      std::unique_ptr<NetworkConnection>* connection) override {
    if (connected_) Breach("a second connection");
    connected_ = true;
    log += "connect " + Utf16ToUtf8(host) + ":" + std::to_string(port) + " in " +
           std::to_string(timeout_ms) + " ms\n";
    if (opening == LinkOpening::kOpen) *connection = std::make_unique<Connection>(*this);
    return opening;
  }

 private:
  class Connection : public NetworkConnection {
   public:
    explicit Connection(FakeNetwork& network) : network_(network) {}
    LinkAnswer Ask(const std::vector<std::uint8_t>& request, std::uint32_t timeout_ms,
                   std::uint8_t* answer) override {
      FakeNetwork& n = network_;
      if (n.answers.empty() || ended_) Breach("a request past the end of the exchange");
      n.log += "ask";
      for (const std::uint8_t byte : request) {
        n.log += {' ', "0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
      }
      n.log += " in " + std::to_string(timeout_ms) + " ms\n";
      const int next = n.answers.front();
      n.answers.pop_front();
      ended_ = next < 0;
      if (next >= 0) *answer = static_cast<std::uint8_t>(next);
      return next == kSilent   ? LinkAnswer::kSilence
             : next == kClosed ? LinkAnswer::kClosed
                               : LinkAnswer::kByte;
    }

   private:
    FakeNetwork& network_;
    bool ended_ = false;
  };

  [[noreturn]] static void Breach(const std::string& what) {
    std::fprintf(stderr, "[fake network] contract breach: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
  }

  bool connected_ = false;
};

#endif  // QUENBREL_STANDINS_PRINTER_FAKE_NETWORK_H_
