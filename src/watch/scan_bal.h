#pragma once
// The mailbox scan: walks every watched mailbox and presents each new
// document in the popup, one at a time, waiting while the popup is shown.
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "core/modlotus.h"
#include "notes/notes.h"

namespace vantor {

class FrmMsg;

struct ScanHooks {
    // Brings the settings window back (after a refused password).
    std::function<void()> montrerParametres;
    // Watching stopped on a failure; `raison` is its description.
    std::function<void(const QString& raison)> surveillanceArretee;
    // Lets pending window events run once: the event dispatcher's full pass,
    // QCoreApplication::processEvents by default. The walk calls it at its
    // first yield and then every 2 ms; its other yields run the posted events.
    std::function<void()> laisserEvenements;
    // Waits for the next window event while the popup is shown.
    std::function<void()> attendre;
    // The mailboxes whose server cannot be reached now changed: their names,
    // "BAL 2 (server)", in slot order, empty when all answer again.
    std::function<void(const QStringList& boites)> boitesInjoignables;
};

// One scan. `TimerScan` is disabled while it runs and re-armed for 30 s when
// it completes; after a failure it stays disabled. A mailbox whose server
// cannot be reached (notes::code::kServerUnavailable) is no failure: it is
// skipped, and logged when its outage begins and when it ends.
void ScanBAL(ModLOTUS& m, QTimer& TimerScan, FrmMsg& popup, const ScanHooks& hooks);

// True when `id` is not among the IDs of DocsAffiches (case counts).
bool PasEncoreAffiche(const ModLOTUS& m, const QString& id);
// Records a presented ID, keeping only the 21 latest once 501 are held.
void AjouteDocAffiche(ModLOTUS& m, const QString& id);

// The body as the popup shows it: "[IMAGE]" markers removed, then the spaces
// at both ends.
QString texteCorps(const QString& body);

}  // namespace vantor
