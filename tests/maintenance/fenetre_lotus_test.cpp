// The settings window's buttons and tray entries run the maintenance
// commands, and its captions and tray icon follow each run and the watch.
#include <QTimer>

#include "app/app_fixture.h"
#include "app/systray.h"
#include "maintenance/maintenance.h"

namespace vantor::test {
namespace {

using FenetreLOTUSTest = AppFixture;

TEST_F(FenetreLOTUSTest, ButtonsAndTrayEntriesRunTheCommandsAndTheIconFollowsTheWatch) {
    boiteJoignable();
    tool({QStringLiteral("create-database"), QStringLiteral("--server"), QStringLiteral("local"),
          QStringLiteral("--file"), QStringLiteral("archive\\jdupont.nsf"),
          QStringLiteral("--user"), QStringLiteral("Jean Dupont/Vantor")});
    tool.deliver(kServer, QStringLiteral("mail\\jdupont.nsf"), QStringLiteral("Marie Curie"),
                 QStringLiteral("Ancien"), QStringLiteral("Bonjour"),
                 {QStringLiteral("--created"), QStringLiteral("2007-01-05 10:00:00")});
    demarrer();
    w->TxtBALArchive[0]->setText(QStringLiteral("archive\\jdupont.nsf"));
    w->txtDateArchive[0]->setText(QStringLiteral("15/03/2008"));
    w->CmdGO_Click();
    ASSERT_TRUE(w->TimerScan.isActive());
    Systray& tray = *w->systray();
    const auto bulle = [&] {
        return tray.iconePresente() ? tray.icone()->toolTip() : QStringLiteral("<aucune>");
    };
    QStringList pendant;
    w->laisserEvenements = [&] {
        if (pendant.isEmpty()) pendant << w->windowTitle() << w->mnu_archiver->title() << bulle();
    };

    dialogs.msgAnswers = {msg::kNo};
    w->CmdArchive[0]->click();
    EXPECT_EQ(pendant,
              QStringList({"Archivage en cours", "Archivage en cours", "Archivage en cours"}));
    EXPECT_EQ(w->mnu_archiver->title(), QStringLiteral("Archivage"));
    EXPECT_EQ(bulle(), QStringLiteral("Vantor"));

    w->TxtBALArchive[0]->setText(QStringLiteral("archive\\absente.nsf"));
    dialogs.msgAnswers = {msg::kNo};
    w->mnu_archive_bal[0]->trigger();
    EXPECT_EQ(dialogs.shown.back().title, QStringLiteral("ERREUR"));
    EXPECT_TRUE(bulle().startsWith(
        QStringLiteral("Vantor - surveillance arrêtée : archivage interrompu : ")))
        << bulle().toStdString();

    // No folder "Recherche": the watch stays paused and the icon says why.
    dialogs.inputAnswers = {QStringLiteral("ancien")};
    w->CmdRecherche[0]->click();
    EXPECT_THAT(bulle(), QHasSubstr(QStringLiteral("n'a pas de dossier Recherche")));

    // Cancelling the phrase resumes the watch, and the icon says so.
    w->mnu_rech_bal[0]->trigger();
    EXPECT_TRUE(w->TimerScan.isActive());
    EXPECT_EQ(bulle(), QStringLiteral("Vantor"));
}

}  // namespace
}  // namespace vantor::test
