// A user's first day with the program, without waiting for any mail: the
// first start in an empty folder, the settings as they come, a save that
// cannot reach the default mailboxes, the user's own mailboxes typed in and
// saved, the About box, watching started, the tray icon's clicks and menu,
// and quitting from it.
#include <QFileInfo>

#include "e2e_fixture.h"

namespace vantor::e2e {
namespace {

const QString kBal1 = QStringLiteral("BAL 1");
const QString kBal2 = QStringLiteral("BAL 2");
const QString kServerColumn = QStringLiteral("Serveur LOTUS");
const QString kMailboxColumn = QStringLiteral("Boite aux lettres (nom de fichier.nsf)");
const QString kArchiveColumn = QStringLiteral("Archive (nom de fichier.nsf en local)");
const QString kSave = QStringLiteral("Enregistrer");
const QString kGo = QStringLiteral("Lancer la vérif des mails");
const QString kTeamServer = QStringLiteral("Lyon/Vantor");
const QString kTeamFile = QStringLiteral("mail\\equipe.nsf");
const QString kArchiveFile = QStringLiteral("archive\\jdupont_archive.nsf");

class FirstRunTest : public E2eTest {
  protected:
    Node settings() { return screen().windowWithButton(kSave); }
    QString field(const QString& row, const QString& column) {
        return bus().text(screen().gridField(settings(), row, column));
    }
};

TEST_F(FirstRunTest, FirstStartSettingsSavesAboutTrayAndQuitAsTheUserMeetsThem) {
    ProgramFolder& f = makeFolder(QStringLiteral("premier"));
    f.mailbox(kTeamServer, kTeamFile, {QStringLiteral("Projets")});
    f.store({QStringLiteral("create-database"), QStringLiteral("--server"), QStringLiteral("local"),
             QStringLiteral("--file"), kArchiveFile});
    // No mail client registered: without a window manager its frame,
    // minimised or not, would lie over the settings window.
    start();

    // The first start writes the default settings, then says why a folder
    // "Recherche" is needed.
    const std::optional<Box> info = screen().waitForBox(kShortWait * 2);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->title, QStringLiteral("INFORMATION"));
    EXPECT_EQ(info->text, QStringLiteral("Pour pouvoir utiliser le moteur de recherche, \n"
                                         "vous devez crééer un dossier dans chacune de vos boites "
                                         "aux lettres LOTUS\nnommé : Recherche"));
    const QByteArray firstFile = f.bytes(QStringLiteral("param.ini"));
    EXPECT_TRUE(firstFile.startsWith("[PARAM]\r\nDATE_VISU=")) << firstFile.constData();
    EXPECT_TRUE(
        firstFile.contains("\r\nDELAI=15\r\nBAL_0=mail\\orv_balide.nsf\r\nBAL_1=mail\\ma_bal.nsf"
                           "\r\nBAL_2=\r\nSERVEUR_LOTUS_0=local\r\nSERVEUR_LOTUS_1=local\r\n"
                           "SERVEUR_LOTUS_2=\r\nPASSWORD=\r\nAUTO=0\r\nLOGOFF=0\r\n"
                           "AUTONOTES=0\r\nCOULEUR=FFFEEEE\r\nHEIGHT=2325\r\nWIDTH=8470\r\n"))
        << firstFile.constData();
    ASSERT_TRUE(screen().answer(*info, QStringLiteral("OK")));

    // The settings window, filled from the new file; the attachments folder made.
    ASSERT_TRUE(waitUntil([&] { return settings().valid(); }, kShortWait));
    EXPECT_EQ(field(kBal1, kMailboxColumn), QStringLiteral("mail\\orv_balide.nsf"));
    EXPECT_EQ(field(kBal1, kServerColumn), QStringLiteral("local"));
    EXPECT_EQ(field(kBal2, kMailboxColumn), QStringLiteral("mail\\ma_bal.nsf"));
    EXPECT_EQ(bus().text(screen().namedField(settings(), QStringLiteral("Hauteur"))),
              QStringLiteral("2325"));
    EXPECT_EQ(bus().text(screen().namedField(settings(), QStringLiteral("Couleur de fond"))),
              QStringLiteral("FFFEEEE"));
    EXPECT_TRUE(QFileInfo(f.file(QStringLiteral("pj"))).isDir());

