// Device discovery: the printers the spooler knows, then the serial COM ports among the MS-DOS
// device names. Keeps nothing between calls; safe on any thread.
#ifndef QUENBREL_PRINTER_DEVICE_DISCOVERY_H_
#define QUENBREL_PRINTER_DEVICE_DISCOVERY_H_

#include <vector>

#include "printer/platform/dos_devices.h"
#include "printer/platform/spooler.h"
#include "printer/printer_device.h"

// Enumerates afresh: accepted printers in spooler order, then accepted ports (COM1 to COM9999) in
// DOS list order. Never reports a failure: a source that fails only contributes no entries. Only
// std::bad_alloc escapes.
std::vector<PrinterDevice> ListDevices(Spooler& spooler, DosDevices& dos_devices);

#endif  // QUENBREL_PRINTER_DEVICE_DISCOVERY_H_
