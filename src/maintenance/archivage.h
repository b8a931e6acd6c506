#pragma once
// The mail-layer work of one archiving run, from the session to the deletion
// pass; the window's part is in Maintenance.
#include <QDate>
#include <QStringList>

#include "core/modlotus.h"
#include "maintenance/fenetre_maintenance.h"

namespace vantor {

struct BilanArchivage {
    // Documents copied into the archive.
    int archives = 0;
    // With deletion asked: the documents left in the mailbox because their
    // copy in the archive was missing or not identical, as the log names them.
    QStringList conserves;
};

// Copies the slot's Memo and Reply documents created before `limite` into
// the archive database typed for the slot, files the copies as in the
// mailbox and, when `supprimer`, removes each source whose copy reads back
// identical. Throws the first failure; the copies made until then are kept
// and nothing left the mailbox without its verified copy.
BilanArchivage archiver(ModLOTUS& m, FenetreMaintenance& fenetre, int slot, const QDate& limite,
                        bool supprimer);

}  // namespace vantor
