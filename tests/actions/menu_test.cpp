// The folder menu: folders collected from a real store, the tree of captions and
// ids, the menu on screen and the way back from the chosen id to the folder.
#include <QPointer>

#include "actions/charge_dossiers.h"
#include "actions/folder_menu.h"
#include "actions_fixture.h"
#include "menu_driver.h"

namespace vantor::test {
namespace {

// A tree written as text: "A[-:4 B:2] D:3" (a submenu lists its entries in brackets).
QString texte(const std::vector<EntreeMenu>& menu) {
    QStringList parts;
    for (const EntreeMenu& e : menu)
        parts << (e.sousMenu.empty() ? QStringLiteral("%1:%2").arg(e.caption).arg(e.id)
                                     : QStringLiteral("%1[%2]").arg(e.caption, texte(e.sousMenu)));
    return parts.join(QLatin1Char(' '));
}

QString arbre(const QStringList& dossiers) {
    return texte(ConstruitMenu(1, listeDeDossiers(dossiers), QString()));
}

TEST(FolderMenu, FoldersABDGiveTheSelfEntryAndEveryIdMapsBackToItsFolder) {
    const ListeMenu liste = listeDeDossiers({"A", "A\\B", "D"});
    QStringList vue;
    for (const MenuItem& i : liste)
        vue << QStringLiteral("%1|%2|%3|%4").arg(i.Chemin, i.Caption).arg(i.Id).arg(i.Niveau);
    EXPECT_EQ(vue, QStringList({"A|A|1|1", "A\\-|-|4|2", "A\\B|B|2|2", "D|D|3|1"}));
    EXPECT_EQ(texte(ConstruitMenu(1, liste, QString())), "A[-:4 B:2] D:3");
    EXPECT_EQ(DossierDeId(4, liste), "A");
    EXPECT_EQ(DossierDeId(2, liste), "A\\B");
    EXPECT_EQ(DossierDeId(1, liste), "A");  // a submenu's own id still names its folder
    EXPECT_EQ(DossierDeId(9, liste), "");
    MenuItem racine{"-", 1, "\\-", 1, false};
    racine.Soi = true;
    EXPECT_EQ(DossierDeId(1, {racine}), "\\-");  // too short to name a folder
}

// A self entry for real parents only, a prefix counts only before a backslash,
// case tells folders apart, a folder "-" is no self entry.
TEST(FolderMenu, TreesOfAwkwardFolderNames) {
    const std::pair<QStringList, QString> cas[] = {
        {{"A", "A\\B", "B", "Pro", "Projets", "Projets\\2004"},
         "A[-:7 B:2] B:3 Pro:4 Projets[-:8 2004:6]"},
        {{"X", "X", "Y"}, "X:1 X:2 Y:3"},
        {{"A", "A\\B", "A\\BC", "A\\BC\\D"}, "A[-:5 B:2 BC[-:6 D:4]]"},
        {{"Clients", "clients", "Clients\\Nord"}, "Clients[-:4 Nord:3] clients:2"},
        {{}, ""},
        {{"A", "A\\-", "A\\-\\x"}, "A[-:4 -[-:5 x:3]]"},
    };
    for (const auto& [dossiers, attendu] : cas)
        EXPECT_EQ(arbre(dossiers), attendu) << attendu.toStdString();
    EXPECT_EQ(texte(ConstruitMenu(3, listeDeDossiers({"A", "A\\B", "A\\BC", "A\\BC\\D"}), "A\\B")),
              "");
    const ListeMenu tiret = listeDeDossiers({"A", "A\\-", "A\\-\\x"});
    EXPECT_EQ(DossierDeId(4, tiret), "A");
    EXPECT_EQ(DossierDeId(5, tiret), "A\\-");
}

class ChargeDossiersTest : public ActionsFixture {
  protected:
    void charge(int slot) {
        ChargeDossiers(m, listes, slot, {[this] { ++evenements; }, [this] { ++relances; }});
    }
    QStringList chemins(int slot) const {
        QStringList c;
        for (const MenuItem& i : listes[slot]) c << QStringLiteral("%1=%2").arg(i.Chemin).arg(i.Id);
        return c;
    }
    int evenements = 0;
    int relances = 0;
};

TEST_F(ChargeDossiersTest, UserFoldersInTheDatabaseOrderWithIdsAndSelfEntries) {
    for (const char* f : {"A", "A\\B", "(Privé)", "Archives)", "D"})
        admin.createFolder(kServer, kMailbox, f);
    m.ServeurBAL = kServer;
    charge(0);
    EXPECT_EQ(chemins(0), QStringList({"A=1", "A\\-=4", "A\\B=2", "D=3"}));
    EXPECT_EQ(relances, 3);        // once per folder
    EXPECT_GE(evenements, 9 + 3);  // once per view (system ones too), once per folder

    // Only system folders: an empty list.
    admin.createMailbox(kServer, "mail\\vide.nsf", {kUser});
    param(keys::bal(1), "mail\\vide.nsf");
    listes[1] = listes[0];
    charge(1);
    EXPECT_TRUE(listes[1].empty());
}

TEST_F(ChargeDossiersTest, ASlotWithoutMailboxGetsAnEmptyListAFailureKeepsThePreviousOne) {
    admin.createFolder(kServer, kMailbox, "A");
    m.ServeurBAL = kServer;
    charge(0);
    listes[2] = listes[0];
    charge(2);  // no BAL_2
    EXPECT_TRUE(listes[2].empty());

    // Wrong password at the prompt: logged, list kept; not asked again for the next slot.
    param(keys::kPassword, QString());
    m.MotDePasse.clear();
    charge(3);  // nothing to collect: no prompt for it
    EXPECT_EQ(dialogs.count("ACCES A LOTUS"), 0);
    dialogs.inputAnswers = {QStringLiteral("faux")};
    charge(0);
    EXPECT_EQ(chemins(0), QStringList{"A=1"});
    ASSERT_EQ(dialogs.count("ACCES A LOTUS"), 1);
    EXPECT_EQ(lignesJournal(), 1);
    EXPECT_THAT(journal(), QHasSubstr(" :Calcul Menu - "));
    param(keys::bal(1), kMailbox);
    charge(1);
    EXPECT_EQ(dialogs.count("ACCES A LOTUS"), 1);
    EXPECT_EQ(lignesJournal(), 2);
}

using MenuOnScreen = ActionsFixture;

TEST_F(MenuOnScreen, ShownAtThePointWhileTheCountdownRunsChoiceReturnedTreeReleased) {
    const ListeMenu liste = listeDeDossiers({"A", "A\\B", "D", "R&D"});
    presente(livre(QStringLiteral("m")));
    const QPoint point(40, 30);
    QPoint ouvertA;
    bool decompte = false;
    QList<QPointer<QMenu>> menus;
    quandMenuOuvert([&](QMenu& racine) {
        ouvertA = racine.pos();
        decompte = popup->TimerCloseAuto->isActive();
        menus << &racine;
        for (QMenu* sous : racine.findChildren<QMenu*>()) menus << sous;
        EXPECT_NE(entree(racine, "R&&D"), nullptr);  // shown as typed, no accelerator
        choisir(racine, {"A", "-"});
    });
    EXPECT_EQ(AfficheMenu(point, &liste, *popup), 5);  // after the four folders
    EXPECT_EQ(ouvertA, point);
    EXPECT_TRUE(decompte);
    ASSERT_EQ(menus.size(), 2);
    for (const QPointer<QMenu>& menu : menus) EXPECT_TRUE(menu.isNull());

    quandMenuOuvert([](QMenu& racine) { choisir(racine, {}); });
    EXPECT_EQ(AfficheMenu(point, &liste, *popup), 0);

    // Nothing to show: no menu, 0.
    EXPECT_EQ(AfficheMenu(point, nullptr, *popup), 0);
}

}  // namespace
}  // namespace vantor::test
