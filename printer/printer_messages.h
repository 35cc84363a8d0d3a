// The texts of the printer channel, each defined here only: the French messages and device labels
// shown to the user word for word (UTF-8; the apostrophes are U+2019), and the device ids'
// prefixes. The messages of the device side's failures are in their table, printer_error.h.
#ifndef QUENBREL_PRINTER_PRINTER_MESSAGES_H_
#define QUENBREL_PRINTER_PRINTER_MESSAGES_H_

// A device id: a prefix, then the system's own name; a label: the name, then a suffix.
inline constexpr char kPrinterIdPrefix[] = "printer:";
inline constexpr char kSerialIdPrefix[] = "serial:";
inline constexpr char kPrinterLabelSuffix[] = " (imprimante Windows)";
inline constexpr char kSerialLabelSuffix[] = " (port Bluetooth / serie)";

// Answered at once on the window's thread.
inline constexpr char kBusyMessage[] = "Une operation imprimante est deja en cours.";
inline constexpr char kSettingsMessage[] = "Ouvrez les parametres Bluetooth de Windows.";
inline constexpr char kTicketInvalidMessage[] = "Ticket invalide.";
inline constexpr char kTicketDataInvalidMessage[] = u8"Donnees d’impression invalides.";
// A call that fails on the window's thread (no worker thread can be started, say).
inline constexpr char kWorkerStartMessage[] = u8"Impossible de lancer l’operation imprimante.";
// An operation whose outcome could not be answered (no memory to encode it, say): a ticket may
// have been printed, so the user checks before printing again.
inline constexpr char kOutcomeLostMessage[] =
    u8"Resultat de l’operation imprimante inconnu. Verifiez le ticket avant de reessayer.";

// Shown by Windows while the end of the session (a shutdown, a log-off) waits for a ticket; in
// UTF-16, as Windows takes it.
inline constexpr wchar_t kSessionEndReason[] = L"Impression d\u2019un ticket en cours";

#endif  // QUENBREL_PRINTER_PRINTER_MESSAGES_H_
