#include "notes/mime/mime_body.h"

#include "notes/mime/gmime_support.h"
#include "notes/mime/html_text.h"
#include "notes/mime/mail_charset.h"

namespace vantor::mime {

namespace {

struct MediaType {
    QByteArray type;
    QByteArray subtype;
    QByteArray charset;

    QString text() const { return QString::fromLatin1(type + '/' + subtype); }
};

MediaType mediaTypeOf(GMimeObject* object) {
    MediaType media;
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (type) {
        media.type = QByteArray(g_mime_content_type_get_media_type(type)).toLower();
        media.subtype = QByteArray(g_mime_content_type_get_media_subtype(type)).toLower();
        media.charset = QByteArray(g_mime_content_type_get_parameter(type, "charset"));
    }
    // "text" without a subtype is text/plain (RFC 2045); GMime would make
    // it application/octet-stream and drop its charset.
    const QByteArray raw = QByteArray(g_mime_object_get_header(object, "Content-Type"));
    const qsizetype semicolon = raw.indexOf(';');
    const QByteArray token = (semicolon < 0 ? raw : raw.left(semicolon)).trimmed().toLower();
    if (token == "text" || token == "text/") {
        media.type = "text";
        media.subtype = "plain";
        const QByteArray fixed = "text/plain" + (semicolon < 0 ? QByteArray() : raw.mid(semicolon));
        GPtr<GMimeContentType> parsed(g_mime_content_type_parse(nullptr, fixed.constData()));
        media.charset = parsed
                            ? QByteArray(g_mime_content_type_get_parameter(parsed.get(), "charset"))
                            : QByteArray();
    }
    return media;
}

QByteArray decodedBytes(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return QByteArray();
    GPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, memory.get());
    return streamBytes(memory.get());
}

QByteArray objectBytes(GMimeObject* object) {
    GPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, memory.get());
    return streamBytes(memory.get());
}

