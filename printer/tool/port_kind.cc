#include "printer/tool/port_kind.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "printer/text_conversion.h"
#include "printer/tool/tool_messages.h"

namespace {

constexpr char kBluetoothEnumerator[] = "BTHENUM\\";
constexpr std::size_t kAddressDigits = 12;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// "001122AABBCC" -> "00:11:22:AA:BB:CC", as Windows' Bluetooth settings show it.
std::string Colons(const std::string& address) {
  std::string text;
  for (std::size_t i = 0; i < address.size(); i += 2) {
    text += (i == 0 ? "" : ":") + address.substr(i, 2);
  }
  return text;
}

// The paired device's name, shown on one line of a tab-separated list: up to its first NUL, each
// control character a space; nullopt when it is empty or not UTF-8.
std::optional<std::string> Printable(std::optional<std::string> name) {
  if (!name) return std::nullopt;
  name->resize(std::min(name->size(), name->find('\0')));
  for (char& c : *name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  try {
    Utf8ToUtf16(*name);  // throws when empty or not UTF-8
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return name;
}

}  // namespace

PortIdentity DecodePortId(const std::string& device_id) {
  const std::string id = Upper(device_id);
  if (id.rfind(kBluetoothEnumerator, 0) != 0) return {PortKind::kOtherSerial, ""};
  // The instance's own part: "7&2B8A7F5B&0&001122AABBCC_C00000000".
  const std::string instance = id.substr(id.rfind('\\') + 1);
  const std::string last = instance.substr(instance.rfind('&') + 1);
  const std::string address = last.substr(0, last.find('_'));
  if (address.size() != kAddressDigits ||
      address.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
    return {PortKind::kBluetooth, ""};
  }
  if (address == std::string(kAddressDigits, '0')) return {PortKind::kIncomingBluetooth, ""};
  return {PortKind::kOutgoingBluetooth, address};
}

PortDescription DescribeComPort(ComPortRecords& records, const std::string& port) {
  const std::vector<ComPortRecord> ports = records.ListComPorts();
  const auto record = std::find_if(ports.begin(), ports.end(), [&](const ComPortRecord& r) {
    return Upper(r.port) == Upper(port);
  });
  if (record == ports.end()) return {PortKind::kUnrecorded, kUnrecordedPortLine};
  const PortIdentity identity = DecodePortId(record->device_id);
  switch (identity.kind) {
    case PortKind::kOutgoingBluetooth: {
      const std::optional<std::string> name = Printable(records.PairedDeviceName(identity.address));
      const std::string address = Colons(identity.address);
      return {identity.kind, name ? kOutgoingPortLabel + *name + " (" + address + ")"
                                  : kOutgoingUnnamedPortLabel + address};
    }
    case PortKind::kIncomingBluetooth:
      return {identity.kind, kIncomingPortLine};
    case PortKind::kBluetooth:
      return {identity.kind, kBluetoothPortLine};
    default:
      return {identity.kind, kOtherSerialPortLine};
  }
}
