// The tray record, the Go and Quit commands, automatic watching, and one
// message from delivery to popup.
#include <QtCore/qtestsupport_core.h>

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "about/frm_about.h"
#include "app/systray.h"
#include "app_fixture.h"
#include "core/keys.h"
#include "core/password.h"
#include "core/artwork.h"
#include "watch/frm_msg.h"

namespace vantor::test {
namespace {

using TrayTest = AppFixture;

TEST_F(TrayTest, OneIconRecordAddedOnceAndDeletedHarmlesslyWhenAbsent) {
    demarrer();
    Systray& tray = *w->systray();
    EXPECT_EQ(tray.data().cbSize, 0u);  // all zeros before the first hide-to-tray
    EXPECT_FALSE(tray.Shell_NotifyIcon(NIM_DELETE, tray.data()));
    EXPECT_FALSE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));
    tray.remplir(w->windowIcon(), kTitre);
    EXPECT_EQ(tray.data().tip(), "Vantor");
    EXPECT_TRUE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));
    EXPECT_FALSE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));
    EXPECT_TRUE(tray.Shell_NotifyIcon(NIM_DELETE, tray.data()));
    EXPECT_FALSE(tray.iconePresente());
    tray.remplir(QIcon(), QString(100, QLatin1Char('x')));
    EXPECT_EQ(tray.data().tip().size(), 63);
}

TEST_F(TrayTest, IconClicksShowTheWindowOrTheMenuAndOtherClicksDoNothing) {
    demarrer();
    Systray& tray = *w->systray();
    tray.remplir(w->windowIcon(), kTitre);
    ASSERT_TRUE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));
    w->hide();
    emit tray.icone()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(w->isVisible());
    emit tray.icone()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(w->isVisible());
    // Maximised or minimised, the window comes back in its normal state.
    w->showMaximized();
    w->hide();
    emit tray.icone()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowState(), Qt::WindowNoState);
    w->setWindowState(Qt::WindowMinimized);
    w->hide();
    emit tray.icone()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowState(), Qt::WindowNoState);
    w->hide();
    emit tray.icone()->activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(w->mnu_menu->isVisible());
    EXPECT_FALSE(w->isVisible());
    w->mnu_menu->hide();
    // "Paramètres" shows the window; the watch goes on.
    w->mnu_param->trigger();
    EXPECT_TRUE(w->isVisible());
}

// The icon is there from the start here, as the offscreen screen has no
// notification area for the window's own commands to add it to.
TEST_F(TrayTest, IconTellsTheTruthInEveryStateOfTheWatch) {
    boiteJoignable();
    demarrer();
    Systray& tray = *w->systray();
    tray.remplir(w->windowIcon(), kTitre);
    ASSERT_TRUE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));
    const auto grise = [&] {
        return tray.icone()->icon().pixmap(32).toImage() ==
               w->windowIcon().pixmap(32, QIcon::Disabled).toImage();
    };

    w->show();
    w->showMinimized();
    EXPECT_EQ(tray.icone()->toolTip(), QStringLiteral("Vantor - surveillance non lancée"));
    EXPECT_TRUE(grise());

    w->CmdGO_Click();
    EXPECT_EQ(tray.icone()->toolTip(), "Vantor");
    EXPECT_FALSE(grise());

    w->TxtBAL[2]->setText("mail\\absente.nsf");
    w->txtServeur[2]->setText(kServeur);
    w->CmdGO_Click();
    EXPECT_FALSE(w->TimerScan.isActive());
    EXPECT_EQ(tray.icone()->toolTip(),
              QStringLiteral("Vantor - surveillance arrêtée : la boîte 3 n'est pas accessible"));
    EXPECT_TRUE(grise());

    w->TxtBAL[2]->clear();
    w->CmdGO_Click();
    EXPECT_EQ(tray.icone()->toolTip(), "Vantor");
    tool({QStringLiteral("server-down"), kServeur});
    w->TimerScan_Timer();
    EXPECT_FALSE(w->TimerScan.isActive());
    EXPECT_TRUE(
        tray.icone()->toolTip().startsWith(QStringLiteral("Vantor - surveillance arrêtée : ")));
    EXPECT_TRUE(tray.icone()->toolTip().endsWith(QStringLiteral(" (voir erreur_log.txt)")));
    EXPECT_TRUE(grise());

    tool({QStringLiteral("server-up"), kServeur});
    w->CmdGO_Click();
    EXPECT_EQ(tray.icone()->toolTip(), "Vantor");
    EXPECT_FALSE(grise());

    // A run shows its progress whatever the timer does, then one call puts the truth back.
    tray.afficherActivite(artwork::iconePopup(), QStringLiteral("Archivage en cours"));
    w->TimerScan.stop();
    EXPECT_EQ(tray.icone()->toolTip(), QStringLiteral("Archivage en cours"));
    tray.noterArret(QStringLiteral("Base d'archive introuvable"));
    tray.retablirEtat();
    EXPECT_EQ(tray.icone()->toolTip(),
              QStringLiteral("Vantor - surveillance arrêtée : Base d'archive introuvable"));
    EXPECT_TRUE(grise());
    EXPECT_EQ(tray.etat(), EtatSurveillance::Arretee);

    // A mailbox whose server is unreachable is named while the watch goes on.
    w->CmdGO_Click();
    tray.noterInjoignables({QStringLiteral("BAL 2 (imaps://jean@mail.example.com)")});
    EXPECT_EQ(tray.icone()->toolTip(),
              QStringLiteral("Vantor - injoignable : BAL 2 (imaps://jean@mail.example.com)"));
    EXPECT_FALSE(grise());
}

