// Archiving and phrase search as the user runs them while the program
// watches: a slot's button in the settings window and the tray menu's
// entries, the questions and results on screen, the mail client opened on
// the hits, and what lands in the mailbox and the archive on disk. After
// each run the watch goes on (the tray icon's tip does not say it stopped)
// and the program still quits cleanly.
#include <QSet>

#include "core/password.h"
#include "e2e_fixture.h"

namespace vantor::e2e {
namespace {

const QString kLocal = QStringLiteral("local");
const QString kArchiveFile = QStringLiteral("archive\\jdupont_archive.nsf");
const QString kSender = QStringLiteral("Marie Curie/Vantor");
const QString kBal1 = QStringLiteral("BAL 1");
const QString kDateColumn = QStringLiteral("Date limite d'archivage:");
const QString kRecherche = QStringLiteral("Recherche");
const QString kAll = QStringLiteral("($All)");

QSet<QString> set(const QStringList& list) {
    return QSet<QString>(list.cbegin(), list.cend());
}

class MaintenanceTest : public E2eTest {
  protected:
    // The user's mailbox with its folder "Recherche", made once as the
    // program asks, and the settings saved: slot 1 with its archive,
    // 3 s popups, watching from the start.
    ProgramFolder& prepare(const QString& name) {
        ProgramFolder& f = makeFolder(name);
        f.createFolders(kMailServer, kMailFile, {kRecherche});
        f.store({QStringLiteral("create-database"), QStringLiteral("--server"), kLocal,
                 QStringLiteral("--file"), kArchiveFile});
        f.writeParam({{QStringLiteral("DELAI"), QStringLiteral("3")},
                      {QStringLiteral("BAL_0"), kMailFile},
                      {QStringLiteral("SERVEUR_LOTUS_0"), kMailServer},
                      {QStringLiteral("BAL_ARCHIVE_0"), kArchiveFile},
                      {QStringLiteral("PASSWORD"), CrypteMotDePasse(kPassword).value()},
                      {QStringLiteral("AUTO"), QStringLiteral("1")}});
        return f;
    }

    // A memo created at `created` ("" for now), also filed in `folders`.
    QString deliver(const QString& subject, const QString& body, const QString& created,
                    const QStringList& folders = {}) {
        QStringList extra;
        if (!created.isEmpty()) extra << QStringLiteral("--created") << created;
        for (const QString& name : folders) extra << QStringLiteral("--folder") << name;
        return folder().deliver(kMailServer, kMailFile, kSender, subject, body, extra);
    }
    QSet<QString> inMailbox(const QString& view) {
        return set(folder().listed(kMailServer, kMailFile, view));
    }
    QSet<QString> inArchive(const QString& view) {
        return set(folder().listed(kLocal, kArchiveFile, view));
    }

    // Starts the program and waits until it watches: the icon in the tray
    // and the start's save done, which shows the slot's commands.
    void startWatching() {
        start();
        ASSERT_TRUE(waitUntil([] { return !desktop::trayIcon(QStringLiteral("Vantor")).isEmpty(); },
                              kShortWait * 2));
        ASSERT_TRUE(waitUntil(
            [&] { return folder().param(QStringLiteral("BAL_4")) != QStringLiteral("<absent>"); },
            kShortWait * 2));
    }

    Node settings() { return screen().windowWithButton(QStringLiteral("Enregistrer")); }

    // Chooses a mailbox's entry in a submenu of the tray menu.
    bool chooseInTray(const QString& submenu, const QString& mailbox) {
        const std::optional<Menu> menu = trayMenu();
        if (!menu) return false;
        const std::optional<Menu> sub = screen().openSubmenu(*menu, submenu);
        return sub && screen().choose(*sub, mailbox);
    }

    // A search of slot 1 started from the tray, `phrase` typed into its question.
    void search(const QString& phrase) {
        ASSERT_TRUE(chooseInTray(QStringLiteral("Rechercher"), kMailFile));
        const std::optional<Box> ask = screen().waitForBox(kShortWait * 2);
        ASSERT_TRUE(ask);
        EXPECT_EQ(ask->title, QStringLiteral("RECHERCHER"));
        EXPECT_EQ(ask->text, QStringLiteral("Saisissez la phrase à rechercher:"));
        const Node field = bus().find(
            ask->window, [&](const Node& n) { return bus().role(n) == QLatin1String("text"); });
        ASSERT_TRUE(screen().fill(field, phrase));
        ASSERT_TRUE(screen().answer(*ask, QStringLiteral("OK")));
    }

