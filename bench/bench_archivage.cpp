// Archiving 50,000 qualifying documents with their folders into a new
// archive, against a bare SQLite copy of the same rows made in the same run.
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <unordered_map>

#include "maintenance_bench_support.h"
#include "notes/store/local_document.h"
#include "notes/store/store_admin.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;
using bench::kMailbox;
using bench::kServer;
using bench::kUser;

constexpr int kDocuments = 50000;
// Every third in "Clients", every fifth in "Projets", every seventh in "Projets\2004".
const QString kClients = QStringLiteral("Clients");
const QString kProjets = QStringLiteral("Projets");
const QString kProjets2004 = QStringLiteral("Projets\\2004");

struct Gabarit {
    QTemporaryDir dir;
    QString mailboxPath;
    QByteArray mailboxBytes;
    qint64 folderEntries = 0;

    Gabarit() {
        store::StoreAdmin admin(dir.path() + QStringLiteral("/notesdata"));
        admin.setUser(kUser, bench::kPassword, kServer, kMailbox);
        {
            auto db = admin.createMailbox(kServer, kMailbox, {kUser});
            store::Batch batch(*db);
            const QDateTime start(QDate(2005, 1, 1), QTime(8, 0));
            const QByteArray piece(8192, 'p');
            for (int i = 0; i < kDocuments; ++i) {
                auto doc = std::static_pointer_cast<store::LocalDocument>(db->createDocument());
                doc->setCreated(start.addSecs(i * 1800LL));
                doc->appendItem(QStringLiteral("Form"), notes::kText,
                                i % 4 ? QStringLiteral("Memo") : QStringLiteral("Reply"));
                doc->appendItem(QStringLiteral("From"), notes::kText,
                                QStringLiteral("Expéditeur %1/Vantor").arg(i % 50));
                doc->appendItem(QStringLiteral("SendTo"), notes::kText, kUser);
                doc->appendItem(QStringLiteral("Subject"), notes::kText,
                                QStringLiteral("Message numéro %1").arg(i));
                doc->appendItem(QStringLiteral("PostedDate"), store::kDateTimeItem,
                                QStringLiteral("01/01/2005 08:00:00"));
                doc->appendItem(
                    QStringLiteral("Body"), notes::kRichText,
                    QStringLiteral(
                        "Bonjour,\r\nvoici le compte rendu %1 de la réunion de la semaine, "
                        "avec les décisions prises et la suite à donner.\r\nCordialement")
                        .arg(i));
                if (i % 20 == 0)
                    doc->attachBytes(QStringLiteral("Body"), QStringLiteral("piece.bin"), piece);
                doc->save(true, false);
                doc->putInFolder(QStringLiteral("($Inbox)"), false);
                if (i % 3 == 0) doc->putInFolder(kClients, true), ++folderEntries;
                if (i % 5 == 0) doc->putInFolder(kProjets, true), ++folderEntries;
                if (i % 7 == 0) doc->putInFolder(kProjets2004, true), ++folderEntries;
            }
            batch.commit();
        }  // closed: the journal is folded into the file
        mailboxPath = admin.root().findFile(kServer, kMailbox);
        QFile f(mailboxPath);
        f.open(QIODevice::ReadOnly);
        mailboxBytes = f.readAll();
    }

    // Puts the mailbox back as built and a new empty archive beside it; its name.
    QString reinitialiser(int n) {
        QFile::remove(mailboxPath + QStringLiteral("-wal"));
        QFile::remove(mailboxPath + QStringLiteral("-shm"));
        QFile f(mailboxPath);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(mailboxBytes);
        f.close();
        const QString archive = QStringLiteral("archive\\copie%1.nsf").arg(n);
        store::StoreAdmin(dir.path() + QStringLiteral("/notesdata"))
            .createDatabase(QStringLiteral("local"), archive, {kUser});
        return archive;
    }
    QString archivePath(const QString& archive) const {
        return store::StoreAdmin(dir.path() + QStringLiteral("/notesdata"))
            .root()
            .findFile(QStringLiteral("local"), archive);
    }
};

Gabarit& gabarit() {
    static Gabarit g;
    return g;
}

int compteur = 0;

void archiverAvec(benchmark::State& state, int reponse) {
    Gabarit& g = gabarit();
    for (auto _ : state) {
        state.PauseTiming();
        const QString archive = g.reinitialiser(++compteur);
        bench::Programme p(g.dir.path());
        p.fenetre.archive = archive;
        p.dialogs.msgAnswers = {reponse};
        state.ResumeTiming();
        p.maintenance.CmdArchive_Click(0);
        state.PauseTiming();
        const QString attendu = QStringLiteral("%1 document(s) archivé(s).").arg(kDocuments);
        if (!p.dialogs.shown.back().text.startsWith(attendu))
            state.SkipWithError(p.dialogs.shown.back().text.toStdString().c_str());
        QFile::remove(g.archivePath(archive));
        state.ResumeTiming();
    }
    state.counters["docs_per_s"] =
        benchmark::Counter(kDocuments, benchmark::Counter::kIsIterationInvariantRate);
}

// Copies and folders, nothing leaves the mailbox.
void BM_ArchivageNon(benchmark::State& state) {
    archiverAvec(state, msg::kNo);
}
// Copies, folders, then each source read back against its copy and removed.
void BM_ArchivageOui(benchmark::State& state) {
    archiverAvec(state, msg::kYes);
}