    // Saving as it comes: no password is stored, so the save asks for it,
    // and so does the folder collection of each mailbox after its check;
    // the user cancels each time. Neither "local" mailbox exists here anyway.
    ASSERT_TRUE(screen().press(settings(), kSave));
    const QString prompt = QStringLiteral("ACCES A LOTUS");
    const auto refusal = [](int slot, const char* file) {
        return QStringLiteral(
                   "Attention, la boite %1 :%2 n'est pas accessible.\n"
                   "Vous devez modifier vos paramètres.")
            .arg(slot)
            .arg(QString::fromLatin1(file));
    };
    const std::vector<std::pair<QString, QString>> expected = {
        {prompt, QStringLiteral("Mot de passe LOTUS")},
        {QStringLiteral("ERREUR"), refusal(1, "mail\\orv_balide.nsf")},
        {prompt, QStringLiteral("Mot de passe LOTUS")},
        {QStringLiteral("ERREUR"), refusal(2, "mail\\ma_bal.nsf")},
        {prompt, QStringLiteral("Mot de passe LOTUS")}};
    for (const auto& [title, text] : expected) {
        const std::optional<Box> shown = screen().waitForBox(kShortWait);
        ASSERT_TRUE(shown) << "waiting for " << title.toStdString();
        EXPECT_EQ(shown->title, title);
        EXPECT_EQ(shown->text, text);
        ASSERT_TRUE(screen().answer(
            *shown, title == prompt ? QStringLiteral("Annuler") : QStringLiteral("OK")));
    }
    // The save ends by enabling its buttons again, with no success reported.
    ASSERT_TRUE(waitUntil(
        [&] {
            return bus().has(bus().find(settings(), QStringLiteral("push button"), kGo),
                             State::Enabled);
        },
        kShortWait));
    EXPECT_FALSE(screen().box());

    // The user's own mailboxes, typed in, and the password.
    ASSERT_TRUE(screen().fill(screen().gridField(settings(), kBal1, kServerColumn), kMailServer));
    ASSERT_TRUE(screen().fill(screen().gridField(settings(), kBal1, kMailboxColumn), kMailFile));
    ASSERT_TRUE(screen().fill(screen().gridField(settings(), kBal1, kArchiveColumn), kArchiveFile));
    ASSERT_TRUE(screen().fill(screen().gridField(settings(), kBal2, kServerColumn), kTeamServer));
    ASSERT_TRUE(screen().fill(screen().gridField(settings(), kBal2, kMailboxColumn), kTeamFile));
    ASSERT_TRUE(screen().fill(
        screen().namedField(settings(), QStringLiteral("Mot de passe LOTUS:")), kPassword));
    EXPECT_EQ(field(kBal2, kMailboxColumn), kTeamFile);
    ASSERT_TRUE(screen().press(settings(), kSave));
    const std::optional<Box> saved = screen().waitForBox(kShortWait);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->title, QStringLiteral("SAUVEGARDE"));
    EXPECT_EQ(saved->text, QStringLiteral("Paramétres enregistrés"));
    ASSERT_TRUE(screen().answer(*saved, QStringLiteral("OK")));
    EXPECT_EQ(f.param(QStringLiteral("SERVEUR_LOTUS_0")), kMailServer);
    EXPECT_EQ(f.param(QStringLiteral("BAL_0")), kMailFile);
    EXPECT_EQ(f.param(QStringLiteral("BAL_ARCHIVE_0")), kArchiveFile);
    EXPECT_EQ(f.param(QStringLiteral("BAL_1")), kTeamFile);
    EXPECT_EQ(f.param(QStringLiteral("BAL_4")), QString());
    // Stored scrambled, each character shifted by 9.
    EXPECT_EQ(f.param(QStringLiteral("PASSWORD")), QStringLiteral("\x7fjw}x{"));
    // Each opened mailbox gets its search button; only slot 1 has an archive.
    EXPECT_EQ(
        bus()
            .findAll(settings(),
                     [&](const Node& n) { return bus().name(n) == QStringLiteral("Rechercher"); })
            .size(),
        2);
    EXPECT_EQ(
        bus()
            .findAll(settings(),
                     [&](const Node& n) { return bus().name(n) == QStringLiteral("Archiver"); })
            .size(),
        1);

