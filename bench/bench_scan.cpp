// One scan with no new mail over five watched mailboxes of 20,000 documents
// each, against a bare sequential SQLite read of the same rows and the
// store's bare walk of the same documents, and how long the event loop is
// kept waiting between two of the scan's full passes of the event dispatcher.
// VANTOR_BENCH_SCALE=0.1 makes the mailboxes ten times smaller (for callgrind).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_mailboxes.h"
#include "core/keys.h"
#include "core/modlotus.h"
#include "core/password.h"
#include "core/settings.h"
#include "notes/store/local_client.h"
#include "notes/workspace/ipc_workspace.h"
#include "store_bench_support.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "watch/frm_msg.h"
#include "watch/scan_bal.h"

namespace {

using namespace vantor;
using namespace vantor::benchdata;
using Clock = std::chrono::steady_clock;

const int kDocumentsPerMailbox = bench::scaled(20000);

// A program folder whose five slots watch five mailboxes on five servers.
struct Program {
    test::TempDir dir;
    QString dataRoot = dir.file(QStringLiteral("notesdata"));
    test::ScriptedDialogs dialogs;
    store::LocalClient client{dataRoot, notes::ipcWorkspaceFactory(dataRoot)};
    ModLOTUS m{Env::Default(), &dialogs, &client, dir.path()};
    std::unique_ptr<FrmMsg> popup;

    Program() {
        const Clock::time_point start = Clock::now();
        benchdata::buildMailboxes(dataRoot, kDocumentsPerMailbox,
                                  QDateTime::currentDateTime().addDays(-400), 300);
        std::printf("generated %d mailboxes of %d documents, one transaction each, in %.1f s\n",
                    kMailboxes, kDocumentsPerMailbox,
                    std::chrono::duration<double>(Clock::now() - start).count());
        m.ecrireParam(keys::kPassword, CrypteMotDePasse(kPassword).value());
        m.ecrireParam(keys::kDelai, QStringLiteral("15"));
        for (int slot = 0; slot < kMailboxes; ++slot) {
            m.ecrireParam(keys::serveur(slot), serverOf(slot));
            m.ecrireParam(keys::bal(slot), fileOf(slot));
        }
        popup = std::make_unique<FrmMsg>(m);
    }

    // Later than every document, so that the scan presents nothing.
    void dateVisuInTheFuture() {
        m.ecrireParam(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addDays(1)));
    }
    QString mailboxPath(int slot) const {
        return store::DataRoot(dataRoot).findFile(serverOf(slot), fileOf(slot));
    }
};

// Built on first use, before the first timed repetition.
Program& program() {
    static Program p;
    return p;
}

// Time between consecutive runs of the event loop during scans, in ns.
struct Gaps {
    std::vector<std::int64_t> all;  // every timed scan of the run
    std::vector<int> pass;          // which full pass of its scan ended each gap
    std::vector<int> passes;        // how many its scan made
    Clock::time_point last;

    void mark() {
        const Clock::time_point t = Clock::now();
        all.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(t - last).count());
        pass.push_back(pass.empty() || passes.size() == pass.size() ? 0 : pass.back() + 1);
        last = t;
    }
    // At the end of a scan: its gaps learn how many there were.
    void endScan() {
        const int n = pass.empty() ? 0 : pass.back() + 1;
        while (passes.size() < pass.size()) passes.push_back(n);
    }
    static double percentileMs(std::vector<std::int64_t> v, double p) {
        if (v.empty()) return 0;
        const std::size_t k =
            std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5));
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
        return v[k] / 1e6;
    }
};

Gaps& gaps() {
    static Gaps g;
    return g;
}

void BM_ScanNoNewMail(benchmark::State& state) {
    Program& p = program();
    QTimer timerScan;
    ScanHooks hooks;
    QString stopped;
    std::size_t yields = 0;
    hooks.surveillanceArretee = [&](const QString& reason) { stopped = reason; };
    // Called for every full pass of the event dispatcher.
    hooks.laisserEvenements = [&] {
        gaps().mark();
        ++yields;
        QCoreApplication::processEvents();
    };
    // Room for every gap of the run up front: a reallocation in the middle of
    // a scan would show as a gap of its own.
    std::vector<std::int64_t>& all = gaps().all;
    if (all.capacity() - all.size() < 100000) {
        all.reserve(all.size() + 1000000);
        gaps().pass.reserve(all.capacity());
        gaps().passes.reserve(all.capacity());
    }
    std::vector<std::int64_t> mine;
    mine.reserve(100000);
    for (auto _ : state) {
        state.PauseTiming();
        p.dateVisuInTheFuture();
        yields = 0;
        const std::size_t first = all.size();
        state.ResumeTiming();

        // The tick that starts a scan comes out of the event loop, and the
        // scan hands back to it when it returns: both ends count as runs.
        gaps().last = Clock::now();
        ScanBAL(p.m, timerScan, *p.popup, hooks);
        gaps().mark();
        gaps().endScan();

        state.PauseTiming();
        mine.assign(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
        state.ResumeTiming();
    }
    if (!stopped.isEmpty()) state.SkipWithError(stopped.toUtf8().constData());
    if (p.popup->isVisible()) state.SkipWithError("a document was presented");
    state.counters["full_passes"] = static_cast<double>(yields);
    state.counters["gap_max_ms"] = Gaps::percentileMs(mine, 1.0);
    state.counters["gap_p99_us"] = Gaps::percentileMs(mine, 0.99) * 1000;
    state.counters["docs"] = kMailboxes * kDocumentsPerMailbox;
}

// The floor of any scan: the same documents walked through the mail-system
// interfaces, reading each creation time and nothing else.
void BM_BareWalkOfAll(benchmark::State& state) {
    Program& p = program();
    qint64 checksum = 0;
    for (auto _ : state) {
        notes::SessionPtr session = p.client.createBackendSession();
        session->initialize(kPassword);
        int n = 0;
        for (int slot = 0; slot < kMailboxes; ++slot) {
            notes::DatabasePtr db =
                session->getDbDirectory(serverOf(slot))->openDatabase(fileOf(slot), false);
            notes::ViewPtr all = db->getView(QStringLiteral("($All)"));
            all->refresh();
            for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d)) {
                checksum += d->createdSecsSinceEpoch();
                ++n;
            }
        }
        if (n != kMailboxes * kDocumentsPerMailbox) state.SkipWithError("wrong document count");
    }
    benchmark::DoNotOptimize(checksum);
}

