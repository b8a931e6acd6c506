// Archiving 10,000 IMAP messages into a new local archive through the
// program's archiving command (answer "Non": copies, folders and checks,
// nothing leaves the server, so that every repetition finds the same
// mailbox), against the floor of the same run: a bare UID FETCH 1:*
// BODY.PEEK[] of the same messages plus the bare local write of their
// bytes (one row each in a SQLite file, one transaction, as the store
// writes). One run with "Oui" at the end takes them off the server, beside
// the floor of its removal: a bare client removing the same messages from
// another account (STORE \Deleted, UID EXPUNGE).
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "imap_program_support.h"
#include "maintenance/maintenance.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;

const int kMessages = bench::scaled(10000);

struct Bench {
    bench::ImapServer server;
    QString login;
    std::unique_ptr<bench::ImapProgram> program;
    std::unique_ptr<bench::BareImapClient> bare;
    int archives = 0;

    Bench() {
        if (!server.available()) return;
        login = filledAccount();
        bare =
            std::make_unique<bench::BareImapClient>(server.relay->port(), login, bench::kPassword);
        bare->statusAll({QStringLiteral("INBOX")});  // Dovecot indexes the files now
        program = std::make_unique<bench::ImapProgram>();
        program->watch(0, server.address(login));
    }

    // A new account whose INBOX holds the kMessages messages; its login.
    QString filledAccount() {
        const QString user = server.dovecot.addUser(bench::kPassword);
        bench::fillMaildir(
            server.dovecot, user, QStringLiteral("INBOX"), kMessages,
            [](int n) { return bench::benchMessage(n); },
            QDateTime(QDate(2007, 1, 1), QTime(8, 0)));
        return user;
    }

    // A bare client's removal of kMessages messages from an account of their own.
    qint64 bareRemovalMs() {
        const QString other = filledAccount();
        bench::BareImapClient client(server.relay->port(), other, bench::kPassword);
        client.statusAll({QStringLiteral("INBOX")});  // indexed first, as for the program
        QElapsedTimer timer;
        timer.start();
        client.removeAll(QStringLiteral("INBOX"));
        return timer.elapsed();
    }

    // One archiving run answering `answer`; the text of its last box.
    QString archive(int answer) {
        const QString file = QStringLiteral("archive\\copie%1.nsf").arg(++archives);
        store::StoreAdmin(program->dataRoot)
            .createDatabase(QStringLiteral("local"), file, {bench::kUser});
        bench::FenetreBanc fenetre;
        fenetre.archive = file;
        Maintenance maintenance(program->m, fenetre);
        program->dialogs.msgAnswers = {answer};
        maintenance.CmdArchive_Click(0);
        QFile::remove(store::DataRoot(program->dataRoot).findFile(QStringLiteral("local"), file));
        return program->dialogs.shown.back().text;
    }
};

std::unique_ptr<Bench> g_bench;

Bench& fixture() {
    if (!g_bench) g_bench = std::make_unique<Bench>();
    return *g_bench;
}

const QString expected() {
    return QStringLiteral("%1 document(s) archivé(s).").arg(kMessages);
}

void BM_ArchivageImapNon(benchmark::State& state) {
    Bench& b = fixture();
    if (!b.program) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    for (auto _ : state) {
        const QString said = b.archive(msg::kNo);
        if (!said.startsWith(expected())) state.SkipWithError(said.toUtf8().constData());
    }
    state.counters["bytes_read_per_run"] =
        static_cast<double>(b.server.relay->bytesFromServer() - before) /
        static_cast<double>(state.iterations());
    state.counters["msgs_per_s"] =
        benchmark::Counter(kMessages, benchmark::Counter::kIsIterationInvariantRate);
}

// The first half of the floor: every message fetched whole by a bare client.
void BM_BareFetchAll(benchmark::State& state) {
    Bench& b = fixture();
    if (!b.bare) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    for (auto _ : state) b.bare->fetchAll(QStringLiteral("INBOX"));
    state.counters["bytes_read_per_run"] =
        static_cast<double>(b.server.relay->bytesFromServer() - before) /
        static_cast<double>(state.iterations());
}

// The second half: the same messages' bytes written locally, one row each,
// in one transaction of a new SQLite file (WAL, synchronous NORMAL).
void BM_BareLocalWrite(benchmark::State& state) {
    test::TempDir dir;
    int n = 0;
    for (auto _ : state) {
        const QByteArray path = dir.file(QStringLiteral("ecriture%1.sqlite").arg(++n)).toUtf8();
        sqlite3* db = nullptr;
        sqlite3_open(path.constData(), &db);
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                     "CREATE TABLE messages(id INTEGER PRIMARY KEY, data BLOB); BEGIN IMMEDIATE",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO messages(data) VALUES(?1)", -1, &insert, nullptr);
        for (int i = 0; i < kMessages; ++i) {
            const QByteArray bytes = bench::benchMessage(i);
            sqlite3_bind_blob(insert, 1, bytes.constData(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
}

BENCHMARK(BM_BareFetchAll)->Apply(bench::courses<5>);
BENCHMARK(BM_BareLocalWrite)->Apply(bench::courses<5>);
BENCHMARK(BM_ArchivageImapNon)->Apply(bench::courses<5>);

}  // namespace

int main(int argc, char** argv) {
    // Never the keyring of whoever runs it: the accounts are throwaway.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QCoreApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);
    fixture();
    bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_ArchivageImapNon", "BM_BareFetchAll+BM_BareLocalWrite"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_bench && g_bench->program) {
        // Once, last: the copies checked, then the messages taken off the server.
        QElapsedTimer timer;
        timer.start();
        const QString said = g_bench->archive(msg::kYes);
        const qint64 oui = timer.elapsed();
        std::printf("archiving with Oui, once: %lld ms: %s\n", static_cast<long long>(oui),
                    qPrintable(said.section(QLatin1Char('\n'), 0, 0).trimmed()));
        std::printf("bare removal of the same number of messages, once: %lld ms\n",
                    static_cast<long long>(g_bench->bareRemovalMs()));
    }
    benchmark::Shutdown();
    g_bench.reset();
    return 0;
}
