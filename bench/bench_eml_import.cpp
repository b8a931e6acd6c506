// Importing real-looking mail: a batch of 50 varied .eml files read into memos
// and delivered, against reading their bytes and GMime's parse alone; the
// HTML-to-text conversion of a 1 MB message against one bare pass over its
// characters; and markup that made earlier conversions quadratic (unclosed
// <script>, <div>, <table>; unclosed <span> then stray end tags, which
// libxml2 compares with every open element; one tag with thousands of
// attributes, which libxml2 compares with each other), at 6,000 and 60,000
// tags or attributes. Qt's QTextDocument
// is measured on smaller inputs for information: its HTML import grows
// quadratically with unclosed tags, which is why the tool does not use it.
#include <fcntl.h>
#include <gmime/gmime.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>

#include "eml_reader.h"
#include "notes/mime/html_text.h"
#include "notes/mime/mail_charset.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;

const QString kServer = QStringLiteral("Paris/Vantor");
const QString kUser = QStringLiteral("Jean Dupont/Vantor");
const QString kMailbox = QStringLiteral("mail\\import.nsf");

QByteArray crlf(QByteArray text) {
    return text.replace("\n", "\r\n");
}

QByteArray base64Lines(int bytes) {
    QByteArray raw(bytes, Qt::Uninitialized);
    for (int i = 0; i < bytes; ++i) raw[i] = static_cast<char>((i * 7919 + 13) & 0xFF);
    const QByteArray encoded = raw.toBase64();
    QByteArray lines;
    for (qsizetype at = 0; at < encoded.size(); at += 76) lines += encoded.mid(at, 76) + "\r\n";
    return lines;
}

// A newsletter of about `bytes` bytes: a style sheet, comments, tables with
// inline styles, links and entities, as marketing mail is written.
QByteArray newsletterHtml(qsizetype bytes) {
    QByteArray html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Lettre</title><style>"
        "td{font-family:Arial} .x{color:#333}</style></head><body><!--[if "
        "mso]><table><![endif]-->\n";
    for (int row = 0; html.size() < bytes; ++row)
        html +=
            "<table width=\"600\" cellpadding=\"0\" style=\"border:0\"><tr><td class=\"x\" "
            "style=\"padding:8px\">"
            "<a href=\"https://exemple.fr/suivi?id=" +
            QByteArray::number(row) + "&amp;src=lettre\">Offre n&deg;" + QByteArray::number(row) +
            "</a> &ndash; r&eacute;servez avant le 15&nbsp;mars&nbsp;: <b>20&nbsp;%</b> de remise"
            "<br>Conditions &laquo;&nbsp;habituelles&nbsp;&raquo;.</td><td><img src=\"cid:logo\" "
            "alt=\"\"></td>"
            "</tr></table>\n<p style=\"margin:0\">Paragraphe " +
            QByteArray::number(row) + " de la lettre, avec du texte ordinaire à lire.</p>\n";
    return html + "</body></html>\n";
}

