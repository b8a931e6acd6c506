// A fault in the middle of each pass of an archiving run, made with real
// files: the archive's file size limit reached, the archive or the mailbox
// locked by another connection. Nothing may be lost, and a second run
// completes the work.
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
class LimiteDeTaille {
  public:
    explicit LimiteDeTaille(rlim_t octets) {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &avant_);
        const rlimit limite{octets, avant_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteDeTaille() { setrlimit(RLIMIT_FSIZE, &avant_); }

  private:
    rlimit avant_{};
};

// Another program's connection holding the write lock of a database file.
class Verrou {
  public:
    explicit Verrou(const QString& chemin) { sqlite3_open(chemin.toUtf8().constData(), &db_); }
    ~Verrou() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    // True once held; fails at once while the run holds it itself.
    bool prendre() {
        if (!tenu_)
            tenu_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        return tenu_;
    }

  private:
    sqlite3* db_ = nullptr;
    bool tenu_ = false;
};

// Which fault, at which turn of the run, and what it leaves in the mailbox.
enum class Panne { ArchivePleine, ArchiveVerrouillee, BoiteVerrouillee };
enum class Reste { Tout, UnePartie };
struct Cas {
    const char* nom;
    Panne panne;
    int tour;
    const char* raison;
    Reste reste;
    friend void PrintTo(const Cas& c, std::ostream* os) { *os << c.nom; }
};

class ArchivageEchecTest : public MaintenanceFixture, public ::testing::WithParamInterface<Cas> {
  protected:
    void SetUp() override {
        store::Batch lot(*bal);
        for (int i = 0; i < kDocuments; ++i) {
            QStringList dossiers;
            if (i % 3 == 0) dossiers << QStringLiteral("Projets");
            if (i % 2 == 0) dossiers << QStringLiteral("Clients");
            ajouter(
                {.subject = QStringLiteral("n° %1").arg(i),
                 .created = le(1, 1, 2007).addSecs(i * 60),
                 .folders = dossiers,
                 .attachment = i % 10 == 0 ? QByteArray(5000, char('a' + i % 26)) : QByteArray()});
        }
        lot.commit();
        originaux = contenu(*bal);
    }

    QString chemin(const QString& serveur, const QString& fichier) const {
        return admin.root().findFile(serveur, fichier);
    }

    // Every document is still in the mailbox as it was, or identical in the archive.
    void rienNEstPerdu() {
        const auto restants = contenu(*ouvrirBal());
        const auto copies = contenu(*ouvrirArchive());
        for (const auto& [unid, empreinte] : originaux) {
            if (restants.count(unid)) {
                EXPECT_EQ(restants.at(unid), empreinte);
            } else {
                ASSERT_TRUE(copies.count(unid)) << unid.toStdString() << " est perdu";
                EXPECT_EQ(copies.at(unid), empreinte);
            }
        }
    }

    // The run ended through its failure path with `raison` in its message.
    void echecAnnonce(const QString& raison) {
        EXPECT_EQ(boite().style, msg::kCritical);
        EXPECT_THAT(boite().text, QHasSubstr(raison));
        EXPECT_THAT(journal(), QHasSubstr(boite().text));
        EXPECT_EQ(fenetre.arrets.size(), 1);
        EXPECT_EQ(fenetre.caption, QStringLiteral("Vantor"));
    }

    // A run without the fault archives what is left and empties the mailbox.
    void uneSecondeCourseTermine() {
        fenetre.pendant = nullptr;
        const int restants = static_cast<int>(contenu(*ouvrirBal()).size());
        archiver(msg::kYes);
        EXPECT_THAT(boite().text,
                    QHasSubstr(QStringLiteral("%1 document(s) archivé(s).").arg(restants)));
        EXPECT_TRUE(contenu(*ouvrirBal()).empty());
        EXPECT_EQ(contenu(*ouvrirArchive()), originaux);
        EXPECT_EQ(dossier(*ouvrirArchive(), QStringLiteral("Projets")).size(), kDansProjets);
        EXPECT_EQ(dossier(*ouvrirArchive(), QStringLiteral("Clients")).size(), kDansClients);
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
        verrou.emplace(c.panne == Panne::BoiteVerrouillee
                           ? chemin(kServer, kMailbox)
                           : chemin(QStringLiteral("local"), kArchive));
    fenetre.pendant = [&](int tour) {
        if (tour < c.tour) return;
        if (verrou) verrou->prendre();
        else if (!plein) plein.emplace(64 * 1024);
    };
    archiver(msg::kYes);
    plein.reset();
    verrou.reset();
    echecAnnonce(QString::fromUtf8(c.raison));
    const size_t restants = contenu(*ouvrirBal()).size();
    if (c.reste == Reste::Tout) {
        EXPECT_EQ(restants, static_cast<size_t>(kDocuments));
    } else {
        EXPECT_GT(restants, 0u);
        EXPECT_LT(restants, static_cast<size_t>(kDocuments));
    }
    rienNEstPerdu();
    uneSecondeCourseTermine();
}

INSTANTIATE_TEST_SUITE_P(
    Passes, ArchivageEchecTest,
    ::testing::Values(
        Cas{"ArchiveFullInTheCopyPass", Panne::ArchivePleine, kDocuments / 2,
            "jdupont_archive.nsf", Reste::Tout},
        Cas{"ArchiveLockedInTheCopyPass", Panne::ArchiveVerrouillee, kDocuments / 4,
            "verrouillée", Reste::Tout},
        Cas{"ArchiveLockedInTheFolderPass", Panne::ArchiveVerrouillee,
            kPremierTourDossiers + kDansProjets, "verrouillée", Reste::Tout},
        Cas{"MailboxLockedInTheDeletionPass", Panne::BoiteVerrouillee,
            kPremierTourSuppression + 4, "verrouillée", Reste::UnePartie}),
    [](const ::testing::TestParamInfo<Cas>& info) { return std::string(info.param.nom); });

}  // namespace
}  // namespace vantor::test
