#include <fcntl.h>

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "notes/mime/gmime_support.h"
#include "notes/mime/message.h"
#include "notes/mime/mime_body.h"

namespace vantor::mime {

namespace {

constexpr qint64 kMaxMessageBytes = 512LL * 1024 * 1024;
// Where the headers of real mail end, with room for long Received chains.
constexpr qint64 kHeaderScanBytes = 1024 * 1024;

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
        throw unreadableFile(path, why);
    }
    QFile head(path);
    if (!head.open(QIODevice::ReadOnly)) throw unreadableFile(path, head.errorString());
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

// The first message ID of an ID header, without its angle brackets.
QString messageIdOf(GMimeMessage* message, const char* header) {
    const char* raw = g_mime_object_get_header(GMIME_OBJECT(message), header);
    if (!raw) return QString();
    GMimeReferences* ids = g_mime_references_parse(nullptr, raw);
    if (!ids) return QString();
    const QString first = g_mime_references_length(ids) > 0
                              ? utf8(g_mime_references_get_message_id(ids, 0))
                              : QString();
    g_mime_references_free(ids);
    return first;
}

// The header's own fields: addresses, subject, date, IDs.
void readHeader(GMimeMessage* m, Message& message) {
    message.from = senderOf(m);
    message.to = addressText(g_mime_message_get_to(m));
    message.cc = addressText(g_mime_message_get_cc(m));
    message.subject = utf8(g_mime_message_get_subject(m));
    if (GDateTime* date = g_mime_message_get_date(m))
        message.date = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date));
    message.messageId = utf8(g_mime_message_get_message_id(m));
    message.inReplyTo = messageIdOf(m, "In-Reply-To");
}

// `withHeader`: the header's fields (addresses, subject, date, IDs) too;
// else the body and the attachments only.
Message readParsed(GMimeStream* stream, AttachmentBytes attachments, bool withHeader = true) {
    initGMime();
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
    GMimeParserOptions* options = g_mime_parser_options_new();
    const char* fallback[] = {"utf-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(options, fallback);
    GPtr<GMimeMessage> parsed(g_mime_parser_construct_message(parser.get(), options));
    g_mime_parser_options_free(options);
    if (!parsed)
        throw Failure(code::kBadMessage,
                      QStringLiteral("Le message n'est pas lisible : aucun en-tête de message."));

    GMimeMessage* m = parsed.get();
    Message message;
    if (withHeader) readHeader(m, message);
    MessageContent content = readMessageContent(m, attachments);
    message.body = std::move(content.body);
    message.attachments = std::move(content.attachments);
    return message;
}

// A message held in memory, read as readParsed reads it.
Message readBytes(const QByteArray& bytes, AttachmentBytes attachments, bool withHeader) {
    initGMime();
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.constData(), bytes.size()));
    return readParsed(stream.get(), attachments, withHeader);
}

}  // namespace

Failure unreadableFile(const QString& path, const QString& why) {
    return Failure(
        code::kBadMessage,
        QStringLiteral("Le fichier %1 n'est pas un message lisible : %2.").arg(path, why));
}

Message readMessage(const QByteArray& bytes, AttachmentBytes attachments) {
    return readBytes(bytes, attachments, true);
}

Message readMessageBody(const QByteArray& bytes, AttachmentBytes attachments) {
    return readBytes(bytes, attachments, false);
}

Message readMessageFile(const QString& path, AttachmentBytes attachments) {
    initGMime();
    const QFileInfo info(path);
    if (!info.isFile()) throw unreadableFile(path, QStringLiteral("fichier introuvable"));
    if (info.size() == 0) throw unreadableFile(path, QStringLiteral("le fichier est vide"));
    if (info.size() > kMaxMessageBytes)
        throw unreadableFile(path, QStringLiteral("le fichier est trop grand"));
    GPtr<GMimeStream> stream = openMessageStream(path);
    try {
        return readParsed(stream.get(), attachments);
    } catch (const Failure&) {
        throw unreadableFile(path, QStringLiteral("aucun en-tête de message"));
    }
}

}  // namespace vantor::mime