// Ten structures met in real mail, five of each, with varied sizes.
std::vector<QByteArray> varietyOfMessages() {
    std::vector<QByteArray> messages;
    for (int round = 0; round < 5; ++round) {
        const QByteArray n = QByteArray::number(round);
        const QByteArray head =
            "From: Claire Martin <claire@exemple.fr>\nTo: Jean Dupont <jean@exemple.fr>\n"
            "Date: Mon, 15 Mar 2004 14:05:00 +0100\nMIME-Version: 1.0\nSubject: Message " +
            n + " ";
        const QByteArray paragraph =
            "Bonjour Jean, voici les nouvelles de la semaine et la suite du projet.\n";
        messages.push_back(crlf(head + "texte\nContent-Type: text/plain; charset=utf-8\n\n" +
                                paragraph.repeated(40)));
        messages.push_back(crlf(head + "windows\n\n") +
                           QByteArray("Caf\xe9 d\xe9j\xe0 pay\xe9 \x80.\r\n").repeated(200));
        messages.push_back(
            crlf(head +
                 "pdf\nContent-Type: multipart/mixed; boundary=\"m\"\n\n--m\n"
                 "Content-Type: text/plain; charset=utf-8\n\n" +
                 paragraph +
                 "--m\nContent-Type: application/pdf\nContent-Disposition: attachment; "
                 "filename=\"rapport.pdf\"\nContent-Transfer-Encoding: base64\n\n") +
            base64Lines(100 * 1024 * (round + 1)) + "--m--\r\n");
        messages.push_back(
            crlf(head +
                 "alternative\nContent-Type: multipart/alternative; boundary=\"a\"\n\n--a\n"
                 "Content-Type: text/plain; charset=utf-8\n\n" +
                 paragraph.repeated(10) + "--a\nContent-Type: text/html; charset=utf-8\n\n") +
            newsletterHtml(20 * 1024) + "\r\n--a--\r\n");
        messages.push_back(crlf(head +
                                "lettre\nContent-Type: multipart/related; boundary=\"r\"\n\n--r\n"
                                "Content-Type: text/html; charset=utf-8\n\n") +
                           newsletterHtml(60 * 1024 * (round + 1)) +
                           crlf("\n--r\nContent-Type: image/png\nContent-ID: <logo>\n"
                                "Content-Transfer-Encoding: base64\n\n") +
                           base64Lines(8 * 1024) + "--r--\r\n");
        messages.push_back(
            crlf(head +
                 "photos\nContent-Type: multipart/mixed; boundary=\"p\"\n\n--p\n"
                 "Content-Type: text/plain\n\nAvant la photo.\n--p\nContent-Type: image/jpeg\n"
                 "Content-Disposition: inline; filename=\"photo.jpg\"\n"
                 "Content-Transfer-Encoding: base64\n\n") +
            base64Lines(200 * 1024) +
            crlf(
                "--p\nContent-Type: text/plain\nContent-Disposition: inline; filename=notes.txt\n\n"
                "Après la photo.\n--p--\n"));
        messages.push_back(
            crlf(head +
                 "transfert\nContent-Type: multipart/mixed; boundary=\"f\"\n\n--f\n"
                 "Content-Type: text/plain\n\nVoir ci-dessous.\n--f\n"
                 "Content-Type: message/rfc822\n\nFrom: Paul <paul@exemple.fr>\nSubject: "
                 "Devis\n\n" +
                 paragraph.repeated(20) + "--f--\n"));
        messages.push_back(
            crlf("From: MAILER DAEMON <>\nSubject: Undelivered " + n +
                 "\nContent-Type: multipart/report; report-type=delivery-status; boundary=\"d\"\n\n"
                 "--d\nContent-Type: text/plain\n\nYour message could not be delivered.\n--d\n"
                 "Content-Type: message/delivery-status\n\nReporting-MTA: dns; mx.exemple.fr\n--d\n"
                 "Content-Type: message/rfc822\n\nFrom: jean@exemple.fr\nSubject: Original\n\n" +
                 paragraph.repeated(5) + "--d--\n"));
        messages.push_back(
            crlf(head +
                 "frontiere\nContent-Type: multipart/mixed; boundary=\"juste\"\n\n--faux\n"
                 "Content-Type: text/plain\n\n" +
                 paragraph.repeated(5) + "--faux--\n"));
        messages.push_back(crlf(head + "sans ligne vide\n" + paragraph.repeated(10)));
    }
    return messages;
}

struct Batch {
    QTemporaryDir dir;
    QStringList files;
    qint64 bytes = 0;

    Batch() {
        int i = 0;
        for (const QByteArray& message : varietyOfMessages()) {
            const QString path =
                dir.filePath(QStringLiteral("m%1.eml").arg(i++, 2, 10, QLatin1Char('0')));
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(message);
            files << path;
            bytes += message.size();
        }
    }
};

