// Mail arriving while the program watches two mailboxes, and the user
// working through the popups of one check: what each shows and where, the
// buttons' tooltips, reply in the mail client, delete, the three flags,
// attachments, the folder menu and a move, close, a popup left to close by
// itself, and quitting from the tray while a popup is on screen.
#include "e2e/harness/popup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <map>
#include <tuple>

#include "core/password.h"
#include "e2e_fixture.h"

namespace vantor::e2e {
namespace {

const QString kTeamServer = QStringLiteral("Lyon/Vantor");
const QString kTeamFile = QStringLiteral("mail\\equipe.nsf");
const QString kSender = QStringLiteral("Marie Curie/Vantor");
const QString kPjFiles[] = {QStringLiteral("rapport.txt"), QStringLiteral("plan de salle.pdf")};

class PopupTest : public E2eTest {
  protected:
    void SetUp() override {
        ProgramFolder& f = makeFolder(QStringLiteral("surveillance"));
        f.createFolders(kMailServer, kMailFile,
                        {QStringLiteral("Projets"), QStringLiteral("Projets\\2004"),
                         QStringLiteral("Clients")});
        f.mailbox(kTeamServer, kTeamFile, {QStringLiteral("Projets")});
        // Mail that was there before: never shown.
        f.deliver(kMailServer, kMailFile, kSender, QStringLiteral("Ancien message"),
                  QStringLiteral("vieux"),
                  {QStringLiteral("--created"), QStringLiteral("2024-01-15 09:00:00")});
        f.registerClient();
        // What the user saved: both mailboxes, a 3 s popup, watching at start.
        f.writeParam({{QStringLiteral("DELAI"), QStringLiteral("3")},
                      {QStringLiteral("BAL_0"), kMailFile},
                      {QStringLiteral("SERVEUR_LOTUS_0"), kMailServer},
                      {QStringLiteral("BAL_1"), kTeamFile},
                      {QStringLiteral("SERVEUR_LOTUS_1"), kTeamServer},
                      {QStringLiteral("PASSWORD"), CrypteMotDePasse(kPassword).value()},
                      {QStringLiteral("AUTO"), QStringLiteral("1")},
                      {QStringLiteral("COULEUR"), QStringLiteral("FFF2CC")},
                      {QStringLiteral("HEIGHT"), QStringLiteral("2325")},
                      {QStringLiteral("WIDTH"), QStringLiteral("5400")}});
        for (const QString& name : kPjFiles) {
            QFile file(QDir(folder().stubFolder()).filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QStringLiteral("contenu de %1\n").arg(name).toUtf8());
        }
    }

    QString deliver(const QString& subject, const QString& body, const QStringList& extra = {},
                    const QString& from = kSender) {
        return folder().deliver(kMailServer, kMailFile, from, subject, body, extra);
    }
    bool inView(const QString& unid, const QString& view, const QString& server = kMailServer,
                const QString& file = kMailFile) {
        return folder().listed(server, file, view).contains(unid);
    }
    // The tooltip of a popup button, as the user rests the pointer on it
    // coming from the body (which keeps the popup open meanwhile).
    QString tooltip(const Popup& p, const QString& button) {
        const QRect body = p.frame.adjusted(p.frame.width() / 2, p.frame.height() / 2, 0, 0);
        return screen().tooltipAt(popupButton(screen(), p, button).center(), body.center());
    }
    bool gone(const Popup& p) { return waitUntilLeft(screen(), p, kShortWait); }

    // The next popup of the check, noted in `subjects`.
    std::optional<Popup> next() {
        std::optional<Popup> p = waitForPopup(screen(), kFirstScanWait);
        if (p) subjects << p->subject;
        return p;
    }
    // The next popup must show `subject`; the user reads the tooltip of
    // `button`, clicks it, and the popup goes.
    bool pressOnNext(const QString& subject, const QString& button) {
        const std::optional<Popup> p = next();
        if (!p) return false;
        EXPECT_EQ(p->subject, subject);
        EXPECT_EQ(tooltip(*p, button), button);
        return clickPopup(screen(), *p, button) && gone(*p);
    }

