// The phrase search of a mailbox into its folder "Recherche": what is found,
// what the folder then holds, what the client and the window show.
#include "maintenance_fixture.h"
#include "notes/store/memo.h"

namespace vantor::test {
namespace {

const QString kRecherche = QStringLiteral("Recherche");

class RechercheTest : public MaintenanceFixture {
  protected:
    void SetUp() override {
        admin.createFolder(kServer, kMailbox, kRecherche);
        // The hits of an earlier search, to be replaced.
        ancien = ajouter({.subject = "ancien", .folders = {kRecherche}});
    }

    // The search ended through its failure path: no message, the watch paused.
    void echecSilencieux(const QString& raison) {
        EXPECT_EQ(dialogs.shown.size(), 1u);  // the phrase's box only
        EXPECT_THAT(journal(), QHasSubstr(raison));
        EXPECT_FALSE(fenetre.timer.isActive());
        EXPECT_EQ(fenetre.arrets.size(), 1);
        EXPECT_TRUE(fenetre.activite.isEmpty());
    }

    QString ancien;
};

TEST_F(RechercheTest, FindsThePhraseInSubjectOrBodyWhateverItsCaseAndAccentsEachDocumentOnce) {
    ajouter({.subject = "Réunion budget"});
    ajouter({.subject = "Ordre du jour", .body = "Salle B pour la RÉUNION."});
    ajouter({.subject = "réunion", .body = "la réunion de lundi"});
    ajouter({.subject = "Reunion sans accent"});
    ajouter({.subject = "Compte rendu de réunion", .subjectItem = "SUBJECT"});
    ajouter({.subject = "Accent à part", .body = "une re\u0301union"});
    QStringList pendant;
    fenetre.pendant = [&](int tour) {
        if (tour == 2) pendant << fenetre.caption << fenetre.captionRechercher << fenetre.activite;
    };

    rechercher(QStringLiteral("RÉUNION"));

    EXPECT_EQ(dossier(*ouvrirBal(), kRecherche),
              (QStringList{"Réunion budget", "Ordre du jour", "réunion", "Compte rendu de réunion",
                           "Accent à part"}));
    EXPECT_TRUE(ouvrirBal()->getDocumentByUNID(ancien));  // out of the folder, still in the mailbox
    EXPECT_EQ(boite().text,
              QStringLiteral("Saisissez la phrase à rechercher:"));  // and no other box
    EXPECT_EQ(ouvertures, (QList<QStringList>{{kServer, kMailbox, kRecherche, QString(), "1"}}));
    EXPECT_EQ(fenetre.premierPlan, QStringList{"Lotus Notes"});
    EXPECT_EQ(pendant,
              QStringList({"Recherche en cours", "Recherche en cours", "Recherche en cours"}));
    EXPECT_EQ(fenetre.captionRechercher, QStringLiteral("Rechercher"));
    EXPECT_TRUE(fenetre.timer.isActive());
}

// Lower-casing is the whole folding: ß is not ss.
TEST_F(RechercheTest, NoHitStillOpensTheEmptiedFolderThenSaysSo) {
    ajouter({.subject = "Straße du port"});
    rechercher(QStringLiteral("STRASSE"));
    EXPECT_TRUE(dossier(*ouvrirBal(), kRecherche).isEmpty());
    EXPECT_EQ(ouvertures.size(), 1);
    EXPECT_EQ(boite().title + boite().text,
              QStringLiteral("RECHERCHE TERMINEEAucun document trouvé"));
}

TEST_F(RechercheTest, WithoutTheFolderTheUserIsToldAndTheWatchStaysPaused) {
    admin.open(kServer, kMailbox)->getDocumentByUNID(ancien)->remove(true);
    m.ecrireParam(keys::bal(1), QStringLiteral("mail\\equipe.nsf"));
    m.ecrireParam(keys::serveur(1), kServer);
    admin.createMailbox(kServer, QStringLiteral("mail\\equipe.nsf"), {kUser});
    fenetre.timer.start(30000);
    dialogs.inputAnswers = {QStringLiteral("budget")};
    maintenance.CmdRecherche_Click(1);
    EXPECT_EQ(boite().text, QStringLiteral("Merci de créer d'abord un dossier nommé : Recherche"));
    EXPECT_FALSE(admin.open(kServer, QStringLiteral("mail\\equipe.nsf"))->getView(kRecherche));
    EXPECT_TRUE(ouvertures.isEmpty());
    EXPECT_EQ(fenetre.arrets.size(), 1);  // the watch stays paused
}

TEST_F(RechercheTest, AnEmptyPhraseResumesTheWatchAndChangesNothing) {
    rechercher(QString());
    EXPECT_TRUE(fenetre.timer.isActive());
    EXPECT_EQ(fenetre.appels, 0);
    EXPECT_EQ(dossier(*ouvrirBal(), kRecherche), QStringList{"ancien"});
}

TEST_F(RechercheTest, APasswordAlreadyKnownIsReusedAndLocalMeansThisMachine) {
    const QString perso = QStringLiteral("mail\\perso.nsf");
    auto locale = admin.createMailbox(QStringLiteral("local"), perso, {kUser});
    admin.createFolder(QStringLiteral("local"), perso, kRecherche);
    deliver(*locale, QStringLiteral("Facture"));
    m.ecrireParam(keys::bal(2), perso);
    m.ecrireParam(keys::serveur(2), QStringLiteral("LOCAL"));
    m.ecrireParam(keys::kPassword, CrypteMotDePasse(QStringLiteral("périmé")).value());
    m.MotDePasse = kPassword;

    dialogs.inputAnswers = {QStringLiteral("facture")};
    maintenance.CmdRecherche_Click(2);

    EXPECT_EQ(dialogs.shown.size(), 1u);  // no password asked
    EXPECT_EQ(dossier(*admin.open(QStringLiteral("local"), perso), kRecherche),
              QStringList{"Facture"});
    EXPECT_EQ(ouvertures.value(0).value(0, "?"), QString());
}

TEST_F(RechercheTest, WithoutTheClientItsWindowOrTheRightPasswordNothingIsShown) {
    ajouter({.subject = "budget 2008"});
    clientReel = true;  // and none runs
    rechercher(QStringLiteral("budget"));
    echecSilencieux(QStringLiteral("n'est pas lancé"));
    EXPECT_EQ(dossier(*ouvrirBal(), kRecherche),
              QStringList{"budget 2008"});  // the hits stay filed

    clientReel = false;
    fenetre.fenetreClientPresente = false;
    for (const QString& raison : {QStringLiteral("Lotus Notes est introuvable"),
                                  QStringLiteral("Mot de passe incorrect")}) {
        dialogs.shown.clear();
        fenetre.arrets.clear();
        rechercher(QStringLiteral("budget"));
        echecSilencieux(raison);
        m.MotDePasse = QStringLiteral("faux");
    }
}

}  // namespace
}  // namespace vantor::test
