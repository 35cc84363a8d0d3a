// The tickets the support tool prints itself: a short French test ticket and the cash drawer's
// pulse, as ESC/POS bytes. Built byte by byte: a command's parameter may be zero.
#ifndef QUENBREL_PRINTER_TOOL_TEST_TICKET_H_
#define QUENBREL_PRINTER_TOOL_TEST_TICKET_H_

#include <cstdint>
#include <string>
#include <vector>

#include "printer/tool/tool_system.h"

// Initialise, code page 858, a bold centred title, then a plain left-aligned body: the device,
// the date and time ("dd/mm/yyyy hh:mm"), the accented letters the app's messages never use and
// a verdict; three lines of feed and a cut.
std::vector<std::uint8_t> TestTicket(const std::string& device, const LocalTime& now);

// ESC p 0 25 250: a 50 ms pulse on the drawer connector's pin 2, then 500 ms off.
std::vector<std::uint8_t> DrawerPulse();

// `text` (UTF-8) in code page 858: ASCII as it is, the upper half by the page's own table, '?' for
// anything the page lacks (or for every byte of text that is not UTF-8).
std::string ToCodePage858(const std::string& text);

#endif  // QUENBREL_PRINTER_TOOL_TEST_TICKET_H_
