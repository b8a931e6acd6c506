#include "actions/charge_dossiers.h"

#include <QCoreApplication>
#include <QSet>

#include "core/password.h"

namespace vantor {
namespace {

const QChar kSeparateur = QLatin1Char('\\');
// The run-time's code for a missing object.
constexpr std::int32_t kObjetNonDefini = 91;

void laisser(const PendantCollecte& pendant) {
    if (pendant.laisserEvenements) {
        pendant.laisserEvenements();
    } else {
        QCoreApplication::processEvents();
    }
}

// Every path that some folder lies below: each folder's path cut at each "\".
// A set of them answers "has a real subfolder" without comparing every
// folder with every other.
QSet<QString> cheminsParents(const QStringList& dossiers) {
    QSet<QString> parents;
    for (const QString& chemin : dossiers) {
        for (qsizetype p = chemin.indexOf(kSeparateur); p >= 0;
             p = chemin.indexOf(kSeparateur, p + 1))
            parents.insert(chemin.left(p));
    }
    return parents;
}

}  // namespace

ListeMenu listeDeDossiers(const QStringList& dossiers, const std::function<void()>& apresChaque) {
    const QSet<QString> parents = cheminsParents(dossiers);
    ListeMenu liste;
    liste.reserve(static_cast<std::size_t>(dossiers.size()) * 2);
    int prochainSoi = static_cast<int>(dossiers.size()) + 1;
    for (qsizetype i = 0; i < dossiers.size(); ++i) {
        const QString& chemin = dossiers[i];
        const bool aEnfants = parents.contains(chemin);
        liste.push_back(
            {NomFeuille(chemin), NombreNiveaux(chemin), chemin, static_cast<int>(i) + 1, aEnfants});
        if (aEnfants) {
            const QString soi = chemin + QStringLiteral("\\-");
            MenuItem entree{QStringLiteral("-"), NombreNiveaux(soi), soi, prochainSoi++, false};
            entree.Soi = true;
            liste.push_back(std::move(entree));
        }
        if (apresChaque) apresChaque();
    }
    return liste;
}

void ChargeDossiers(ModLOTUS& m, ListeDossiers& listes, int slot, const PendantCollecte& pendant) {
    if (slot < 0 || slot >= keys::kSlots) return;
    try {
        // A slot without a mailbox needs no session: asking for the password
        // for it would only repeat the prompt once per empty slot.
        m.FichierBAL = m.lireParam(keys::bal(slot), QString());
        if (m.FichierBAL.isEmpty()) {
            listes[slot].clear();
            return;
        }
        const notes::SessionPtr session = m.notes->createBackendSession();
        if (m.MotDePasse.isEmpty())
            m.MotDePasse = motDePasseStocke(m.lireParam(keys::kPassword, QString()));
        if (m.MotDePasse.isEmpty()) {
            m.MotDePasse = m.dialogs->inputBox(QStringLiteral("Mot de passe LOTUS"),
                                               QStringLiteral("ACCES A LOTUS"), QString());
        }
        session->initialize(m.MotDePasse);

        const notes::DatabasePtr db = session->getDatabase(m.ServeurBAL, m.FichierBAL);
        if (!db)
            throw Failure(kObjetNonDefini,
                          QStringLiteral("La boite %1 est introuvable.").arg(m.FichierBAL));
        if (!db->isOpen()) db->openMail();

        QStringList dossiers;
        for (const notes::ViewPtr& vue : db->views()) {
            const QString nom = vue->name();
            if (!nom.startsWith(QLatin1Char('(')) && !nom.endsWith(QLatin1Char(')')) &&
                vue->isFolder())
                dossiers << nom;
            laisser(pendant);
        }
        ListeMenu liste = listeDeDossiers(dossiers, [&pendant] {
            if (pendant.relanceTimerFermeture) pendant.relanceTimerFermeture();
            laisser(pendant);
        });
        listes[slot] = std::move(liste);
    } catch (const Failure& f) {
        m.LogErreur(QStringLiteral("Calcul Menu - ") + f.description());
    } catch (const std::exception& e) {
        m.LogErreur(QStringLiteral("Calcul Menu - ") + QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace vantor