Batch& batch() {
    static Batch b;
    return b;
}

void BM_ReadBytes50(benchmark::State& state) {
    for (auto _ : state)
        for (const QString& path : batch().files) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            benchmark::DoNotOptimize(f.readAll());
        }
    state.counters["bytes"] = static_cast<double>(batch().bytes);
}

void BM_GMimeParse50(benchmark::State& state) {
    g_mime_init();
    for (auto _ : state)
        for (const QString& path : batch().files) {
            GMimeStream* stream =
                g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, nullptr);
            GMimeParser* parser = g_mime_parser_new_with_stream(stream);
            GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
            benchmark::DoNotOptimize(message);
            g_object_unref(message);
            g_object_unref(parser);
            g_object_unref(stream);
        }
}

void BM_ReadEml50(benchmark::State& state) {
    for (auto _ : state)
        for (const QString& path : batch().files) benchmark::DoNotOptimize(tool::readEmlFile(path));
}

void BM_ImportEml50(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir root;
        store::StoreAdmin admin(root.path());
        auto database = admin.createMailbox(kServer, kMailbox, {kUser});
        state.ResumeTiming();
        for (const QString& path : batch().files)
            store::deliverMemo(*database, tool::readEmlFile(path));
        state.PauseTiming();
        database.reset();
        state.ResumeTiming();
    }
}

// The command as a user runs it: process start, store opened, 50 files.
void BM_ImportEmlCommand50(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir root;
        store::StoreAdmin(root.path()).createMailbox(kServer, kMailbox, {kUser});
        QProcess tool;
        const QStringList args = QStringList{QStringLiteral("--root"),
                                             root.path(),
                                             QStringLiteral("import-eml"),
                                             QStringLiteral("--server"),
                                             kServer,
                                             QStringLiteral("--file"),
                                             kMailbox} +
                                 batch().files;
        state.ResumeTiming();
        tool.start(QStringLiteral(VANTOR_STORE_EXE), args);
        tool.waitForFinished(-1);
        if (tool.exitCode() != 0) state.SkipWithError("import-eml failed");
    }
}

const QByteArray& newsletter1MB() {
    static const QByteArray html = newsletterHtml(1024 * 1024);
    return html;
}

// The floor: the bytes made characters, and one pass over them.
void BM_DecodeAndScanHtml1MB(benchmark::State& state) {
    for (auto _ : state) {
        const QString text = QString::fromUtf8(newsletter1MB());
        benchmark::DoNotOptimize(QStringView(text).count(QLatin1Char('<')));
    }
}

void BM_HtmlPartToText1MB(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(mime::htmlToText(mime::decodeMailText(newsletter1MB(), "utf-8")));
}

QString repeated(const char* unit, int count) {
    return QString::fromLatin1(unit).repeated(count);
}

