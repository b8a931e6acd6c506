#include "eml_reader.h"

#include <fcntl.h>
#include <gmime/gmime.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <memory>

#include "notes/store/store_codes.h"
#include "platform/failure.h"

namespace vantor::tool {

namespace {

constexpr qint64 kMaxMessageBytes = 512LL * 1024 * 1024;

template <typename T>
struct GObjectUnref {
    void operator()(T* object) const {
        if (object) g_object_unref(object);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct GFree {
    void operator()(char* text) const { g_free(text); }
};
using GString_ = std::unique_ptr<char, GFree>;

void initGMime() {
    static const bool done = [] {
        g_mime_init();
        return true;
    }();
    (void)done;
}

QString utf8(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

QString addresses(InternetAddressList* list) {
    if (!list || internet_address_list_length(list) == 0) return QString();
    GString_ text(internet_address_list_to_string(list, nullptr, FALSE));
    return utf8(text.get());
}

QByteArray decodedBytes(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return QByteArray();
    GPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, memory.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

QString partText(GMimeObject* object) {
    if (!GMIME_IS_TEXT_PART(object)) return QString::fromUtf8(decodedBytes(GMIME_PART(object)));
    GString_ text(g_mime_text_part_get_text(GMIME_TEXT_PART(object)));
    if (text) return utf8(text.get());
    // An unknown charset: read the bytes as Windows mail would, as Latin-1.
    return QString::fromLatin1(decodedBytes(GMIME_PART(object)));
}

struct Walk {
    store::Memo* memo;
    QString plain;
    QString html;
    bool hasPlain = false;
    bool hasHtml = false;
    int unnamed = 0;
};

void visitPart(GMimeObject*, GMimeObject* part, gpointer data) {
    Walk& walk = *static_cast<Walk*>(data);
    if (GMIME_IS_MESSAGE_PART(part)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
        if (!inner) return;
        GPtr<GMimeStream> memory(g_mime_stream_mem_new());
        g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, memory.get());
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
        QString subject = utf8(g_mime_message_get_subject(inner)).trimmed();
        walk.memo->attachments.push_back(
            {(subject.isEmpty() ? QStringLiteral("message") : subject) + QStringLiteral(".eml"), QString(),
             QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len))});
        return;
    }
    if (!GMIME_IS_PART(part)) return;
    GMimePart* mimePart = GMIME_PART(part);
    const QString filename = utf8(g_mime_part_get_filename(mimePart));
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(part);
    const bool isAttachment = !filename.isEmpty() ||
                              (disposition && g_mime_content_disposition_is_attachment(disposition));
    GMimeContentType* type = g_mime_object_get_content_type(part);
    if (!isAttachment && type && g_mime_content_type_is_type(type, "text", "plain")) {
        if (!walk.hasPlain) walk.plain = partText(part);
        walk.hasPlain = true;
        return;
    }
    if (!isAttachment && type && g_mime_content_type_is_type(type, "text", "html")) {
        if (!walk.hasHtml) walk.html = partText(part);
        walk.hasHtml = true;
        return;
    }
    if (!isAttachment && type && g_mime_content_type_is_type(type, "multipart", "*")) return;
    QString name = filename;
    if (name.isEmpty()) {
        const QString subtype = type ? utf8(g_mime_content_type_get_media_subtype(type)) : QString();
        name = QStringLiteral("piece_jointe_%1%2")
                   .arg(++walk.unnamed)
                   .arg(subtype.isEmpty() ? QString() : QLatin1Char('.') + subtype);
    }
    walk.memo->attachments.push_back({name, QString(), decodedBytes(mimePart)});
}

Failure badMessage(const QString& path, const QString& why) {
    return Failure(store::code::kBadMessage,
                   QStringLiteral("Le fichier %1 n'est pas un message lisible : %2.").arg(path, why));
}

}  // namespace

store::Memo readEmlFile(const QString& path) {
    initGMime();
    const QFileInfo info(path);
    if (!info.isFile()) throw badMessage(path, QStringLiteral("fichier introuvable"));
    if (info.size() == 0) throw badMessage(path, QStringLiteral("le fichier est vide"));
    if (info.size() > kMaxMessageBytes) throw badMessage(path, QStringLiteral("le fichier est trop grand"));

    GError* error = nullptr;
    GPtr<GMimeStream> stream(g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, &error));
    if (!stream) {
        const QString why = error ? utf8(error->message) : QStringLiteral("lecture impossible");
        if (error) g_error_free(error);
        throw badMessage(path, why);
    }
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GMimeParserOptions* options = g_mime_parser_options_new();
    const char* fallback[] = {"utf-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(options, fallback);
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options));
    g_mime_parser_options_free(options);
    if (!message) throw badMessage(path, QStringLiteral("aucun en-tête de message"));

