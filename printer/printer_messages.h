// The texts of the printer channel, each defined here only: the French messages and device labels
// shown to the user word for word (UTF-8; the apostrophes are U+2019), and the device ids'
// prefixes.
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

// The device look-up of "print".
inline constexpr char kDeviceGoneMessage[] =
    u8"Cette imprimante n’est plus installee sur cet appareil.";
inline constexpr char kUnknownDeviceMessage[] = "Imprimante inconnue.";

inline constexpr char kInvalidNameMessage[] = u8"Nom d’imprimante invalide.";

// Windows spooler.
inline constexpr char kPrinterUnavailableMessage[] =
    u8"Imprimante Windows indisponible. Verifiez son installation et sa connexion.";
inline constexpr char kJobNotCreatedMessage[] =
    u8"Impossible de creer le travail d’impression Windows.";
inline constexpr char kPageNotStartedMessage[] = u8"Impossible de commencer le ticket.";
inline constexpr char kPrinterSendInterruptedMessage[] =
    u8"Envoi interrompu. Verifiez la file d’impression et le ticket avant de reessayer.";
inline constexpr char kJobNotConfirmedMessage[] =
    u8"La fin du travail d’impression n’a pas ete confirmee. Verifiez la file Windows.";

// Serial port.
inline constexpr char kPortUnavailableMessage[] =
    u8"Port Bluetooth indisponible. Fermez les autres applications qui utilisent cette imprimante.";
inline constexpr char kPortUnreadableMessage[] = u8"Impossible de lire le port Bluetooth.";
inline constexpr char kPortNotConfiguredMessage[] = u8"Configuration du port Bluetooth impossible.";
inline constexpr char kPortSendInterruptedMessage[] =
    u8"Envoi interrompu. Verifiez le ticket avant de reessayer pour eviter une reimpression.";

// Shown by Windows while the end of the session (a shutdown, a log-off) waits for a ticket; in
// UTF-16, as Windows takes it.
inline constexpr wchar_t kSessionEndReason[] = L"Impression d\u2019un ticket en cours";

#endif  // QUENBREL_PRINTER_PRINTER_MESSAGES_H_