    // The next box must be `title` with `text`; answered with `button`.
    void expectBox(const QString& title, const QString& text, const QString& button) {
        const std::optional<Box> box = screen().waitForBox(kShortWait * 2);
        ASSERT_TRUE(box) << "waiting for " << title.toStdString();
        EXPECT_EQ(box->title, title);
        EXPECT_EQ(box->text, text);
        ASSERT_TRUE(screen().answer(*box, button));
    }

    // The watch runs again once the run is over: the tip is the bare title,
    // without "surveillance arrêtée".
    void expectWatching() {
        EXPECT_TRUE(
            waitUntil([&] { return trayTooltip() == QStringLiteral("Vantor"); }, kShortWait))
            << trayTooltip().toStdString();
    }
};

TEST_F(MaintenanceTest, ArchivingCopiesOldMailWithItsFoldersAndEmptiesTheMailboxOnlyOnOui) {
    prepare(QStringLiteral("archivage"));
    const QString old = deliver(QStringLiteral("Vieux projet"), QStringLiteral("janvier"),
                                QStringLiteral("2024-01-15 09:00:00"),
                                {QStringLiteral("Projets\\2004"), kRecherche});
    const QString eve = deliver(QStringLiteral("Veille de la limite"), QStringLiteral("juin"),
                                QStringLiteral("2024-06-14 23:59:00"), {QStringLiteral("Projets")});
    const QString limitDay = deliver(QStringLiteral("Jour de la limite"), QStringLiteral("reste"),
                                     QStringLiteral("2024-06-15 00:00:00"));
    const QString recent = deliver(QStringLiteral("Récent"), QStringLiteral("reste"), QString(),
                                   {QStringLiteral("Projets")});
    ASSERT_NO_FATAL_FAILURE(startWatching());
    const QString done =
        QStringLiteral("2 document(s) archivé(s).\nA présent, vider la corbeille.");
    const QString question = QStringLiteral("Supprimer les documents de la base source ?");

    // From the settings window: the limit typed in (not saved), the slot's
    // button, Non. Copies only.
    ASSERT_TRUE(desktop::clickIn(desktop::trayIcon(QStringLiteral("Vantor"))));
    Node archiver;
    ASSERT_TRUE(waitUntil(
        [&] {
            return (archiver = screen().rowButton(settings(), kBal1, QStringLiteral("Archiver")))
                .valid();
        },
        kShortWait));
    ASSERT_TRUE(screen().fill(screen().gridField(settings(), kBal1, kDateColumn),
                              QStringLiteral("15/06/2024")));
    ASSERT_TRUE(desktop::clickIn(bus().extents(archiver)));
    ASSERT_NO_FATAL_FAILURE(
        expectBox(QStringLiteral("ARCHIVAGE"), question, QStringLiteral("Non")));
    ASSERT_NO_FATAL_FAILURE(expectBox(QStringLiteral("ARCHIVAGE"), done, QStringLiteral("OK")));
    EXPECT_EQ(inArchive(kAll), (QSet<QString>{old, eve}));
    EXPECT_EQ(inArchive(QStringLiteral("Projets\\2004")), QSet<QString>{old});
    EXPECT_EQ(inArchive(QStringLiteral("Projets")), QSet<QString>{eve});
    EXPECT_FALSE(folder()
                     .store({QStringLiteral("folders"), QStringLiteral("--server"), kLocal,
                             QStringLiteral("--file"), kArchiveFile})
                     .contains(kRecherche))
        << "the search's folder stays out of the archive";
    EXPECT_EQ(inMailbox(kAll), (QSet<QString>{old, eve, limitDay, recent}));
    EXPECT_EQ(bus().name(settings()), QStringLiteral("Vantor"));
    expectWatching();

    // From the tray menu, same limit, Oui: the copies replaced, one per
    // document, and the originals gone from the mailbox.
    ASSERT_TRUE(chooseInTray(QStringLiteral("Archivage"), kMailFile));
    ASSERT_NO_FATAL_FAILURE(
        expectBox(QStringLiteral("ARCHIVAGE"), question, QStringLiteral("Oui")));
    ASSERT_NO_FATAL_FAILURE(expectBox(QStringLiteral("ARCHIVAGE"), done, QStringLiteral("OK")));
    EXPECT_EQ(inArchive(kAll), (QSet<QString>{old, eve}));
    EXPECT_EQ(inArchive(QStringLiteral("Projets\\2004")), QSet<QString>{old});
    EXPECT_EQ(inArchive(QStringLiteral("Projets")), QSet<QString>{eve});
    EXPECT_EQ(inMailbox(kAll), (QSet<QString>{limitDay, recent}));
    EXPECT_EQ(inMailbox(QStringLiteral("Projets")), QSet<QString>{recent});
    const QString copy = folder().shown(kLocal, kArchiveFile, old);
    EXPECT_TRUE(copy.contains(QStringLiteral("Vieux projet"))) << copy.toStdString();
    expectWatching();
    ASSERT_NO_FATAL_FAILURE(quitFromTray());
}

TEST_F(MaintenanceTest, SearchFillsRechercheWithTheHitsAndOpensItInTheMailClientOrSaysNoneFound) {
    ProgramFolder& f = prepare(QStringLiteral("recherche"));
    f.registerClient();
    const QString bySubject =
        deliver(QStringLiteral("Budget 2025"), QStringLiteral("chiffres"), QString());
    const QString byBody =
        deliver(QStringLiteral("Compte rendu"), QStringLiteral("Le budget est voté."), QString());
    const QString other = deliver(QStringLiteral("Déjeuner"), QStringLiteral("à midi"), QString());
    // A hit of an earlier search, which the new one takes out of the folder.
    const QString earlier = deliver(QStringLiteral("Ancien résultat"), QStringLiteral("congés"),
                                    QStringLiteral("2024-01-15 09:00:00"), {kRecherche});
    ASSERT_NO_FATAL_FAILURE(startWatching());
    const Node client = bus().waitForApplication(QStringLiteral("notes"), kShortWait * 2);
    ASSERT_TRUE(client.valid());

    // With hits, typed in capitals: the folder holds them, nothing else
    // leaves the mailbox, and the client shows the folder in front.
    ASSERT_NO_FATAL_FAILURE(search(QStringLiteral("BUDGET")));
    EXPECT_TRUE(waitUntil(
        [&] {
            return inMailbox(kRecherche) == QSet<QString>{bySubject, byBody};
        },
        kShortWait))
        << QStringList(inMailbox(kRecherche).values()).join(' ').toStdString();
    EXPECT_EQ(inMailbox(kAll), (QSet<QString>{bySubject, byBody, other, earlier}));
    const auto shows = [&](const QString& text) {
        return bus().find(client, [&](const Node& n) { return bus().name(n) == text; }).valid();
    };
    EXPECT_TRUE(waitUntil(
        [&] {
            return shows(QStringLiteral("Dossier « Recherche » — base %1 sur %2")
                             .arg(kMailFile, kMailServer)) &&
                   shows(QStringLiteral("Budget 2025")) && shows(QStringLiteral("Compte rendu"));
        },
        kShortWait))
        << bus().describe(client).toStdString();
    EXPECT_FALSE(shows(QStringLiteral("Déjeuner")));
    EXPECT_TRUE(waitUntil(
        [] { return desktop::focusedWindowTitle() == QStringLiteral("Lotus Notes"); }, kShortWait))
        << desktop::focusedWindowTitle().toStdString();
    expectWatching();

    // Without hits: the folder emptied, and the program says so.
    ASSERT_NO_FATAL_FAILURE(search(QStringLiteral("introuvable")));
    ASSERT_NO_FATAL_FAILURE(expectBox(QStringLiteral("RECHERCHE TERMINEE"),
                                      QStringLiteral("Aucun document trouvé"),
                                      QStringLiteral("OK")));
    EXPECT_TRUE(inMailbox(kRecherche).isEmpty());
    EXPECT_EQ(inMailbox(kAll), (QSet<QString>{bySubject, byBody, other, earlier}));
    expectWatching();
    ASSERT_NO_FATAL_FAILURE(quitFromTray());
}

}  // namespace
}  // namespace vantor::e2e
