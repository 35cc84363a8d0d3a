// The support tool's own texts, each defined here only: what it tells a technician, in French
// (UTF-8; the apostrophes are U+2019), and the words of its test ticket. The printer's own
// failures keep the app's messages (printer/printer_error.h).
#ifndef QUENBREL_PRINTER_TOOL_TOOL_MESSAGES_H_
#define QUENBREL_PRINTER_TOOL_TOOL_MESSAGES_H_

inline constexpr char kUsageText[] =
    "usage: quenbrel-printers list | print DEVICE FILE | test DEVICE | status DEVICE |\n"
    "       drawer DEVICE | clear DEVICE | report [FILE]   (DEVICE as listed, such as "
    "serial:COM5)\n";
inline constexpr char kUnreadableFileMessage[] = "Fichier de ticket illisible.";

// The test ticket, printed in code page 858 (the title's apostrophe is ASCII: the page has no
// U+2019).
inline constexpr char kTicketTitle[] = "Quenbrel - ticket d'essai";
inline constexpr char kTicketDevice[] = "Imprimante : ";
inline constexpr char kTicketDate[] = "Date : ";
inline constexpr char kTicketAccents[] = u8"Accents : é è ê ë à â ç ô ù û î ï É È À Ç €";
inline constexpr char kTicketVerdict[] = "Si les accents sont lisibles, tout va bien.";

// What a printer answers to the real-time status requests, one line per finding.
inline constexpr char kReadyLine[] = "Imprimante prete.";
inline constexpr char kOfflineLine[] = "Imprimante hors ligne.";
inline constexpr char kCoverOpenLine[] = "Capot ouvert.";
inline constexpr char kFeedButtonLine[] = "Papier avance avec le bouton.";
inline constexpr char kPaperNearEndLine[] = "Papier bientot termine.";
inline constexpr char kPaperOutLine[] = "Plus de papier.";
inline constexpr char kErrorLine[] = u8"L’imprimante signale une erreur.";
inline constexpr char kCutterErrorLine[] = "Erreur du coupe-papier.";
inline constexpr char kUnrecoverableLine[] =
    u8"Erreur non recuperable : eteignez puis rallumez l’imprimante.";
inline constexpr char kAutoRecoverableLine[] =
    u8"Erreur passagere (tete d’impression trop chaude, par exemple) : elle cesse d’elle-meme.";
inline constexpr char kDrawerHighLine[] = "Capteur du tiroir-caisse : niveau haut.";
inline constexpr char kDrawerLowLine[] = "Capteur du tiroir-caisse : niveau bas.";
inline constexpr char kNoAnswerLine[] =
    u8"Pas de reponse de l’imprimante (modele sans retour d’etat, ou liaison Bluetooth coupee).";
inline constexpr char kRequestUnsentLine[] =
    u8"Demande d’etat non envoyee : le port ne prend rien (liaison Bluetooth coupee, ou "
    "imprimante eteinte).";
inline constexpr char kNotStatusLine[] = u8"La reponse recue n’est pas un etat d’imprimante.";

// What a COM port is, beside its label in "list" and first in its status.
inline constexpr char kOutgoingPortLabel[] = "port Bluetooth sortant, vers ";
inline constexpr char kOutgoingUnnamedPortLabel[] = u8"port Bluetooth sortant, vers l’appareil ";
inline constexpr char kIncomingPortLine[] =
    u8"port entrant : aucun ticket n’y arrive, utilisez le port sortant";
inline constexpr char kBluetoothPortLine[] = "port Bluetooth, sens inconnu";
inline constexpr char kOtherSerialPortLine[] = "port serie, pas Bluetooth";
inline constexpr char kUnrecordedPortLine[] =
    "port sans fiche de peripherique Windows : type inconnu";

// What the spooler keeps for a Windows printer.
inline constexpr char kDriverReportsLine[] =
    u8"Etat rapporte par le pilote Windows. Un ticket accepte par Windows n’est pas forcement "
    "imprime.";
