// Archiving never loses a message (own file, same ID, power cut) and each copy
// keeps the date the user knew it by.
#include <gmock/gmock.h>

#include <QFile>

#include "maintenance_fixture.h"
#include "support/power_cut.h"

namespace vantor::test {
namespace {

using ::testing::HasSubstr;
using ArchivagePertesTest = MaintenanceFixture;

const QString kEquipe = QStringLiteral("mail\\equipe.nsf");

// An archive name that leads to the mailbox's file: through a linked folder,
// a symbolic link, a hard link.
class ArchiveQuiEstLaBoite : public MaintenanceFixture,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(ArchiveQuiEstLaBoite, IsRefusedBeforeAnythingIsCopied) {
    const QString a = ajouter({.subject = "A", .created = le(3, 1, 2007), .folders = {"Projets"}});
    const store::DataRoot racine(dir.file(QStringLiteral("notesdata")));
    const QString fichier = racine.findFile(kServer, kMailbox);
    const QString archive = QString::fromUtf8(GetParam());
    const QString lien = racine.serverFolder(QString()) + '/' + QString(archive).replace('\\', '/');
    ASSERT_TRUE(archive.startsWith("lien")
                    ? QFile::link(QFileInfo(fichier).path(), QFileInfo(lien).path())
                : archive.startsWith("raccourci")
                    ? QFile::link(fichier, lien)
                    : ::link(QFile::encodeName(fichier), QFile::encodeName(lien)) == 0);
    fenetre.archives[0] = archive;
    const auto avant = contenu(*ouvrirBal());

    archiver(msg::kYes);

    EXPECT_THAT(boite().text.toStdString(), HasSubstr("est le fichier même de la boîte"));
    EXPECT_EQ(contenu(*ouvrirBal()), avant);
    EXPECT_EQ(dossier(*ouvrirBal(), QStringLiteral("Projets")), QStringList{"A"});
    EXPECT_EQ(ouvrirBal()->getDocumentByUNID(a)->created(), le(3, 1, 2007));
}

INSTANTIATE_TEST_SUITE_P(Chemins, ArchiveQuiEstLaBoite,
                         ::testing::Values("lien\\jdupont.nsf", "raccourci.nsf", "copie.nsf"));

TEST_F(ArchivagePertesTest, AnotherMessageUnderAnArchivedIdIsKeptBesideItWithItsOwnDate) {
    const QString a = ajouter({.subject = "A", .folders = {"Projets"}});
    archiver(msg::kNo);
    auto equipe = admin.createMailbox(kServer, kEquipe, {kUser});
    store::Memo autre = memo(QStringLiteral("B"));
    autre.unid = a;
    autre.created = le(2, 2, 2008, 9, 30);
    deliver(*equipe, autre);
    m.ecrireParam(keys::serveur(1), kServer);
    m.ecrireParam(keys::bal(1), kEquipe);
    fenetre.archives[1] = kArchive;
    fenetre.dates[1] = fenetre.dates[0];

    dialogs.msgAnswers = {msg::kYes};
    maintenance.CmdArchive_Click(1);

    auto arch = ouvrirArchive();
    EXPECT_EQ(arch->getDocumentByUNID(a)->itemValue(QStringLiteral("Subject")),
              QStringLiteral("A"));
    EXPECT_EQ(dossier(*arch, QStringLiteral("Projets")), QStringList{"A"});
    const notes::ViewPtr all = arch->getView(QStringLiteral("($All)"));
    QList<QDateTime> dates;
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        dates << d->created();
    EXPECT_THAT(dates, ::testing::UnorderedElementsAre(le(1, 2, 2008), le(2, 2, 2008, 9, 30)));
    EXPECT_TRUE(contenu(*admin.open(kServer, kEquipe)).empty());  // its copy was verified
    EXPECT_THAT(journal().toStdString(), HasSubstr(("les deux y sont gardés, la copie de « B »")));
}

// The mailbox's removals reach the disk, as a system flushes them in time;
// the archive keeps only what was synced.
TEST_F(ArchivagePertesTest, APowerCutRightAfterTheRunLosesNoMessage) {
    QStringList unids;
    for (int i = 0; i < 20; ++i) unids << ajouter({.subject = QString::number(i)});
    PowerCut coupure(QFile::encodeName(dir.file(QStringLiteral("notesdata"))) + "/local");

    archiver(msg::kYes);
    ASSERT_TRUE(contenu(*ouvrirBal()).empty());
    coupure.cut();
    bal.reset();
    archive.reset();
    coupure.restart();

    const auto restes = contenu(*ouvrirBal());
    const auto copies = contenu(*ouvrirArchive());
    for (const QString& unid : unids)
        EXPECT_TRUE(restes.count(unid) + copies.count(unid) > 0) << qPrintable(unid);
}

}  // namespace
}  // namespace vantor::test
