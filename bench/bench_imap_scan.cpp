// A scan with nothing new of five watched IMAP mailboxes (five accounts of
// a private Dovecot, 20,000 messages in each INBOX), through the program's
// scan routine and through the realisation's "($All)" restricted to
// arrivals since the last visit, against the protocol floor: one STATUS
// (UIDNEXT HIGHESTMODSEQ) per watched folder from bare clients, same run.
// Bytes read per scan (counted by a relay in front of the server) show that
// nothing is fetched per message. The window thread's event loop is
// watched by a 1 ms timer during each scan; a walk of one whole "($All)"
// without the restriction (20,000 summaries fetched) measures the gaps under
// the heaviest reading a scan can do.
// VANTOR_BENCH_SCALE=0.1 fills 2,000 messages a mailbox.
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "imap_program_support.h"
#include "store_bench_support.h"
#include "watch/frm_msg.h"
#include "watch/scan_bal.h"

namespace {

using namespace vantor;
using Clock = std::chrono::steady_clock;

constexpr int kMailboxes = 5;
const int kPerMailbox = bench::scaled(20000);

// The event loop of the window thread seen from a 1 ms timer: the time
// between two of its runs while some work runs, the start of the work and
// its return counting as runs.
struct GapProbe {
    QTimer timer;
    Clock::time_point last;
    std::vector<std::int64_t> gaps;  // ns, every probed work of the run

    GapProbe() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] { mark(); });
        gaps.reserve(1 << 20);  // a reallocation during a scan would be a gap of its own
    }
    void mark() {
        const Clock::time_point t = Clock::now();
        gaps.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(t - last).count());
        last = t;
    }
    // Runs `work` with the timer armed; the longest gap in it, in ms.
    double during(const std::function<void()>& work) {
        const std::size_t first = gaps.size();
        last = Clock::now();
        timer.start();
        work();
        mark();
        timer.stop();
        return *std::max_element(gaps.begin() + static_cast<std::ptrdiff_t>(first), gaps.end()) /
               1e6;
    }
};

struct Bench {
    bench::ImapServer server;
    std::vector<QString> logins;
    std::unique_ptr<bench::ImapProgram> program;
    std::unique_ptr<FrmMsg> popup;
    std::vector<std::unique_ptr<bench::BareImapClient>> bare;
    GapProbe scanGaps, walkGaps;
    qint64 since = 0;

    Bench() {
        if (!server.available()) return;
        const QDateTime first = QDateTime::currentDateTime().addDays(-300);
        for (int i = 0; i < kMailboxes; ++i) {
            logins.push_back(server.dovecot.addUser(bench::kPassword));
            bench::fillMaildir(
                server.dovecot, logins.back(), QStringLiteral("INBOX"), kPerMailbox,
                [](int n) { return bench::benchMessage(n); }, first);
        }
        for (const QString& login : logins) {
            bare.push_back(std::make_unique<bench::BareImapClient>(server.relay->port(), login,
                                                                   bench::kPassword));
            bare.back()->statusAll({QStringLiteral("INBOX")});  // Dovecot indexes the files now
        }
        program = std::make_unique<bench::ImapProgram>();
        for (int slot = 0; slot < kMailboxes; ++slot)
            program->watch(slot, server.address(logins[slot]));
        popup = std::make_unique<FrmMsg>(program->m);
        // The first scan connects, logs in and observes every folder, as
        // watching's start does: from then on nothing is new.
        scan();
        since = QDateTime::currentSecsSinceEpoch();
    }

    // One scan as the timer starts it; "" or why watching stopped.
    QString scan() {
        QTimer timerScan;
        ScanHooks hooks;
        QString stopped;
        hooks.surveillanceArretee = [&](const QString& reason) { stopped = reason; };
        ScanBAL(program->m, timerScan, *popup, hooks);
        return stopped;
    }

    // The realisation's "($All)" of the first `mailboxes` slots walked,
    // with `restricted` only the arrivals since `since`; the documents seen.
    int walk(int mailboxes, bool restricted) {
        notes::SessionPtr session = program->client.createBackendSession();
        session->initialize(bench::kPassword);
        int n = 0;
        for (int slot = 0; slot < mailboxes; ++slot) {
            notes::DatabasePtr db = session->getDbDirectory(server.address(logins[slot]))
                                        ->openDatabase(QStringLiteral("INBOX"), false);
            notes::ViewPtr all = db->getView(QStringLiteral("($All)"));
            all->refresh();
            if (restricted) all->restrictToArrivalsSince(since);
            for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d)) {
                benchmark::DoNotOptimize(d->arrivalSecsSinceEpoch());
                ++n;
            }
        }
        return n;
    }
};