inline constexpr char kNothingReportedLine[] = "Le pilote ne signale aucun probleme.";
inline constexpr char kWorkOfflineLine[] = u8"Windows utilise l’imprimante hors connexion.";
// Each status bit's line is in its row (printer_record_bits.h); a bit without a row shows its
// value.
inline constexpr char kUnknownStateLabel[] = "Etat inconnu de cet outil, signale par le pilote : ";
inline constexpr char kJobsWaitingLabel[] = "Travaux en attente : ";
inline constexpr char kPortLabel[] = "Port : ";
inline constexpr char kDriverLabel[] = "Pilote : ";

// A Windows printer on a network port: what the printer answers over the network (its answers
// read as on a serial port), or why it was not asked.
inline constexpr char kNetworkPrinterLabel[] = "Imprimante reseau : ";
inline constexpr char kNetworkPortNumberLabel[] = ", port ";
inline constexpr char kNetworkSilentLine[] =
    u8"Pas de reponse de l’imprimante sur le reseau (modele sans retour d’etat, ou occupee par un "
    "autre poste).";
inline constexpr char kNetworkClosedLine[] =
    u8"L’imprimante a ferme la connexion sans repondre (occupee par un autre poste, en general).";
inline constexpr char kNetworkRefusedLine[] =
    u8"L’imprimante refuse la connexion sur ce port : verifiez le numero de port (9100 en "
    "general).";
inline constexpr char kNetworkBusyLine[] =
    u8"Pas de connexion en 2 s : l’imprimante est occupee par un autre poste, ou eteinte.";
inline constexpr char kNetworkUnreachableLine[] =
    u8"Adresse de l’imprimante injoignable : nom inconnu, ou reseau coupe.";
inline constexpr char kLprPortLine[] =
    u8"Port LPR : l’outil ne peut pas interroger l’imprimante sur ce port.";
inline constexpr char kWsdPortLine[] =
    u8"Port WSD : l’outil ne peut pas interroger l’imprimante sur ce port.";
inline constexpr char kUnaskablePortLine[] =
    u8"Port TCP/IP sans adresse, numero de port ou protocole connu : l’outil ne peut pas "
    u8"interroger l’imprimante.";

// The cash drawer and the queue.
inline constexpr char kDrawerPulsedLine[] = "Impulsion envoyee au tiroir-caisse.";
inline constexpr char kJobsCancelledLabel[] = "Travaux annules : ";
inline constexpr char kNoQueueMessage[] =
    u8"Un port Bluetooth / serie n’a pas de file d’attente : rien a annuler.";
inline constexpr char kQueueUnreadableMessage[] =
    u8"Impossible de lire la file d’impression Windows.";
inline constexpr char kJobsRefusedMessage[] =
    u8"Windows a refuse d’annuler certains travaux. Videz la file depuis les parametres des "
    "imprimantes.";

// The support report.
inline constexpr char kReportTitle[] = "Rapport Quenbrel pour le support";
inline constexpr char kReportToolLabel[] = "Outil : quenbrel-printers ";
inline constexpr char kReportWindowsLabel[] = "Windows : ";
inline constexpr char kReportDateLabel[] = "Date : ";
inline constexpr char kReportDevicesTitle[] = "Appareils";
inline constexpr char kReportCrashesTitle[] = "Plantages (vidages les plus recents) : ";
inline constexpr char kReportBytesUnit[] = " octets";
inline constexpr char kReportNoCrashLine[] = "Aucun plantage.";
inline constexpr char kReportLogTitle[] =
    "Journal (200 dernieres lignes de quenbrel.1.log et quenbrel.log) : ";
inline constexpr char kReportNoLogLine[] = "Aucun journal.";
inline constexpr char kReportFileName[] = "quenbrel-rapport-";
inline constexpr char kReportWrittenLabel[] = "Rapport ecrit : ";
inline constexpr char kReportNotWrittenMessage[] = u8"Impossible d’ecrire le rapport : ";
inline constexpr char kReportLinkMessage[] =
    "Rapport non ecrit : ce nom est un lien vers un autre endroit, choisissez-en un autre : ";

#endif  // QUENBREL_PRINTER_TOOL_TOOL_MESSAGES_H_
