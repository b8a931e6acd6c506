// A new message with a 50 MB attachment in a watched IMAP INBOX: what the
// popup's path reads (the walk of "($All)" restricted to arrivals since the
// last visit, then the items a popup shows: sender, subject, body text, the
// attachments' presence), in bytes read from the server (counted by a relay
// in front of it) against the message's size, and in time against a bare
// fetch of the same message's summary and text part.
#include <QCoreApplication>

#include "core/item_text.h"
#include "imap_program_support.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;

constexpr int kAttachmentBytes = 50 * 1024 * 1024;

// A text part and a 50 MB attachment, base64 in lines of 76.
QByteArray messageWithAttachment() {
    QByteArray attachment(kAttachmentBytes, Qt::Uninitialized);
    for (int i = 0; i < attachment.size(); ++i) attachment[i] = static_cast<char>(i * 7919 >> 3);
    const QByteArray encoded = attachment.toBase64();
    QByteArray lines;
    lines.reserve(encoded.size() + encoded.size() / 38 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += 76) lines += encoded.mid(i, 76) + "\r\n";
    return "From: Marie Curie <marie@example.com>\r\nTo: jean@example.com\r\n"
           "Subject: Plans du chantier\r\nDate: Tue, 08 Dec 2026 10:00:00 +0100\r\n"
           "Message-ID: <plans@example.com>\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"limite\"\r\n\r\n"
           "--limite\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
           "Bonjour Jean,\r\nvoici les plans du chantier.\r\n"
           "--limite\r\nContent-Type: application/octet-stream; name=\"plans.bin\"\r\n"
           "Content-Disposition: attachment; filename=\"plans.bin\"\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           lines + "--limite--\r\n";
}

struct Bench {
    bench::ImapServer server;
    QString login;
    std::unique_ptr<bench::ImapProgram> program;
    std::unique_ptr<bench::BareImapClient> bare;
    qint64 since = 0;
    qint64 messageBytes = 0;

    Bench() {
        if (!server.available()) return;
        login = server.dovecot.addUser(bench::kPassword);
        bench::fillMaildir(
            server.dovecot, login, QStringLiteral("INBOX"), 100,
            [](int n) { return bench::benchMessage(n); },
            QDateTime::currentDateTime().addDays(-30));
        program = std::make_unique<bench::ImapProgram>();
        program->watch(0, server.address(login));
        // Watching starts: the INBOX observed, then the message arrives.
        {
            notes::SessionPtr session = program->client.createBackendSession();
            session->initialize(bench::kPassword);
            session->getDbDirectory(server.address(login))
                ->openDatabase(QStringLiteral("INBOX"), false);
        }
        since = QDateTime::currentSecsSinceEpoch();
        const QByteArray message = messageWithAttachment();
        messageBytes = message.size();
        server.dovecot.append(login, QStringLiteral("INBOX"), message,
                              QDateTime::currentDateTime());
        bare =
            std::make_unique<bench::BareImapClient>(server.relay->port(), login, bench::kPassword);
    }

    // The popup's path; the number of messages it would present.
    int popupPath() {
        notes::SessionPtr session = program->client.createBackendSession();
        session->initialize(bench::kPassword);
        notes::DatabasePtr db = session->getDbDirectory(server.address(login))
                                    ->openDatabase(QStringLiteral("INBOX"), false);
        notes::ViewPtr all = db->getView(QStringLiteral("($All)"));
        all->refresh();
        all->restrictToArrivalsSince(since);
        int shown = 0;
        for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d)) {
            if (d->arrivalSecsSinceEpoch() - since < 1 || d->sentByUser(session->userName()))
                continue;
            benchmark::DoNotOptimize(d->universalID());
            benchmark::DoNotOptimize(GetItemText(*d, QStringLiteral("Subject")));
            benchmark::DoNotOptimize(GetItemText(*d, QStringLiteral("From")));
            benchmark::DoNotOptimize(GetItemText(*d, QStringLiteral("Body")));
            if (d->hasItem(QStringLiteral("Body"))) {
                notes::ItemPtr body = d->getFirstItem(QStringLiteral("Body"));
                if (body && body->type() == notes::kRichText && !body->embeddedObjects().empty())
                    ++shown;
            }
        }
        return shown;
    }
};

std::unique_ptr<Bench> g_bench;

Bench& fixture() {
    if (!g_bench) g_bench = std::make_unique<Bench>();
    return *g_bench;
}

void BM_PopupOfNewMessageWith50MBAttachment(benchmark::State& state) {
    Bench& b = fixture();
    if (!b.program) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    qint64 first = -1;
    for (auto _ : state) {
        if (b.popupPath() != 1)
            state.SkipWithError("the message with its attachment not presented");
        if (first < 0) first = b.server.relay->bytesFromServer() - before;
    }
    state.counters["bytes_read_first"] = static_cast<double>(first);
    state.counters["bytes_read_per_popup"] =
        static_cast<double>(b.server.relay->bytesFromServer() - before) /
        static_cast<double>(state.iterations());
    state.counters["message_bytes"] = static_cast<double>(b.messageBytes);
}

// The floor of a popup: the summary and the text part of the same message
// from a bare client already logged in.
void BM_BareSummaryAndText(benchmark::State& state) {
    Bench& b = fixture();
    if (!b.bare) return state.SkipWithError("Dovecot cannot start here");
    const qint64 before = b.server.relay->bytesFromServer();
    for (auto _ : state) b.bare->fetchSummaryAndText(QStringLiteral("INBOX"), "101");
    state.counters["bytes_read_per_popup"] =
        static_cast<double>(b.server.relay->bytesFromServer() - before) /
        static_cast<double>(state.iterations());
}

BENCHMARK(BM_BareSummaryAndText)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PopupOfNewMessageWith50MBAttachment)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    // Never the keyring of whoever runs it: the accounts are throwaway.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QCoreApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);
    fixture();
    if (g_bench && g_bench->program)
        std::printf("message of %lld bytes (attachment %d bytes) appended\n",
                    static_cast<long long>(g_bench->messageBytes), kAttachmentBytes);
    bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_PopupOfNewMessageWith50MBAttachment", "BM_BareSummaryAndText"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_bench.reset();
    return 0;
}
