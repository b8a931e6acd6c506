#pragma once
// The two maintenance commands of a mailbox slot: archiving its old mail into
// a local database, and a phrase search into its folder "Recherche". Each
// runs to completion on the user-interface thread, letting window events run
// once per document, while the mail watch is paused.
#include "core/modlotus.h"
#include "maintenance/fenetre_maintenance.h"

namespace vantor {

class Maintenance {
  public:
    // `m` and `fenetre` must outlive this object.
    Maintenance(ModLOTUS& m, FenetreMaintenance& fenetre) : m_(m), fenetre_(fenetre) {}

    // Archives slot 0 to 4 (its button or tray entry). Old Memo and Reply
    // documents are copied with their folders; with the answer Yes each one
    // leaves the mailbox only once its copy in the archive is found
    // identical to it.
    void CmdArchive_Click(int slot);
    // Searches slot 0 to 4 for a phrase and shows the hits in the mail client.
    void CmdRecherche_Click(int slot);

    // A run is under way (its dialogs included): a second one is refused.
    bool enCours() const { return enCours_; }

  private:
    bool refuserSiEnCours(const QString& titre);
    void echecArchivage(const QString& description);
    void echecRecherche(const QString& description);

    ModLOTUS& m_;
    FenetreMaintenance& fenetre_;
    bool enCours_ = false;
};

}  // namespace vantor
