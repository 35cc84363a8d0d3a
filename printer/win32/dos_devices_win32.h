// The DosDevices on QueryDosDeviceW. Stateless; safe on any thread.
#ifndef QUENBREL_PRINTER_WIN32_DOS_DEVICES_WIN32_H_
#define QUENBREL_PRINTER_WIN32_DOS_DEVICES_WIN32_H_

#include "printer/platform/dos_devices.h"

class Win32DosDevices final : public DosDevices {
 public:
  std::uint32_t QueryDeviceNames(char16_t* buffer, std::uint32_t capacity) override;
};

#endif  // QUENBREL_PRINTER_WIN32_DOS_DEVICES_WIN32_H_
