#include "maintenance/maintenance.h"

#include <QScopedValueRollback>
#include <QTimer>

#include "core/keys.h"
#include "maintenance/archivage.h"
#include "maintenance/date_limite.h"
#include "maintenance/recherche.h"

namespace vantor {
namespace {

constexpr int kIntervalleScan = 30000;

const QString kErreur = QStringLiteral("ERREUR");
const QString kArchivage = QStringLiteral("ARCHIVAGE");
const QString kArchivageEnCours = QStringLiteral("Archivage en cours");
const QString kRechercheEnCours = QStringLiteral("Recherche en cours");
// The tray entries' captions, the same before, after and after a failure.
const QString kCaptionArchiver = QStringLiteral("Archivage");
const QString kCaptionRechercher = QStringLiteral("Rechercher");
const QString kNoteLog = QStringLiteral(" (voir erreur_log.txt)");

bool slotValide(int slot) {
    return slot >= 0 && slot < keys::kSlots;
}

QString description(const std::exception& e) {
    if (const auto* f = dynamic_cast<const Failure*>(&e)) return f->description();
    return QString::fromLocal8Bit(e.what());
}

QString messageArchivage(const BilanArchivage& bilan) {
    QString texte = QString::number(bilan.archives) + QStringLiteral(" document(s) archivé(s).") +
                    QStringLiteral("\r\n") + QStringLiteral("A présent, vider la corbeille.");
    if (!bilan.conserves.isEmpty()) {
        texte += QStringLiteral("\r\n\r\n") + QString::number(bilan.conserves.size()) +
                 QStringLiteral(
                     " document(s) conservé(s) dans la boîte : leur copie dans l'archive "
                     "n'a pas pu être vérifiée") +
                 kNoteLog + QLatin1Char('.');
    }
    return texte;
}

}  // namespace

bool Maintenance::refuserSiEnCours(const QString& titre) {
    if (!enCours_) return false;
    m_.dialogs->msgBox(QStringLiteral("Un archivage ou une recherche est déjà en cours."),
                       msg::kExclamation, titre);
    return true;
}

void Maintenance::CmdArchive_Click(int slot) {
    if (!slotValide(slot) || refuserSiEnCours(kArchivage)) return;
    // Cleared however the run ends.
    const QScopedValueRollback<bool> enCours(enCours_, true);
    const std::optional<QDate> limite = dateLimite(fenetre_.texteDateArchive(slot));
    if (!limite) {
        m_.dialogs->msgBox(QStringLiteral("Date incorrecte."), msg::kCritical, kErreur);
        return;
    }
    const int reponse =
        m_.dialogs->msgBox(QStringLiteral("Supprimer les documents de la base source ?"),
                           msg::kYesNoCancelDefaultNo, kArchivage);
    if (reponse != msg::kYes && reponse != msg::kNo) return;

    fenetre_.setCaption(kArchivageEnCours);
    fenetre_.setCaptionArchiver(kArchivageEnCours);
    fenetre_.afficherActivite(kArchivageEnCours);
    fenetre_.laisserEvenements();
    QTimer& timer = fenetre_.TimerScan();
    timer.stop();

    BilanArchivage bilan;
    try {
        bilan = archiver(m_, fenetre_, slot, *limite, reponse == msg::kYes);
    } catch (const std::exception& e) {
        echecArchivage(description(e));
        return;
    }
    timer.setInterval(kIntervalleScan);
    timer.start();
    fenetre_.setCaption(kTitre);
    fenetre_.setCaptionArchiver(kCaptionArchiver);
    fenetre_.retablirEtat();
    fenetre_.laisserEvenements();
    for (const QString& document : bilan.conserves) {
        m_.LogErreur(QStringLiteral(
                         "Archivage : le document %1 reste dans la boîte, sa copie dans l'archive "
                         "est absente ou différente.")
                         .arg(document));
    }
    m_.dialogs->msgBox(messageArchivage(bilan),
                       bilan.conserves.isEmpty() ? msg::kInformation : msg::kExclamation,
                       kArchivage);
}

void Maintenance::echecArchivage(const QString& description) {
    m_.LogErreur(description);
    m_.dialogs->msgBox(description, msg::kCritical, kErreur);
    QTimer& timer = fenetre_.TimerScan();
    timer.setInterval(kIntervalleScan);
    timer.stop();
    fenetre_.setCaptionArchiver(kCaptionArchiver);
    fenetre_.setCaption(kTitre);
    fenetre_.noterArret(QStringLiteral("archivage interrompu : ") + description.left(120) +
                        kNoteLog);
    fenetre_.retablirEtat();
}

void Maintenance::CmdRecherche_Click(int slot) {
    if (!slotValide(slot) || refuserSiEnCours(QStringLiteral("RECHERCHER"))) return;
    // Cleared however the run ends.
    const QScopedValueRollback<bool> enCours(enCours_, true);
    QTimer& timer = fenetre_.TimerScan();
    timer.stop();
    const QString phrase =
        phraseCherchee(m_.dialogs->inputBox(QStringLiteral("Saisissez la phrase à rechercher:"),
                                            QStringLiteral("RECHERCHER"), QString()));
    if (phrase.isEmpty()) {
        timer.start();
        return;
    }

    fenetre_.setCaptionRechercher(kRechercheEnCours);
    fenetre_.setCaption(kRechercheEnCours);
    fenetre_.afficherActivite(kRechercheEnCours);
    fenetre_.laisserEvenements();

    std::optional<int> trouves;
    try {
        trouves = rechercher(m_, fenetre_, slot, phrase);
    } catch (const std::exception& e) {
        echecRecherche(description(e));
        return;
    }
    if (!trouves) {
        m_.dialogs->msgBox(QStringLiteral("Merci de créer d'abord un dossier nommé : Recherche"),
                           msg::kExclamation, kErreur);
        fenetre_.setCaptionRechercher(kCaptionRechercher);
        fenetre_.setCaption(kTitre);
        fenetre_.noterArret(
            QStringLiteral("la boîte %1 n'a pas de dossier Recherche").arg(m_.FichierBAL));
        fenetre_.retablirEtat();
        return;
    }
    fenetre_.setCaptionRechercher(kCaptionRechercher);
    fenetre_.setCaption(kTitre);
    fenetre_.retablirEtat();
    fenetre_.laisserEvenements();
    if (*trouves > 0) {
        // Empty: the desktop's viewer comes forward by itself.
        const QString titre = m_.notes->clientWindowTitle(m_.ServeurBAL);
        if (!titre.isEmpty() && !fenetre_.amenerAuPremierPlan(titre)) {
            echecRecherche(
                QStringLiteral("La fenêtre %1 est introuvable : le dossier Recherche de la "
                               "boîte %2 n'a pas pu être montré.")
                    .arg(titre, m_.FichierBAL));
            return;
        }
    } else {
        m_.dialogs->msgBox(QStringLiteral("Aucun document trouvé"), msg::kInformation,
                           QStringLiteral("RECHERCHE TERMINEE"));
    }
    timer.start();
}

void Maintenance::echecRecherche(const QString& description) {
    m_.LogErreur(description);
    fenetre_.setCaptionRechercher(kCaptionRechercher);
    fenetre_.setCaption(kTitre);
    fenetre_.TimerScan().stop();
    fenetre_.noterArret(QStringLiteral("recherche interrompue : ") + description.left(120) +
                        kNoteLog);
    fenetre_.retablirEtat();
}

}  // namespace vantor
