// Collecting a mailbox's folder list from a real store, and what a failure
// or a slot without a mailbox leaves in the list.
#include "actions/charge_dossiers.h"

#include "actions_fixture.h"

namespace vantor::test {
namespace {

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

}  // namespace
}  // namespace vantor::test
