// The response reader's throughput on what a scan and an archiving read most:
// 20,000 FETCH summaries (ENVELOPE, BODYSTRUCTURE, header fields) and one
// whole 50 MB message, fed in the 256 KB pieces the connection reads, framed,
// parsed and (summaries) decoded; against a bare read of the same bytes in
// the same pieces: appended to a buffer and searched for line ends, which
// any reader of the protocol does at least; and the same bare read keeping
// every byte in one buffer, as any client that hands a whole message on must
// (on this machine, touching 50 MB of fresh memory is most of that cost).
#include <cstring>

#include "notes/imap/fetch_decoder.h"
#include "notes/imap/response_reader.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;

constexpr qsizetype kPiece = 256 * 1024;

QByteArray summaries(int count) {
    QByteArray out;
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray header = "Message-ID: <m" + n + "@example.com>\r\nDate: Tue, 08 Dec 2026 10:00:00 +0100\r\n\r\n";
        out += "* " + n + " FETCH (UID " + n +
               " FLAGS (\\Seen) INTERNALDATE \"08-Dec-2026 10:00:00 +0100\" RFC822.SIZE 2417 "
               "ENVELOPE (\"Tue, 08 Dec 2026 10:00:00 +0100\" \"Message " + n +
               "\" ((\"Paul Martin\" NIL \"paul\" \"example.com\")) ((\"Paul Martin\" NIL \"paul\" "
               "\"example.com\")) ((\"Paul Martin\" NIL \"paul\" \"example.com\")) ((NIL NIL \"jean\" "
               "\"example.com\")) NIL NIL NIL \"<m" + n + "@example.com>\") "
               "BODYSTRUCTURE ((\"text\" \"plain\" (\"charset\" \"utf-8\") NIL NIL \"8bit\" 2000 40 NIL NIL NIL NIL)"
               "(\"application\" \"pdf\" (\"name\" \"devis.pdf\") NIL NIL \"base64\" 30000 NIL "
               "(\"attachment\" (\"filename\" \"devis.pdf\")) NIL NIL) \"mixed\" (\"boundary\" \"b\") NIL NIL NIL) "
               "BODY[HEADER.FIELDS (MESSAGE-ID IN-REPLY-TO DATE)] {" + QByteArray::number(header.size()) +
               "}\r\n" + header + ")\r\n";
    }
    return out + "A1 OK Fetch completed.\r\n";
}

QByteArray wholeMessage(qsizetype size) {
    QByteArray body;
    body.reserve(size);
    while (body.size() < size) body += "UEsDBBQAAAAIAAAAIQB4bWwgdmVyc2lvbj0iMS4wIiBlbmNvZGluZz0iVVRGLTgiPz4K\r\n";
    return "* 1 FETCH (UID 1 BODY[] {" + QByteArray::number(body.size()) + "}\r\n" + body +
           ")\r\nA1 OK Fetch completed.\r\n";
}

// Line ends in [p, end): what a bare reader of lines does with each piece.
qint64 countLines(const char* p, const char* end) {
    qint64 lines = 0;
    while (const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
        ++lines;
        p = static_cast<const char*>(lf) + 1;
    }
    return lines;
}

const QByteArray& input(int which) {
    static const QByteArray many = summaries(20000);
    static const QByteArray one = wholeMessage(50 << 20);
    return which == 0 ? many : one;
}

void BM_Reader(benchmark::State& state, int which) {
    const QByteArray& bytes = input(which);
    qint64 decoded = 0;
    for (auto _ : state) {
        imap::ResponseReader reader;
        for (qsizetype i = 0; i < bytes.size(); i += kPiece) {
            reader.feed(QByteArrayView(bytes).sliced(i, std::min(kPiece, bytes.size() - i)));
            while (auto r = reader.next()) {
                if (const auto d = imap::decodeFetch(*r)) decoded += d->uid.value_or(0);
            }
        }
    }
    benchmark::DoNotOptimize(decoded);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_BareRead(benchmark::State& state, int which) {
    const QByteArray& bytes = input(which);
    qint64 lines = 0;
    for (auto _ : state) {
        QByteArray buffer;
        qsizetype scanned = 0;
        for (qsizetype i = 0; i < bytes.size(); i += kPiece) {
            buffer.append(bytes.constData() + i, std::min(kPiece, bytes.size() - i));
            lines += countLines(buffer.constData() + scanned, buffer.constData() + buffer.size());
            buffer.remove(0, buffer.lastIndexOf('\n') + 1);  // keeps the unfinished line
            scanned = buffer.size();
        }
    }
    benchmark::DoNotOptimize(lines);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_BareReadKeepingAll(benchmark::State& state, int which) {
    const QByteArray& bytes = input(which);
    qint64 lines = 0;
    for (auto _ : state) {
        QByteArray kept;
        for (qsizetype i = 0; i < bytes.size(); i += kPiece) {
            const qsizetype n = std::min(kPiece, bytes.size() - i);
            kept.append(bytes.constData() + i, n);
            lines += countLines(kept.constData() + kept.size() - n, kept.constData() + kept.size());
        }
        benchmark::DoNotOptimize(kept.constData());
    }
    benchmark::DoNotOptimize(lines);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

#define VANTOR_IMAP_BENCH(func, name, which) \
    BENCHMARK_CAPTURE(func, name, which)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true)
VANTOR_IMAP_BENCH(BM_BareRead, summaries, 0);
VANTOR_IMAP_BENCH(BM_Reader, summaries, 0);
VANTOR_IMAP_BENCH(BM_BareRead, whole_message, 1);
VANTOR_IMAP_BENCH(BM_BareReadKeepingAll, whole_message, 1);
VANTOR_IMAP_BENCH(BM_Reader, whole_message, 1);

}  // namespace

int main(int argc, char** argv) {
    bench::initialiseInterleaved(argc, argv);
    std::printf("summaries: %lld bytes; whole message: %lld bytes\n",
                static_cast<long long>(input(0).size()), static_cast<long long>(input(1).size()));
    bench::RatioReporter reporter({{"BM_Reader/summaries", "BM_BareRead/summaries"},
                                   {"BM_Reader/whole_message", "BM_BareRead/whole_message"},
                                   {"BM_Reader/whole_message", "BM_BareReadKeepingAll/whole_message"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
