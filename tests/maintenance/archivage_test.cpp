// Archiving a mailbox into its local archive: what is copied and filed, what
// the second run does, what leaves the mailbox, and what the window shows.
#include <gmock/gmock.h>

#include "maintenance_fixture.h"

namespace vantor::test {
namespace {

using namespace ::testing;
using ArchivageTest = MaintenanceFixture;

const QString kFin = QStringLiteral(" document(s) archivé(s).\r\nA présent, vider la corbeille.");

TEST_F(ArchivageTest, CopiesMemoAndReplyFromBeforeTheLimitDayWithTheirIdsContentAndFolders) {
    const QString a = ajouter({.subject = "A",
                               .created = le(14, 3, 2008, 23, 59),
                               .folders = {"Projets"},
                               .attachment = QByteArray(70000, 'x')});
    const QString b = ajouter({.form = "Reply",
                               .subject = "B",
                               .created = le(3, 1, 2007),
                               .folders = {"Projets\\2004", "Recherche", "(Perso)", "Clients)"}});
    ajouter({.subject = "limite", .created = le(15, 3, 2008, 0, 0)});
    ajouter({.subject = "plus tard", .created = le(2, 4, 2009)});
    ajouter({.form = "memo", .subject = "minuscules"});
    ajouter({.form = QString(), .subject = "sans Form"});
    ajouter({.form = "Appointment", .subject = "rendez-vous", .folders = {"Projets"}});
    fenetre.timer.start(65000);
    QStringList pendantLaCopie;
    fenetre.pendant = [&](int appel) {
        if (appel == 2)  // the first document
            pendantLaCopie << fenetre.caption << fenetre.captionArchiver << fenetre.activite
                           << QString::number(fenetre.timer.isActive());
    };

    archiver(msg::kNo);

    const auto avant = contenu(*ouvrirBal());
    auto arch = ouvrirArchive();
    // Items, attachment bytes and ID alike.
    EXPECT_EQ(contenu(*arch), (decltype(avant){{a, avant.at(a)}, {b, avant.at(b)}}));
    EXPECT_EQ(dossier(*arch, QStringLiteral("Projets")), QStringList{"A"});
    EXPECT_EQ(dossier(*arch, QStringLiteral("Projets\\2004")), QStringList{"B"});
    for (const char* absent : {"Recherche", "(Perso)", "Clients)", "($Inbox)"})
        EXPECT_EQ(dossier(*arch, QString::fromUtf8(absent)), QStringList{"<absent>"}) << absent;

    EXPECT_EQ(pendantLaCopie,
              (QStringList{"Archivage en cours", "Archivage en cours", "Archivage en cours", "0"}));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text + QString::number(dialogs.shown[0].style),
              QStringLiteral("Supprimer les documents de la base source ?%1")
                  .arg(msg::kYesNoCancelDefaultNo));
    EXPECT_EQ(boite().text, QStringLiteral("2") + kFin);
    EXPECT_EQ(fenetre.caption, QStringLiteral("Vantor"));
    EXPECT_EQ(fenetre.retablissements, 1);
    EXPECT_EQ(fenetre.timer.interval(), 30000);
}

TEST_F(ArchivageTest, ASecondRunReplacesAnUnchangedCopyAndKeepsAnEditedOneBesideTheEarlier) {
    const QString a = ajouter({.subject = "A", .folders = {"Projets"}});
    const QString b = ajouter({.subject = "B"});
    archiver(msg::kNo);
    renommer(a, QStringLiteral("A corrigé"));
    ouvrirBal()->getDocumentByUNID(b)->putInFolder(QStringLiteral("Clients"));

    archiver(msg::kNo);

    EXPECT_EQ(boite().text, QStringLiteral("2") + kFin);
    auto arch = ouvrirArchive();
    EXPECT_EQ(contenu(*arch).size(), 3u);
    EXPECT_THAT(dossier(*arch, QStringLiteral("Projets")), UnorderedElementsAre("A", "A corrigé"));
    EXPECT_EQ(dossier(*arch, QStringLiteral("Clients")), QStringList{"B"});
}

// Turns of the run: 1 the progress display, then one per document of the
// copy pass and of each reproduced folder, then one per group of removals.
TEST_F(ArchivageTest, YesRemovesASourceOnlyWhenItsCopyReadsBackIdentical) {
    const QString a = ajouter({.subject = "A", .attachment = QByteArray("pièce")});
    const QString b = ajouter({.subject = "B"});
    const QString c = ajouter({.subject = "C"});
    const QString n = ajouter({.subject = "N", .created = le(1, 6, 2008)});
    fenetre.pendant = [&](int appel) {
        if (appel == 5) renommer(c, QStringLiteral("C modifié"));  // C copied: the user edits it
        if (appel == 6) ouvrirArchive()->getDocumentByUNID(b)->remove(true);  // another program
    };

    archiver(msg::kYes);

    EXPECT_THAT(contenu(*ouvrirBal()), AllOf(SizeIs(3), Not(Contains(Key(a)))));
    EXPECT_EQ(boite().text,
              QStringLiteral("3") + kFin +
                  QStringLiteral(
                      "\r\n\r\n2 document(s) conservé(s) dans la boîte : leur copie dans l'archive "
                      "n'a pas pu être vérifiée (voir erreur_log.txt)."));
    EXPECT_THAT(journal(), QHasSubstr(b));
    EXPECT_THAT(journal(), QHasSubstr(c + QStringLiteral(" (« C modifié »)")));

    fenetre.pendant = nullptr;
    archiver(msg::kYes);
    EXPECT_EQ(boite().text, QStringLiteral("2") + kFin);
    EXPECT_THAT(contenu(*ouvrirBal()), ElementsAre(Key(n)));
    // C's earlier copy stays beside the edited one.
    EXPECT_EQ(contenu(*ouvrirArchive()).size(), 4u);
}

TEST_F(ArchivageTest, ARefusedDateOrCancelEndsTheRunBeforeAnythingChanges) {
    ajouter({.subject = "A"});
    fenetre.timer.start(65000);
    for (const char* date : {"", "31/02/2008"}) {
        fenetre.dates[0] = QString::fromUtf8(date);
        archiver(msg::kYes);
    }
    fenetre.dates[0] = QStringLiteral("15/03/2008");
    archiver(msg::kCancel);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].text + dialogs.shown[1].text,
              QStringLiteral("Date incorrecte.Date incorrecte."));

    EXPECT_EQ(fenetre.appels, 0);
    EXPECT_EQ(fenetre.timer.interval(), 65000);
    EXPECT_TRUE(contenu(*ouvrirArchive()).empty());
}

