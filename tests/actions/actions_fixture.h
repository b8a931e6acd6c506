#pragma once
// The real popup and its commands on a program folder of their own, with a
// local store holding the mailbox "mail\jdupont.nsf" on "Paris/Vantor" and a
// mail client whose user interface records what it is asked to open.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>

#include "actions/actions_message.h"
#include "core/keys.h"
#include "core/password.h"
#include "core/settings.h"
#include "notes/store/local_client.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"
#include "platform/cp1252.h"
#include "support/qt_printers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_env.h"
#include "watch/affiche_popup.h"
#include "watch/frm_msg.h"

namespace vantor::test {

inline const QString kServeur = QStringLiteral("Paris/Vantor");
inline const QString kBal = QStringLiteral("mail\\jdupont.nsf");
inline const QString kMoi = QStringLiteral("Jean Dupont/Vantor");
inline const QString kPasse = QStringLiteral("vantor");

using Editions = std::vector<std::pair<bool, notes::DocumentPtr>>;

// The real store, with a user interface that records what it opens for editing.
class ClientEnregistreur : public notes::Client {
public:
    explicit ClientEnregistreur(notes::Client& reel) : reel_(reel) {}
    notes::SessionPtr createBackendSession() override { return reel_.createBackendSession(); }
    notes::SessionPtr createClientSession() override { return reel_.createClientSession(); }
    notes::UIWorkspacePtr createUIWorkspace() override {
        return std::make_unique<Workspace>(editions);
    }
    Editions editions;

private:
    struct Workspace : notes::UIWorkspace {
        explicit Workspace(Editions& e) : editions(e) {}
        void editDocument(bool editMode, const notes::DocumentPtr& d) override {
            editions.emplace_back(editMode, d);
        }
        void openDatabase(const QString&, const QString&, const QString&, const QString&,
                          bool) override {}
        Editions& editions;
    };
    notes::Client& reel_;
};

class ActionsFixture : public ::testing::Test {
protected:
    ActionsFixture()
        : admin(racine()), reel(racine()), client(reel), m(&env, &dialogs, &client, dir.path()) {
        admin.setUser(kMoi, kPasse, kServeur, kBal);
        admin.createServer(kServeur);
        bal = admin.createMailbox(kServeur, kBal, {kMoi});
        EXPECT_TRUE(env.createFolder(m.cheminPJ()));
        param(keys::kPassword, CrypteMotDePasse(kPasse).value());
        param(keys::bal(0), kBal);
        popup = std::make_unique<FrmMsg>(m);
        actions = std::make_unique<ActionsMessage>(m, *popup, listes);
        actions->amenerAuPremierPlan = [this](const QString& titre) {
            fenetresDemandees << titre;
            return clientOuvert;
        };
        popup->setCommandes(actions.get());
    }

    QString racine() const { return dir.file(QStringLiteral("notesdata")); }
    void param(const QString& key, const QString& value) { m.ecrireParam(key, value); }
    QString journal() { return cp1252::decode(env.readFile(m.cheminLog()).value_or(QByteArray())); }
    int lignesJournal() { return static_cast<int>(journal().count(QStringLiteral("\r\n"))); }

    // Delivers a memo into `db` (the mailbox by default); returns its universal ID.
    QString livre(const QString& sujet, std::vector<store::MemoAttachment> pieces = {},
                  store::LocalDatabase* db = nullptr, const QString& unid = {}) {
        store::Memo memo;
        memo.from = QStringLiteral("Marie Curie/Vantor");
        memo.sendTo = kMoi;
        memo.subject = sujet;
        memo.body = QStringLiteral("Corps de ") + sujet;
        memo.attachments = std::move(pieces);
        memo.unid = unid;
        return store::deliverMemo(db ? *db : *bal, memo)->universalID();
    }

    // What the scan does before it shows a message of slot `slot`.
    void presente(const QString& unid, int slot = 0) {
        m.ServeurBAL = kServeur;
        m.FichierBAL = kBal;
        m.NumBAL = static_cast<std::int16_t>(slot);
        m.UNIDCourant = unid;
        m.CorpsCourant =
            document(unid) ? document(unid)->getFirstItem(QStringLiteral("Body")) : nullptr;
        AffichePopup(m, *popup);
    }

    // The mailbox as another program sees it now.
    notes::DatabasePtr ouvre(const QString& serveur = kServeur, const QString& fichier = kBal) {
        return reel.createClientSession()->getDatabase(serveur, fichier);
    }
    notes::DocumentPtr document(const QString& unid, const QString& serveur = kServeur,
                                const QString& fichier = kBal) {
        return ouvre(serveur, fichier)->getDocumentByUNID(unid);
    }
    // The universal IDs filed in a folder.
    QStringList dansDossier(const QString& dossier, const QString& serveur = kServeur,
                            const QString& fichier = kBal) {
        QStringList ids;
        notes::ViewPtr vue = ouvre(serveur, fichier)->getView(dossier);
        if (!vue) return ids;
        for (notes::DocumentPtr d = vue->getFirstDocument(); d; d = vue->getNextDocument(*d))
            ids << d->universalID();
        return ids;
    }
    QStringList fichiersPJ() {
        return QDir(m.cheminPJ())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

    TempDir dir;
    TestEnv env;
    ScriptedDialogs dialogs;
    store::StoreAdmin admin;
    store::LocalClient reel;
    ClientEnregistreur client;
    ModLOTUS m;
    std::shared_ptr<store::LocalDatabase> bal;
    ListeDossiers listes;
    std::unique_ptr<FrmMsg> popup;
    std::unique_ptr<ActionsMessage> actions;
    QStringList fenetresDemandees;
    bool clientOuvert = true;
};

}  // namespace vantor::test