    QStringList subjects;
};

TEST_F(PopupTest, EachPopupOfACheckShowsItsMessageAndEveryButtonActsOnIt) {
    start();
    // Watching starts at launch: the icon, no window; the mail client started.
    ASSERT_TRUE(waitUntil([] { return !desktop::trayIcon(QStringLiteral("Vantor")).isEmpty(); },
                          kShortWait * 2));
    EXPECT_TRUE(screen().windows().isEmpty());
    const Node client = bus().waitForApplication(QStringLiteral("notes"), kShortWait * 2);
    ASSERT_TRUE(client.valid());
    // The save of the start writes every slot; new mail must come after it.
    ASSERT_TRUE(waitUntil(
        [&] { return folder().param(QStringLiteral("BAL_4")) != QStringLiteral("<absent>"); },
        kShortWait));
    QThread::sleep(2);

    QStringList extras;
    for (const QString& name : kPjFiles)
        extras << QStringLiteral("--attach") << QDir(folder().stubFolder()).filePath(name);
    std::map<QString, QString> unid;
    unid["reply"] =
        deliver(QStringLiteral("Réunion de lundi"),
                QStringLiteral("Bonjour Jean,\r\nla réunion est déplacée à 14 h. [IMAGE] "));
    unid["delete"] = deliver(QStringLiteral("Publicité"), QStringLiteral("À supprimer"));
    unid["high"] = deliver(QStringLiteral("Urgent"), QStringLiteral("priorité haute"));
    unid["medium"] = deliver(QStringLiteral("Pour la semaine"), QStringLiteral("priorité moyenne"));
    unid["low"] = deliver(QStringLiteral("Quand tu peux"), QStringLiteral("priorité faible"));
    unid["mine"] =
        deliver(QStringLiteral("Envoyé par moi"), QStringLiteral("jamais montré"), {}, kUser);
    unid["pj"] =
        deliver(QStringLiteral("Pièces jointes"), QStringLiteral("Voici les fichiers."), extras);
    unid["move"] = deliver(QStringLiteral("Projet 2004"), QStringLiteral("à classer"));
    unid["close"] = deliver(QStringLiteral("Pour info"), QStringLiteral("à fermer"));
    unid["auto"] = deliver(QStringLiteral("Laissé de côté"), QStringLiteral("se ferme seul"));
    unid["team"] =
        folder().deliver(kTeamServer, kTeamFile, kSender, QStringLiteral("Point d'équipe"),
                         QStringLiteral("ordre du jour"));
    unid["quit"] = folder().deliver(kTeamServer, kTeamFile, kSender, QStringLiteral("Dernier"),
                                    QStringLiteral("à l'écran quand on quitte"));

    const QSize screenSize = desktop::screenSize();

    // Reply: the first popup of the check, at the bottom-left corner, 30 px
    // above the bottom edge, 5400 x 2325 twips (360 x 155 px at 96 dpi).
    std::optional<Popup> p = next();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->mailbox, kMailFile);
    EXPECT_EQ(p->from, kSender);
    EXPECT_EQ(p->subject, QStringLiteral("Réunion de lundi"));
    EXPECT_EQ(p->body, QStringLiteral("Bonjour Jean,\nla réunion est déplacée à 14 h."));
    EXPECT_EQ(p->frame, QRect(0, screenSize.height() - 30 - 155, 360, 155));
    EXPECT_TRUE(popupButton(screen(), *p, kPiecesJointes).isEmpty())
        << "no attachment, no paperclip";
    EXPECT_EQ(tooltip(*p, kRepondre), kRepondre);
    ASSERT_TRUE(clickPopup(screen(), *p, kRepondre));
    ASSERT_TRUE(gone(*p));
    // The mail client shows a new memo to the sender, in front.
    Screen notes(bus(), client);
    Node memo;
    ASSERT_TRUE(waitUntil(
        [&] {
            return (memo = notes.namedField(notes.windowWithButton(QStringLiteral("Envoyer")),
                                            QStringLiteral("A :")))
                .valid();
        },
        kShortWait));
    const Node memoWindow = notes.windowWithButton(QStringLiteral("Envoyer"));
    EXPECT_EQ(bus().text(memo), kSender);
    EXPECT_EQ(bus().text(notes.namedField(memoWindow, QStringLiteral("Objet :"))),
              QStringLiteral("Réunion de lundi"));
    EXPECT_TRUE(bus()
                    .find(memoWindow,
                          [&](const Node& n) {
                              return bus().role(n) == QLatin1String("text") &&
                                     bus().text(n).startsWith(
                                         QStringLiteral("Bonjour Jean,\nla réunion est déplacée"));
                          })
                    .valid());
    EXPECT_TRUE(waitUntil(
        [] { return desktop::focusedWindowTitle() == QStringLiteral("Lotus Notes"); }, kShortWait))
        << desktop::focusedWindowTitle().toStdString();
    EXPECT_TRUE(inView(unid["reply"], QStringLiteral("($Inbox)")));

    // Delete.
    ASSERT_TRUE(pressOnNext(QStringLiteral("Publicité"), kSupprimer));
    EXPECT_TRUE(
        waitUntil([&] { return !inView(unid["delete"], QStringLiteral("($All)")); }, kShortWait));