TEST_F(ArchivageTest, ASlotNotOnAServerCopiesNothingButItsArchiveMustOpen) {
    ajouter({.subject = "A"});
    m.ecrireParam(keys::serveur(0), QStringLiteral("LOCAL"));
    archiver(msg::kYes);
    EXPECT_EQ(boite().text, QStringLiteral("0") + kFin);
    EXPECT_EQ(contenu(*ouvrirBal()).size(), 1u);

    fenetre.archives[0] = QStringLiteral("archive\\absente.nsf");
    archiver(msg::kYes);
    EXPECT_THAT(boite().text, QHasSubstr(QStringLiteral("absente.nsf")));
    EXPECT_FALSE(fenetre.timer.isActive());
    EXPECT_THAT(fenetre.arrets, ElementsAre(QHasSubstr(QStringLiteral("archivage interrompu : "))));
}

// The popup's delete runs between documents: the one about to be read may go.
TEST_F(ArchivageTest, ADocumentDeletedMeanwhileIsNeitherArchivedNorFound) {
    admin.createFolder(kServer, kMailbox, QStringLiteral("Recherche"));
    ajouter({.subject = "A budget"});
    const QString b = ajouter({.subject = "B budget"});
    const QString c = ajouter({.subject = "C budget"});
    QString partant = b;
    fenetre.pendant = [&](int tour) {
        if (tour == 3) ouvrirBal()->getDocumentByUNID(partant)->remove(true);
    };
    archiver(msg::kNo);
    EXPECT_EQ(boite().text, QStringLiteral("2") + kFin);

    fenetre.appels = 0;
    partant = c;
    rechercher(QStringLiteral("budget"));
    EXPECT_EQ(dossier(*ouvrirBal(), QStringLiteral("Recherche")), QStringList{"A budget"});
}

TEST_F(ArchivageTest, ASecondArchivingOrSearchIsRefusedWhileOneRuns) {
    ajouter({.subject = "A"});
    fenetre.pendant = [&](int appel) {
        if (appel != 2) return;
        maintenance.CmdArchive_Click(1);
        maintenance.CmdRecherche_Click(0);
    };
    archiver(msg::kNo);
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[1].text + dialogs.shown[2].text,
              QStringLiteral("Un archivage ou une recherche est déjà en cours.").repeated(2));
    EXPECT_EQ(boite().text, QStringLiteral("1") + kFin);
    EXPECT_FALSE(maintenance.enCours());
}

}  // namespace
}  // namespace vantor::test
