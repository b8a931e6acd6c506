#pragma once
// What the archiving and search runs need of the settings window: two of its
// fields, three captions, the tray icon, the scan timer and the event loop.
// The window implements it; tests give one of their own.
#include <QString>

class QTimer;

namespace vantor {

class FenetreMaintenance {
  public:
    virtual ~FenetreMaintenance() = default;

    // Current texts of txtDateArchive(slot) and TxtBALArchive(slot), saved or not.
    virtual QString texteDateArchive(int slot) const = 0;
    virtual QString texteBALArchive(int slot) const = 0;

    // The window's caption and those of the tray entries mnu_archiver and mnu_rechercher.
    virtual void setCaption(const QString& caption) = 0;
    virtual void setCaptionArchiver(const QString& caption) = 0;
    virtual void setCaptionRechercher(const QString& caption) = 0;

    // The tray icon: the popup's picture with `tip` while a run goes on,
    // whatever the watch does; added when there is none.
    virtual void afficherActivite(const QString& tip) = 0;
    // Why the watch stays stopped after a run; call before retablirEtat().
    virtual void noterArret(const QString& raison) = 0;
    // The icon tells the watch's true state again (main picture, title).
    virtual void retablirEtat() = 0;

    virtual QTimer& TimerScan() = 0;
    // Lets pending window events run once.
    virtual void laisserEvenements() = 0;
    // Restores, raises and activates the top-level window titled `title`
    // (or whose title begins with it); false when there is none.
    virtual bool amenerAuPremierPlan(const QString& title) = 0;
};

}  // namespace vantor
