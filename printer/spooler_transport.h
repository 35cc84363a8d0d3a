// Sends one ticket to a printer installed in Windows, as one RAW print job.
#ifndef QUENBREL_PRINTER_SPOOLER_TRANSPORT_H_
#define QUENBREL_PRINTER_SPOOLER_TRANSPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "printer/platform/spooler.h"

// Prints `bytes` unchanged as the job "Quenbrel - Ticket" (data type RAW) on the printer named by
// `id` (a "printer:" id). Throws PrinterError (printer_error.h) for the first failure; by then a
// started job has been aborted and the printer closed. Blocks for as long as the spooler takes;
// nothing is retried.
void PrintToWindowsPrinter(Spooler& spooler, const std::string& id,
                           const std::vector<std::uint8_t>& bytes);

#endif  // QUENBREL_PRINTER_SPOOLER_TRANSPORT_H_
