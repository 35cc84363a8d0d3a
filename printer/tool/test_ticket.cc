#include "printer/tool/test_ticket.h"

#include <exception>
#include <initializer_list>

#include "printer/text_conversion.h"
#include "printer/tool/tool_messages.h"

namespace {

constexpr std::uint8_t kEsc = 0x1B, kGs = 0x1D, kLf = 0x0A;

class Ticket {
 public:
  Ticket& Bytes(std::initializer_list<std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  Ticket& Line(const std::string& text) {
    const std::string encoded = ToCodePage858(text);
    bytes_.insert(bytes_.end(), encoded.begin(), encoded.end());
    return Bytes({kLf});
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::vector<std::uint8_t> TestTicket(const std::string& device, const LocalTime& now) {
  return Ticket()
      .Bytes({kEsc, '@', kEsc, 't', 19, kEsc, 'a', 1, kEsc, 'E', 1})
      .Line(kTicketTitle)
      .Bytes({kEsc, 'E', 0, kEsc, 'a', 0})
      .Line(kTicketDevice + device)
      .Line(kTicketDate + DateText(now))
      .Line(kTicketAccents)
      .Line(kTicketVerdict)
      .Bytes({kLf, kLf, kLf, kGs, 'V', 0x42, 0})
      .Take();
}

std::vector<std::uint8_t> DrawerPulse() { return {kEsc, 'p', 0, 25, 250}; }

std::string ToCodePage858(const std::string& text) {
  static const std::u16string kUpperHalf =
      u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒáíóúñÑªº¿®¬½¼¡«»░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐"
      u"└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈ€ÍÎÏ┘┌█▄¦Ì▀ÓßÔÒõÕµþÞÚÛÙýÝ¯´\u00AD±‗¾¶§÷¸°¨·¹³²■\u00A0";
  std::u16string wide;
  try {
    wide = Utf8ToUtf16(text);
  } catch (const std::exception&) {
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
