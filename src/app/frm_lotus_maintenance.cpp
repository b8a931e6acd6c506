// The archiving and search commands of the settings window: the window's
// side of the maintenance runs.
#include <QCoreApplication>

#include "app/frm_lotus.h"
#include "app/systray.h"
#include "maintenance/fenetre_maintenance.h"
#include "maintenance/maintenance.h"
#include "platform/gui/window_finder.h"
#include "core/artwork.h"

namespace vantor {
namespace {

class FenetreLOTUS : public FenetreMaintenance {
  public:
    explicit FenetreLOTUS(FrmLOTUS& w) : w_(w) {}

    QString texteDateArchive(int slot) const override { return w_.txtDateArchive[slot]->text(); }
    QString texteBALArchive(int slot) const override { return w_.TxtBALArchive[slot]->text(); }
    void setCaption(const QString& caption) override { w_.setWindowTitle(caption); }
    void setCaptionArchiver(const QString& caption) override { w_.mnu_archiver->setTitle(caption); }
    void setCaptionRechercher(const QString& caption) override {
        w_.mnu_rechercher->setTitle(caption);
    }
    void afficherActivite(const QString& tip) override {
        w_.systray()->afficherActivite(artwork::iconePopup(), tip);
    }
    void noterArret(const QString& raison) override { w_.systray()->noterArret(raison); }
    void retablirEtat() override { w_.systray()->retablirEtat(); }
    QTimer& TimerScan() override { return w_.TimerScan; }
    void laisserEvenements() override {
        if (w_.laisserEvenements) {
            w_.laisserEvenements();
        } else {
            QCoreApplication::processEvents();
        }
    }
    bool amenerAuPremierPlan(const QString& title) override { return bringWindowToFront(title); }

  private:
    FrmLOTUS& w_;
};

}  // namespace

void FrmLOTUS::createMaintenance() {
    fenetreMaintenance_ = std::make_unique<FenetreLOTUS>(*this);
    maintenance_ = std::make_unique<Maintenance>(m_, *fenetreMaintenance_);
    // The buttons and the tray entries of a slot both ask through these.
    connect(this, &FrmLOTUS::archiveDemandee, this, &FrmLOTUS::CmdArchive_Click);
    connect(this, &FrmLOTUS::rechercheDemandee, this, &FrmLOTUS::CmdRecherche_Click);
}

void FrmLOTUS::CmdArchive_Click(int Index) {
    maintenance_->CmdArchive_Click(Index);
}
void FrmLOTUS::CmdRecherche_Click(int Index) {
    maintenance_->CmdRecherche_Click(Index);
}

}  // namespace vantor
