#include "maintenance/archivage.h"

#include <QMap>
#include <QTimer>
#include <algorithm>

#include "core/item_text.h"
#include "core/keys.h"
#include "maintenance/date_limite.h"
#include "maintenance/empreinte.h"
#include "maintenance/lecture.h"
#include "maintenance/session.h"

namespace vantor {
namespace {

// The run-time's code for a missing object, and ours for a copy not saved.
constexpr std::int32_t kObjetNonDefini = 91;
constexpr std::int32_t kCopieNonEnregistree = static_cast<std::int32_t>(0x80043001);
constexpr std::int32_t kArchiveEstLaBoite = static_cast<std::int32_t>(0x80043002);

// Copies written to the archive per transaction: enough to spare a commit per
// document, few enough that the lock is held briefly and the journal stays small.
constexpr int kEcrituresParLot = 256;
// Sources verified and removed per mailbox transaction: a few milliseconds.
constexpr qsizetype kSuppressionsParGroupe = 64;

class Archivage {
  public:
    Archivage(ModLOTUS& m, FenetreMaintenance& fenetre, int slot, const QDate& limite,
              bool supprimer)
        : m_(m), f_(fenetre), slot_(slot), limiteMs_(debutDuJour(limite)), supprimer_(supprimer) {}

    BilanArchivage executer() {
        try {
            ouvrir();
            if (bal_) {
                passeCopie();
                valider();
                if (bilan_.archives > 0) passeDossiers();
                valider();
                if (bilan_.archives > 0 && supprimer_) passeSuppression();
            }
            return bilan_;
        } catch (...) {
            // What was copied before the failure stays in the archive.
            try {
                valider();
            } catch (const Failure&) {
            }
            throw;
        }
    }

  private:
    void ouvrir() {
        session_ = ouvrirSession(m_, true);
        fichierArchive_ = f_.texteBALArchive(slot_);
        archive_ = session_->getDbDirectory(QString())->openDatabase(fichierArchive_, false);
        m_.CorpsCourant = nullptr;
        m_.ServeurBAL = m_.lireParam(keys::serveur(slot_), QStringLiteral("local"));
        const notes::DbDirectoryPtr dir = session_->getDbDirectory(m_.ServeurBAL);
        m_.FichierBAL = m_.lireParam(keys::bal(slot_), QString());
        if (keys::estSurServeur(m_.FichierBAL, m_.ServeurBAL)) {
            bal_ = dir->openDatabase(m_.FichierBAL, false);
            refuserSiMemeFichier();
        }
    }

    // Archiving a file into itself would remove every message it copies, or
    // refile and redate them: the files are compared, not their names, so
    // that no link or spelling of the path hides it.
    void refuserSiMemeFichier() {
        if (!m_.fichierDeBase) return;
        const auto boite = m_.env->fileStamp(m_.fichierDeBase(m_.ServeurBAL, m_.FichierBAL));
        const auto archive = m_.env->fileStamp(m_.fichierDeBase(QString(), fichierArchive_));
        if (boite && archive && boite->sameFileAs(*archive))
            throw Failure(kArchiveEstLaBoite,
                          QStringLiteral("L'archive %1 est le fichier même de la boîte aux "
                                         "lettres %2 : archivage refusé, rien n'a été copié ni "
                                         "supprimé. Choisissez une autre base d'archive.")
                              .arg(fichierArchive_, m_.FichierBAL));
    }

    bool avantLimite(const notes::Document& d) const {
        return d.created().toMSecsSinceEpoch() < limiteMs_;
    }

    static bool qualifie(const notes::Document& d) {
        const QString form = GetItemText(d, QStringLiteral("Form"));
        return form == QStringLiteral("Memo") || form == QStringLiteral("Reply");
    }

    void passeCopie() {
        const notes::ViewPtr all = bal_->getView(QStringLiteral("($All)"));
        if (!all)
            throw Failure(
                kObjetNonDefini,
                QStringLiteral("La vue ($All) de la boîte %1 est introuvable.").arg(m_.FichierBAL));
        all->refresh();
        for (notes::DocumentPtr doc = all->getFirstDocument(); doc;
             doc = all->getNextDocument(*doc)) {
            f_.laisserEvenements();
            if (avantLimite(*doc) && lireSiPresent(*bal_, *doc, [&] { return qualifie(*doc); }))
                copier(*doc);
        }
    }

