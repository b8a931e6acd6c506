// The scan's inner loop on a 100,000-document mailbox: walk "($All)" reading
// each document's creation time, against bare SQLite reads of the same rows.
// VANTOR_BENCH_SCALE=0.1 walks 10,000 (for callgrind).
#include <sqlite3.h>

#include <QTemporaryDir>

#include "notes/store/local_client.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;

const int kDocuments = bench::scaled(100000);
const QString kServer = QStringLiteral("Paris/Vantor");
const QString kFile = QStringLiteral("mail\\grosse.nsf");
const QString kUser = QStringLiteral("Jean Dupont/Vantor");

struct Mailbox {
    QTemporaryDir dir;
    QString path;
    long rssBeforeKb = 0;

    Mailbox() {
        store::StoreAdmin admin(dir.path());
        admin.setUser(kUser, QStringLiteral("vantor"), kServer, kFile);
        auto db = admin.createMailbox(kServer, kFile, {kUser});
        // One transaction for the whole mailbox: the bulk path.
        store::Batch batch(*db);
        const QDateTime start = QDateTime::currentDateTime().addDays(-400);
        for (int i = 0; i < kDocuments; ++i) {
            store::Memo memo;
            memo.from = QStringLiteral("Expéditeur %1/Vantor").arg(i % 50);
            memo.sendTo = kUser;
            memo.subject = QStringLiteral("Message numéro %1").arg(i);
            memo.body = QStringLiteral("Bonjour,\nceci est le message %1.\nCordialement").arg(i);
            memo.created = start.addSecs(i * 300);
            store::deliverMemo(*db, memo);
        }
        batch.commit();
        path = admin.root().findFile(kServer, kFile);
    }
};

Mailbox& mailbox() {
    static Mailbox box;
    return box;
}

// Walks "($All)" through the store's interfaces, reading what `read` reads of each document.
template <typename Read>
void walkAll(benchmark::State& state, Read read) {
    Mailbox& box = mailbox();
    store::LocalClient client(box.dir.path());
    const long rssBefore = bench::statusKb("VmRSS");
    bench::resetPeakMemory();
    qint64 checksum = 0;
    for (auto _ : state) {
        notes::SessionPtr session = client.createBackendSession();
        session->initialize(QStringLiteral("vantor"));
        notes::ViewPtr all = session->getDbDirectory(kServer)
                                 ->openDatabase(kFile, false)
                                 ->getView(QStringLiteral("($All)"));
        int n = 0;
        for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d)) {
            checksum += read(*d);
            ++n;
        }
        if (n != kDocuments) state.SkipWithError("wrong document count");
    }
    benchmark::DoNotOptimize(checksum);
    state.counters["rss_before_kB"] = static_cast<double>(rssBefore);
    state.counters["rss_after_kB"] = static_cast<double>(bench::statusKb("VmRSS"));
    state.counters["peak_during_kB"] = static_cast<double>(bench::statusKb("VmHWM"));
    state.counters["docs"] = kDocuments;
}

// The scan's inner loop: each document's creation time, in seconds.
void BM_WalkAllReadingCreated(benchmark::State& state) {
    walkAll(state, [](const notes::Document& d) { return d.createdSecsSinceEpoch(); });
}

// The same walk building each creation date-time in local time, as a reader
// that needs the calendar day does (for information: Qt's local-time
// conversion is most of it).
void BM_WalkAllBuildingLocalCreated(benchmark::State& state) {
    walkAll(state, [](const notes::Document& d) { return d.created().date().toJulianDay(); });
}

// The same rows, one indexed fetch per document, straight from SQLite.
void BM_BareSqliteFetchByKey(benchmark::State& state) {
    Mailbox& box = mailbox();
    qint64 checksum = 0;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(box.path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* next = nullptr;
        sqlite3_prepare_v2(
            db, "SELECT id, unid, created FROM documents WHERE id > ?1 ORDER BY id LIMIT 1", -1,
            &next, nullptr);
        sqlite3_int64 id = 0;
        int n = 0;
        for (;;) {
            sqlite3_bind_int64(next, 1, id);
            if (sqlite3_step(next) != SQLITE_ROW) break;
            id = sqlite3_column_int64(next, 0);
            benchmark::DoNotOptimize(sqlite3_column_text(next, 1));
            checksum += sqlite3_column_int64(next, 2) / 1000;
            sqlite3_reset(next);
            ++n;
        }
        sqlite3_finalize(next);
        sqlite3_close(db);
        if (n != kDocuments) state.SkipWithError("wrong document count");
    }
    benchmark::DoNotOptimize(checksum);
}

// The same rows in one sequential query: the floor of any walk.
void BM_BareSqliteSequentialScan(benchmark::State& state) {
    Mailbox& box = mailbox();
    qint64 checksum = 0;
    for (auto _ : state) {
        if (bench::bareSequentialScan(box.path, checksum) != kDocuments)
            state.SkipWithError("wrong document count");
    }
    benchmark::DoNotOptimize(checksum);
}

BENCHMARK(BM_BareSqliteSequentialScan)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BareSqliteFetchByKey)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WalkAllReadingCreated)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WalkAllBuildingLocalCreated)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    bench::initialiseInterleaved(argc, argv);
    const QTime start = QTime::currentTime();
    mailbox();  // generated before timing starts
    std::printf("generated %d documents in one transaction in %.1f s\n", kDocuments,
                start.msecsTo(QTime::currentTime()) / 1000.0);
    bench::RatioReporter reporter(
        {{"BM_WalkAllReadingCreated", "BM_BareSqliteSequentialScan"},
         {"BM_WalkAllReadingCreated", "BM_BareSqliteFetchByKey"},
         {"BM_WalkAllBuildingLocalCreated", "BM_BareSqliteSequentialScan"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
