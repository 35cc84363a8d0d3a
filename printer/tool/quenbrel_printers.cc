// quenbrel-printers: checks a receipt printer without the app, for shop support staff. Built on the
// printer library of the program itself, so it sees the devices and sends tickets exactly as the
// app's "list" and "print" do.
//   quenbrel-printers list                 one line per device: its id, a tab, its label
//   quenbrel-printers print DEVICE FILE    sends the file's bytes (1 to 65,536) as one ticket
//   quenbrel-printers test DEVICE          prints a short French test ticket (ESC/POS, page 858)
// A failure prints the app's own French message on standard error and exits with the code of its
// kind (kExitCodes below, and the README); success exits 0, a usage error 2.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "printer/platform_printer_services.h"
#include "printer/printer_bridge.h"
#include "printer/printer_messages.h"
#include "printer/printer_tasks.h"
#include "printer/text_conversion.h"
#include "printer/win32/dos_devices_win32.h"
#include "printer/win32/serial_port_win32.h"
#include "printer/win32/spooler_win32.h"
#include "quenbrel_version.h"

namespace {

constexpr int kUsage = 2;
constexpr char kUsageLine[] =
    "usage: quenbrel-printers list | print DEVICE FILE | test DEVICE  (DEVICE as listed, such as "
    "serial:COM5)\n";
constexpr char kUnreadableFile[] = "Fichier de ticket illisible.";

// Every failure's exit code, by its message. Anything else (out of memory, say) exits 1.
const struct {
  const char* message;
  int code;
} kExitCodes[] = {
    {kUnreadableFile, 3},
    {kTicketDataInvalidMessage, 4},
    {kDeviceGoneMessage, 5},
    {kUnknownDeviceMessage, 6},
    {kInvalidNameMessage, 7},
    {kPortUnavailableMessage, 10},
    {kPortUnreadableMessage, 11},
    {kPortNotConfiguredMessage, 12},
    {kPortSendInterruptedMessage, 13},
    {kPrinterUnavailableMessage, 20},
    {kJobNotCreatedMessage, 21},
    {kPageNotStartedMessage, 22},
    {kPrinterSendInterruptedMessage, 23},
    {kJobNotConfirmedMessage, 24},
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  for (const auto& kind : kExitCodes) {
    if (message == kind.message) return kind.code;
  }
  return 1;
}

// |text| in code page 858: ASCII as it is, the upper half by the page's own table, '?' for
// anything the page lacks (or for every byte of text that is not UTF-8).
std::string ToCodePage858(const std::string& text) {
  static const std::u16string kUpperHalf =
      u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒáíóúñÑªº¿®¬½¼¡«»░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐"
      u"└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈ€ÍÎÏ┘┌█▄¦Ì▀ÓßÔÒõÕµþÞÚÛÙýÝ¯´\u00AD±‗¾¶§÷¸°¨·¹³²■\u00A0";
  std::u16string wide;
  try {
    wide = Utf8ToUtf16(text);
  } catch (const std::runtime_error&) {
    wide = std::u16string(text.size(), u'?');
  }
  std::string out;
  for (const char16_t c : wide) {
    const size_t at = kUpperHalf.find(c);
    out += c < 0x80                     ? static_cast<char>(c)
           : at == std::u16string::npos ? '?'
                                        : static_cast<char>(0x80 + at);
  }
  return out;
}

// The test ticket: initialise, code page 858, a centred bold title, the device and the time, the
// accented letters the app's own messages never use, three lines of feed and a cut.
std::vector<uint8_t> TestTicket(const std::string& device) {
  char now[32];
  const std::time_t seconds = std::time(nullptr);
  std::strftime(now, sizeof(now), "%d/%m/%Y %H:%M", std::localtime(&seconds));
  const std::string text =
      "\x1B@\x1Bt\x13\x1B"
      "a\x01\x1B"
      "E\x01" +
      ToCodePage858(u8"Quenbrel - ticket d’essai") +
      "\n\x1B"
      "E\x00\x1B"
      "a\x00" +
      ToCodePage858(u8"Imprimante : " + device + "\nDate : " + now +
                    u8"\nAccents : é è ê ë à â ç ô ù û î ï É È À Ç €\n"
                    u8"Si les accents sont lisibles, tout va bien.\n") +
      "\n\n\n\x1DV\x42";
  std::vector<uint8_t> ticket(text.begin(), text.end());
  ticket.push_back(0);  // the cut's feed count
  return ticket;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 and "\n" unchanged
  if (argc == 2 && std::wcscmp(argv[1], L"--version") == 0) {
    std::printf("quenbrel-printers %s\n", QUENBREL_VERSION_TEXT);
    return 0;
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(Utf16ToUtf8(std::u16string(argv[i], argv[i] + wcslen(argv[i]))));
  }
  const std::string command = args.empty() ? "" : args[0];
  PlatformPrinterServices services(std::make_unique<Win32Spooler>(),
                                   std::make_unique<Win32SerialPort>(),
                                   std::make_unique<Win32DosDevices>());
  try {
    if (command == "list" && args.size() == 1) {
      for (const PrinterDevice& device : services.ListDevices()) {
        std::printf("%s\t%s\n", device.id.c_str(), device.name.c_str());
      }
      return 0;
    }
    std::vector<uint8_t> ticket;
    if (command == "print" && args.size() == 3) {
      std::ifstream file(argv[3], std::ios::binary);
      if (!file) return Fail(kUnreadableFile);
      ticket.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
      if (ticket.empty() || ticket.size() > kMaxTicketBytes) return Fail(kTicketDataInvalidMessage);
    } else if (command == "test" && args.size() == 2) {
      ticket = TestTicket(args[1]);
    } else {
      std::fputs(kUsageLine, stderr);
      return kUsage;
    }
    PrintTicket(services, args[1], ticket);
    return 0;
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
