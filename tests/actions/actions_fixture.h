#pragma once
// The real popup and its commands on the program fixture, with a local store
// holding the user's mailbox and the client's windows recorded.
#include <QDir>

#include "actions/actions_message.h"
#include "core/keys.h"
#include "core/password.h"
#include "core/settings.h"
#include "notes/store/local_client.h"
#include "support/mailbox.h"
#include "support/program_fixture.h"
#include "support/recorded_windows.h"
#include "watch/affiche_popup.h"
#include "watch/frm_msg.h"

namespace vantor::test {

class ActionsFixture : public ProgramFixture {
protected:
    ActionsFixture() {
        m.notes = &client;
        bal = createUserMailbox(admin);
        EXPECT_TRUE(env.createFolder(m.cheminPJ()));
        param(keys::kPassword, CrypteMotDePasse(kPassword).value());
        param(keys::bal(0), kMailbox);
        popup = std::make_unique<FrmMsg>(m);
        actions = std::make_unique<ActionsMessage>(m, *popup, listes);
        actions->amenerAuPremierPlan = [this](const QString& titre) {
            fenetresDemandees << titre;
            return clientOuvert;
        };
        popup->setCommandes(actions.get());
    }

    void param(const QString& key, const QString& value) { m.ecrireParam(key, value); }
    int lignesJournal() { return static_cast<int>(journal().count(QStringLiteral("\r\n"))); }

    // Delivers a memo into `db` (the mailbox by default); returns its universal ID.
    QString livre(const QString& sujet, std::vector<store::MemoAttachment> pieces = {},
                  store::LocalDatabase* db = nullptr, const QString& unid = {}) {
        store::Memo m = memo(sujet);
        m.attachments = std::move(pieces);
        m.unid = unid;
        return deliver(db ? *db : *bal, m)->universalID();
    }

    // What the scan does before it shows a message of slot `slot`.
    void presente(const QString& unid, int slot = 0) {
        m.ServeurBAL = kServer;
        m.FichierBAL = kMailbox;
        m.NumBAL = static_cast<std::int16_t>(slot);
        m.UNIDCourant = unid;
        m.CorpsCourant =
            document(unid) ? document(unid)->getFirstItem(QStringLiteral("Body")) : nullptr;
        AffichePopup(m, *popup);
    }

    // The mailbox as another program sees it now.
    notes::DatabasePtr ouvre(const QString& serveur = kServer, const QString& fichier = kMailbox) {
        return autreProgramme.createClientSession()->getDatabase(serveur, fichier);
    }
    notes::DocumentPtr document(const QString& unid, const QString& serveur = kServer,
                                const QString& fichier = kMailbox) {
        return ouvre(serveur, fichier)->getDocumentByUNID(unid);
    }
    // The universal IDs filed in a folder.
    QStringList dansDossier(const QString& dossier, const QString& serveur = kServer,
                            const QString& fichier = kMailbox) {
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

    store::StoreAdmin admin{racine()};
    store::LocalClient autreProgramme{racine()};
    RecordedWindows::Log fenetres;
    store::LocalClient client{racine(), [this](notes::Client&) -> notes::UIWorkspacePtr {
                                  return std::make_unique<RecordedWindows>(fenetres);
                              }};
    std::shared_ptr<store::LocalDatabase> bal;
    ListeDossiers listes;
    std::unique_ptr<FrmMsg> popup;
    std::unique_ptr<ActionsMessage> actions;
    QStringList fenetresDemandees;
    bool clientOuvert = true;
};

}  // namespace vantor::test