TEST_F(TrayTest, GoTwiceThenQuitSavesEverythingAndEnds) {
    ecrireIni("[PARAM]\r\nDELAI=20\r\n");
    demarrer();
    w->show();
    w->CmdGO_Click();
    EXPECT_TRUE(w->TimerScan.isActive());
    EXPECT_EQ(w->TimerScan.interval(), 65000);
    w->CmdGO_Click();
    EXPECT_TRUE(w->TimerScan.isActive());
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // No notification area: said once, and the window stays reachable.
        EXPECT_EQ(journal().count(QStringLiteral("Zone de notification")), 1);
        EXPECT_TRUE(w->isVisible());
    }
    env.advance(60000);
    w->CmdQuit->click();
    EXPECT_EQ(fins, 1);
    EXPECT_FALSE(w->systray()->iconePresente());
    const QByteArray saved = ini();
    EXPECT_TRUE(saved.startsWith("[PARAM]\r\nDELAI=20\r\nDATE_VISU="));
    EXPECT_TRUE(saved.contains("DATE_VISU=" + dateVisu() + "\r\n"));
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(saved.contains(keys::bal(i).toLatin1() + "=\r\n")) << i;
    EXPECT_TRUE(saved.endsWith(
        "AUTO=0\r\nLOGOFF=0\r\nAUTONOTES=0\r\nCOULEUR=C0DDDD\r\nHEIGHT=2325\r\nWIDTH=8470\r\n"));
}

TEST_F(TrayTest, AutoStartWatchesAtOnceAboutShowsOneModelessBoxAndTheCloseBoxQuits) {
    ecrireIni("[PARAM]\r\nAUTO=1\r\n");
    demarrer();
    EXPECT_TRUE(w->ChkAutoScan->isChecked());
    EXPECT_TRUE(w->TimerScan.isActive());

    w->show();
    w->CmdApropos->click();
    w->CmdApropos->click();
    const auto boites = w->findChildren<frmAbout*>();
    ASSERT_EQ(boites.size(), 1);
    EXPECT_TRUE(boites[0]->isVisible());
    EXPECT_FALSE(boites[0]->isModal());
    EXPECT_TRUE(w->isEnabled());

    w->close();
    EXPECT_EQ(fins, 1);
    EXPECT_TRUE(ini().contains("AUTO=1\r\n"));
    EXPECT_TRUE(ini().contains("COULEUR=C0DDDD\r\n")) << "everything saved";
}

TEST_F(TrayTest, DeliveredMessageReachesThePopupAndMovesDateVisu) {
    boiteJoignable("DELAI=5\r\n");
    demarrer();
    w->CmdGO_Click();
    EXPECT_EQ(dialogs.count("ERREUR"), 0);
    tool.deliver(kServeur, "mail\\jdupont.nsf", "Marie Curie", QStringLiteral("Résultats"),
                 QStringLiteral("Voici les chiffres."));

    // The user reads the popup, then closes it with its close button.
    QString vu;
    QTimer lecteur;
    QObject::connect(&lecteur, &QTimer::timeout, [&] {
        FrmMsg* p = w->popup();
        if (!p->isVisible()) return;
        vu = p->LblBAL->text() + "|" + p->LblFrom->text() + "|" + p->LblSubject->text() + "|" +
             p->LblBody->text();
        p->CmdFermer->click();
    });
    lecteur.start(20);
    env.advance(120000);
    w->TimerScan_Timer();
    EXPECT_EQ(vu, QStringLiteral("mail\\jdupont.nsf|Marie Curie|Résultats|Voici les chiffres."));
    EXPECT_FALSE(w->popup()->isVisible());
    EXPECT_TRUE(ini().contains("DATE_VISU=" + dateVisu() + "\r\n"));
    EXPECT_EQ(w->TimerScan.interval(), 30000);
    EXPECT_TRUE(w->TimerScan.isActive());
    EXPECT_TRUE(journal().isEmpty() || journal().contains("Zone de notification"))
        << journal().toStdString();
}

// A server that announces new mail is scanned without waiting for the timer:
// at once when the watch is idle, right after the scan under way otherwise.
TEST_F(TrayTest, AnnouncedMailIsScannedAtOnceOrRightAfterTheRunningScan) {
    boiteJoignable();
    // The user's own message: walked by every scan, never presented.
    tool.deliver(kServeur, "mail\\jdupont.nsf", "Jean Dupont/Vantor", "Envoyé", "Texte");
    demarrer();
    w->CmdGO_Click();
    const auto scanFini = [&] {
        return QTest::qWaitFor([&] { return ini().contains("DATE_VISU=" + dateVisu() + "\r\n"); },
                               20000);
    };

    env.advance(60000);
    w->nouveauCourrier();
    EXPECT_TRUE(scanFini());

    bool annonce = false;
    w->laisserEvenements = [&] {
        if (!annonce) {
            annonce = true;
            env.advance(60000);
            w->nouveauCourrier();
        }
        QCoreApplication::processEvents();
    };
    w->TimerScan_Timer();
    EXPECT_TRUE(annonce);
    EXPECT_TRUE(scanFini());
    EXPECT_TRUE(w->TimerScan.isActive());
}

}  // namespace
}  // namespace vantor::test