struct Requete {
    sqlite3_stmt* s = nullptr;
    Requete(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Requete() { sqlite3_finalize(s); }
    operator sqlite3_stmt*() const { return s; }
};

// The same rows copied one document at a time with prepared statements, in
// one transaction: documents, items, attachments, the three folders and
// their entries.
void BM_CopieSqliteNue(benchmark::State& state) {
    Gabarit& g = gabarit();
    for (auto _ : state) {
        state.PauseTiming();
        const QString archive = g.reinitialiser(++compteur);
        state.ResumeTiming();
        sqlite3* src = nullptr;
        sqlite3* dst = nullptr;
        sqlite3_open_v2(g.mailboxPath.toUtf8().constData(), &src, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_open_v2(g.archivePath(archive).toUtf8().constData(), &dst, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_exec(dst, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; BEGIN IMMEDIATE",
                     nullptr, nullptr, nullptr);
        std::unordered_map<sqlite3_int64, sqlite3_int64> ids;
        {
            Requete docs(src, "SELECT id, unid, created FROM documents ORDER BY id");
            Requete items(src,
                          "SELECT seq, name, type, text FROM items WHERE doc = ?1 ORDER BY seq");
            Requete pieces(
                src,
                "SELECT item_seq, seq, name, type, size, data FROM attachments WHERE doc = ?1");
            Requete insDoc(dst, "INSERT INTO documents(unid, created) VALUES(?1, ?2)");
            Requete insItem(
                dst, "INSERT INTO items(doc, seq, name, type, text) VALUES(?1, ?2, ?3, ?4, ?5)");
            Requete insPiece(dst,
                             "INSERT INTO attachments(doc, item_seq, seq, name, type, size, data) "
                             "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
            while (sqlite3_step(docs) == SQLITE_ROW) {
                const sqlite3_int64 id = sqlite3_column_int64(docs, 0);
                sqlite3_bind_value(insDoc, 1, sqlite3_column_value(docs, 1));
                sqlite3_bind_value(insDoc, 2, sqlite3_column_value(docs, 2));
                sqlite3_step(insDoc);
                sqlite3_reset(insDoc);
                const sqlite3_int64 copie = sqlite3_last_insert_rowid(dst);
                ids[id] = copie;
                sqlite3_bind_int64(items, 1, id);
                while (sqlite3_step(items) == SQLITE_ROW) {
                    sqlite3_bind_int64(insItem, 1, copie);
                    for (int c = 0; c < 4; ++c)
                        sqlite3_bind_value(insItem, c + 2, sqlite3_column_value(items, c));
                    sqlite3_step(insItem);
                    sqlite3_reset(insItem);
                }
                sqlite3_reset(items);
                sqlite3_bind_int64(pieces, 1, id);
                while (sqlite3_step(pieces) == SQLITE_ROW) {
                    sqlite3_bind_int64(insPiece, 1, copie);
                    for (int c = 0; c < 6; ++c)
                        sqlite3_bind_value(insPiece, c + 2, sqlite3_column_value(pieces, c));
                    sqlite3_step(insPiece);
                    sqlite3_reset(insPiece);
                }
                sqlite3_reset(pieces);
            }
        }
        {
            Requete vues(src,
                         "SELECT id, key, name FROM views WHERE is_folder = 1 AND name NOT LIKE "
                         "'(%' ORDER BY id");
            Requete entrees(src, "SELECT doc FROM folder_entries WHERE view = ?1 ORDER BY doc");
            Requete insVue(dst, "INSERT INTO views(key, name, is_folder) VALUES(?1, ?2, 1)");
            Requete insEntree(dst, "INSERT INTO folder_entries(view, doc) VALUES(?1, ?2)");
            while (sqlite3_step(vues) == SQLITE_ROW) {
                sqlite3_bind_value(insVue, 1, sqlite3_column_value(vues, 1));
                sqlite3_bind_value(insVue, 2, sqlite3_column_value(vues, 2));
                sqlite3_step(insVue);
                sqlite3_reset(insVue);
                const sqlite3_int64 vue = sqlite3_last_insert_rowid(dst);
                sqlite3_bind_int64(entrees, 1, sqlite3_column_int64(vues, 0));
                while (sqlite3_step(entrees) == SQLITE_ROW) {
                    sqlite3_bind_int64(insEntree, 1, vue);
                    sqlite3_bind_int64(insEntree, 2, ids[sqlite3_column_int64(entrees, 0)]);
                    sqlite3_step(insEntree);
                    sqlite3_reset(insEntree);
                }
                sqlite3_reset(entrees);
            }
        }
        sqlite3_exec(dst, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(dst);
        sqlite3_close(src);
        state.PauseTiming();
        if (ids.size() != kDocuments) state.SkipWithError("wrong document count");
        QFile::remove(g.archivePath(archive));
        state.ResumeTiming();
    }
    state.counters["docs_per_s"] =
        benchmark::Counter(kDocuments, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_CopieSqliteNue)->Apply(bench::courses<5>);
BENCHMARK(BM_ArchivageNon)->Apply(bench::courses<5>);
BENCHMARK(BM_ArchivageOui)->Apply(bench::courses<5>);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);
    const QTime start = QTime::currentTime();
    gabarit();
    std::printf("generated %d documents (%lld folder entries) in %.1f s\n", kDocuments,
                static_cast<long long>(gabarit().folderEntries),
                start.msecsTo(QTime::currentTime()) / 1000.0);
    bench::RatioReporter reporter(
        {{"BM_ArchivageNon", "BM_CopieSqliteNue"}, {"BM_ArchivageOui", "BM_CopieSqliteNue"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
