#include "printer/device_discovery.h"

#include <gtest/gtest.h>

#include "tests/printer/fake_dos_devices.h"
#include "tests/printer/fake_spooler.h"

namespace {

using Devices = std::vector<std::pair<std::string, std::string>>;

Devices List(FakeSpooler& spooler, FakeDosDevices& dos) {
  Devices out;
  for (const PrinterDevice& d : ListDevices(spooler, dos)) out.emplace_back(d.id, d.name);
  return out;
}

Devices Printer(const std::string& name) {
  return {{"printer:" + name, name + " (imprimante Windows)"}};
}
Devices Port(const std::string& name) {
  return {{"serial:" + name, name + " (port Bluetooth / serie)"}};
}

// One spooler printer (null: a null name) or one DOS device name; its UTF-8 form when listed.
TEST(ListDevices, Names) {
  struct Row {
    bool port;
    std::optional<std::u16string> name;
    const char* listed_as;
  };
  // clang-format off
  const Row rows[] = {
      {false, u"Caisse 1", "Caisse 1"}, {false, u"Fax", "Fax"},
      {false, u"microsoft print to pdf", "microsoft print to pdf"},
      {false, u"Caisse \u00E9t\u00E9 \u20AC", "Caisse \xC3\xA9t\xC3\xA9 \xE2\x82\xAC"},
      {false, u"A\xD800", "A\xEF\xBF\xBD"},  // an unpaired surrogate is still listed
      {false, u"Microsoft Print to PDF", nullptr}, {false, u"Microsoft XPS Document Writer", nullptr},
      {false, u"OneNote (Desktop)", nullptr}, {false, u"Send To OneNote 2016", nullptr},
      {false, u"Caisse OneNote 2", nullptr}, {false, std::nullopt, nullptr}, {false, u"", nullptr},
      {true, u"COM1", "COM1"}, {true, u"COM10", "COM10"}, {true, u"COM9999", "COM9999"},
      {true, u"COM0", nullptr}, {true, u"COM01", nullptr}, {true, u"COM10000", nullptr},
      {true, u"com3", nullptr}, {true, u"COM3A", nullptr}, {true, u"LPT1", nullptr},
      {true, u"NUL", nullptr}, {true, u"COM", nullptr}, {true, u"xCOM3", nullptr},
      {true, u"COM\u0663", nullptr},  // an Arabic-Indic digit three
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name ? Utf16ToUtf8(*r.name) : "null");
    FakeSpooler spooler;
    FakeDosDevices dos;
    if (r.port) {
      dos.names = {*r.name};
    } else {
      spooler.printers = {r.name};
      spooler.needed = 1000;
    }
    EXPECT_EQ(List(spooler, dos), r.listed_as ? (r.port ? Port : Printer)(r.listed_as) : Devices{});
  }
}

TEST(ListDevices, PrintersInSpoolerOrderThenPortsInDosOrder) {
  FakeSpooler spooler;
  spooler.printers = {u"B", u"Microsoft XPS Document Writer", u"A"};
  spooler.needed = 1000;
  FakeDosDevices dos;
  dos.names = {u"COM7", u"AUX", u"NUL", u"COM3", u"COM7"};
  Devices expected;
  for (const Devices& d : {Printer("B"), Printer("A"), Port("COM7"), Port("COM3"), Port("COM7")}) {
    expected.push_back(d[0]);
  }
  EXPECT_EQ(List(spooler, dos), expected);
  // One query for the size, then one buffer of exactly that size, zero-filled.
  EXPECT_EQ(spooler.enum_sizes, (std::vector<std::uint32_t>{0, 1000}));
  EXPECT_TRUE(spooler.buffer_was_zeroed);
  EXPECT_EQ(dos.capacity_given, 65536u);
  EXPECT_TRUE(dos.buffer_was_zeroed);
}

// Printer "P" and port "COM5" unless the row says otherwise.
TEST(ListDevices, AFailingSourceOnlyShrinksTheList) {
  struct Row {
    const char* row;
    std::uint32_t needed, grows_by;
    const char* spooler_fails;
    bool no_printer, dos_fails;
    std::size_t ports;
    std::vector<std::uint32_t> enum_sizes;
    bool printer_listed, port_listed;
  };
  // clang-format off
  const Row rows[] = {
      {"size needed 0", 0, 0, "", false, false, 1, {0}, false, true},
      {"size just under 16 MiB", 16777215, 0, "", false, false, 1, {0, 16777215}, true, true},
      {"size 16 MiB", 16777216, 0, "", false, false, 1, {0}, false, true},
      {"size grew between the calls", 1000, 8, "", false, false, 1, {0, 1000}, false, true},
      {"second call fails", 1000, 0, "EnumeratePrinters", false, false, 1, {0, 1000}, false, true},
      {"no records", 1000, 0, "", true, false, 1, {0, 1000}, false, true},
      {"DOS list fails", 1000, 0, "", false, true, 1, {0, 1000}, true, false},
      {"DOS list too long", 1000, 0, "", false, false, 20000, {0, 1000}, true, false},
      {"DOS list empty", 1000, 0, "", false, false, 0, {0, 1000}, true, false},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    FakeSpooler spooler;
    spooler.needed = r.needed;
    spooler.grows_by = r.grows_by;
    spooler.fail_at = r.spooler_fails;
    if (!r.no_printer) spooler.printers = {u"P"};
    FakeDosDevices dos;
    dos.fails = r.dos_fails;
    dos.names.assign(r.ports, u"COM5");
    Devices expected = r.printer_listed ? Printer("P") : Devices{};
    if (r.port_listed) expected.push_back(Port("COM5")[0]);
    EXPECT_EQ(List(spooler, dos), expected);
    EXPECT_EQ(spooler.enum_sizes, r.enum_sizes);
  }
}

}  // namespace
