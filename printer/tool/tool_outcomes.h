// How the support tool ends, besides a printer failure (its exit code is in its row,
// printer_error.h).
#ifndef QUENBREL_PRINTER_TOOL_TOOL_OUTCOMES_H_
#define QUENBREL_PRINTER_TOOL_TOOL_OUTCOMES_H_

#include <cstddef>

#include "printer/printer_error.h"

// The outcomes, a row each: TOOL(kind, exit code, what the code means) for a command, and
// STATUS(kind, exit code, what the code means) for what "status" finds, from the least to the most
// pressing: a status reports its most pressing finding. The meaning is the tool's documentation
// (docs/support.md).
#define QUENBREL_TOOL_OUTCOMES(TOOL, STATUS)                                          \
  TOOL(kSuccess, 0, "success")                                                        \
  TOOL(kOther, 1, "anything else")                                                    \
  TOOL(kUsage, 2, "usage: an unknown command, or the wrong number of arguments")      \
  TOOL(kFileUnreadable, 3,                                                            \
       "ticket file unreadable (missing, not a regular file, or a read that failed)") \
  TOOL(kTicketInvalid, 4, "ticket empty or over 65,536 bytes")                        \
  TOOL(kNoQueue, 40, "`clear` on a serial device (it has no queue)")                  \
  TOOL(kQueueNotCleared, 41,                                                          \
       "queue not cleared (not readable, or a job Windows would not cancel)")         \
  TOOL(kReportNotWritten, 42,                                                         \
       "report not written (its name is a link, or the file could not be made)")      \
  STATUS(kReady, 0, "`status`: ready")                                                \
  /* A bit of a printer's record that the tool does not know. */                      \
  STATUS(kUnknownState, 38, "`status`: an unknown state (its value is shown)")        \
  STATUS(kOffline, 30,                                                                \
         "`status`: offline or unavailable (paused, used offline, being deleted, "    \
         "its print server unknown or offline)")                                      \
  STATUS(kError, 33, "`status`: an error, or the printer waits for someone")          \
  STATUS(kPaperOut, 32, "`status`: paper out, or another paper or toner problem")     \
  STATUS(kCoverOpen, 31, "`status`: cover open")                                      \
  /* A request went unanswered. */                                                    \
  STATUS(kNoAnswer, 34,                                                               \
         "`status`: no answer (a one-way printer, a Bluetooth link that is down, "    \
         "a silent network printer)")                                                 \
  /* A network printer: closed unanswered, refused, not connected, not found. */      \
  STATUS(kNetworkClosed, 50, "`status`: network: closed without an answer")           \
  STATUS(kNetworkRefused, 51, "`status`: network: connection refused")                \
  STATUS(kNetworkBusy, 52, "`status`: network: no connection in 2 s (busy, or off)")  \
  STATUS(kNetworkUnreachable, 53, "`status`: network: address unreachable")           \
  /* An answer that breaks the fixed bits of a status byte. */                        \
  STATUS(kNotStatus, 35, "`status`: an answer that is not a status")                  \
  /* Nothing is sent: no ticket ever arrives there. */                                \
  STATUS(kIncomingPort, 39,                                                           \
         "`status`: an incoming Bluetooth port (nothing sent: use the outgoing one)")

#define QUENBREL_KIND(kind, ...) kind,
#define QUENBREL_NONE(...)
enum class ToolOutcome { QUENBREL_TOOL_OUTCOMES(QUENBREL_KIND, QUENBREL_NONE) };
enum class StatusOutcome { QUENBREL_TOOL_OUTCOMES(QUENBREL_NONE, QUENBREL_KIND) };
#undef QUENBREL_KIND

struct ToolOutcomeRow {
  int exit_code;
  const char* meaning;
};

// The rows of each kind, in the order of the kinds.
#define QUENBREL_ROW(kind, exit_code, meaning) {exit_code, meaning},
inline constexpr ToolOutcomeRow kToolOutcomes[] = {
    QUENBREL_TOOL_OUTCOMES(QUENBREL_ROW, QUENBREL_NONE)};
inline constexpr ToolOutcomeRow kStatusOutcomes[] = {
    QUENBREL_TOOL_OUTCOMES(QUENBREL_NONE, QUENBREL_ROW)};
#undef QUENBREL_ROW
#undef QUENBREL_NONE

// The tool's exit codes.
constexpr int ExitCodeOf(PrinterFailure failure) { return RowOf(failure).exit_code; }
constexpr int ExitCodeOf(ToolOutcome outcome) {
  return kToolOutcomes[static_cast<std::size_t>(outcome)].exit_code;
}
constexpr int ExitCodeOf(StatusOutcome outcome) {
  return kStatusOutcomes[static_cast<std::size_t>(outcome)].exit_code;
}

#endif  // QUENBREL_PRINTER_TOOL_TOOL_OUTCOMES_H_
