// The printer's work as the program sees it at its end: an operation counts from the moment the
// bridge starts its worker until that worker has let go of everything it held. Callable from any
// thread.
#ifndef QUENBREL_PRINTER_PRINTER_WORK_H_
#define QUENBREL_PRINTER_PRINTER_WORK_H_

// kSessionEndReason: what Windows shows while the end of the session waits for the printer's work.
#include "printer/printer_messages.h"

// Whether a printer operation runs now.
bool PrinterWorkRunning();

// Waits until no printer operation runs, for at most as long as one can take; whether none runs
// then. For the end of the program, so that a ticket being sent is finished before the process
// goes.
bool WaitForPrinterWork();

#endif  // QUENBREL_PRINTER_PRINTER_WORK_H_
