// The tray record and its tooltip, the Go and Quit commands, automatic
// watching, and mail announced by the server.
#include <QtCore/qtestsupport_core.h>

#include <QCoreApplication>

#include "app/systray.h"
#include "app_fixture.h"

namespace vantor::test {
namespace {

using TrayTest = AppFixture;

// The icon is there from the start (offscreen: no notification area to wait for);
// its one record is added once and deleted harmlessly when absent.
TEST_F(TrayTest, IconTellsTheTruthInEveryStateOfTheWatch) {
    boiteJoignable();
    demarrer();
    Systray& tray = *w->systray();
    EXPECT_FALSE(tray.Shell_NotifyIcon(NIM_DELETE, tray.data()));
    EXPECT_FALSE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));  // all zeros before it is filled
    tray.remplir(w->windowIcon(), kTitre);
    ASSERT_TRUE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));
    EXPECT_FALSE(tray.Shell_NotifyIcon(NIM_ADD, tray.data()));
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
    w->txtServeur[2]->setText(kServer);
    w->CmdGO_Click();
    EXPECT_EQ(tray.icone()->toolTip(),
              QStringLiteral("Vantor - surveillance arrêtée : la boîte 3 n'est pas accessible"));

    w->TxtBAL[2]->clear();
    w->CmdGO_Click();
    tool({QStringLiteral("server-down"), kServer});
    w->TimerScan_Timer();
    EXPECT_THAT(tray.icone()->toolTip().toStdString(),
                ::testing::AllOf(::testing::StartsWith("Vantor - surveillance arrêtée : "),
                                 ::testing::EndsWith(" (voir erreur_log.txt)")));
    EXPECT_TRUE(grise());

    tool({QStringLiteral("server-up"), kServer});
    // A mailbox whose server is unreachable is named while the watch goes on.
    w->CmdGO_Click();
    tray.noterInjoignables({QStringLiteral("BAL 2 (imaps://jean@mail.example.com)")});
    EXPECT_EQ(tray.icone()->toolTip(),
              QStringLiteral("Vantor - injoignable : BAL 2 (imaps://jean@mail.example.com)"));
    EXPECT_FALSE(grise());
    EXPECT_TRUE(tray.Shell_NotifyIcon(NIM_DELETE, tray.data()));
    tray.remplir(QIcon(), QString(100, QLatin1Char('x')));
    EXPECT_EQ(tray.data().tip().size(), 63);  // the record's tip holds 64 with its NUL
}

// Quit, the tray's or the close box, saves every key after the visit time.
TEST_F(TrayTest, AutoStartWatchesAtOnceGoTwiceKeepsWatchingAndClosingQuitsSavingEverything) {
    ecrireIni("[PARAM]\r\nDELAI=20\r\nAUTO=1\r\n");
    demarrer();
    EXPECT_TRUE(w->TimerScan.isActive());
    w->show();
    w->CmdGO_Click();
    w->CmdGO_Click();
    EXPECT_TRUE(w->TimerScan.isActive());
    env.advance(60000);
    w->close();
    EXPECT_EQ(fins, 1);
    EXPECT_FALSE(w->systray()->iconePresente());
    EXPECT_TRUE(ini().startsWith("[PARAM]\r\nDELAI=20\r\nAUTO=1\r\nDATE_VISU=" + dateVisu()));
    EXPECT_TRUE(ini().endsWith(
        "LOGOFF=0\r\nAUTONOTES=0\r\nCOULEUR=C0DDDD\r\nHEIGHT=2325\r\nWIDTH=8470\r\n"));
}

// A server that announces new mail is scanned without waiting for the timer:
// at once when the watch is idle, right after the scan under way otherwise.
TEST_F(TrayTest, AnnouncedMailIsScannedAtOnceOrRightAfterTheRunningScan) {
    boiteJoignable();
    // The user's own message: walked by every scan, never presented.
    tool.deliver(kServer, kMailbox, kUser, "Envoyé", "Texte");
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
}

}  // namespace
}  // namespace vantor::test
