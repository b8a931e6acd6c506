// Archiving a mailbox into its local archive: what is copied and filed, what
// the second run does, what leaves the mailbox, and what the window shows.
#include <gmock/gmock.h>

#include "maintenance_fixture.h"

namespace vantor::test {
namespace {

using ArchivageTest = MaintenanceFixture;

const QString kFin = QStringLiteral(" document(s) archivé(s).\r\nA présent, vider la corbeille.");

TEST_F(ArchivageTest, CopiesMemoAndReplyFromBeforeTheLimitDayWithTheirIdsContentAndFolders) {
    const QString a = ajouter({.subject = QStringLiteral("A"),
                               .created = le(14, 3, 2008, 23, 59),
                               .folders = {QStringLiteral("Projets")},
                               .attachment = QByteArray(70000, 'x')});
    const QString b =
        ajouter({.form = QStringLiteral("Reply"),
                 .subject = QStringLiteral("B"),
                 .created = le(3, 1, 2007),
                 .folders = {QStringLiteral("Projets\\2004"), QStringLiteral("Recherche"),
                             QStringLiteral("(Perso)"), QStringLiteral("Clients)")}});
    ajouter({.subject = QStringLiteral("limite"), .created = le(15, 3, 2008, 0, 0)});
    ajouter({.subject = QStringLiteral("plus tard"), .created = le(2, 4, 2009)});
    ajouter({.form = QStringLiteral("memo"), .subject = QStringLiteral("minuscules")});
    ajouter({.form = QString(), .subject = QStringLiteral("sans Form")});
    ajouter({.form = QStringLiteral("Appointment"),
             .subject = QStringLiteral("rendez-vous"),
             .folders = {QStringLiteral("Projets")}});
    fenetre.timer.start(65000);
    QStringList pendantLaCopie;
    fenetre.pendant = [&](int appel) {
        if (appel == 2)  // the first document
            pendantLaCopie << fenetre.caption << fenetre.captionArchiver << fenetre.activite
                           << QString::number(fenetre.timer.isActive());
    };

    archiver(msg::kNo);

    const auto avant = contenu(*ouvrirBal());
    const auto copies = contenu(*ouvrirArchive());
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies.at(a), avant.at(a));  // items, attachment bytes and ID alike
    EXPECT_EQ(copies.at(b), avant.at(b));
    auto arch = ouvrirArchive();
    EXPECT_EQ(dossier(*arch, QStringLiteral("Projets")), QStringList{"A"});
    EXPECT_EQ(dossier(*arch, QStringLiteral("Projets\\2004")), QStringList{"B"});
    for (const char* absent : {"Recherche", "(Perso)", "Clients)", "($Inbox)"})
        EXPECT_EQ(dossier(*arch, QString::fromUtf8(absent)), QStringList{"<absent>"}) << absent;

