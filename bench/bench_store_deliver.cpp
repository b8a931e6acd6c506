// Delivering 10,000 messages one by one, each in its own transaction as the
// tool does, against bare SQLite inserts of the same rows.
#include <sqlite3.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

#include "notes/store/memo.h"
#include "notes/store/store_admin.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;

const int kMessages = bench::scaled(10000);
const QString kServer = QStringLiteral("Paris/Vantor");
const QString kUser = QStringLiteral("Jean Dupont/Vantor");

double medianMicros(std::vector<qint64>& nanos) {
    std::nth_element(nanos.begin(), nanos.begin() + nanos.size() / 2, nanos.end());
    return nanos[nanos.size() / 2] / 1000.0;
}

store::Memo memoNumber(int i) {
    store::Memo memo;
    memo.from = QStringLiteral("Expéditeur %1/Vantor").arg(i % 50);
    memo.sendTo = kUser;
    memo.subject = QStringLiteral("Message numéro %1").arg(i);
    memo.body = QStringLiteral("Bonjour,\nceci est le message %1.\nCordialement").arg(i);
    return memo;
}

void BM_Deliver10000(benchmark::State& state) {
    std::vector<qint64> perMessage;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        store::StoreAdmin admin(dir.path());
        auto db = admin.createMailbox(kServer, QStringLiteral("mail\\flux.nsf"), {kUser});
        perMessage.clear();
        perMessage.reserve(kMessages);
        state.ResumeTiming();
        QElapsedTimer timer;
        for (int i = 0; i < kMessages; ++i) {
            timer.start();
            store::deliverMemo(*db, memoNumber(i));
            perMessage.push_back(timer.nsecsElapsed());
        }
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.counters["median_us_per_message"] = medianMicros(perMessage);
}

// The same rows (document, seven items, inbox entry) in one transaction per
// message, with prepared statements on a file of the same schema.
void BM_BareSqliteInsert10000(benchmark::State& state) {
    std::vector<qint64> perMessage;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        store::StoreAdmin admin(dir.path());
        admin.createMailbox(kServer, QStringLiteral("mail\\flux.nsf"), {kUser});
        const QString path = admin.root().findFile(kServer, QStringLiteral("mail\\flux.nsf"));
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        sqlite3_stmt *doc = nullptr, *item = nullptr, *entry = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO documents(unid, created) VALUES(?1, ?2)", -1, &doc, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO items(doc, seq, name, type, text) VALUES(?1, ?2, ?3, ?4, ?5)", -1, &item,
                           nullptr);
        sqlite3_prepare_v2(db,
                           "INSERT INTO folder_entries(view, doc) SELECT id, ?1 FROM views WHERE key = '($inbox)'",
                           -1, &entry, nullptr);
        perMessage.clear();
        perMessage.reserve(kMessages);
        state.ResumeTiming();
        QElapsedTimer timer;
        for (int i = 0; i < kMessages; ++i) {
            timer.start();
            const store::Memo memo = memoNumber(i);
            const QByteArray unid = QByteArray::number(i).rightJustified(32, '0');
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            sqlite3_bind_text(doc, 1, unid.constData(), 32, SQLITE_TRANSIENT);
            sqlite3_bind_int64(doc, 2, QDateTime::currentMSecsSinceEpoch());
            sqlite3_step(doc);
            sqlite3_reset(doc);
            const sqlite3_int64 id = sqlite3_last_insert_rowid(db);
            const QString values[] = {QStringLiteral("Memo"), memo.from, memo.sendTo, memo.subject,
                                      QStringLiteral("01/01/2004 10:00:00"), QStringLiteral("01/01/2004 10:00:00"),
                                      memo.body};
            const char* names[] = {"Form", "From", "SendTo", "Subject", "PostedDate", "DeliveredDate", "Body"};
            for (int k = 0; k < 7; ++k) {
                const QByteArray text = values[k].toUtf8();
                sqlite3_bind_int64(item, 1, id);
                sqlite3_bind_int(item, 2, k);
                sqlite3_bind_text(item, 3, names[k], -1, SQLITE_STATIC);
                sqlite3_bind_int(item, 4, k == 6 ? 1 : 1280);
                sqlite3_bind_text(item, 5, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
                sqlite3_step(item);
                sqlite3_reset(item);
            }
            sqlite3_bind_int64(entry, 1, id);
            sqlite3_step(entry);
            sqlite3_reset(entry);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            perMessage.push_back(timer.nsecsElapsed());
        }
        state.PauseTiming();
        sqlite3_finalize(doc);
        sqlite3_finalize(item);
        sqlite3_finalize(entry);
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.counters["median_us_per_message"] = medianMicros(perMessage);
}

BENCHMARK(BM_BareSqliteInsert10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Deliver10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    bench::initialiseInterleaved(argc, argv);
    bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_Deliver10000", "BM_BareSqliteInsert10000"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
