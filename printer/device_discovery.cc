#include "printer/device_discovery.h"

#include <cstdint>
#include <regex>
#include <string>

#include "printer/device_id.h"
#include "printer/printer_messages.h"
#include "printer/text_conversion.h"

namespace {

// An answer this large is not a printer list worth allocating for.
constexpr std::uint32_t kPrinterBufferLimit = 16u * 1024 * 1024;
constexpr std::uint32_t kDosDeviceCapacity = 65536;

// Virtual printers that cannot print a receipt.
constexpr const char* kExcludedPrinters[] = {"Microsoft Print to PDF", "Microsoft XPS", "OneNote"};

bool IsExcludedPrinter(const std::string& name) {
  for (const char* excluded : kExcludedPrinters) {
    if (name.find(excluded) != std::string::npos) return true;
  }
  return false;
}

void AppendPrinters(Spooler& spooler, std::vector<PrinterDevice>* devices) {
  std::uint32_t needed = 0;
  std::uint32_t returned = 0;
  spooler.EnumeratePrinters(nullptr, 0, &needed, &returned);
  if (needed == 0 || needed >= kPrinterBufferLimit) return;
  // No second attempt: if the list grew meanwhile this call fails and no printer is listed.
  std::vector<unsigned char> buffer(needed);
  returned = 0;
  if (!spooler.EnumeratePrinters(buffer.data(), needed, &needed, &returned) || returned == 0) {
    return;
  }
  for (std::uint32_t i = 0; i < returned; ++i) {
    const std::optional<std::u16string> name16 = spooler.PrinterName(buffer.data(), i);
    const std::string name = name16 ? Utf16ToUtf8(*name16) : std::string();
    if (name.empty() || IsExcludedPrinter(name)) continue;
    devices->push_back({FormDeviceId(DeviceKind::kPrinter, name), name + kPrinterLabelSuffix});
  }
}

void AppendSerialPorts(DosDevices& dos_devices, std::vector<PrinterDevice>* devices) {
  // Made for each call, not kept in a static: a detached worker may still be listing when the
  // program's static objects are destroyed at exit.
  const std::regex com_port("COM[1-9][0-9]{0,3}", std::regex::ECMAScript);
  std::u16string buffer(kDosDeviceCapacity, u'\0');
  if (dos_devices.QueryDeviceNames(&buffer[0], kDosDeviceCapacity) == 0 || buffer[0] == u'\0') {
    return;
  }
  std::size_t start = 0;
  while (start < buffer.size() && buffer[start] != u'\0') {
    std::size_t end = buffer.find(u'\0', start);
    if (end == std::u16string::npos) end = buffer.size();  // unterminated: stop at the end
    const std::string name = Utf16ToUtf8(std::u16string_view(buffer).substr(start, end - start));
    if (std::regex_match(name, com_port)) {
      devices->push_back({FormDeviceId(DeviceKind::kSerial, name), name + kSerialLabelSuffix});
    }
    start = end + 1;
  }
}

}  // namespace

std::vector<PrinterDevice> ListDevices(Spooler& spooler, DosDevices& dos_devices) {
  std::vector<PrinterDevice> devices;
  AppendPrinters(spooler, &devices);
  AppendSerialPorts(dos_devices, &devices);
  return devices;
}
