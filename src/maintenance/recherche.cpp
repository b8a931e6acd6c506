#include "maintenance/recherche.h"

#include "core/keys.h"
#include "maintenance/session.h"
#include "watch/scan_bal.h"

namespace vantor {
namespace {

// The run-time's code for an operation that cannot end.
constexpr std::int32_t kDossierNonVidable = 5;

const QString kDossier = QStringLiteral("Recherche");

// Each removal must show at once in the folder's first document, or this
// would never end: a folder that does not shrink is a failure.
void vider(notes::View& dossier) {
    QString precedent;
    while (const notes::DocumentPtr doc = dossier.getFirstDocument()) {
        const QString unid = doc->universalID();
        if (unid == precedent)
            throw Failure(
                kDossierNonVidable,
                QStringLiteral("Le dossier %1 ne peut pas être vidé : le document %2 y reste.")
                    .arg(kDossier, unid));
        doc->removeFromFolder(kDossier);
        precedent = unid;
    }
}

}  // namespace

QString pourComparer(const QString& texte) {
    return texte.normalized(QString::NormalizationForm_C).toLower();
}

bool estTrouve(const notes::Document& document, const QString& phrase) {
    return pourComparer(GetItemText(document, QStringLiteral("Subject"))).contains(phrase) ||
           pourComparer(GetItemText(document, QStringLiteral("Body"))).contains(phrase);
}

std::optional<int> rechercher(ModLOTUS& m, FenetreMaintenance& fenetre, int slot,
                              const QString& phrase) {
    const notes::SessionPtr session = ouvrirSession(m, false);

    m.FichierBAL = m.lireParam(keys::bal(slot), QString());
    m.ServeurBAL = m.lireParam(keys::serveur(slot), QString());
    if (m.ServeurBAL.toLower() == QStringLiteral("local")) m.ServeurBAL.clear();
    const notes::DatabasePtr bal =
        session->getDbDirectory(m.ServeurBAL)->openDatabase(m.FichierBAL, false);

    const notes::ViewPtr dossier = bal->getView(kDossier);
    if (!dossier) return std::nullopt;
    vider(*dossier);

    int trouves = 0;
    if (const notes::ViewPtr all = bal->getView(QStringLiteral("($All)"))) {
        for (notes::DocumentPtr doc = all->getFirstDocument(); doc;
             doc = all->getNextDocument(*doc)) {
            fenetre.laisserEvenements();
            if (!estTrouve(*doc, phrase)) continue;
            doc->putInFolder(kDossier, true);
            ++trouves;
        }
    }
    fenetre.laisserEvenements();

    m.notes->createUIWorkspace()->openDatabase(m.ServeurBAL, m.FichierBAL, kDossier, QString(),
                                               true);
    return trouves;
}

}  // namespace vantor
