#pragma once
// Shared by the archiving and search benchmarks: a program folder whose slot 0
// is one mailbox of the local store, dialogs that answer at once, a window that
// only lets events run, and a mail client whose windows open instantly.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTimer>
#include <memory>

#include "core/keys.h"
#include "core/modlotus.h"
#include "core/password.h"
#include "maintenance/fenetre_maintenance.h"
#include "maintenance/maintenance.h"
#include "notes/store/local_client.h"
#include "support/scripted_dialogs.h"

namespace vantor::bench {

inline const QString kUser = QStringLiteral("Jean Dupont/Vantor");
inline const QString kPassword = QStringLiteral("vantor");
inline const QString kServer = QStringLiteral("Paris/Vantor");
inline const QString kMailbox = QStringLiteral("mail\\grosse.nsf");

// One run per repetition (a run lasts seconds), timed on the wall clock.
template <int Repetitions>
void courses(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(Repetitions)
        ->UseRealTime()
        ->ReportAggregatesOnly(true);
}

class FenetreBanc : public FenetreMaintenance {
  public:
    QString archive;
    QString date = QStringLiteral("15/03/2008");
    QTimer timer;
    QString texteDateArchive(int) const override { return date; }
    QString texteBALArchive(int) const override { return archive; }
    void setCaption(const QString&) override {}
    void setCaptionArchiver(const QString&) override {}
    void setCaptionRechercher(const QString&) override {}
    void afficherActivite(const QString&) override {}
    void noterArret(const QString&) override {}
    void retablirEtat() override {}
    QTimer& TimerScan() override { return timer; }
    void laisserEvenements() override { QCoreApplication::processEvents(); }
    bool amenerAuPremierPlan(const QString&) override { return true; }
};

class ClientInstantane : public notes::UIWorkspace {
  public:
    void editDocument(bool, const notes::DocumentPtr&) override {}
    void openDatabase(const QString&, const QString&, const QString&, const QString&,
                      bool) override {}
};

// The program as the maintenance commands see it, on `folder` (holding notesdata).
struct Programme {
    explicit Programme(const QString& folder)
        : client(folder + QStringLiteral("/notesdata"),
                 [](notes::Client&) { return std::make_unique<ClientInstantane>(); }),
          m(Env::Default(), &dialogs, &client, folder),
          maintenance(m, fenetre) {
        m.ecrireParam(keys::serveur(0), kServer);
        m.ecrireParam(keys::bal(0), kMailbox);
        m.ecrireParam(keys::kPassword, CrypteMotDePasse(kPassword).value());
    }
    test::ScriptedDialogs dialogs;
    store::LocalClient client;
    ModLOTUS m;
    FenetreBanc fenetre;
    Maintenance maintenance;
};

}  // namespace vantor::bench
