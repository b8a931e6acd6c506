// Start-up: the load event of the main window.
#include <QCoreApplication>
#include <QGuiApplication>

#include "actions/actions_message.h"
#include "app/frm_lotus.h"
#include "app/notes_preparation.h"
#include "core/password.h"
#include "core/settings.h"
#include "platform/autostart.h"
#include "platform/qt_platform.h"
#include "watch/frm_msg.h"

namespace vantor {
namespace {

const QString kMessagePremierLancement =
    QStringLiteral("Pour pouvoir utiliser le moteur de recherche, ") + QStringLiteral("\r\n") +
    QStringLiteral("vous devez crééer un dossier dans chacune de vos boites aux lettres LOTUS") +
    QStringLiteral("\r\n") + QStringLiteral("nommé : Recherche");

// A check-box state read from the file: "0" or "1", blanks allowed.
std::optional<Qt::CheckState> etatCase(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || (v != 0 && v != 1)) return std::nullopt;
    return v == 1 ? Qt::Checked : Qt::Unchecked;
}

}  // namespace

void FrmLOTUS::Form_Load() {
    Env& env = *m_.env;

    // 1-2. The settings path; file queries go through Env.
    m_.CheminParam = CheminParamDe(m_.dossierProgramme);
    // Temporary copies of param.ini left by a write that a crash interrupted.
    env.removeReplaceLeftovers(m_.CheminParam);

    // 3. First run.
    if (!env.fileExists(m_.CheminParam)) {
        m_.ecrireParam(keys::kDateVisu, texteDateHeure(env.now()));
        for (const auto& [key, value] : keys::nouveauFichier()) m_.ecrireParam(key, value);
        m_.dialogs->msgBox(kMessagePremierLancement, msg::kOkOnly + msg::kInformation,
                           QStringLiteral("INFORMATION"));
    }

    // What the display cannot do for the popup, said once per run.
    const QString limites = platformLimitations(QGuiApplication::platformName());
    if (!limites.isEmpty()) m_.LogErreur(limites);

    // 4. Attachments folder; a failure here must not stop the start-up.
    if (!env.folderExists(m_.cheminPJ()) && !env.createFolder(m_.cheminPJ())) {
        m_.LogErreur(QStringLiteral("Impossible de créer le dossier des pièces jointes %1")
                         .arg(m_.cheminPJ()));
    }

    // 5.
    mnu_rechercher->menuAction()->setVisible(false);

    // 6. Mailbox slots.
    for (int i = 0; i < keys::kSlots; ++i) {
        TxtBAL[i]->setText(m_.lireParam(keys::bal(i), QString()));
        TxtBALArchive[i]->setText(m_.lireParam(keys::balArchive(i), QString()));
        txtDateArchive[i]->setText(m_.lireParam(keys::dateArchive(i), QString()));
        txtServeur[i]->setText(m_.lireParam(keys::serveur(i), QString()));
        mnu_rech_bal[i]->setText(TxtBAL[i]->text());
        mnu_archive_bal[i]->setText(TxtBAL[i]->text());
        CmdRecherche[i]->setVisible(false);
        CmdArchive[i]->setVisible(false);
        if (TxtBAL[i]->text().isEmpty() && i != 1) {
            mnu_rech_bal[i]->setVisible(false);
            if (TxtBALArchive[i]->text().isEmpty()) mnu_archive_bal[i]->setVisible(false);
        }
    }

    // 7. Password; a stored value that cannot be unscrambled reads as none.
    const QString stocke = m_.lireParam(keys::kPassword, QString());
    const std::optional<QString> clair = DecrypteMotDePasse(stocke);
    if (!clair) {
        m_.LogErreur(QStringLiteral("Le mot de passe enregistré dans param.ini est illisible : "
                                    "il sera demandé."));
    }
    m_.MotDePasse = clair.value_or(QString());
    txtPassLOTUS->setText(m_.MotDePasse);

    // 8. Delay list.
    cbDelai->clear();
    for (int s = 1; s <= 60; ++s) cbDelai->addItem(QString::number(s));
    cbDelai->setCurrentText(m_.lireParam(keys::kDelai, keys::kDefautDelai));

    // 9. Colour; setting the text runs the preview too.
    txtCouleur->setText(m_.lireParam(keys::kCouleur, keys::kDefautCouleur));
    setCouleurFond(HexVersCouleur(txtCouleur->text()));

    // 10. Options; a value that is no check-box state leaves the box as it is.
    const std::pair<QCheckBox*, QString> options[] = {
        {ChkAutoScan, keys::kAuto}, {ChkAutoLogOff, keys::kLogoff}, {ChkAutoNotes, keys::kAutoNotes}};
    for (const auto& [box, key] : options) {
        const QString value = m_.lireParam(key, QStringLiteral("0"));
        if (const auto state = etatCase(value)) {
            box->setCheckState(*state);
        } else {
            m_.LogErreur(QStringLiteral("Valeur incorrecte pour l'option %1 dans param.ini : %2")
                             .arg(key, value.left(100)));
        }
    }

    // Starting at login is the desktop's entry, not a key of param.ini.
    ChkAutoSession->setChecked(autostartEnabled(env, cheminLancementSession));

    // 11. Sizes; their change rule replaces a value that is not a number.
    // A text equal to the field's raises no change event: apply the rule anyway.
    TxtWidth->setText(m_.lireParam(keys::kWidth, keys::kDefautWidth));
    if (!estNumerique(TxtWidth->text())) TxtWidth->setText(keys::kDefautWidth);
    TxtHeight->setText(m_.lireParam(keys::kHeight, keys::kDefautHeight));
    if (!estNumerique(TxtHeight->text())) TxtHeight->setText(keys::kDefautHeight);

    // 12.
    m_.ecrireParam(keys::kDateVisu, texteDateHeure(env.now()));

    // 13. The popup window, created once and left hidden.
    frmMsg_ = std::make_unique<FrmMsg>(m_);
    frmMsg_->setVisible(false);
    actions_ = std::make_unique<ActionsMessage>(m_, *frmMsg_, listeDossiers_);
    frmMsg_->setCommandes(actions_.get());

    // 14.
    m_.DocsAffiches = {QString()};

    // 15. The mail client's preparation.
    prepareClientNotes(m_, ChkAutoNotes->isChecked());

    // 16. Automatic watching.
    if (ChkAutoScan->checkState() == Qt::Checked) CmdGO_Click();
}

}  // namespace vantor
