#include "maintenance/recherche.h"

#include <algorithm>

#include "core/keys.h"
#include "maintenance/lecture.h"
#include "maintenance/session.h"

namespace vantor {
namespace {

const QString kDossier = QStringLiteral("Recherche");

// One walk of the folder, each document taken out as it is passed: the walk
// ends whatever stays (on a server, a message the user filed there by hand).
void vider(notes::View& dossier) {
    for (notes::DocumentPtr doc = dossier.getFirstDocument(); doc;
         doc = dossier.getNextDocument(*doc))
        doc->removeFromFolder(kDossier);
}

}  // namespace

QString phraseCherchee(const QString& saisie) {
    return saisie.normalized(QString::NormalizationForm_C).toCaseFolded();
}

bool contient(const QString& texte, const QString& phrase) {
    // Below U+0300 every text is already composed: most mail costs no copy.
    const bool compose =
        std::all_of(texte.cbegin(), texte.cend(), [](QChar c) { return c.unicode() < 0x300; });
    const QString t = compose ? texte : texte.normalized(QString::NormalizationForm_C);
    return t.contains(phrase, Qt::CaseInsensitive);
}

// GetItemText's rule (the first item of that name, whatever its case),
// without building the list of items.
bool estTrouve(const notes::Document& document, const QString& phrase) {
    return contient(document.itemValue(QStringLiteral("Subject")), phrase) ||
           contient(document.itemValue(QStringLiteral("Body")), phrase);
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
    if (const notes::ViewPtr all = bal->searchCandidates(phrase)) {
        for (notes::DocumentPtr doc = all->getFirstDocument(); doc;
             doc = all->getNextDocument(*doc)) {
            fenetre.laisserEvenements();
            if (!lireSiPresent(*bal, *doc, [&] { return estTrouve(*doc, phrase); })) continue;
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