    // An earlier copy of the same ID is replaced only when it holds the same
    // message, and goes only together with the new one being saved; another
    // message under that ID (from another mailbox) stays, and the new copy
    // takes an ID of its own.
    void copier(notes::Document& source) {
        const QString unid = source.universalID();
        ouvrirLot();
        const notes::DocumentPtr copie = archive_->createDocument();
        notes::WriteBatchPtr remplacement;
        bool memeId = true;
        if (const notes::DocumentPtr ancienne = archive_->getDocumentByUNID(unid)) {
            memeId = empreinte(*ancienne) == empreinte(source);
            if (memeId) {
                remplacement = archive_->beginWriteBatch();
                ancienne->remove(true);
            }
        }
        source.copyAllItems(*copie, false);
        copie->setCreated(source.created());
        if (memeId) copie->setUniversalID(unid);
        if (!copie->save(true, true, false))
            throw Failure(
                kCopieNonEnregistree,
                QStringLiteral(
                    "La copie du document %1 n'a pas pu être enregistrée dans l'archive %2.")
                    .arg(unid, fichierArchive_));
        if (remplacement) remplacement->commit();
        compterEcriture();
        if (!memeId)
            m_.LogErreur(QStringLiteral("Archivage : l'archive %1 a déjà un autre document sous "
                                        "l'identifiant %2 ; les deux y sont gardés, la copie de "
                                        "« %3 » sous l'identifiant %4.")
                             .arg(fichierArchive_, unid,
                                  GetItemText(source, QStringLiteral("Subject")).left(80),
                                  copie->universalID()));
        copies_.insert(unid, copie->universalID());
        ++bilan_.archives;
    }

    static bool reproduit(const QString& dossier) {
        return dossier != QStringLiteral("Recherche") && !dossier.startsWith(QLatin1Char('(')) &&
               !dossier.endsWith(QLatin1Char(')'));
    }

    void passeDossiers() {
        for (const notes::ViewPtr& vue : bal_->views()) {
            if (!vue->isFolder() || !reproduit(vue->name())) continue;
            const QString nom = vue->name();
            for (notes::DocumentPtr doc = vue->getFirstDocument(); doc;
                 doc = vue->getNextDocument(*doc)) {
                f_.laisserEvenements();
                if (!avantLimite(*doc)) continue;
                const auto copieDe = copies_.constFind(doc->universalID());
                if (copieDe == copies_.cend()) continue;
                if (const notes::DocumentPtr copie = archive_->getDocumentByUNID(*copieDe)) {
                    ouvrirLot();
                    copie->putInFolder(nom, true);
                    compterEcriture();
                }
            }
        }
    }

    // Read back through a connection of its own, after the commit (which the
    // store returns from once it is on the disk): a source leaves the mailbox
    // only when what the archive file holds is identical and survives a power cut.
    // Removals go in short groups, one mailbox transaction each, with the
    // window's events between groups: no lock is held while other commands run.
    void passeSuppression() {
        const notes::DatabasePtr relue =
            session_->getDbDirectory(QString())->openDatabase(fichierArchive_, false);
        for (auto debut = copies_.cbegin(); debut != copies_.cend();) {
            f_.laisserEvenements();
            auto fin = debut;
            QStringList groupeIds;
            for (; fin != copies_.cend() && groupeIds.size() < kSuppressionsParGroupe; ++fin)
                groupeIds << fin.key();
            bal_->expectLookups(groupeIds);
            const notes::WriteBatchPtr groupe = bal_->beginWriteBatch();
            for (; debut != fin; ++debut) supprimerSiIdentique(*relue, debut.key(), debut.value());
            groupe->commit();
        }
    }

    void supprimerSiIdentique(notes::Database& relue, const QString& unid,
                              const QString& unidCopie) {
        const notes::DocumentPtr source = bal_->getDocumentByUNID(unid);
        if (!source) return;
        const notes::DocumentPtr copie = relue.getDocumentByUNID(unidCopie);
        if (copie && empreinte(*copie) == empreinte(*source)) {
            source->remove(true);
            return;
        }
        const QString sujet = GetItemText(*source, QStringLiteral("Subject"));
        bilan_.conserves << QStringLiteral("%1 (« %2 »)").arg(unid, sujet.left(80));
    }

    void ouvrirLot() {
        if (!lot_) lot_ = archive_->beginWriteBatch();
    }
    void compterEcriture() {
        if (++ecrituresDuLot_ >= kEcrituresParLot) valider();
    }
    void valider() {
        ecrituresDuLot_ = 0;
        if (!lot_) return;
        notes::WriteBatchPtr lot = std::move(lot_);
        lot->commit();
    }

    ModLOTUS& m_;
    FenetreMaintenance& f_;
    const int slot_;
    const qint64 limiteMs_;
    const bool supprimer_;

    notes::SessionPtr session_;
    QString fichierArchive_;
    notes::DatabasePtr archive_;
    notes::DatabasePtr bal_;
    notes::WriteBatchPtr lot_;
    int ecrituresDuLot_ = 0;
    // The ID of each source copied, and its copy's.
    QMap<QString, QString> copies_;
    BilanArchivage bilan_;
};

}  // namespace

BilanArchivage archiver(ModLOTUS& m, FenetreMaintenance& fenetre, int slot, const QDate& limite,
                        bool supprimer) {
    return Archivage(m, fenetre, slot, limite, supprimer).executer();
}

}  // namespace vantor
