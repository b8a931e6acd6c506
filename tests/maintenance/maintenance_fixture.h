#pragma once
// A program folder with a local store: the user's mailbox in slot 0, its archive,
// and a window that records what the runs show and acts at each turn.
#include <QTimer>
#include <array>
#include <functional>
#include <map>

#include "core/keys.h"
#include "core/password.h"
#include "maintenance/empreinte.h"
#include "maintenance/fenetre_maintenance.h"
#include "maintenance/maintenance.h"
#include "notes/store/local_client.h"
#include "notes/store/local_document.h"
#include "notes/store/store_admin.h"
#include "notes/store/store_paths.h"
#include "notes/workspace/ipc_workspace.h"
#include "support/mailbox.h"
#include "support/program_fixture.h"
#include "support/recorded_windows.h"

namespace vantor::test {

inline const QString kArchive = QStringLiteral("archive\\jdupont_archive.nsf");

class FenetreTest : public FenetreMaintenance {
  public:
    std::array<QString, keys::kSlots> dates{};
    std::array<QString, keys::kSlots> archives{};
    QString caption = QStringLiteral("Vantor");
    QString captionArchiver = QStringLiteral("Archivage");
    QString captionRechercher = QStringLiteral("Rechercher");
    // Tips shown while a run goes on; null when the icon tells the watch's state.
    QString activite;
    QStringList arrets;
    int retablissements = 0;
    QStringList premierPlan;
    bool fenetreClientPresente = true;
    QTimer timer;
    int appels = 0;
    // Runs at every turn with its number (1 for the first), as the user could act then.
    std::function<void(int)> pendant;

    QString texteDateArchive(int slot) const override { return dates[slot]; }
    QString texteBALArchive(int slot) const override { return archives[slot]; }
    void setCaption(const QString& c) override { caption = c; }
    void setCaptionArchiver(const QString& c) override { captionArchiver = c; }
    void setCaptionRechercher(const QString& c) override { captionRechercher = c; }
    void afficherActivite(const QString& tip) override { activite = tip; }
    void noterArret(const QString& raison) override { arrets << raison; }
    void retablirEtat() override {
        activite.clear();
        ++retablissements;
    }
    QTimer& TimerScan() override { return timer; }
    void laisserEvenements() override {
        ++appels;
        if (pendant) pendant(appels);
    }
    bool amenerAuPremierPlan(const QString& title) override {
        premierPlan << title;
        return fenetreClientPresente;
    }
};

// A document as the test builds it: Form (none when null), Subject, Body.
struct Doc {
    QString form = QStringLiteral("Memo");
    QString subject;
    QDateTime created{};
    QString body = QStringLiteral("Bonjour");
    QStringList folders{};
    QByteArray attachment{};  // a file "piece.bin" in Body when not empty
    QString subjectItem = QStringLiteral("Subject");
};

class MaintenanceFixture : public ProgramFixture {
  protected:
    MaintenanceFixture() {
        m.notes = &client;
        admin.setUser(kUser, kPassword, kServer, kMailbox);
        bal = admin.createMailbox(kServer, kMailbox, {kUser});
        archive = admin.createDatabase(QStringLiteral("local"), kArchive, {kUser});
        m.ecrireParam(keys::serveur(0), kServer);
        m.ecrireParam(keys::bal(0), kMailbox);
        m.ecrireParam(keys::kPassword, CrypteMotDePasse(kPassword).value());
        fenetre.archives[0] = kArchive;
        fenetre.dates[0] = QStringLiteral("15/03/2008");
        m.fichierDeBase = [this](const QString& server, const QString& file) {
            return store::DataRoot(racine()).findFile(server, file);
        };
    }

    static QDateTime le(int jour, int mois, int annee, int h = 10, int min = 0) {
        return QDateTime(QDate(annee, mois, jour), QTime(h, min));
    }

    // Saves the document in the mailbox and files it; its universal ID.
    QString ajouter(const Doc& d) {
        auto doc = std::static_pointer_cast<store::LocalDocument>(bal->createDocument());
        doc->setCreated(d.created.isValid() ? d.created : le(1, 2, 2008));
        if (!d.form.isNull()) doc->appendItem(QStringLiteral("Form"), notes::kText, d.form);
        doc->appendItem(QStringLiteral("From"), notes::kText, QStringLiteral("Marie Curie/Vantor"));
        doc->appendItem(d.subjectItem, notes::kText, d.subject);
        doc->appendItem(QStringLiteral("Body"), notes::kRichText, d.body);
        if (!d.attachment.isEmpty())
            doc->attachBytes(QStringLiteral("Body"), QStringLiteral("piece.bin"), d.attachment);
        doc->save(true, false);
        for (const QString& f : d.folders) doc->putInFolder(f, true);
        return doc->universalID();
    }

    // The content of every document of the database, by universal ID.
    static std::map<QString, QByteArray> contenu(notes::Database& db) {
        std::map<QString, QByteArray> docs;
        const notes::ViewPtr all = db.getView(QStringLiteral("($All)"));
        for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
            docs[d->universalID()] = empreinte(*d);
        return docs;
    }
    // The subjects filed in a folder of the database, in view order.
    static QStringList dossier(notes::Database& db, const QString& nom) {
        QStringList sujets;
        const notes::ViewPtr v = db.getView(nom);
        if (!v) return {QStringLiteral("<absent>")};
        for (notes::DocumentPtr d = v->getFirstDocument(); d; d = v->getNextDocument(*d))
            sujets << d->itemValue(QStringLiteral("Subject"));
        return sujets;
    }
    std::shared_ptr<store::LocalDatabase> ouvrirArchive() const {
        return admin.open(QStringLiteral("local"), kArchive);
    }
    std::shared_ptr<store::LocalDatabase> ouvrirBal() const {
        return admin.open(kServer, kMailbox);
    }
    // The user edits a document's subject in the client.
    void renommer(const QString& unid, const QString& sujet) {
        auto doc = ouvrirBal()->getDocumentByUNID(unid);
        doc->replaceItemValue(QStringLiteral("Subject"), sujet);
        doc->save(true, false);
    }

    // Archives slot 0 with the answer given to the confirmation.
    void archiver(int reponse) {
        dialogs.msgAnswers = {reponse};
        maintenance.CmdArchive_Click(0);
    }
    void rechercher(const QString& phrase) {
        dialogs.inputAnswers = {phrase};
        maintenance.CmdRecherche_Click(0);
    }

    // The last box shown.
    const ShownBox& boite() const { return dialogs.shown.back(); }
    RecordedWindows::Log fenetres;
    QList<QStringList>& ouvertures = fenetres.ouvertures;
    // The client's windows reached as the program reaches them (no `notes` runs here).
    bool clientReel = false;
    store::StoreAdmin admin{racine()};
    store::LocalClient client{racine(), [this](notes::Client&) -> notes::UIWorkspacePtr {
                                  if (clientReel) return notes::createIpcWorkspace(racine());
                                  return std::make_unique<RecordedWindows>(fenetres);
                              }};
    FenetreTest fenetre;
    Maintenance maintenance{m, fenetre};
    std::shared_ptr<store::LocalDatabase> bal;
    std::shared_ptr<store::LocalDatabase> archive;
};

}  // namespace vantor::test
