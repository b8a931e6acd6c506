// Start-up on an empty folder and on hand-edited settings files.
#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include "app_fixture.h"

namespace vantor::test {
namespace {

using StartupTest = AppFixture;

TEST_F(StartupTest, FirstRunWritesTheFifteenKeysInOrderAndSaysSo) {
    FrmLOTUS& f = demarrer();

    const QByteArray expected =
        "[PARAM]\r\nDATE_VISU=" + dateVisu() +
        "\r\nDELAI=15\r\nBAL_0=mail\\orv_balide.nsf\r\nBAL_1=mail\\ma_bal.nsf\r\n"
        "BAL_2=\r\nSERVEUR_LOTUS_0=local\r\nSERVEUR_LOTUS_1=local\r\n"
        "SERVEUR_LOTUS_2=\r\nPASSWORD=\r\nAUTO=0\r\nLOGOFF=0\r\nAUTONOTES=0\r\n"
        "COULEUR=FFFEEEE\r\nHEIGHT=2325\r\nWIDTH=8470\r\n";
    EXPECT_EQ(ini(), expected);

    EXPECT_EQ(dialogs.shown.at(0).text,
              QStringLiteral(
                  "Pour pouvoir utiliser le moteur de recherche, \r\nvous devez crééer un "
                  "dossier dans chacune de vos boites aux lettres LOTUS\r\nnommé : Recherche"));
    EXPECT_TRUE(QFileInfo(dir.file("pj")).isDir());

    // Slots 2 to 4 are empty: neither menu offers them; no search before a save.
    EXPECT_EQ(f.mnu_rech_bal[0]->text(), "mail\\orv_balide.nsf");
    EXPECT_FALSE(f.mnu_archive_bal[2]->isVisible());
    EXPECT_FALSE(f.mnu_rechercher->menuAction()->isVisible());
    EXPECT_FALSE(f.TimerScan.isActive());
    EXPECT_EQ(journal(), "");
}

// Garbage, bad values and an unreadable password: defaults, and every byte kept but DATE_VISU's.
TEST_F(StartupTest, HandEditedFileKeepsEveryOtherByteAndBadFieldsTakeTheirDefaults) {
    const QByteArray before =
        QByteArray("\x00\xFF[PARAM\r\n=\r\n[]\r\n\x01\x02=\x03\n", 22) +
        "; r\xE9glages\r\n[param]\r\nHEIGHT=abc\r\nWIDTH=1e999\r\nCOULEUR=12zz56\r\n"
        "  bal_0 = \"mail\\caf\xE9.nsf\" \r\nSERVEUR_LOTUS_0=Paris/Vantor\r\n"
        "BAL_ARCHIVE_3=archive\\a.nsf\r\nAUTO=oui\r\nPASSWORD=\x03\x04\r\nDATE_VISU=hier\r\n"
        "[AUTRE]\nX=1";
    ecrireIni(before);
    FrmLOTUS& f = demarrer();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(f.TxtHeight->text(), "2325");
    EXPECT_EQ(f.TxtWidth->text(), "8470");
    EXPECT_EQ(f.TxtBAL[0]->text(), QStringLiteral("mail\\café.nsf"));
    EXPECT_EQ(f.txtPassLOTUS->text(), "");
    EXPECT_FALSE(f.ChkAutoScan->isChecked());
    EXPECT_THAT(journal(), ::testing::AllOf(QHasSubstr("AUTO"), QHasSubstr("mot de passe")));
    // Slot 1 is never hidden here; slot 3 has an archive database only.
    EXPECT_TRUE(f.mnu_rech_bal[1]->isVisible());
    EXPECT_FALSE(f.mnu_rech_bal[3]->isVisible());
    EXPECT_TRUE(f.mnu_archive_bal[3]->isVisible());
    EXPECT_EQ(ini(), QByteArray(before).replace("DATE_VISU=hier", "DATE_VISU=" + dateVisu()));
}

TEST_F(StartupTest, ReadOnlySettingsAndBlockedAttachmentFolderDoNotStopStartUp) {
    ecrireIni("[PARAM]\r\nDELAI=30\r\n");
    putBytes(dir.file("pj"), "not a folder");
    QFile::setPermissions(m.CheminParam, QFileDevice::ReadOwner);
    FrmLOTUS& f = demarrer();
    EXPECT_EQ(f.cbDelai->currentText(), "30");
    EXPECT_EQ(ini(), "[PARAM]\r\nDELAI=30\r\n");
    EXPECT_THAT(journal(), ::testing::AllOf(QHasSubstr("DATE_VISU"), QHasSubstr("pj")));
}

TEST_F(StartupTest, LoginStartBoxShowsTheAutostartEntryAndSwitchesItOrSaysWhyNot) {
    const QByteArray avant = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.file(QStringLiteral("config")).toUtf8());
    const auto remettre = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", avant); });
    const QString entree = dir.file(QStringLiteral("config/autostart/vantor.desktop"));
    QDir().mkpath(QFileInfo(entree).path());
    env.replaceFile(entree, "[Desktop Entry]\nExec=vantor\n");
    demarrer();
    EXPECT_TRUE(w->ChkAutoSession->isChecked()) << "read from the entry, not param.ini";

    w->ChkAutoSession->click();
    EXPECT_FALSE(env.fileExists(entree));
    w->ChkAutoSession->click();
    EXPECT_THAT(
        env.readFile(entree).value_or("").toStdString(),
        ::testing::HasSubstr("Exec=\"" + QCoreApplication::applicationFilePath().toStdString()));

    // A file where the autostart folder should be: the box stays off, and says why.
    w->ChkAutoSession->click();
    QDir(QFileInfo(entree).path()).removeRecursively();
    env.replaceFile(QFileInfo(entree).path(), "pas un dossier");
    w->ChkAutoSession->click();
    EXPECT_FALSE(w->ChkAutoSession->isChecked());
    EXPECT_EQ(dialogs.count(QStringLiteral("ERREUR")), 1);
}

}  // namespace
}  // namespace vantor::test
