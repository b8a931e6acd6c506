// What a scan with nothing new costs on one IMAP account of 5 folders of
// 20,000 messages: the account's pipelined STATUS of the 5 folders (network
// thread, parser, the caller waiting with its events running) against the
// protocol floor, a bare client sending the same 5 STATUS lines on its own
// connection; both connections open before timing. The bare UID FETCH 1:*
// BODY.PEEK[] of one folder is measured too, as the floor of reading mail.
// VANTOR_BENCH_SCALE=0.1 fills 2,000 messages a folder.
#include <QCoreApplication>

#include "imap_bench_support.h"
#include "notes/imap/account.h"
#include "notes/imap/network_thread.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;

const int kPerFolder = bench::scaled(20000);
const QStringList kFolders = {QStringLiteral("INBOX"), QStringLiteral("Projets"),
                              QStringLiteral("Projets/Atlas"), QStringLiteral("Clients"),
                              QStringLiteral("Fournisseurs")};

struct Server {
    test::DovecotServer dovecot;
    QString login;
    imap::NetworkThread network;
    std::unique_ptr<imap::Account> account;
    std::unique_ptr<bench::BareImapClient> bare;

    Server() {
        if (!dovecot.available()) return;
        dovecot.trustAuthority();
        login = dovecot.addUser(QStringLiteral("secret"));
        const QDateTime first = QDateTime::currentDateTime().addDays(-300);
        for (const QString& folder : kFolders)
            bench::fillMaildir(dovecot, login, folder, kPerFolder, [](int i) { return bench::benchMessage(i); },
                               first);
        imap::AccountSettings s;
        s.address = *imap::ServerAddress::parse(dovecot.address(login));
        s.useKeyring = false;
        account = std::make_unique<imap::Account>(network, s);
        account->setSessionPassword(QStringLiteral("secret"));
        bare = std::make_unique<bench::BareImapClient>(dovecot.imapsPort(), login, QStringLiteral("secret"));
        // Dovecot indexes the new files at the first look, before timing.
        bare->statusAll(kFolders);
        account->status(raw());
    }

    static std::vector<QByteArray> raw() {
        std::vector<QByteArray> out;
        for (const QString& f : kFolders) out.push_back(f.toUtf8());
        return out;
    }
};

std::unique_ptr<Server> g_server;  // ended before the application object

Server& server() {
    if (!g_server) g_server = std::make_unique<Server>();
    return *g_server;
}

void BM_AccountStatus(benchmark::State& state) {
    Server& s = server();
    if (!s.account) return state.SkipWithError("Dovecot cannot start here");
    const std::vector<QByteArray> folders = Server::raw();
    const qint64 before = s.account->bytesRead();
    quint64 uids = 0;
    for (auto _ : state) {
        for (const imap::FolderStatus& f : s.account->status(folders)) uids += f.uidNext;
    }
    benchmark::DoNotOptimize(uids);
    state.counters["bytes_read_per_scan"] =
        static_cast<double>(s.account->bytesRead() - before) / static_cast<double>(state.iterations());
}

void BM_BareStatus(benchmark::State& state) {
    Server& s = server();
    if (!s.bare) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = s.bare->bytesRead();
    for (auto _ : state) s.bare->statusAll(kFolders);
    state.counters["bytes_read_per_scan"] =
        static_cast<double>(s.bare->bytesRead() - before) / static_cast<double>(state.iterations());
}

void BM_BareFetchAllOneFolder(benchmark::State& state) {
    Server& s = server();
    if (!s.bare) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = s.bare->bytesRead();
    for (auto _ : state) s.bare->fetchAll(QStringLiteral("Clients"));
    state.counters["bytes_read"] =
        static_cast<double>(s.bare->bytesRead() - before) / static_cast<double>(state.iterations());
    state.counters["messages"] = kPerFolder;
}

BENCHMARK(BM_BareStatus)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_AccountStatus)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareFetchAllOneFolder)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);
    const QTime start = QTime::currentTime();
    server();
    std::printf("filled %d folders of %d messages in %.1f s\n", static_cast<int>(kFolders.size()),
                kPerFolder, start.msecsTo(QTime::currentTime()) / 1000.0);
    bench::RatioReporter reporter(
        std::vector<std::pair<std::string, std::string>>{{"BM_AccountStatus", "BM_BareStatus"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_server.reset();
    return 0;
}
