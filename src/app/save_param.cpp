// Saving the settings window, with a check of every configured mailbox.
#include <optional>

#include "actions/charge_dossiers.h"
#include "app/frm_lotus.h"
#include "app/systray.h"
#include "core/password.h"
#include "core/settings.h"
#include "watch/frm_msg.h"

namespace vantor {
namespace {

const QString kInvitePasse = QStringLiteral("Mot de passe LOTUS");
const QString kTitrePasse = QStringLiteral("ACCES A LOTUS");

void montrer(QAction* a, const QString& caption) {
    a->setText(caption);
    a->setVisible(true);
}

// Why the watch stopped, for the tray icon's tip: the slots as the user numbers them.
QString raisonArret(const QStringList& numeros) {
    if (numeros.size() == 1)
        return QStringLiteral("la boîte %1 n'est pas accessible").arg(numeros[0]);
    return QStringLiteral("les boîtes %1 ne sont pas accessibles")
        .arg(numeros.join(QStringLiteral(", ")));
}

}  // namespace

bool FrmLOTUS::SaveParam(const bool& bParam) {
    // Every step is attempted. A failure before the mailbox checks is cleared
    // with the session's: it shows only as the checks failing.
    motDePasseRefuse_ = false;

    // 1-2.
    m_.ecrireParam(keys::kDelai, cbDelai->currentText());
    if (const auto crypte = CrypteMotDePasse(txtPassLOTUS->text())) {
        m_.ecrireParam(keys::kPassword, *crypte);
    } else {
        // The previous password stays stored; the user must know it was not saved.
        motDePasseRefuse_ = true;
        m_.LogErreur(
            QStringLiteral("Mot de passe non enregistré : il contient un caractère qui "
                           "ne peut pas être crypté. L'ancien mot de passe est conservé."));
        m_.dialogs->msgBox(QStringLiteral("Le mot de passe n'a pas été enregistré : il contient un "
                                          "caractère qui ne peut pas être crypté.") +
                               QStringLiteral("\r\n") +
                               QStringLiteral("L'ancien mot de passe est conservé."),
                           msg::kCritical, QStringLiteral("ERREUR"));
    }

    // 3-8.
    bool result = true;
    notes::SessionPtr session;
    // Why no mailbox can open, when the session itself failed.
    std::optional<Failure> echecSession;
    try {
        session = m_.notes->createBackendSession();
    } catch (const Failure& f) {
        // No mail client: every configured mailbox is reported below.
        echecSession = f;
    }
    m_.MotDePasse = motDePasseStocke(m_.lireParam(keys::kPassword, QString()));
    if (m_.MotDePasse.isEmpty())
        m_.MotDePasse = m_.dialogs->inputBox(kInvitePasse, kTitrePasse, QString());
    if (session) {
        try {
            session->initialize(m_.MotDePasse);
        } catch (const Failure& f) {
            // Not reported here: it makes every mailbox check below fail.
            echecSession = f;
        }
    }
    // 9.
    mnu_rechercher->menuAction()->setVisible(false);
    mnu_archiver->menuAction()->setVisible(false);

    // 10.
    QStringList inaccessibles;
    for (int i = 0; i < keys::kSlots; ++i) {
        m_.ecrireParam(keys::bal(i), TxtBAL[i]->text());
        m_.ecrireParam(keys::balArchive(i), TxtBALArchive[i]->text());
        m_.ecrireParam(keys::dateArchive(i), txtDateArchive[i]->text());
        m_.ecrireParam(keys::serveur(i), txtServeur[i]->text());

        m_.FichierBAL = m_.lireParam(keys::bal(i), QString());
        m_.ServeurBAL = m_.lireParam(keys::serveur(i), QString());
        if (m_.ServeurBAL.toLower() == QStringLiteral("local")) m_.ServeurBAL.clear();

        if (i != 0) {
            mnu_rech_bal[i]->setVisible(false);
            mnu_archive_bal[i]->setVisible(false);
        }
        CmdRecherche[i]->setVisible(false);
        CmdArchive[i]->setVisible(false);

        if (!m_.FichierBAL.isEmpty()) {
            bool ouverte = false;
            QString raison;
            try {
                // The session's own failure says why better than its consequences.
                if (echecSession) throw *echecSession;
                notes::DbDirectoryPtr dir = session->getDbDirectory(m_.ServeurBAL);
                notes::DatabasePtr db = dir->openDatabase(m_.FichierBAL, false);
                ouverte = db != nullptr;
            } catch (const Failure& f) {
                raison = f.description();
            }
            if (!ouverte) {
                const QString constat = QStringLiteral("Attention, la boite ") +
                                        QString::number(i + 1) + QStringLiteral(" :") +
                                        TxtBAL[i]->text() +
                                        QStringLiteral(" n'est pas accessible.");
                m_.LogErreur(raison.isEmpty() ? constat : constat + QLatin1Char(' ') + raison);
                if (!raison.isEmpty()) raison += QStringLiteral("\r\n");
                m_.dialogs->msgBox(constat + QStringLiteral("\r\n") + raison +
                                       QStringLiteral("Vous devez modifier vos paramètres."),
                                   msg::kCritical, QStringLiteral("ERREUR"));
                TimerScan.stop();
                inaccessibles << QString::number(i + 1);
                show();
                result = false;
            } else {
                mnu_rechercher->menuAction()->setVisible(true);
                mnu_archiver->menuAction()->setVisible(true);
                montrer(mnu_rech_bal[i], TxtBAL[i]->text());
                CmdRecherche[i]->setVisible(true);
                if (!TxtBALArchive[i]->text().isEmpty()) {
                    montrer(mnu_archive_bal[i], TxtBAL[i]->text());
                    CmdArchive[i]->setVisible(true);
                }
            }
        }
        if (bParam) {
            PendantCollecte pendant;
            pendant.laisserEvenements = laisserEvenements;
            if (frmMsg_)
                pendant.relanceTimerFermeture = [this] { frmMsg_->relanceTimerFermeture(); };
            ChargeDossiers(m_, listeDossiers_, i, pendant);
        }
    }
    if (!inaccessibles.isEmpty()) systray_->noterArret(raisonArret(inaccessibles));

    // 11-13.
    m_.ecrireParam(keys::kAuto, QString::number(ChkAutoScan->isChecked() ? 1 : 0));
    m_.ecrireParam(keys::kLogoff, QString::number(ChkAutoLogOff->isChecked() ? 1 : 0));
    m_.ecrireParam(keys::kAutoNotes, QString::number(ChkAutoNotes->isChecked() ? 1 : 0));
    m_.ecrireParam(keys::kCouleur, txtCouleur->text());
    m_.ecrireParam(keys::kHeight, TxtHeight->text());
    m_.ecrireParam(keys::kWidth, TxtWidth->text());
    m_.ecrireParam(keys::kDateVisu, texteDateHeure(m_.env->now()));

    // 14. The session and the directory go with this scope.
    return result;
}

}  // namespace vantor
