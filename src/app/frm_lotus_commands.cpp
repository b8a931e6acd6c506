// The main commands: watching, hiding to the tray, quitting.
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <cerrno>
#include <cstdio>

#include "about/frm_about.h"
#include "app/frm_lotus.h"
#include "app/systray.h"
#include "platform/autostart.h"
#include "watch/frm_msg.h"
#include "watch/scan_bal.h"

namespace vantor {

void FrmLOTUS::CmdSave_Click() {
    CmdGO->setEnabled(false);
    CmdApropos->setEnabled(false);
    CmdQuit->setEnabled(false);
    const bool ok = SaveParam(true);
    // A password that could not be stored was reported on its own: no success then.
    if (ok && !motDePasseRefuse_) {
        m_.dialogs->msgBox(QStringLiteral("Paramétres enregistrés"), msg::kInformation,
                           QStringLiteral("SAUVEGARDE"));
    }
    CmdGO->setEnabled(true);
    CmdApropos->setEnabled(true);
    CmdQuit->setEnabled(true);
}

void FrmLOTUS::ChkAutoSession_Click() {
    Env& env = *m_.env;
    const bool ok = ChkAutoSession->isChecked()
                        ? enableAutostart(env, cheminLancementSession, autostartCommand(env))
                        : disableAutostart(env, cheminLancementSession);
    if (ok) return;
    const QString cause = describeFileError(errno);
    // The box says what the desktop will do, whatever was asked.
    ChkAutoSession->setChecked(autostartEnabled(env, cheminLancementSession));
    const QString texte =
        QStringLiteral("Le lancement à l'ouverture de session n'a pas pu être modifié (%1) : %2")
            .arg(cheminLancementSession, cause);
    m_.LogErreur(texte);
    m_.dialogs->msgBox(texte, msg::kCritical, QStringLiteral("ERREUR"));
}

void FrmLOTUS::CmdApropos_Click() {
    montrerAPropos(this);
}

void FrmLOTUS::minimize() {
    // Without a notification area the window would be lost: it stays in the taskbar.
    if (!systray_->zoneDisponible()) {
        systray_->masquerALArrivee();
        showMinimized();
        return;
    }
    systray_->remplir(windowIcon(), kTitre);
    systray_->Shell_NotifyIcon(NIM_ADD, systray_->data());
    hide();
}

void FrmLOTUS::montrerAuPremierPlan() {
    // Back to the normal state, from minimised or maximised alike.
    setWindowState(Qt::WindowNoState);
    show();
    raise();
    activateWindow();
}

void FrmLOTUS::CmdGO_Click() {
    minimize();
    if (!TimerScan.isActive()) TimerScan.start();
    SaveParam(true);
}

void FrmLOTUS::TimerScan_Timer() {
    ScanHooks hooks;
    hooks.montrerParametres = [this] { montrerAuPremierPlan(); };
    hooks.surveillanceArretee = [this](const QString& raison) {
        systray_->noterArret(raison.left(120) + QStringLiteral(" (voir erreur_log.txt)"));
    };
    if (laisserEvenements) hooks.laisserEvenements = laisserEvenements;
    hooks.boitesInjoignables = [this](const QStringList& boites) {
        systray_->noterInjoignables(boites);
    };
    ScanBAL(m_, TimerScan, *frmMsg_, hooks);
    if (scanApres_ && !m_.scanEnCours) {
        scanApres_ = false;
        nouveauCourrier();
    }
}

void FrmLOTUS::nouveauCourrier() {
    if (m_.scanEnCours) {
        scanApres_ = true;
        return;
    }
    // Not watching, or an archiving or a search holds the timer: the next
    // tick finds the mail.
    if (!TimerScan.isActive()) return;
    // Posted, not run inside whatever called the listener.
    QTimer::singleShot(0, this, [this] {
        if (TimerScan.isActive() && !m_.scanEnCours) TimerScan_Timer();
    });
}

void FrmLOTUS::quitter() {
    if (enDechargement_) return;
    enDechargement_ = true;
    systray_->Shell_NotifyIcon(NIM_DELETE, systray_->data());
    SaveParam(false);
    if (finProgramme) {
        finProgramme();
        return;
    }
    // No further event may run, not even a scan waiting on the popup; the
    // settings just saved reach the disk first.
    m_.env->flushPendingReplacements();
    std::fflush(nullptr);
    ::_exit(0);
}

void FrmLOTUS::closeEvent(QCloseEvent* event) {
    // The close box quits exactly as "Quitter"; it does not hide to the tray.
    event->accept();
    quitter();
}

void FrmLOTUS::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (isMinimized() && systray_->zoneDisponible()) {
        // Minimising also adds the icon, so that the window can come back.
        systray_->remplir(windowIcon(), kTitre);
        systray_->Shell_NotifyIcon(NIM_ADD, systray_->data());
        hide();
    } else if (isMinimized()) {
        systray_->masquerALArrivee();
    }
    QCoreApplication::processEvents();
}

}  // namespace vantor
