#include "actions/actions_message.h"

#include <QCursor>

#include "actions/extraction_pj.h"
#include "actions/folder_menu.h"
#include "platform/gui/window_finder.h"
#include "watch/frm_msg.h"

namespace vantor {
namespace {

// The run-time's codes for a bad call and a missing object.
constexpr std::int32_t kAppelIncorrect = 5;
constexpr std::int32_t kObjetNonDefini = 91;

}  // namespace

// The Notes objects of one action, released together at its end.
struct ActionsMessage::Ouverture {
    notes::SessionPtr session;
    notes::DatabasePtr db;
    notes::UIWorkspacePtr workspace;
    notes::DocumentPtr doc;
};

ActionsMessage::ActionsMessage(ModLOTUS& m, FrmMsg& popup, const ListeDossiers& listes)
    : amenerAuPremierPlan(&bringWindowToFront), m_(m), popup_(popup), listes_(listes) {}

void ActionsMessage::MessagePresente() {
    message_ = {m_.ServeurBAL, m_.FichierBAL, m_.UNIDCourant, m_.NumBAL, m_.CorpsCourant};
}

ActionsMessage::Ouverture ActionsMessage::ouvrir(bool pourReponse) {
    Ouverture o;
    o.session = m_.notes->createClientSession();
    o.db = o.session->getDatabase(message_.serveur, message_.fichier);
    if (!o.db)
        throw Failure(kObjetNonDefini,
                      QStringLiteral("La boite %1 est introuvable.").arg(message_.fichier));
    if (!o.db->isOpen()) o.db->openMail();
    // A mail client without a window of its own (the desktop's composer comes
    // forward by itself) has an empty title: nothing to bring forward.
    const QString titre = pourReponse ? m_.notes->clientWindowTitle(message_.serveur) : QString();
    if (!titre.isEmpty() && !(amenerAuPremierPlan && amenerAuPremierPlan(titre))) {
        throw Failure(
            kAppelIncorrect,
            QStringLiteral(
                "Aucune fenêtre « %1 » n'est ouverte : impossible de répondre au message.")
                .arg(titre));
    }
    o.workspace = m_.notes->createUIWorkspace();
    o.doc = o.db->getDocumentByUNID(message_.unid);
    if (!o.doc) {
        throw Failure(kObjetNonDefini,
                      QStringLiteral("Le message %1 est introuvable dans la boite %2.")
                          .arg(message_.unid, message_.fichier));
    }
    return o;
}

void ActionsMessage::fermer(bool docModifie) {
    if (docModifie) m_.DocModifie = true;
    popup_.hide();
    popup_.CloseForm();
}

void ActionsMessage::sousPiege(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& f) {
        m_.LogErreur(f.description());
    } catch (const std::exception& e) {
        m_.LogErreur(QString::fromLocal8Bit(e.what()));
    }
}

void ActionsMessage::OpenMail() {
    sousPiege([this] {
        {
            Ouverture o = ouvrir(true);
            const notes::DocumentPtr reponse = o.db->createDocument();
            reponse->replaceItemValue(QStringLiteral("Body"),
                                      o.doc->itemValue(QStringLiteral("Body")));
            reponse->replaceItemValue(QStringLiteral("Subject"),
                                      o.doc->itemValue(QStringLiteral("Subject")));
            reponse->replaceItemValue(QStringLiteral("SendTo"),
                                      o.doc->itemValue(QStringLiteral("From")));
            o.workspace->editDocument(true, reponse);
        }
        fermer(false);
    });
}

void ActionsMessage::CmdDel_Click() {
    sousPiege([this] {
        {
            Ouverture o = ouvrir(false);
            if (!o.doc->trash()) {
                throw Failure(
                    kObjetNonDefini,
                    QStringLiteral("Le message %1 n'a pas pu être supprimé de la boite %2.")
                        .arg(message_.unid, message_.fichier));
            }
        }
        fermer(true);
    });
}

void ActionsMessage::CmdFollow_Click(int index) {
    if (index < 0 || index > 2) return;
    sousPiege([this, index] {
        {
            Ouverture o = ouvrir(false);
            o.doc->replaceItemValue(QStringLiteral("FollowUpDate"), QString());
            o.doc->replaceItemValue(QStringLiteral("FollowUpRemoveFromInbox"), QString());
            o.doc->replaceItemValue(QStringLiteral("FollowUpStatus"), QString::number(index + 1));
            o.doc->replaceItemValue(QStringLiteral("FollowUpText"), QString());
            o.doc->replaceItemValue(QStringLiteral("FollowUpTime"), QString());
            if (!o.doc->save(true, true)) {
                throw Failure(kObjetNonDefini,
                              QStringLiteral("Le suivi du message %1 n'a pas pu être enregistré.")
                                  .arg(message_.unid));
            }
        }
        fermer(false);
    });
}

void ActionsMessage::CmdPJ_Click() {
    sousPiege([this] {
        if (message_.corps) {
            Env& env = *m_.env;
            const QString pj = m_.cheminPJ();
            // Removed since start-up: made again rather than failing.
            if (!env.folderExists(pj)) env.createFolder(pj);
            for (const notes::EmbeddedObjectPtr& objet : message_.corps->embeddedObjects()) {
                if (objet->type() == notes::kFileAttachment) extrairePieceJointe(env, *objet, pj);
            }
            // The desktop's file manager shows the folder; nothing waits for it.
            if (!env.startProgram(QStringLiteral("xdg-open"), {pj})) {
                throw Failure(
                    kAppelIncorrect,
                    QStringLiteral("Impossible d'afficher le dossier des pièces jointes %1.")
                        .arg(pj));
            }
        }
        fermer(false);
    });
}

void ActionsMessage::CmdFolders_MouseUp(Qt::MouseButton, QPoint) {
    // Where the mouse is now (GetCursorPos), as the menu opens under it.
    const QPoint position = QCursor::pos();
    const int slot = message_.slot;
    // A copy: a collection finishing while the menu is open must not change
    // what the chosen id means.
    const ListeMenu liste = slot >= 0 && slot < keys::kSlots ? listes_[slot] : ListeMenu{};
    const int id = AfficheMenu(position, &liste, popup_);
    if (id != 0) DeplaceDoc(DossierDeId(id, liste));
    popup_.relanceTimerFermeture();
}

void ActionsMessage::DeplaceDoc(const QString& sDossier) {
    sousPiege([this, &sDossier] {
        {
            Ouverture o = ouvrir(false);
            if (!sDossier.isEmpty()) o.doc->moveToFolder(sDossier, QStringLiteral("($Inbox)"));
        }
        fermer(true);
    });
}

}  // namespace vantor
