// A Windows printer on a network port, as the support tool checks it: a printer on a RAW Standard
// TCP/IP port is asked itself over TCP, with the real-time status requests a serial printer answers
// (DLE EOT 1 to 4, one at a time); then comes what the spooler keeps. Nothing else is ever sent:
// a reset (ESC @) would cut a ticket the printer is printing. Portable; safe on any thread.
#ifndef QUENBREL_PRINTER_TOOL_NETWORK_STATUS_H_
#define QUENBREL_PRINTER_TOOL_NETWORK_STATUS_H_

#include <cstdint>
#include <string>

#include "printer/tool/device_status.h"
#include "printer/tool/network_link.h"
#include "printer/tool/port_settings.h"

// The bounds: connecting (the name's resolution included), then each answer.
inline constexpr std::uint32_t kNetworkConnectTimeoutMs = 2000;
inline constexpr std::uint32_t kNetworkAnswerTimeoutMs = 500;

// `spooler` (what the spooler keeps for the printer on `port`), after what that port lets the tool
// learn. A RAW TCP/IP port: the address asked, then the printer's answers decoded as a serial
// printer's, or why none came (a refusal, no connection in time, an address not found, a
// connection closed, silence); the printer's outcome is then the status's. A network port the tool
// cannot ask (LPR, WSD, a TCP/IP port without an address, a port number or a known protocol): one
// line that says so, and the spooler's outcome. Any other port: `spooler` as it is. Costs at most
// 2 s to connect and 500 ms per answer.
DeviceStatus WithNetworkStatus(PortSettings& settings, NetworkLink& link,
                               const std::u16string& port, DeviceStatus spooler);

#endif  // QUENBREL_PRINTER_TOOL_NETWORK_STATUS_H_