    // The three flags, each on its own message, which stays in the inbox.
    for (const auto& [key, subject, button, status] :
         {std::tuple{"high", "Urgent", kPrioriteHaute, "1"},
          std::tuple{"medium", "Pour la semaine", kPrioriteMoyenne, "2"},
          std::tuple{"low", "Quand tu peux", kPrioriteFaible, "3"}}) {
        ASSERT_TRUE(pressOnNext(QString::fromUtf8(subject), button)) << key;
        const QString shown = folder().shown(kMailServer, kMailFile, unid[key]);
        EXPECT_TRUE(shown.contains(
            QStringLiteral("FollowUpStatus [1280] : %1\n").arg(QLatin1String(status))))
            << shown.toStdString();
        EXPECT_TRUE(inView(unid[key], QStringLiteral("($Inbox)"))) << key;
    }

    // Attachments: extracted into pj, and the folder handed to the desktop.
    ASSERT_TRUE(pressOnNext(QStringLiteral("Pièces jointes"), kPiecesJointes));
    for (const QString& name : kPjFiles) {
        QFile extracted(QDir(folder().file(QStringLiteral("pj"))).filePath(name));
        ASSERT_TRUE(extracted.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(extracted.readAll(), QStringLiteral("contenu de %1\n").arg(name).toUtf8());
    }
    EXPECT_TRUE(waitUntil([&] { return !folder().xdgOpenCalls().isEmpty(); }, kShortWait));
    EXPECT_EQ(folder().xdgOpenCalls(), QStringList{folder().file(QStringLiteral("pj"))});

    // The folder menu: the mailbox's folders, nested; a move into Projets\2004.
    p = next();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->subject, QStringLiteral("Projet 2004"));
    bus().takeShown();
    ASSERT_TRUE(clickPopup(screen(), *p, kDossiers));
    std::optional<Menu> menu = screen().waitForMenu(kShortWait);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->captions(),
              (QStringList{QStringLiteral("Projets"), QStringLiteral("Clients")}));
    const std::optional<Menu> projets = screen().openSubmenu(*menu, QStringLiteral("Projets"));
    ASSERT_TRUE(projets);
    EXPECT_EQ(projets->captions(), (QStringList{QStringLiteral("-"), QStringLiteral("2004")}));
    ASSERT_TRUE(screen().choose(*projets, QStringLiteral("2004")));
    EXPECT_TRUE(waitUntil([&] { return inView(unid["move"], QStringLiteral("Projets\\2004")); },
                          kShortWait));
    EXPECT_FALSE(inView(unid["move"], QStringLiteral("($Inbox)")));
    ASSERT_TRUE(gone(*p));

    // Close: the popup goes, the message stays as it was.
    ASSERT_TRUE(pressOnNext(QStringLiteral("Pour info"), kFermer));
    EXPECT_TRUE(inView(unid["close"], QStringLiteral("($Inbox)")));

    // Left alone: it stays while the pointer moves over the body, and closes
    // by itself once the pointer rests on the sender.
    p = next();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->subject, QStringLiteral("Laissé de côté"));
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(keepOpen(screen(), *p));
        QThread::msleep(500);
    }
    EXPECT_TRUE(stillShown(screen(), *p)) << "moving over the body keeps it open";
    ASSERT_TRUE(desktop::moveTo(p->frame.topLeft() + QPoint(p->frame.width() / 2, 24)));
    EXPECT_TRUE(gone(*p));
    EXPECT_TRUE(inView(unid["auto"], QStringLiteral("($Inbox)")));

    // The second mailbox: its own popup and folder list.
    p = next();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->mailbox, kTeamFile);
    EXPECT_EQ(p->subject, QStringLiteral("Point d'équipe"));
    bus().takeShown();
    ASSERT_TRUE(clickPopup(screen(), *p, kDossiers));
    menu = screen().waitForMenu(kShortWait);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->captions(), QStringList{QStringLiteral("Projets")});
    ASSERT_TRUE(screen().choose(*menu, QStringLiteral("Projets")));
    EXPECT_TRUE(waitUntil(
        [&] { return inView(unid["team"], QStringLiteral("Projets"), kTeamServer, kTeamFile); },
        kShortWait));

    // Quitting from the tray menu while a popup is on screen.
    p = next();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->subject, QStringLiteral("Dernier"));
    ASSERT_NO_FATAL_FAILURE(quitFromTray());

    // Every new message shown once, in order; older mail and the user's own never.
    EXPECT_EQ(subjects,
              (QStringList{QStringLiteral("Réunion de lundi"), QStringLiteral("Publicité"),
                           QStringLiteral("Urgent"), QStringLiteral("Pour la semaine"),
                           QStringLiteral("Quand tu peux"), QStringLiteral("Pièces jointes"),
                           QStringLiteral("Projet 2004"), QStringLiteral("Pour info"),
                           QStringLiteral("Laissé de côté"), QStringLiteral("Point d'équipe"),
                           QStringLiteral("Dernier")}));
    EXPECT_TRUE(inView(unid["mine"], QStringLiteral("($Inbox)")));
}

}  // namespace
}  // namespace vantor::e2e