// The bare walk with a full processEvents twice per document, as the scan
// yielded before it ran the dispatcher's full pass only every few milliseconds.
void BM_BareWalkYieldingTwice(benchmark::State& state) {
    Program& p = program();
    qint64 checksum = 0;
    for (auto _ : state) {
        notes::SessionPtr session = p.client.createBackendSession();
        session->initialize(kPassword);
        for (int slot = 0; slot < kMailboxes; ++slot) {
            notes::DatabasePtr db =
                session->getDbDirectory(serverOf(slot))->openDatabase(fileOf(slot), false);
            notes::ViewPtr all = db->getView(QStringLiteral("($All)"));
            all->refresh();
            for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d)) {
                QCoreApplication::processEvents();
                checksum += d->createdSecsSinceEpoch();
                QCoreApplication::processEvents();
            }
        }
    }
    benchmark::DoNotOptimize(checksum);
}

// The floor: the same 100,000 rows (ID, universal ID, creation time) read
// with one sequential query per mailbox file, straight from SQLite.
void BM_BareSqliteScanOfTheFiveMailboxes(benchmark::State& state) {
    Program& p = program();
    qint64 checksum = 0;
    for (auto _ : state) {
        int n = 0;
        for (int slot = 0; slot < kMailboxes; ++slot)
            n += bench::bareSequentialScan(p.mailboxPath(slot), checksum);
        if (n != kMailboxes * kDocumentsPerMailbox) state.SkipWithError("wrong document count");
    }
    benchmark::DoNotOptimize(checksum);
}

// The date test's conversion of a local date-time to seconds, which the scan
// no longer does per document (it compares the stored instant).
void BM_LocalDateTimeToSeconds(benchmark::State& state) {
    const QDateTime when = QDateTime::currentDateTime().addDays(1);
    for (auto _ : state) benchmark::DoNotOptimize(when.toSecsSinceEpoch());
}

// What a yield costs with nothing to deliver: the dispatcher's full pass...
void BM_ProcessEventsNothingPending(benchmark::State& state) {
    for (auto _ : state) QCoreApplication::processEvents();
}

// ...the posted events alone, and the clock read that tells when a full pass is due.
void BM_SendPostedEventsNothingPending(benchmark::State& state) {
    for (auto _ : state) QCoreApplication::sendPostedEvents();
}

void BM_ElapsedTimerRead(benchmark::State& state) {
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state) benchmark::DoNotOptimize(timer.nsecsElapsed());
}

BENCHMARK(BM_LocalDateTimeToSeconds)
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ProcessEventsNothingPending)
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SendPostedEventsNothingPending)
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ElapsedTimerRead)
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BareSqliteScanOfTheFiveMailboxes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BareWalkOfAll)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BareWalkYieldingTwice)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanNoNewMail)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    // Offscreen unless told otherwise (QT_QPA_PLATFORM=xcb under an X server
    // measures the yields against a real display connection).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);

    bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_ScanNoNewMail", "BM_BareSqliteScanOfTheFiveMailboxes"},
        {"BM_BareWalkOfAll", "BM_BareSqliteScanOfTheFiveMailboxes"},
        {"BM_ScanNoNewMail", "BM_BareWalkOfAll"},
        {"BM_BareWalkYieldingTwice", "BM_BareWalkOfAll"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::vector<std::int64_t>& all = gaps().all;
    if (!all.empty()) {
        std::printf(
            "event-loop gaps over every timed scan (%zu gaps): max %.2f ms, p99 %.1f us, "
            "p99.99 %.1f us, median %.1f us\n",
            all.size(), Gaps::percentileMs(all, 1.0), Gaps::percentileMs(all, 0.99) * 1000,
            Gaps::percentileMs(all, 0.9999) * 1000, Gaps::percentileMs(all, 0.5) * 1000);
    }
    // Where the longest waits fall: full pass 0 is the start of the scan
    // (session, first mailbox opened), the last one its end ("DATE_VISU"
    // written); the others come about every 2 ms of walking.
    std::vector<std::size_t> order(all.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const std::size_t top = std::min<std::size_t>(5, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(top), order.end(),
                      [&](std::size_t a, std::size_t b) { return all[a] > all[b]; });
    for (std::size_t i = 0; i < top; ++i)
        std::printf("  gap %.2f ms before full pass %d of its scan (of %d)\n", all[order[i]] / 1e6,
                    gaps().pass[order[i]], gaps().passes[order[i]]);
    benchmark::Shutdown();
    return 0;
}
