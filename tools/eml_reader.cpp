#include "eml_reader.h"

#include <fcntl.h>

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "gmime_support.h"
#include "mime_body.h"
#include "notes/store/store_codes.h"
#include "platform/failure.h"

namespace vantor::tool {

namespace {

constexpr qint64 kMaxMessageBytes = 512LL * 1024 * 1024;
// Where the headers of real mail end, with room for long Received chains.
constexpr qint64 kHeaderScanBytes = 1024 * 1024;

void initGMime() {
    static const bool done = [] {
        g_mime_init();
        return true;
    }();
    (void)done;
}

Failure badMessage(const QString& path, const QString& why) {
    return Failure(
        store::code::kBadMessage,
        QStringLiteral("Le fichier %1 n'est pas un message lisible : %2.").arg(path, why));
}

// "Name: value", with the obsolete blanks before the colon.
bool isHeaderLine(const QByteArray& line) {
    qsizetype at = 0;
    while (at < line.size() && line[at] > ' ' && line[at] < 127 && line[at] != ':') ++at;
    if (at == 0) return false;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    return at < line.size() && line[at] == ':';
}

// The offset where the body starts when no blank line ends the headers, or
// -1 when nothing needs mending. A line that cannot be a header starts the
// body, unless a header follows it (a badly folded header: GMime skips it).
qint64 missingBlankLine(const QByteArray& head, bool wholeFile) {
    qsizetype at = head.startsWith("From ") ? head.indexOf('\n') + 1 : 0;  // an mbox separator
    const auto lineAt = [&](qsizetype start, qsizetype* next) -> std::optional<QByteArray> {
        qsizetype end = head.indexOf('\n', start);
        if (end < 0) {
            if (!wholeFile || start >= head.size()) return std::nullopt;
            end = head.size();
        }
        *next = end + 1;
        QByteArray line = head.mid(start, end - start);
        if (line.endsWith('\r')) line.chop(1);
        return line;
    };
    bool seenHeader = false;
    for (qsizetype next = 0;; at = next) {
        const std::optional<QByteArray> line = lineAt(at, &next);
        if (!line || line->isEmpty()) return -1;
        if (isHeaderLine(*line) ||
            (seenHeader && (line->front() == ' ' || line->front() == '\t'))) {
            seenHeader = true;
            continue;
        }
        if (!seenHeader) return -1;
        if (line->startsWith("--")) return at;  // the first boundary of a multipart body
        qsizetype afterNext = 0;
        const std::optional<QByteArray> following = lineAt(next, &afterNext);
        return following && isHeaderLine(*following) ? -1 : at;
    }
}

// The file as GMime reads it, with the missing blank line after the headers
// put back so that the text below them stays the body.
GPtr<GMimeStream> openMessageStream(const QString& path) {
    GError* error = nullptr;
    GPtr<GMimeStream> file(
        g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, &error));
    if (!file) {
        const QString why = error ? utf8(error->message) : QStringLiteral("lecture impossible");
        if (error) g_error_free(error);
        throw badMessage(path, why);
    }
    QFile head(path);
    if (!head.open(QIODevice::ReadOnly)) throw badMessage(path, head.errorString());
    const QByteArray start = head.read(kHeaderScanBytes);
    const qint64 body = missingBlankLine(start, head.atEnd());
    if (body < 0) return file;
    GPtr<GMimeStream> joined(g_mime_stream_cat_new());
    GPtr<GMimeStream> headers(g_mime_stream_substream(file.get(), 0, body));
    GPtr<GMimeStream> blank(g_mime_stream_mem_new_with_buffer("\r\n", 2));
    GPtr<GMimeStream> rest(g_mime_stream_substream(file.get(), body, -1));
    for (GMimeStream* source : {headers.get(), blank.get(), rest.get()})
        g_mime_stream_cat_add_source(GMIME_STREAM_CAT(joined.get()), source);
    return joined;
}

}  // namespace

store::Memo readEmlFile(const QString& path) {
    initGMime();
    const QFileInfo info(path);
    if (!info.isFile()) throw badMessage(path, QStringLiteral("fichier introuvable"));
    if (info.size() == 0) throw badMessage(path, QStringLiteral("le fichier est vide"));
    if (info.size() > kMaxMessageBytes)
        throw badMessage(path, QStringLiteral("le fichier est trop grand"));

    GPtr<GMimeStream> stream = openMessageStream(path);
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GMimeParserOptions* options = g_mime_parser_options_new();
    const char* fallback[] = {"utf-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(options, fallback);
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options));
    g_mime_parser_options_free(options);
    if (!message) throw badMessage(path, QStringLiteral("aucun en-tête de message"));

    store::Memo memo;
    const std::optional<QString> from = senderOf(message.get());
    if (!from) throw badMessage(path, QStringLiteral("l'expéditeur (From) manque"));
    memo.from = *from;
    memo.sendTo = addressText(g_mime_message_get_to(message.get()));
    memo.subject = utf8(g_mime_message_get_subject(message.get()));
    if (GDateTime* date = g_mime_message_get_date(message.get()))
        memo.posted = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date));
    MessageContent content = readMessageContent(message.get());
    memo.body = std::move(content.body);
    memo.attachments = std::move(content.attachments);
    return memo;
}

}  // namespace vantor::tool