void htmlToTextOf(benchmark::State& state, const QString& html) {
    for (auto _ : state) benchmark::DoNotOptimize(mime::htmlToText(html));
    state.counters["ns_per_tag"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void qTextDocumentOf(benchmark::State& state, const QString& html) {
    for (auto _ : state) {
        QTextDocument document;
        document.setHtml(html);
        benchmark::DoNotOptimize(document.toPlainText());
    }
}

void registerAll() {
    const auto once = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
    };
    once(benchmark::RegisterBenchmark("BM_ReadBytes50", BM_ReadBytes50));
    once(benchmark::RegisterBenchmark("BM_GMimeParse50", BM_GMimeParse50));
    once(benchmark::RegisterBenchmark("BM_ReadEml50", BM_ReadEml50));
    once(benchmark::RegisterBenchmark("BM_ImportEml50", BM_ImportEml50)->Iterations(3));
    once(benchmark::RegisterBenchmark("BM_ImportEmlCommand50", BM_ImportEmlCommand50)
             ->Iterations(1));
    once(benchmark::RegisterBenchmark("BM_DecodeAndScanHtml1MB", BM_DecodeAndScanHtml1MB));
    once(benchmark::RegisterBenchmark("BM_HtmlPartToText1MB", BM_HtmlPartToText1MB));
    for (const int tags : {6000, 60000}) {
        const std::string n = std::to_string(tags);
        const auto kind = [&](const char* name, const char* unit) {
            const QString html = repeated(unit, tags);
            once(
                benchmark::RegisterBenchmark(("BM_HtmlToText_" + std::string(name) + n).c_str(),
                                             [html](benchmark::State& s) { htmlToTextOf(s, html); })
                    ->Arg(tags));
        };
        kind("UnclosedScript", "<script>x ");
        kind("UnclosedDiv", "<div>x ");
        kind("UnclosedTable", "<table><tr><td>x ");
        QString spans = repeated("<span>x ", tags / 2) + repeated("</i>x ", tags / 2);
        once(benchmark::RegisterBenchmark(("BM_HtmlToText_SpansThenStrayEnds" + n).c_str(),
                                          [spans](benchmark::State& s) { htmlToTextOf(s, spans); })
                 ->Arg(tags));
        QString attributes = QStringLiteral("<p");
        for (int i = 0; i < tags; ++i) attributes += QStringLiteral(" a%1").arg(i);
        attributes += QStringLiteral(">texte</p>");
        once(benchmark::RegisterBenchmark(("BM_HtmlToText_Attributes" + n).c_str(),
                                          [attributes](benchmark::State& s) {
                                              htmlToTextOf(s, attributes);
                                          })
                 ->Arg(tags));
    }
    // For information: Qt's own HTML import, on inputs small enough to wait for.
    const QString newsletter100KB = QString::fromUtf8(newsletterHtml(100 * 1024));
    once(benchmark::RegisterBenchmark("BM_HtmlToText_Newsletter100KB", [newsletter100KB](
                                                                           benchmark::State& s) {
             htmlToTextOf(s, newsletter100KB);
         })->Arg(1));
    once(benchmark::RegisterBenchmark(
        "BM_QTextDocument_Newsletter100KB",
        [newsletter100KB](benchmark::State& s) { qTextDocumentOf(s, newsletter100KB); }));
    for (const int tags : {1000, 3000})
        once(benchmark::RegisterBenchmark(
                 ("BM_QTextDocument_UnclosedScript" + std::to_string(tags)).c_str(),
                 [html = repeated("<script>x ", tags)](benchmark::State& s) {
                     qTextDocumentOf(s, html);
                 })
                 ->Iterations(1));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    registerAll();
    bench::initialiseInterleaved(argc, argv);
    bench::RatioReporter reporter(
        {{"BM_GMimeParse50", "BM_ReadBytes50"},
         {"BM_ReadEml50", "BM_GMimeParse50"},
         {"BM_ImportEml50", "BM_GMimeParse50"},
         {"BM_ImportEml50", "BM_ReadBytes50"},
         {"BM_HtmlPartToText1MB", "BM_DecodeAndScanHtml1MB"},
         {"BM_HtmlToText_UnclosedScript60000", "BM_HtmlToText_UnclosedScript6000"},
         {"BM_HtmlToText_UnclosedDiv60000", "BM_HtmlToText_UnclosedDiv6000"},
         {"BM_HtmlToText_UnclosedTable60000", "BM_HtmlToText_UnclosedTable6000"},
         {"BM_HtmlToText_SpansThenStrayEnds60000", "BM_HtmlToText_SpansThenStrayEnds6000"},
         {"BM_HtmlToText_Attributes60000", "BM_HtmlToText_Attributes6000"},
         {"BM_QTextDocument_Newsletter100KB", "BM_HtmlToText_Newsletter100KB"},
         {"BM_QTextDocument_UnclosedScript3000", "BM_QTextDocument_UnclosedScript1000"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
