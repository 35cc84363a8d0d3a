// Test equipment: runs the printer device side on the real Win32 platform layer and prints what a
// user would get, for the Linux-side test script.
//   printer_probe list                     one "id<TAB>label" line per device
//   printer_probe serial <hex id> <file>   PrintToSerialPort of the file's bytes
//   printer_probe spooler <hex id> <file>  PrintToWindowsPrinter of the file's bytes
// The print commands print "ok" or "error<TAB>message". Ids are hex-encoded UTF-8 so that the
// command line's code page plays no part. Exit status 0 unless the command itself is malformed.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "printer/device_discovery.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "printer/win32/dos_devices_win32.h"
#include "printer/win32/serial_port_win32.h"
#include "printer/win32/spooler_win32.h"

namespace {

std::string FromHex(const char* hex) {
  std::string out;
  for (std::size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
  }
  return out;
}

void Out(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 bytes and "\n" unchanged
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "list" && argc == 2) {
    Win32Spooler spooler;
    Win32DosDevices dos_devices;
    for (const PrinterDevice& device : ListDevices(spooler, dos_devices)) {
      Out(device.id + "\t" + device.name + "\n");
    }
    return 0;
  }
  if ((command == "serial" || command == "spooler") && argc == 4) {
    std::ifstream file(argv[3], std::ios::binary);
    const std::vector<std::uint8_t> ticket((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    try {
      if (command == "serial") {
        Win32SerialPort port;
        PrintToSerialPort(port, FromHex(argv[2]), ticket);
      } else {
        Win32Spooler spooler;
        PrintToWindowsPrinter(spooler, FromHex(argv[2]), ticket);
      }
      Out("ok\n");
    } catch (const std::runtime_error& e) {
      Out(std::string("error\t") + e.what() + "\n");
    }
    return 0;
  }
  std::fprintf(stderr, "usage: printer_probe list | serial|spooler <hex id> <file>\n");
  return 2;
}
