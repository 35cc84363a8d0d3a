// The user's messages spelled out byte by byte (E2 80 99 is the U+2019 apostrophe), independently
// of how the product writes them.
#ifndef QUENBREL_TESTS_PRINTER_EXPECTED_MESSAGES_H_
#define QUENBREL_TESTS_PRINTER_EXPECTED_MESSAGES_H_

#define QB_APOSTROPHE "\xE2\x80\x99"

inline constexpr char kExpectInvalidName[] = "Nom d" QB_APOSTROPHE "imprimante invalide.";
inline constexpr char kExpectPrinterUnavailable[] =
    "Imprimante Windows indisponible. Verifiez son installation et sa connexion.";
inline constexpr char kExpectJobNotCreated[] =
    "Impossible de creer le travail d" QB_APOSTROPHE "impression Windows.";
inline constexpr char kExpectPageNotStarted[] = "Impossible de commencer le ticket.";
inline constexpr char kExpectPrinterInterrupted[] =
    "Envoi interrompu. Verifiez la file d" QB_APOSTROPHE
    "impression et le ticket avant de reessayer.";
inline constexpr char kExpectJobNotConfirmed[] =
    "La fin du travail d" QB_APOSTROPHE "impression n" QB_APOSTROPHE
    "a pas ete confirmee. Verifiez la file Windows.";
inline constexpr char kExpectPortUnavailable[] =
    "Port Bluetooth indisponible. Fermez les autres applications qui utilisent cette imprimante.";
inline constexpr char kExpectPortUnreadable[] = "Impossible de lire le port Bluetooth.";
inline constexpr char kExpectPortNotConfigured[] = "Configuration du port Bluetooth impossible.";
inline constexpr char kExpectPortInterrupted[] =
    "Envoi interrompu. Verifiez le ticket avant de reessayer pour eviter une reimpression.";

#undef QB_APOSTROPHE

#endif  // QUENBREL_TESTS_PRINTER_EXPECTED_MESSAGES_H_
