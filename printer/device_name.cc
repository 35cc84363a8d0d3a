#include "printer/device_name.h"

#include "printer/printer_error.h"
#include "printer/text_conversion.h"

std::u16string SystemNameFromId(const std::string& id, std::size_t prefix_length) {
  const std::string name = id.size() > prefix_length ? id.substr(prefix_length) : std::string();
  std::u16string name16 = Utf8ToUtf16(name);
  if (name16.find(u'\0') != std::u16string::npos) throw PrinterError(PrinterFailure::kInvalidName);
  return name16;
}
