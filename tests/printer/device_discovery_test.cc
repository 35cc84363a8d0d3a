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

FakeSpooler SpoolerWith(std::vector<std::optional<std::u16string>> printers) {
  FakeSpooler spooler;
  spooler.printers = std::move(printers);
  spooler.needed = 1000;
  return spooler;
}

TEST(ListDevices, PrinterNames) {
  struct Row {
    const char* row;
    std::optional<std::u16string> name;
    Devices expected;
  };
  const Row rows[] = {
      {"plain", u"Caisse 1", {{"printer:Caisse 1", "Caisse 1 (imprimante Windows)"}}},
      {"Fax", u"Fax", {{"printer:Fax", "Fax (imprimante Windows)"}}},
      {"lower-case PDF printer",
       u"microsoft print to pdf",
       {{"printer:microsoft print to pdf", "microsoft print to pdf (imprimante Windows)"}}},
      {"non-ASCII",
       u"Caisse \u00E9t\u00E9 \u20AC",
       {{"printer:Caisse \xC3\xA9t\xC3\xA9 \xE2\x82\xAC",
         "Caisse \xC3\xA9t\xC3\xA9 \xE2\x82\xAC (imprimante Windows)"}}},
      {"unpaired surrogate still listed",
       u"A\xD800",
       {{"printer:A\xEF\xBF\xBD", "A\xEF\xBF\xBD (imprimante Windows)"}}},
      {"PDF printer", u"Microsoft Print to PDF", {}},
      {"XPS writer", u"Microsoft XPS Document Writer", {}},
      {"OneNote desktop", u"OneNote (Desktop)", {}},
      {"Send To OneNote", u"Send To OneNote 2016", {}},
      {"OneNote in the middle", u"Caisse OneNote 2", {}},
      {"null name", std::nullopt, {}},
      {"empty name", u"", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    FakeSpooler spooler = SpoolerWith({r.name});
    FakeDosDevices dos;
    EXPECT_EQ(List(spooler, dos), r.expected);
  }
}

TEST(ListDevices, PortNames) {
  const std::pair<std::u16string, bool> rows[] = {
      {u"COM1", true},       {u"COM10", true},     {u"COM9999", true}, {u"COM0", false},
      {u"COM01", false},     {u"COM10000", false}, {u"com3", false},   {u"COM3A", false},
      {u"LPT1", false},      {u"NUL", false},      {u"COM", false},    {u"xCOM3", false},
      {u"COM\u0663", false},  // an Arabic-Indic digit three
  };
  for (const auto& [name, listed] : rows) {
    const std::string name8(Utf16ToUtf8(name));
    SCOPED_TRACE(name8);
    FakeSpooler spooler;
    FakeDosDevices dos;
    dos.names = {name};
    const Devices expected =
        listed ? Devices{{"serial:" + name8, name8 + " (port Bluetooth / serie)"}} : Devices{};
    EXPECT_EQ(List(spooler, dos), expected);
  }
}

TEST(ListDevices, PrintersInSpoolerOrderThenPortsInDosOrder) {
  FakeSpooler spooler = SpoolerWith({u"B", u"Microsoft XPS Document Writer", u"A"});
  FakeDosDevices dos;
  dos.names = {u"COM7", u"AUX", u"NUL", u"COM3", u"COM7"};
  EXPECT_EQ(List(spooler, dos), (Devices{{"printer:B", "B (imprimante Windows)"},
                                         {"printer:A", "A (imprimante Windows)"},
                                         {"serial:COM7", "COM7 (port Bluetooth / serie)"},
                                         {"serial:COM3", "COM3 (port Bluetooth / serie)"},
                                         {"serial:COM7", "COM7 (port Bluetooth / serie)"}}));
  // One query for the size, then one buffer of exactly that size, zero-filled.
  EXPECT_EQ(spooler.enum_sizes, (std::vector<std::uint32_t>{0, 1000}));
  EXPECT_TRUE(spooler.buffer_was_zeroed);
  EXPECT_EQ(dos.capacity_given, 65536u);
  EXPECT_TRUE(dos.buffer_was_zeroed);
}

TEST(ListDevices, AFailingSourceOnlyShrinksTheList) {
  const Devices printer = {{"printer:P", "P (imprimante Windows)"}};
  const Devices port = {{"serial:COM5", "COM5 (port Bluetooth / serie)"}};
  struct Row {
    const char* row;
    std::uint32_t needed;
    std::uint32_t grows_by;
    std::string spooler_fails;
    std::vector<std::u16string> printers;
    bool dos_fails;
    std::vector<std::u16string> ports;
    std::vector<std::uint32_t> enum_sizes;
    Devices expected;
  };
  const std::vector<std::u16string> p = {u"P"};
  const std::vector<std::u16string> c = {u"COM5"};
  const Row rows[] = {
      {"no printer, no port", 0, 0, "", {}, false, {}, {0}, {}},
      {"size needed 0", 0, 0, "", p, false, c, {0}, port},
      {"size just under 16 MiB",
       16777215,
       0,
       "",
       p,
       false,
       c,
       {0, 16777215},
       {printer[0], port[0]}},
      {"size 16 MiB", 16777216, 0, "", p, false, c, {0}, port},
      {"size grew between the calls", 1000, 8, "", p, false, c, {0, 1000}, port},
      {"second call fails", 1000, 0, "EnumeratePrinters", p, false, c, {0, 1000}, port},
      {"no records", 1000, 0, "", {}, false, c, {0, 1000}, port},
      {"DOS list fails", 1000, 0, "", p, true, c, {0, 1000}, printer},
      {"DOS list too long",
       1000,
       0,
       "",
       p,
       false,
       std::vector<std::u16string>(20000, u"COM5"),
       {0, 1000},
       printer},
      {"DOS list empty", 1000, 0, "", p, false, {}, {0, 1000}, printer},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    FakeSpooler spooler;
    spooler.needed = r.needed;
    spooler.grows_by = r.grows_by;
    spooler.fail_at = r.spooler_fails;
    spooler.printers.assign(r.printers.begin(), r.printers.end());
    FakeDosDevices dos;
    dos.fails = r.dos_fails;
    dos.names = r.ports;
    EXPECT_EQ(List(spooler, dos), r.expected);
    EXPECT_EQ(spooler.enum_sizes, r.enum_sizes);
  }
}

}  // namespace