std::unique_ptr<Bench> g_bench;  // ended before the application object

Bench& fixture() {
    if (!g_bench) g_bench = std::make_unique<Bench>();
    return *g_bench;
}

// Bytes the server sent per iteration since `before`.
void countBytes(benchmark::State& state, const bench::CountingRelay& relay, qint64 before) {
    state.counters["bytes_read_per_scan"] = static_cast<double>(relay.bytesFromServer() - before) /
                                            static_cast<double>(state.iterations());
}

void BM_ScanNoNewMail(benchmark::State& state) {
    Bench& b = fixture();
    if (!b.program) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    double gapMax = 0;
    QString stopped;
    for (auto _ : state) gapMax = std::max(gapMax, b.scanGaps.during([&] { stopped = b.scan(); }));
    if (!stopped.isEmpty()) state.SkipWithError(stopped.toUtf8().constData());
    if (b.popup->isVisible()) state.SkipWithError("a message was presented");
    countBytes(state, *b.server.relay, before);
    state.counters["gap_max_ms"] = gapMax;
}

void BM_AllViewRestrictedNoNewMail(benchmark::State& state) {
    Bench& b = fixture();
    if (!b.program) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    for (auto _ : state)
        if (b.walk(kMailboxes, true) != 0) state.SkipWithError("a message counted as new");
    countBytes(state, *b.server.relay, before);
}

// The floor: one STATUS (UIDNEXT HIGHESTMODSEQ) of each watched folder (the
// INBOX of each account) from bare clients already logged in.
void BM_BareStatus(benchmark::State& state) {
    Bench& b = fixture();
    if (b.bare.empty()) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    for (auto _ : state)
        for (const auto& client : b.bare) client->statusAll({QStringLiteral("INBOX")});
    countBytes(state, *b.server.relay, before);
}

// The heaviest reading of a scan: one whole "($All)" of 20,000 messages
// walked without the restriction, the 1 ms timer running.
void BM_WalkOneWholeAllView(benchmark::State& state) {
    Bench& b = fixture();
    if (!b.program) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    double gapMax = 0;
    int n = 0;
    for (auto _ : state)
        gapMax = std::max(gapMax, b.walkGaps.during([&] { n = b.walk(1, false); }));
    if (n != kPerMailbox) state.SkipWithError("wrong message count");
    countBytes(state, *b.server.relay, before);
    state.counters["gap_max_ms"] = gapMax;
    state.counters["messages"] = kPerMailbox;
}

// The gaps of one probe: longest, 99th percentile and median, in ms.
void printGaps(const char* what, std::vector<std::int64_t> gaps) {
    if (gaps.empty()) return;
    std::sort(gaps.begin(), gaps.end());
    const auto at = [&](double p) {
        return gaps[static_cast<std::size_t>(p * (gaps.size() - 1))] / 1e6;
    };
    std::printf("event-loop gaps during %s (%zu gaps): max %.2f ms, p99 %.2f ms, median %.2f ms\n",
                what, gaps.size(), gaps.back() / 1e6, at(0.99), at(0.5));
}

BENCHMARK(BM_BareStatus)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_AllViewRestrictedNoNewMail)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanNoNewMail)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WalkOneWholeAllView)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the keyring of whoever runs it: the accounts are throwaway.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);
    const QTime start = QTime::currentTime();
    fixture();
    std::printf("filled %d mailboxes of %d messages and observed them in %.1f s\n", kMailboxes,
                kPerMailbox, start.msecsTo(QTime::currentTime()) / 1000.0);
    bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_ScanNoNewMail", "BM_BareStatus"}, {"BM_AllViewRestrictedNoNewMail", "BM_BareStatus"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_bench) {
        printGaps("the scans", g_bench->scanGaps.gaps);
        printGaps("the whole walks", g_bench->walkGaps.gaps);
    }
    benchmark::Shutdown();
    g_bench.reset();
    return 0;
}
