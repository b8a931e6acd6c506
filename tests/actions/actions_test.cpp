// The popup's commands against a real mailbox: what each does to the store,
// to the popup and to the scan's flag, and what a failure leaves behind.
#include <QFile>
#include <QFileInfo>
#include <QToolButton>

#include "actions_fixture.h"

namespace vantor::test {
namespace {

using ActionsTest = ActionsFixture;

// The document's items as "name=value", in their order.
QStringList items(const notes::Document& d) {
    QStringList noms;
    for (const notes::ItemPtr& item : d.items())
        noms << item->name() + '=' + d.itemValue(item->name());
    return noms;
}

TEST_F(ActionsTest, ReplyOpensANewMemoWithBodySubjectAndSenderUnchangedAndClosesThePopup) {
    const QString unid = livre(QStringLiteral("Réunion"));
    presente(unid);
    popup->CmdOpen->click();

    EXPECT_EQ(fenetresDemandees, QStringList{QStringLiteral("Lotus Notes")});
    ASSERT_EQ(fenetres.editions.size(), 1u);
    EXPECT_EQ(
        items(*fenetres.editions[0].second),
        QStringList({"Body=Corps de Réunion", "Subject=Réunion", "SendTo=Marie Curie/Vantor"}));
    // Nothing saved: the user completes and sends it in the client.
    EXPECT_EQ(dansDossier("($All)"), QStringList{unid});
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(ActionsTest, FollowUpsSetTheFiveItemsInOrderAndLeaveTheMessageInTheInbox) {
    for (int index = 0; index < 3; ++index) {
        const QString unid = livre(QStringLiteral("suivi %1").arg(index));
        presente(unid);
        popup->CmdFollow[index]->click();
        const QStringList l = items(*document(unid));
        EXPECT_EQ(l.mid(l.size() - 5),
                  QStringList({"FollowUpDate=", "FollowUpRemoveFromInbox=",
                               QStringLiteral("FollowUpStatus=%1").arg(index + 1),
                               "FollowUpText=", "FollowUpTime="}));
        EXPECT_THAT(dansDossier("($Inbox)"), ::testing::Contains(unid));
    }
    EXPECT_FALSE(m.DocModifie);
}

TEST_F(ActionsTest, DeleteAndMoveTakeTheMessageOutOfTheInboxAndFlagTheScan) {
    const QString supprime = livre(QStringLiteral("à supprimer"));
    presente(supprime);
    popup->CmdDel->click();
    EXPECT_EQ(document(supprime), nullptr);
    EXPECT_TRUE(m.DocModifie);

    admin.createFolder(kServer, kMailbox, QStringLiteral("Projets\\2004"));
    const QString classe = livre(QStringLiteral("à classer"));
    presente(classe);
    m.DocModifie = false;
    actions->DeplaceDoc(QStringLiteral("Projets\\2004"));
    EXPECT_EQ(dansDossier("Projets\\2004"), QStringList{classe});
    EXPECT_TRUE(dansDossier("($Inbox)").isEmpty());

    // No folder: nothing moves, but the scan is still told and the popup closes.
    const QString reste = livre(QStringLiteral("reste"));
    presente(reste);
    m.DocModifie = false;
    actions->DeplaceDoc(QString());
    EXPECT_EQ(dansDossier("($Inbox)"), QStringList{reste});
    EXPECT_TRUE(m.DocModifie);
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(ActionsTest, EveryFailureLeavesThePopupOnScreenWithOneLogLineAndNothingShown) {
    const QString unid = livre(QStringLiteral("supprimé ailleurs"));
    presente(unid);
    ASSERT_TRUE(document(unid)->remove(true));  // deleted in the client meanwhile
    m.DocModifie = false;

    const std::vector<std::function<void()>> clics = {
        [&] { popup->CmdOpen->click(); },
        [&] { popup->CmdDel->click(); },
        [&] { popup->CmdFollow[1]->click(); },
        [&] { actions->DeplaceDoc(QStringLiteral("A")); },
    };
    for (std::size_t i = 0; i < clics.size(); ++i) {
        clics[i]();
        EXPECT_TRUE(popup->isVisible()) << i;
        EXPECT_EQ(lignesJournal(), static_cast<int>(i) + 1) << journal().toStdString();
    }
    EXPECT_THAT(journal(), QHasSubstr(QStringLiteral(" :Le message %1 est introuvable").arg(unid)));
    EXPECT_FALSE(m.DocModifie);
    EXPECT_TRUE(dialogs.shown.empty());

    // Reply with no client window: nothing is created.
    const QString present = livre(QStringLiteral("présent"));
    presente(present);
    clientOuvert = false;
    popup->CmdOpen->click();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(fenetres.editions.empty());
    EXPECT_THAT(journal(), QHasSubstr(QStringLiteral(" :Aucune fenêtre « Lotus Notes »")));
}

TEST_F(ActionsTest, HostileAttachmentNamesAreSavedInsidePjAndNoFileIsReplaced) {
    const QString dehors = dir.file(QStringLiteral("dehors.txt"));
    ASSERT_TRUE(env.replaceFile(dehors, "à garder"));
    ASSERT_TRUE(QFile::link(dehors, joinPath(m.cheminPJ(), QStringLiteral("lien.txt"))));
    ASSERT_TRUE(env.replaceFile(joinPath(m.cheminPJ(), QStringLiteral("rapport.pdf")), "ancien"));
    // A link to nothing yet: writing through it would create a file outside.
    const QString absent = dir.file(QStringLiteral("absent.txt"));
    ASSERT_TRUE(QFile::link(absent, joinPath(m.cheminPJ(), QStringLiteral("perdu.txt"))));

    // clang-format off
    const std::vector<std::pair<QString, QString>> cas = {
        {"../../evil.txt", "evil.txt"}, {"..\\..\\win.txt", "win.txt"},
        {"C:\\Windows\\system.ini", "system.ini"}, {"C:evil.bat", "evil.bat"},
        {"/etc/passwd", "passwd"}, {QString::fromUtf16(u"a\u0000b.txt", 7), "a_b.txt"},
        {QString("\x01") + "ctl\n.txt", "_ctl_.txt"}, {"flux.txt:cache", "flux.txt_cache"},
        {".", "pièce jointe"}, {"..", "pièce jointe (2)"}, {"", "pièce jointe (3)"},
        {"dossier/", "pièce jointe (4)"}, {"CON", "_CON"}, {"nul.txt", "_nul.txt"},
        {"COM1", "_COM1"}, {"fin. . ", "fin"}, {"rapport.pdf", "rapport (2).pdf"},
        {QString(10000, 'a') + ".pdf", QString(236, 'a') + ".pdf"},
        {"rapport.pdf", "rapport (3).pdf"}, {"lien.txt", "lien (2).txt"},
        {"perdu.txt", "perdu (2).txt"}};
    // clang-format on
    std::vector<store::MemoAttachment> pieces;
    for (std::size_t i = 0; i < cas.size(); ++i)
        pieces.push_back({cas[i].first, {}, QByteArray::number(int(i))});
    presente(livre(QStringLiteral("pièces"), pieces));
    popup->CmdPJ->click();

    EXPECT_EQ(journal(), "");
    QStringList attendus{"lien.txt", "perdu.txt", "rapport.pdf"};
    for (std::size_t i = 0; i < cas.size(); ++i) {
        attendus << cas[i].second;
        EXPECT_EQ(env.readFile(joinPath(m.cheminPJ(), cas[i].second)).value_or("?"),
                  QByteArray::number(int(i)))
            << cas[i].second.left(40).toStdString();
    }
    EXPECT_THAT(fichiersPJ(), ::testing::UnorderedElementsAreArray(attendus));
    EXPECT_EQ(env.readFile(dehors).value_or(QByteArray()), QByteArray("à garder"));
    EXPECT_FALSE(QFileInfo::exists(absent));
    EXPECT_EQ(env.readFile(joinPath(m.cheminPJ(), "rapport.pdf")).value_or(QByteArray()), "ancien");
    env.flushPendingReplacements();  // no temporary param.ini left to list
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"dehors.txt", "notesdata", "param.ini", "pj"}));
    ASSERT_EQ(env.started.size(), 1u);
    EXPECT_EQ(env.started[0].arguments, QStringList{m.cheminPJ()});
}

TEST_F(ActionsTest, PjIsMadeAgainWhenMissingAndAFileInItsPlaceFailsTheExtraction) {
    // A body without attachments: nothing extracted, the folder still shown.
    presente(livre(QStringLiteral("sans pièce")));
    popup->CmdPJ->click();
    EXPECT_EQ(env.started.size(), 1u);

    ASSERT_TRUE(QDir(m.cheminPJ()).removeRecursively());
    const QString unid = livre(QStringLiteral("pièce"), {{QStringLiteral("a.txt"), {}, "a"}});
    presente(unid);
    popup->CmdPJ->click();
    EXPECT_EQ(fichiersPJ(), QStringList{"a.txt"});
    EXPECT_EQ(env.started.size(), 2u);

    // Something else than a folder where pj should be.
    ASSERT_TRUE(QDir(m.cheminPJ()).removeRecursively());
    ASSERT_TRUE(env.replaceFile(m.cheminPJ(), "fichier"));
    presente(unid);
    popup->CmdPJ->click();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(lignesJournal(), 1);
    EXPECT_EQ(env.readFile(m.cheminPJ()).value_or(QByteArray()), "fichier");
}

}  // namespace
}  // namespace vantor::test