    // The About box, closed with the keyboard (no window manager, no title bar).
    ASSERT_TRUE(screen().press(settings(), QStringLiteral("A propos de l'auteur")));
    std::optional<Box> about;
    ASSERT_TRUE(waitUntil(
        [&] { return (about = screen().box()) && about->title == QStringLiteral("About Vantor"); },
        kShortWait));
    EXPECT_TRUE(about->text.startsWith(
        QStringLiteral("Vantor\nVersion 1.2.0\nCette application permet d'afficher une popup dès "
                       "qu'un nouveau message apparait")))
        << about->text.toStdString();
    desktop::clickIn(bus().extents(about->window));
    desktop::key(QStringLiteral("Escape"));
    EXPECT_TRUE(waitUntil([&] { return !bus().showing(about->window); }, kShortWait));

    // Watching: the window goes to the tray.
    ASSERT_TRUE(screen().press(settings(), kGo));
    ASSERT_TRUE(waitUntil(
        [&] {
            return !settings().valid() && !desktop::trayIcon(QStringLiteral("Vantor")).isEmpty();
        },
        kShortWait));
    EXPECT_EQ(trayTooltip(), QStringLiteral("Vantor"));

    // The left click brings the window back.
    ASSERT_TRUE(desktop::clickIn(desktop::trayIcon(QStringLiteral("Vantor"))));
    ASSERT_TRUE(waitUntil([&] { return settings().valid(); }, kShortWait));

    // Watching again while the icon is there: still one icon; a double
    // click brings the window back as well.
    ASSERT_TRUE(screen().press(settings(), kGo));
    ASSERT_TRUE(waitUntil([&] { return !settings().valid(); }, kShortWait));
    EXPECT_EQ(desktop::trayIcons(QStringLiteral("Vantor")).size(), 1);
    ASSERT_TRUE(desktop::doubleClick(desktop::trayIcon(QStringLiteral("Vantor")).center()));
    ASSERT_TRUE(waitUntil([&] { return settings().valid(); }, kShortWait));
    ASSERT_TRUE(screen().press(settings(), kGo));
    ASSERT_TRUE(waitUntil([&] { return !settings().valid(); }, kShortWait));

    // The right click: the menu, its submenus captioned by the mailboxes.
    std::optional<Menu> menu = trayMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->captions(),
              (QStringList{QStringLiteral("Archivage"), QStringLiteral("Rechercher"),
                           QStringLiteral("Paramètres"), QStringLiteral("Quitter")}));
    const std::optional<Menu> search = screen().openSubmenu(*menu, QStringLiteral("Rechercher"));
    ASSERT_TRUE(search);
    EXPECT_EQ(search->captions(), (QStringList{kMailFile, kTeamFile}));
    const std::optional<Menu> archive = screen().openSubmenu(*menu, QStringLiteral("Archivage"));
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->captions(), (QStringList{kMailFile}));
    ASSERT_TRUE(screen().choose(*menu, QStringLiteral("Paramètres")));
    ASSERT_TRUE(waitUntil([&] { return settings().valid(); }, kShortWait));

    // An edit left unsaved, then Quitter from the tray menu: the icon goes,
    // the settings are saved, the program ends.
    ASSERT_TRUE(screen().fill(screen().namedField(settings(), QStringLiteral("Hauteur")),
                              QStringLiteral("2400")));
    menu = trayMenu();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(screen().choose(*menu, QStringLiteral("Quitter")));
    ASSERT_TRUE(program().waitForExit(kShortWait));
    EXPECT_EQ(program().exitCode(), 0);
    EXPECT_FALSE(program().crashed());
    EXPECT_TRUE(desktop::trayIcon(QStringLiteral("Vantor")).isEmpty());
    EXPECT_EQ(f.param(QStringLiteral("HEIGHT")), QStringLiteral("2400"));
}

}  // namespace
}  // namespace vantor::e2e
