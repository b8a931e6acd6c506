// On a real X display, with the mail client running as a program of its
// own: a search with hits from the settings window shows the folder in the
// client and finds the "Lotus Notes" window among every program's windows.
#include "app/app_fixture.h"
#include "support/running_client.h"

namespace vantor::test {
namespace {

using RechercheAffichageTest = AppFixture;

TEST_F(RechercheAffichageTest, HitsAreShownInTheRunningClientBroughtToTheFront) {
    boiteJoignable();
    const QString bal = QStringLiteral("mail\\jdupont.nsf");
    tool({QStringLiteral("create-folder"), QStringLiteral("--server"), kServeur,
          QStringLiteral("--file"), bal, QStringLiteral("--folder"), QStringLiteral("Recherche")});
    tool.deliver(kServeur, bal, QStringLiteral("Marie Curie"), QStringLiteral("Budget 2008"),
                 QStringLiteral("Bonjour"));
    tool.deliver(kServeur, bal, QStringLiteral("Marie Curie"), QStringLiteral("Vacances"),
                 QStringLiteral("Bonjour"));
    RunningClient notes(joinPath(dir.path(), QStringLiteral("notesdata")),
                        {QStringLiteral("--minimized")});
    ASSERT_TRUE(notes.ready());
    demarrer();

    dialogs.inputAnswers = {QStringLiteral("BUDGET")};
    w->CmdRecherche[0]->click();

    EXPECT_EQ(dialogs.shown.size(), 1u);  // the phrase only: no failure, no "Aucun document trouvé"
    EXPECT_EQ(journal(), QString());
    EXPECT_TRUE(w->TimerScan.isActive());
    const QMap<QString, QString> shown = notes.currentWindow();
    EXPECT_EQ(shown.value(QStringLiteral("View")), QStringLiteral("Recherche"));
    EXPECT_EQ(shown.value(QStringLiteral("Subjects")), QStringLiteral("Budget 2008"));
}

}  // namespace
}  // namespace vantor::test