QString plainText(const QByteArray& bytes, const QByteArray& charset) {
    return decodeMailText(bytes, charset).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString addressesOf(GMimeMessage* message, GMimeAddressType type) {
    return addressText(g_mime_message_get_addresses(message, type));
}

// Pieces of text one after the other, a blank line between them.
QString joinTexts(const QStringList& texts) {
    QString body;
    for (const QString& text : texts) {
        if (text.trimmed().isEmpty()) continue;
        if (body.isEmpty()) {
            body = text;
            continue;
        }
        while (body.endsWith(QLatin1Char('\n'))) body.chop(1);
        qsizetype start = 0;
        while (start < text.size() && text[start] == QLatin1Char('\n')) ++start;
        body += QStringLiteral("\n\n");
        body += QStringView(text).mid(start);
    }
    return body;
}

// Where a part sits in the IMAP numbering: the section of the part itself,
// and the prefix its children's numbers follow. `known` is false inside a
// multipart rebuilt from a wrong boundary: a server numbers none of it.
struct Place {
    QString self;
    QString children;
    bool known = true;

    // The body of a message whose own section is `prefix` ("" at the top):
    // a single part is its number 1, a multipart's parts are numbered below it.
    static Place messageBody(const QString& prefix) { return {partSection(prefix, 1), prefix}; }
    Place child(int index) const {
        const QString number = partSection(children, index + 1);
        return {known ? number : QString(), number, known};
    }
    QString section() const { return known ? self : QString(); }
};

// What one part of the structure shows: body texts in reading order, and files.
struct Shown {
    QStringList texts;
    bool fromHtml = false;
    std::vector<Attachment> files;

    bool hasText() const {
        for (const QString& text : texts)
            if (!text.trimmed().isEmpty()) return true;
        return false;
    }
    void take(Shown&& other) {
        texts += other.texts;
        fromHtml = fromHtml || other.fromHtml;
        for (Attachment& file : other.files) files.push_back(std::move(file));
    }
};

class Walk {
  public:
    explicit Walk(AttachmentBytes bytes) : readBytes_(bytes == AttachmentBytes::kDecoded) {}

    // `keepFiles` is false inside a forwarded message: its files travel in
    // its own .eml file.
    Shown show(GMimeObject* object, const Place& place, int depth, bool keepFiles) {
        Shown shown;
        if (!object) return shown;
        if (depth > kMaxPartDepth) {
            if (keepFiles) {
                Attachment& file = addFile(shown, object, QString(), "eml", place);
                if (readBytes_) file.bytes = objectBytes(object);
                file.wholePart = true;
            }
        } else if (GMIME_IS_MULTIPART(object)) {
            multipart(GMIME_MULTIPART(object), place, depth, keepFiles, shown);
        } else if (GMIME_IS_MESSAGE_PART(object)) {
            forwarded(GMIME_MESSAGE_PART(object), place, depth, keepFiles, shown);
        } else if (GMIME_IS_PART(object)) {
            leaf(GMIME_PART(object), place, keepFiles, shown);
        }
        return shown;
    }

  private:
    void multipart(GMimeMultipart* multipart, const Place& place, int depth, bool keepFiles,
                   Shown& shown) {
        const int count = g_mime_multipart_get_count(multipart);
        if (count <= 0) {
            recover(multipart, depth, keepFiles, shown);
            return;
        }
        const MediaType media = mediaTypeOf(GMIME_OBJECT(multipart));
        if (media.subtype == "alternative") {
            alternative(multipart, place, depth, keepFiles, shown);
            return;
        }
        const int root = media.subtype == "related" ? relatedRoot(multipart) : -1;
        for (int i = 0; i < count; ++i) {
            GMimeObject* part = g_mime_multipart_get_part(multipart, i);
            if (root >= 0 && i != root && GMIME_IS_PART(part)) {
                // The pictures and styles the root refers to.
                if (keepFiles) fileOf(GMIME_PART(part), place.child(i), shown);
                continue;
            }
            shown.take(show(part, place.child(i), depth + 1, keepFiles));
        }
    }

    // Plain text first, else the richest alternative that has text; the files
    // of every alternative are kept.
    void alternative(GMimeMultipart* multipart, const Place& place, int depth, bool keepFiles,
                     Shown& shown) {
        std::vector<Shown> alternatives;
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i)
            alternatives.push_back(show(g_mime_multipart_get_part(multipart, i), place.child(i),
                                        depth + 1, keepFiles));
        Shown* chosen = nullptr;
        for (Shown& a : alternatives)
            if (a.hasText() && !a.fromHtml) {
                chosen = &a;
                break;
            }
        for (auto a = alternatives.rbegin(); !chosen && a != alternatives.rend(); ++a)
            if (a->hasText()) chosen = &*a;
        if (chosen) {
            shown.texts += chosen->texts;
            shown.fromHtml = chosen->fromHtml;
        }
        for (Shown& a : alternatives)
            for (Attachment& file : a.files) shown.files.push_back(std::move(file));
    }

    static int relatedRoot(GMimeMultipart* multipart) {
        GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(multipart));
        QByteArray start =
            type ? QByteArray(g_mime_content_type_get_parameter(type, "start")) : QByteArray();
        start = start.trimmed();
        if (start.startsWith('<') && start.endsWith('>')) start = start.mid(1, start.size() - 2);
        if (!start.isEmpty())
            for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i)
                if (start == g_mime_object_get_content_id(g_mime_multipart_get_part(multipart, i)))
                    return i;
        return 0;
    }

    // A multipart whose boundary is missing or wrong has no parts: GMime left
    // everything in its prologue. Parts found with the boundary its lines
    // use are read as parts; otherwise the text is the body.
    void recover(GMimeMultipart* multipart, int depth, bool keepFiles, Shown& shown) {
        QByteArray raw(g_mime_multipart_get_prologue(multipart));
        const QByteArray epilogue(g_mime_multipart_get_epilogue(multipart));
        if (!epilogue.isEmpty()) raw += '\n' + epilogue;
        if (raw.trimmed().isEmpty()) return;
        const QByteArray boundary = boundaryInUse(raw);
        if (!boundary.isEmpty()) {
            const QByteArray subtype = mediaTypeOf(GMIME_OBJECT(multipart)).subtype;
            const QByteArray bytes = "Content-Type: multipart/" +
                                     (subtype.isEmpty() ? "mixed" : subtype) + "; boundary=\"" +
                                     boundary + "\"\r\n\r\n" + raw;
            GPtr<GMimeStream> stream(
                g_mime_stream_mem_new_with_buffer(bytes.constData(), bytes.size()));
            GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
            GPtr<GMimeObject> parsed(g_mime_parser_construct_part(parser.get(), nullptr));
            if (parsed && GMIME_IS_MULTIPART(parsed.get()) &&
                g_mime_multipart_get_count(GMIME_MULTIPART(parsed.get())) > 0) {
                shown.take(show(parsed.get(), Place{{}, {}, false}, depth + 1, keepFiles));
                return;
            }
        }
        shown.texts << plainText(raw, QByteArray());
    }

    // The boundary of the first delimiter line ("--boundary") that a part's
    // header follows, if any.
    static QByteArray boundaryInUse(const QByteArray& raw) {
        for (qsizetype start = 0; start < raw.size();) {
            qsizetype end = raw.indexOf('\n', start);
            if (end < 0) end = raw.size();
            const QByteArray line = raw.mid(start, end - start).trimmed();
            start = end + 1;
            if (!line.startsWith("--") || line.size() < 3 || line.size() > 72 || line.contains('"'))
                continue;
            const qsizetype next = raw.indexOf('\n', start);
            const QByteArray following = raw.mid(start, next < 0 ? -1 : next - start);
            if (following.left(8).toLower() == "content-") return line.mid(2);
        }
        return QByteArray();
    }

    // A message/rfc822 part stays whole as an .eml file; unless it is an
    // attachment, its headers and text also show in the body.
    void forwarded(GMimeMessagePart* part, const Place& place, int depth, bool keepFiles,
                   Shown& shown) {
        GMimeMessage* inner = g_mime_message_part_get_message(part);
        if (!inner) return;
        const QString subject = utf8(g_mime_message_get_subject(inner)).trimmed();
        if (keepFiles) {
            Attachment& file = addFile(
                shown, GMIME_OBJECT(part),
                (subject.isEmpty() ? QStringLiteral("message") : subject) + QStringLiteral(".eml"),
                QByteArray(), place);
            if (readBytes_) file.bytes = objectBytes(GMIME_OBJECT(inner));
        }
        if (isAttachment(GMIME_OBJECT(part))) return;

        QString header = QStringLiteral("-------- Message d'origine --------\n");
        const auto line = [&header](const QString& label, const QString& value) {
            if (!value.trimmed().isEmpty())
                header += label + QStringLiteral(" : ") + value.trimmed() + QLatin1Char('\n');
        };
        line(QStringLiteral("De"), senderOf(inner).value_or(QString()));
        line(QStringLiteral("Date"), utf8(g_mime_object_get_header(GMIME_OBJECT(inner), "Date")));
        line(QStringLiteral("Objet"), subject);
        line(QStringLiteral("À"), addressesOf(inner, GMIME_ADDRESS_TYPE_TO));
        line(QStringLiteral("Cc"), addressesOf(inner, GMIME_ADDRESS_TYPE_CC));
        const Place body = place.known ? Place::messageBody(place.self) : Place{{}, {}, false};
        const Shown text = show(g_mime_message_get_mime_part(inner), body, depth + 1, false);
        shown.texts << joinTexts(QStringList{header} + text.texts);
    }

    static bool isAttachment(GMimeObject* object) {
        GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
        return disposition && g_mime_content_disposition_is_attachment(disposition);
    }

    void leaf(GMimePart* part, const Place& place, bool keepFiles, Shown& shown) {
        GMimeObject* object = GMIME_OBJECT(part);
        const MediaType media = mediaTypeOf(object);
        if (showsAsText(media.type, media.subtype, isAttachment(object))) {
            const QByteArray bytes = decodedBytes(part);
            if (media.subtype == "html") {
                const QByteArray charset =
                    media.charset.isEmpty() ? htmlMetaCharset(bytes) : media.charset;
                shown.texts << htmlToText(decodeMailText(bytes, charset));
                shown.fromHtml = true;
            } else {
                shown.texts << plainText(bytes, media.charset);
            }
            return;
        }
        if (keepFiles) fileOf(part, place, shown);
    }

    void fileOf(GMimePart* part, const Place& place, Shown& shown) {
        GMimeObject* object = GMIME_OBJECT(part);
        Attachment& file = addFile(shown, object, utf8(g_mime_part_get_filename(part)),
                                   mediaTypeOf(object).subtype, place);
        if (readBytes_) file.bytes = decodedBytes(part);
    }

    // A file of the part `object`, named after the part's media subtype when
    // it has no name.
    Attachment& addFile(Shown& shown, GMimeObject* object, QString name,
                        const QByteArray& extension, const Place& place) {
        if (name.isEmpty())
            name = QStringLiteral("piece_jointe_%1").arg(++unnamed_) +
                   (extension.isEmpty() ? QString()
                                        : QLatin1Char('.') + QString::fromLatin1(extension));
        Attachment file;
        file.name = std::move(name);
        file.contentType = mediaTypeOf(object).text();
        file.declaredSize = declaredSize(object);
        file.section = place.section();
        shown.files.push_back(std::move(file));
        return shown.files.back();
    }

    static std::optional<qint64> declaredSize(GMimeObject* object) {
        GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
        const char* size =
            disposition ? g_mime_content_disposition_get_parameter(disposition, "size") : nullptr;
        bool ok = false;
        const qint64 value = QByteArray(size).trimmed().toLongLong(&ok);
        return ok && value >= 0 ? std::optional<qint64>(value) : std::nullopt;
    }

    bool readBytes_;
    int unnamed_ = 0;
};

}  // namespace