    EXPECT_EQ(pendantLaCopie,
              (QStringList{"Archivage en cours", "Archivage en cours", "Archivage en cours", "0"}));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Supprimer les documents de la base source ?"));
    EXPECT_EQ(dialogs.shown[0].style, msg::kYesNoCancelDefaultNo);
    EXPECT_EQ(boite().text, QStringLiteral("2") + kFin);
    EXPECT_EQ(fenetre.caption, QStringLiteral("Vantor"));
    EXPECT_EQ(fenetre.retablissements, 1);
    EXPECT_EQ(fenetre.timer.interval(), 30000);
}

TEST_F(ArchivageTest, ASecondRunReplacesAnUnchangedCopyAndKeepsAnEditedOneBesideTheEarlier) {
    const QString a =
        ajouter({.subject = QStringLiteral("A"), .folders = {QStringLiteral("Projets")}});
    const QString b = ajouter({.subject = QStringLiteral("B")});
    archiver(msg::kNo);
    {
        auto boite = ouvrirBal();
        auto docA = boite->getDocumentByUNID(a);
        docA->replaceItemValue(QStringLiteral("Subject"), QStringLiteral("A corrigé"));
        docA->save(true, false);
        boite->getDocumentByUNID(b)->putInFolder(QStringLiteral("Clients"));
    }

    archiver(msg::kNo);

    EXPECT_EQ(boite().text, QStringLiteral("2") + kFin);
    auto arch = ouvrirArchive();
    EXPECT_EQ(contenu(*arch).size(), 3u);
    EXPECT_THAT(dossier(*arch, QStringLiteral("Projets")),
                ::testing::UnorderedElementsAre("A", "A corrigé"));
    EXPECT_EQ(dossier(*arch, QStringLiteral("Clients")), QStringList{"B"});
}

// Turns of the run: 1 the progress display, then one per document of the
// copy pass and of each reproduced folder, then one per group of removals.
TEST_F(ArchivageTest, YesRemovesASourceOnlyWhenItsCopyReadsBackIdentical) {
    const QString a = ajouter({.subject = QStringLiteral("A"), .attachment = QByteArray("pièce")});
    const QString b = ajouter({.subject = QStringLiteral("B")});
    const QString c = ajouter({.subject = QStringLiteral("C")});
    const QString n = ajouter({.subject = QStringLiteral("N"), .created = le(1, 6, 2008)});
    fenetre.pendant = [&](int appel) {
        if (appel == 5) {  // C copied: the user edits it meanwhile
            auto docC = ouvrirBal()->getDocumentByUNID(c);
            docC->replaceItemValue(QStringLiteral("Subject"), QStringLiteral("C modifié"));
            docC->save(true, false);
        }
        if (appel == 6) ouvrirArchive()->getDocumentByUNID(b)->remove(true);  // another program
    };

    archiver(msg::kYes);

    auto restants = contenu(*ouvrirBal());
    EXPECT_EQ(restants.size(), 3u);
    EXPECT_FALSE(restants.count(a));
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
    restants = contenu(*ouvrirBal());
    EXPECT_EQ(restants.size(), 1u);
    EXPECT_TRUE(restants.count(n));
    // C's earlier copy stays beside the edited one.
    EXPECT_EQ(contenu(*ouvrirArchive()).size(), 4u);
}

TEST_F(ArchivageTest, ARefusedDateOrCancelEndsTheRunBeforeAnythingChanges) {
    ajouter({.subject = QStringLiteral("A")});
    fenetre.timer.start(65000);
    for (const char* date : {"", "31/02/2008"}) {
        dialogs.shown.clear();
        fenetre.dates[0] = QString::fromUtf8(date);
        archiver(msg::kYes);
        ASSERT_EQ(dialogs.shown.size(), 1u) << date;
        EXPECT_EQ(boite().text, QStringLiteral("Date incorrecte."));
    }
    fenetre.dates[0] = QStringLiteral("15/03/2008");
    dialogs.shown.clear();
    archiver(msg::kCancel);
    EXPECT_EQ(dialogs.shown.size(), 1u);

    EXPECT_EQ(fenetre.appels, 0);
    EXPECT_EQ(fenetre.timer.interval(), 65000);
    EXPECT_TRUE(contenu(*ouvrirArchive()).empty());
}

TEST_F(ArchivageTest, ASlotNotOnAServerCopiesNothingButItsArchiveMustOpen) {
    ajouter({.subject = QStringLiteral("A")});
    m.ecrireParam(keys::serveur(0), QStringLiteral("LOCAL"));
    archiver(msg::kYes);
    EXPECT_EQ(boite().text, QStringLiteral("0") + kFin);
    EXPECT_EQ(contenu(*ouvrirBal()).size(), 1u);

    fenetre.archives[0] = QStringLiteral("archive\\absente.nsf");
    archiver(msg::kYes);
    EXPECT_THAT(boite().text, QHasSubstr(QStringLiteral("absente.nsf")));
    EXPECT_FALSE(fenetre.timer.isActive());
    ASSERT_EQ(fenetre.arrets.size(), 1);
    EXPECT_TRUE(fenetre.arrets[0].startsWith(QStringLiteral("archivage interrompu : ")));
}

// The popup's delete runs between documents: the one about to be read may go.
TEST_F(ArchivageTest, ADocumentDeletedMeanwhileIsNeitherArchivedNorFound) {
    admin.createFolder(kServer, kMailbox, QStringLiteral("Recherche"));
    ajouter({.subject = QStringLiteral("A budget")});
    const QString b = ajouter({.subject = QStringLiteral("B budget")});
    const QString c = ajouter({.subject = QStringLiteral("C budget")});
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
    ajouter({.subject = QStringLiteral("A")});
    fenetre.pendant = [&](int appel) {
        if (appel != 2) return;
        maintenance.CmdArchive_Click(1);
        maintenance.CmdRecherche_Click(0);
    };
    archiver(msg::kNo);
    ASSERT_EQ(dialogs.shown.size(), 4u);
    for (int i : {1, 2})
        EXPECT_EQ(dialogs.shown[i].text,
                  QStringLiteral("Un archivage ou une recherche est déjà en cours."));
    EXPECT_EQ(boite().text, QStringLiteral("1") + kFin);
    EXPECT_FALSE(maintenance.enCours());
}

}  // namespace
}  // namespace vantor::test