    store::Memo memo;
    memo.from = addresses(g_mime_message_get_from(message.get()));
    if (memo.from.isEmpty()) throw badMessage(path, QStringLiteral("l'expéditeur (From) manque"));
    memo.sendTo = addresses(g_mime_message_get_to(message.get()));
    memo.subject = utf8(g_mime_message_get_subject(message.get()));
    if (GDateTime* date = g_mime_message_get_date(message.get()))
        memo.posted = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date));

    Walk walk{&memo, {}, {}, false, false, 0};
    if (GMimeObject* body = g_mime_message_get_mime_part(message.get())) {
        if (GMIME_IS_MULTIPART(body))
            g_mime_multipart_foreach(GMIME_MULTIPART(body), visitPart, &walk);
        else
            visitPart(nullptr, body, &walk);
    }
    memo.body = walk.hasPlain ? walk.plain : htmlToText(walk.html);
    memo.body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return memo;
}

QString htmlToText(const QString& html) {
    QString text = html;
    static const QRegularExpression hidden(QStringLiteral("<(script|style|head)\\b[^>]*>.*?</\\1\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression comments(QStringLiteral("<!--.*?-->"),
                                             QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression breaks(QStringLiteral("<(br|/p|/div|/tr|/h[1-6]|/li)\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression blanks(QStringLiteral("[ \\t\\r]+"));
    static const QRegularExpression manyLines(QStringLiteral("\\n\\s*\\n\\s*\\n+"));
    text.remove(hidden);
    text.remove(comments);
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(breaks, QStringLiteral("\n"));
    text.remove(tags);

    static const QRegularExpression entity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    static const QMap<QString, QString> named{
        {QStringLiteral("amp"), QStringLiteral("&")},    {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},     {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},   {QStringLiteral("nbsp"), QStringLiteral(" ")},
        {QStringLiteral("eacute"), QStringLiteral("é")}, {QStringLiteral("egrave"), QStringLiteral("è")},
        {QStringLiteral("ecirc"), QStringLiteral("ê")},  {QStringLiteral("agrave"), QStringLiteral("à")},
        {QStringLiteral("acirc"), QStringLiteral("â")},  {QStringLiteral("ccedil"), QStringLiteral("ç")},
        {QStringLiteral("ocirc"), QStringLiteral("ô")},  {QStringLiteral("ugrave"), QStringLiteral("ù")},
        {QStringLiteral("icirc"), QStringLiteral("î")},  {QStringLiteral("euro"), QStringLiteral("€")},
        {QStringLiteral("laquo"), QStringLiteral("«")},  {QStringLiteral("raquo"), QStringLiteral("»")}};
    QString decoded;
    qsizetype last = 0;
    auto matches = entity.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch m = matches.next();
        decoded += text.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        QString replacement = m.captured(0);
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint codePoint = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                                       ? name.mid(2).toUInt(&ok, 16)
                                       : name.mid(1).toUInt(&ok, 10);
            if (ok && codePoint > 0 && codePoint <= 0x10FFFF) {
                const char32_t cp = codePoint;
                replacement = QString::fromUcs4(&cp, 1);
            }
        } else if (named.contains(name)) {
            replacement = named.value(name);
        }
        decoded += replacement;
        last = m.capturedEnd();
    }
    decoded += text.mid(last);

    decoded.replace(blanks, QStringLiteral(" "));
    QStringList lines = decoded.split(QLatin1Char('\n'));
    for (QString& line : lines) line = line.trimmed();
    return lines.join(QLatin1Char('\n')).replace(manyLines, QStringLiteral("\n\n")).trimmed();
}

}  // namespace vantor::tool