QString addressText(InternetAddressList* list) {
    if (!list || internet_address_list_length(list) == 0) return QString();
    GChars text(internet_address_list_to_string(list, nullptr, FALSE));
    return utf8(text.get());
}

std::optional<QString> senderOf(GMimeMessage* message) {
    const QString parsed = addressText(g_mime_message_get_from(message));
    if (!parsed.isEmpty()) return parsed;
    const char* raw = g_mime_object_get_header(GMIME_OBJECT(message), "From");
    if (!raw) return std::nullopt;
    // GMime drops an empty address ("MAILER-DAEMON <>", "<>") and a bare
    // name: what the header says is the sender all the same.
    GChars decoded(g_mime_utils_header_decode_text(nullptr, raw));
    QString text = utf8(decoded.get()).simplified();
    if (text.endsWith(QLatin1String("<>"))) text.chop(2);
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2).trimmed();
    return text.isEmpty() ? QStringLiteral("<>") : text;
}

QString partSection(const QString& prefix, int number) {
    return prefix.isEmpty() ? QString::number(number)
                            : prefix + QLatin1Char('.') + QString::number(number);
}

bool showsAsText(const QByteArray& type, const QByteArray& subtype, bool attachment) {
    // Text is inline unless marked as an attachment, file name or not.
    return !attachment && type == "text" && (subtype == "plain" || subtype == "html");
}

MessageContent readMessageContent(GMimeMessage* message, AttachmentBytes bytes) {
    GMimeObject* top = g_mime_message_get_mime_part(message);
    Shown shown = Walk(bytes).show(top, Place::messageBody(QString()), 0, true);
    return {joinTexts(shown.texts), std::move(shown.files)};
}

}  // namespace vantor::mime
