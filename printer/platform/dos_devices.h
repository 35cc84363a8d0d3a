// The list of MS-DOS device names (COM3, LPT1, NUL, ...). Implemented by Win32DosDevices
// (printer/win32/dos_devices_win32.h) and by fakes in tests.
#ifndef QUENBREL_PRINTER_PLATFORM_DOS_DEVICES_H_
#define QUENBREL_PRINTER_PLATFORM_DOS_DEVICES_H_

#include <cstdint>

class DosDevices {
 public:
  virtual ~DosDevices() = default;

  // QueryDosDeviceW(null, buffer, capacity): on success stores NUL-terminated names ended by an
  // empty name and returns the units stored; returns 0 on failure (a list too long included).
  // REQUIRES: buffer holds `capacity` units.
  virtual std::uint32_t QueryDeviceNames(char16_t* buffer, std::uint32_t capacity) = 0;
};

#endif  // QUENBREL_PRINTER_PLATFORM_DOS_DEVICES_H_
