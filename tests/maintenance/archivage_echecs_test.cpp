// A real fault (file size limit, a lock held elsewhere) in each pass of an
// archiving run: nothing is lost, and a second run completes the work.
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include "maintenance_fixture.h"
#include "notes/store/local_database.h"

namespace vantor::test {
namespace {

constexpr int kDocuments = 600;
// Filed in "Projets" and in "Clients": more than one batch of filings.
constexpr int kDansProjets = kDocuments / 3;
constexpr int kDansClients = kDocuments / 2;

// Files may not grow past `octets` while it lives (SIGXFSZ ignored: writes fail).
struct LimiteDeTaille {
    explicit LimiteDeTaille(rlim_t octets) {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &avant);
        const rlimit limite{octets, avant.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteDeTaille() { setrlimit(RLIMIT_FSIZE, &avant); }
    rlimit avant{};
};

// Another program's connection to a database file, taking its write lock.
struct Verrou {
    explicit Verrou(const QString& chemin) { sqlite3_open(chemin.toUtf8().constData(), &db); }
    ~Verrou() { sqlite3_close_v2(db); }  // a transaction left open is rolled back
    // Fails at once while the run holds the lock itself: tried again at the next turn.
    void prendre() {
        tenu = tenu || sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3* db = nullptr;
    bool tenu = false;
};

// Which fault, at which turn of the run, and what it leaves in the mailbox.
// Only a fault in the removal pass leaves part of the mailbox archived.
enum class Panne { ArchivePleine, ArchiveVerrouillee, BoiteVerrouillee };
struct Cas {
    const char* nom;
    Panne panne;
    int tour;
    const char* raison;
};

class ArchivageEchecTest : public MaintenanceFixture, public ::testing::WithParamInterface<Cas> {
  protected:
    void SetUp() override {
        store::Batch lot(*bal);
        for (int i = 0; i < kDocuments; ++i) {
            QStringList dossiers;
            if (i % 3 == 0) dossiers << "Projets";
            if (i % 2 == 0) dossiers << "Clients";
            ajouter(
                {.subject = QStringLiteral("n° %1").arg(i),
                 .created = le(1, 1, 2007).addSecs(i * 60),
                 .folders = dossiers,
                 .attachment = i % 10 == 0 ? QByteArray(5000, char('a' + i % 26)) : QByteArray()});
        }
        lot.commit();
        originaux = contenu(*bal);
    }

    std::map<QString, QByteArray> originaux;
};

// Turns: 1 the progress display, 2 to 601 the copy pass, then "Projets" and
// "Clients", then one per group of removals (of 64).
constexpr int kPremierTourDossiers = 2 + kDocuments;
constexpr int kPremierTourSuppression = kPremierTourDossiers + kDansProjets + kDansClients;

TEST_P(ArchivageEchecTest, FaultMidRunLosesNothingAndASecondRunCompletes) {
    const Cas& c = GetParam();
    std::optional<LimiteDeTaille> plein;
    std::optional<Verrou> verrou;
    if (c.panne != Panne::ArchivePleine)
        verrou.emplace(
            admin.root().findFile(c.panne == Panne::BoiteVerrouillee ? kServer : "local",
                                  c.panne == Panne::BoiteVerrouillee ? kMailbox : kArchive));
    fenetre.pendant = [&](int tour) {
        if (tour < c.tour) return;
        if (verrou)
            verrou->prendre();
        else if (!plein)
            plein.emplace(64 * 1024);
    };
    archiver(msg::kYes);
    plein.reset();
    verrou.reset();
    // Through the failure path, named, logged, the watch stopped.
    EXPECT_EQ(boite().style, msg::kCritical);
    EXPECT_THAT(boite().text, QHasSubstr(QString::fromUtf8(c.raison)));
    EXPECT_THAT(journal(), QHasSubstr(boite().text));
    EXPECT_EQ(fenetre.arrets.size(), 1);
    EXPECT_EQ(fenetre.caption, QStringLiteral("Vantor"));

    // Every document is still in the mailbox as it was, or identical in the archive.
    const auto restants = contenu(*ouvrirBal());
    const auto copies = contenu(*ouvrirArchive());
    for (const auto& [unid, empreinte] : originaux)
        EXPECT_EQ(restants.count(unid) ? restants.at(unid)
                  : copies.count(unid) ? copies.at(unid)
                                       : "perdu",
                  empreinte)
            << unid.toStdString();
    if (c.panne == Panne::BoiteVerrouillee)
        EXPECT_THAT(restants.size(),
                    ::testing::AllOf(::testing::Gt(0u), ::testing::Lt(size_t(kDocuments))));
    else
        EXPECT_EQ(restants.size(), size_t(kDocuments));

    // A run without the fault archives what is left and empties the mailbox.
    fenetre.pendant = nullptr;
    archiver(msg::kYes);
    EXPECT_THAT(boite().text,
                QHasSubstr(QStringLiteral("%1 document(s) archivé(s).").arg(restants.size())));
    EXPECT_TRUE(contenu(*ouvrirBal()).empty());
    EXPECT_EQ(contenu(*ouvrirArchive()), originaux);
    EXPECT_EQ(dossier(*ouvrirArchive(), QStringLiteral("Projets")).size(), kDansProjets);
    EXPECT_EQ(dossier(*ouvrirArchive(), QStringLiteral("Clients")).size(), kDansClients);
}

INSTANTIATE_TEST_SUITE_P(
    Passes, ArchivageEchecTest,
    ::testing::Values(Cas{"ArchiveFullInTheCopyPass", Panne::ArchivePleine, kDocuments / 2,
                          "jdupont_archive.nsf"},
                      Cas{"ArchiveLockedInTheCopyPass", Panne::ArchiveVerrouillee, kDocuments / 4,
                          "verrouillée"},
                      Cas{"ArchiveLockedInTheFolderPass", Panne::ArchiveVerrouillee,
                          kPremierTourDossiers + kDansProjets, "verrouillée"},
                      Cas{"MailboxLockedInTheDeletionPass", Panne::BoiteVerrouillee,
                          kPremierTourSuppression + 4, "verrouillée"}),
    [](const ::testing::TestParamInfo<Cas>& info) { return std::string(info.param.nom); });

}  // namespace
}  // namespace vantor::test
