#include "printer/device_id.h"

#include <cstddef>
#include <string_view>
#include <utility>

#include "printer/printer_error.h"
#include "printer/printer_messages.h"
#include "printer/text_conversion.h"

namespace {

// In the order of DeviceKind.
constexpr std::string_view kPrefixes[] = {kPrinterIdPrefix, kSerialIdPrefix};

}  // namespace

std::string FormDeviceId(DeviceKind kind, const std::string& system_name) {
  return std::string(kPrefixes[static_cast<std::size_t>(kind)]) + system_name;
}

DeviceId ParseDeviceId(const std::string& id) {
  for (const DeviceKind kind : {DeviceKind::kPrinter, DeviceKind::kSerial}) {
    const std::string_view prefix = kPrefixes[static_cast<std::size_t>(kind)];
    if (id.compare(0, prefix.size(), prefix) != 0) continue;
    std::u16string name = Utf8ToUtf16(std::string_view(id).substr(prefix.size()));
    if (name.find(u'\0') != std::u16string::npos) throw PrinterError(PrinterFailure::kInvalidName);
    return {kind, std::move(name)};
  }
  throw PrinterError(PrinterFailure::kUnknownDevice);
}
