#pragma once
// What the popup's buttons do to the message on display: reply, delete,
// follow-up, attachments, move to a folder. Each Notes action opens its own
// client session, finds the message again by its universal ID, acts and
// closes the popup; on a failure it logs the description, leaves the popup
// on screen and changes nothing else.
#include <QPoint>
#include <QString>
#include <functional>

#include "actions/charge_dossiers.h"
#include "core/modlotus.h"
#include "watch/popup_commands.h"

namespace vantor {

class FrmMsg;

// Which message is on display. Saving the settings, archiving, searching and
// the folder collection rewrite the program-wide ServeurBAL and FichierBAL
// while the popup may be showing: the actions use this copy, taken when the
// popup presented the message.
struct MessageAffiche {
    QString serveur;
    QString fichier;
    QString unid;
    int slot = -1;
    notes::ItemPtr corps;  // the rich-text body, or null
};

class ActionsMessage : public PopupCommands {
public:
    // `m`, `popup` and `listes` must outlive the commands.
    ActionsMessage(ModLOTUS& m, FrmMsg& popup, const ListeDossiers& listes);

    // Brings the mail client's window with that title (or beginning with it)
    // to the front; false when there is none. Reply needs it.
    std::function<bool(const QString& titre)> amenerAuPremierPlan;

    void MessagePresente() override;
    const MessageAffiche& messageAffiche() const { return message_; }

    void OpenMail() override;
    void CmdDel_Click() override;
    void CmdFollow_Click(int index) override;
    void CmdPJ_Click() override;
    // Opens the folder menu at the mouse and moves the message to the folder chosen.
    void CmdFolders_MouseUp(Qt::MouseButton bouton, QPoint positionEcran) override;
    // Moves the message into `sDossier` and out of the inbox; "" moves nothing
    // but still closes the popup.
    void DeplaceDoc(const QString& sDossier);

private:
    struct Ouverture;
    Ouverture ouvrir(bool pourReponse);
    void fermer(bool docModifie);
    // One error trap for a whole action.
    void sousPiege(const std::function<void()>& action);

    ModLOTUS& m_;
    FrmMsg& popup_;
    const ListeDossiers& listes_;
    MessageAffiche message_;
};

}  // namespace vantor
