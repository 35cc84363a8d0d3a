#include "printer/tool/network_status.h"

#include <memory>
#include <utility>
#include <vector>

#include "printer/text_conversion.h"
#include "printer/tool/tool_messages.h"

namespace {

// The printer's answers over a TCP connection, decoded; or why none came.
DeviceStatus AskPrinter(NetworkLink& link, const TcpIpPort& port) {
  std::unique_ptr<NetworkConnection> connection;
  switch (link.Connect(port.host, static_cast<std::uint16_t>(port.port_number),
                       kNetworkConnectTimeoutMs, &connection)) {
    case LinkOpening::kOpen:
      break;
    case LinkOpening::kRefused:
      return {StatusOutcome::kNetworkRefused, {kNetworkRefusedLine}};
    case LinkOpening::kTimedOut:
      return {StatusOutcome::kNetworkBusy, {kNetworkBusyLine}};
    case LinkOpening::kUnreachable:
      return {StatusOutcome::kNetworkUnreachable, {kNetworkUnreachableLine}};
  }
  std::vector<std::uint8_t> answers;
  LinkAnswer last = LinkAnswer::kByte;
  // As on a serial line: the next request only once the last one is answered.
  for (std::uint8_t n = 1; n <= 4 && last == LinkAnswer::kByte; ++n) {
    std::uint8_t answer = 0;
    last = connection->Ask({0x10, 0x04, n}, kNetworkAnswerTimeoutMs, &answer);  // DLE EOT n
    if (last == LinkAnswer::kByte) answers.push_back(answer);
  }
  connection.reset();
  return last == LinkAnswer::kClosed
             ? DecodeSerialStatus(answers, kNetworkClosedLine, StatusOutcome::kNetworkClosed)
             : DecodeSerialStatus(answers, kNetworkSilentLine, StatusOutcome::kNoAnswer);
}

// Windows names a Web Services for Devices port "WSD-" and a number of its own.
bool IsWsdPort(const std::u16string& port) { return port.rfind(u"WSD-", 0) == 0; }

}  // namespace

DeviceStatus WithNetworkStatus(PortSettings& settings, NetworkLink& link,
                               const std::u16string& port, DeviceStatus spooler) {
  const std::optional<TcpIpPort> tcp_ip = settings.TcpIpSettings(port);
  DeviceStatus status{spooler.outcome, {}};
  if (!tcp_ip) {
    if (!IsWsdPort(port)) return spooler;
    status.lines.push_back(kWsdPortLine);
  } else if (tcp_ip->protocol == kLprPortProtocol) {
    status.lines.push_back(kLprPortLine);
  } else if (tcp_ip->protocol != kRawPortProtocol || tcp_ip->host.empty() ||
             tcp_ip->port_number == 0 || tcp_ip->port_number > 0xFFFF) {
    status.lines.push_back(kUnaskablePortLine);
  } else {
    status = AskPrinter(link, *tcp_ip);
    status.lines.insert(status.lines.begin(), kNetworkPrinterLabel + Utf16ToUtf8(tcp_ip->host) +
                                                  kNetworkPortNumberLabel +
                                                  std::to_string(tcp_ip->port_number));
  }
  status.lines.insert(status.lines.end(), spooler.lines.begin(), spooler.lines.end());
  return status;
}
