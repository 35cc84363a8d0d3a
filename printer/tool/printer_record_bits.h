// The status bits of a Windows printer's record (PRINTER_STATUS_*), a row each: the bit, the French
// line the tool shows when it is set (UTF-8; the apostrophes are U+2019), and what it comes to.
// A problem has the outcome of what the shop must do about it; mere activity (printing, warming
// up, asleep) is kReady: shown, and nothing wrong. A bit missing here is shown with its value as a
// state the tool does not know (kUnknownState), never as "no problem".
#ifndef QUENBREL_PRINTER_TOOL_PRINTER_RECORD_BITS_H_
#define QUENBREL_PRINTER_TOOL_PRINTER_RECORD_BITS_H_

#include <cstdint>

#include "printer/tool/tool_messages.h"
#include "printer/tool/tool_outcomes.h"

struct PrinterRecordBit {
  std::uint32_t bit;
  const char* line;
  StatusOutcome outcome;
};

// In the order the lines are shown.
inline constexpr PrinterRecordBit kPrinterRecordBits[] = {
    {0x1, u8"File d’impression en pause.", StatusOutcome::kOffline},  // PAUSED
    {0x2, "Le pilote signale une erreur.", StatusOutcome::kError},    // ERROR
    {0x4, "Imprimante en cours de suppression dans Windows.",
     StatusOutcome::kOffline},                         // PENDING_DELETION
    {0x8, "Bourrage papier.", StatusOutcome::kError},  // PAPER_JAM
    {0x10, kPaperOutLine, StatusOutcome::kPaperOut},   // PAPER_OUT
    {0x20, u8"L’imprimante attend que le papier soit insere a la main.",
     StatusOutcome::kPaperOut},                               // MANUAL_FEED
    {0x40, "Probleme de papier.", StatusOutcome::kPaperOut},  // PAPER_PROBLEM
    {0x80, kOfflineLine, StatusOutcome::kOffline},            // OFFLINE
    {0x100, u8"Echange de donnees en cours avec l’imprimante.",
     StatusOutcome::kReady},                                                     // IO_ACTIVE
    {0x200, "Imprimante occupee.", StatusOutcome::kReady},                       // BUSY
    {0x400, "Impression en cours.", StatusOutcome::kReady},                      // PRINTING
    {0x800, "Bac de sortie plein.", StatusOutcome::kError},                      // OUTPUT_BIN_FULL
    {0x1000, "Imprimante non disponible.", StatusOutcome::kOffline},             // NOT_AVAILABLE
    {0x2000, "Imprimante en attente.", StatusOutcome::kReady},                   // WAITING
    {0x4000, u8"Traitement d’un travail en cours.", StatusOutcome::kReady},      // PROCESSING
    {0x8000, u8"Imprimante en cours d’initialisation.", StatusOutcome::kReady},  // INITIALIZING
    {0x10000, "Imprimante en prechauffage.", StatusOutcome::kReady},             // WARMING_UP
    {0x20000, "Toner ou encre bientot epuise.", StatusOutcome::kReady},          // TONER_LOW
    {0x40000, u8"Plus de toner ou d’encre.", StatusOutcome::kPaperOut},          // NO_TONER
    {0x80000, u8"Page trop complexe : l’imprimante ne l’a pas imprimee en entier.",
     StatusOutcome::kError},  // PAGE_PUNT
    {0x100000, u8"L’imprimante attend une intervention.",
     StatusOutcome::kError},                                                  // USER_INTERVENTION
    {0x200000, u8"Memoire de l’imprimante saturee.", StatusOutcome::kError},  // OUT_OF_MEMORY
    {0x400000, kCoverOpenLine, StatusOutcome::kCoverOpen},                    // DOOR_OPEN
    {0x800000, u8"Serveur d’impression inconnu.", StatusOutcome::kOffline},   // SERVER_UNKNOWN
    {0x1000000, "Imprimante en veille.", StatusOutcome::kReady},              // POWER_SAVE
    {0x2000000, u8"Serveur d’impression hors ligne.", StatusOutcome::kOffline},  // SERVER_OFFLINE
    {0x4000000, "Le pilote doit etre mis a jour.", StatusOutcome::kError},  // DRIVER_UPDATE_NEEDED
};

#endif  // QUENBREL_PRINTER_TOOL_PRINTER_RECORD_BITS_H_
