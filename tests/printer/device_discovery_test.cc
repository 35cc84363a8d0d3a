#include "printer/device_discovery.h"

#include <gtest/gtest.h>

#include "standins/printer/fake_platform.h"

namespace {

using Devices = std::vector<std::pair<std::string, std::string>>;

Devices List(FakePlatform& fake) {
  Devices out;
  for (const PrinterDevice& d : ListDevices(fake, fake)) out.emplace_back(d.id, d.name);
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
    FakePlatform fake;
    if (r.port) {
      fake.dos_names = {*r.name};
    } else {
      fake.printers = {r.name};
      fake.needed = 1000;
    }
    EXPECT_EQ(List(fake), r.listed_as ? (r.port ? Port : Printer)(r.listed_as) : Devices{});
  }
}

TEST(ListDevices, PrintersInSpoolerOrderThenPortsInDosOrder) {
  FakePlatform fake;
  fake.printers = {u"B", u"Microsoft XPS Document Writer", u"A"};
  fake.needed = 1000;
  fake.dos_names = {u"COM7", u"AUX", u"NUL", u"COM3", u"COM7"};
  Devices expected;
  for (const Devices& d : {Printer("B"), Printer("A"), Port("COM7"), Port("COM3"), Port("COM7")}) {
    expected.push_back(d[0]);
  }
  EXPECT_EQ(List(fake), expected);
  // One query for the size, then one buffer of exactly that size; buffers zero-filled.
  EXPECT_EQ(fake.enum_sizes, (std::vector<std::uint32_t>{0, 1000}));
  EXPECT_EQ(fake.dos_capacity, 65536u);
  EXPECT_TRUE(fake.buffers_zeroed);
}

// Printer "P" and port "COM5" unless the row says otherwise. (Failing calls: see transport_test.)
TEST(ListDevices, ASourceThatAnswersBadlyOnlyShrinksTheList) {
  const struct {
    const char* row;
    std::uint32_t needed, grows_by;
    bool no_printer;
    std::size_t ports;
    std::vector<std::uint32_t> enum_sizes;
    bool printer_listed, port_listed;
  } rows[] = {
      {"size needed 0", 0, 0, false, 1, {0}, false, true},
      {"size just under 16 MiB", 16777215, 0, false, 1, {0, 16777215}, true, true},
      {"size 16 MiB", 16777216, 0, false, 1, {0}, false, true},
      {"size grew between the calls", 1000, 8, false, 1, {0, 1000}, false, true},
      {"no records", 1000, 0, true, 1, {0, 1000}, false, true},
      {"DOS list too long", 1000, 0, false, 20000, {0, 1000}, true, false},
      {"DOS list empty", 1000, 0, false, 0, {0, 1000}, true, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.row);
    FakePlatform fake;
    fake.needed = r.needed;
    fake.grows_by = r.grows_by;
    if (!r.no_printer) fake.printers = {u"P"};
    fake.dos_names.assign(r.ports, u"COM5");
    Devices expected = r.printer_listed ? Printer("P") : Devices{};
    if (r.port_listed) expected.push_back(Port("COM5")[0]);
    EXPECT_EQ(List(fake), expected);
    EXPECT_EQ(fake.enum_sizes, r.enum_sizes);
  }
}

}  // namespace
