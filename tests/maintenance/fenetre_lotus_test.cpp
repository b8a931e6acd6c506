// The settings window's button and tray entry run archiving, and its
// captions and tray icon follow the run and the watch.
#include <QTimer>

#include "app/app_fixture.h"
#include "app/systray.h"
#include "maintenance/maintenance.h"

namespace vantor::test {
namespace {

using FenetreLOTUSTest = AppFixture;

TEST_F(FenetreLOTUSTest, ButtonAndTrayEntryArchiveAndTheCaptionsAndIconFollowTheRun) {
    boiteJoignable();
    tool({"create-database", "--server", "local", "--file", "archive\\jdupont.nsf", "--user",
          kUser});
    tool.deliver(kServer, kMailbox, "Marie Curie", "Ancien", "b",
                 {"--created", "2007-01-05 10:00:00"});
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
    EXPECT_THAT(
        bulle(),
        QHasSubstr(QStringLiteral("Vantor - surveillance arrêtée : archivage interrompu : ")));
}

}  // namespace
}  // namespace vantor::test
