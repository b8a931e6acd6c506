#include "notes/mime/sections.h"

#include "notes/mime/gmime_support.h"
#include "notes/mime/mime_body.h"

namespace vantor::mime {

namespace {

bool is(const QByteArray& value, const char* name) {
    return value.compare(name, Qt::CaseInsensitive) == 0;
}

bool isMultipart(const PartOutline& part) {
    return is(part.type, "multipart");
}

bool isHeldMessage(const PartOutline& part) {
    return is(part.type, "message") && is(part.subtype, "rfc822") && !part.parts.empty();
}

// Servers list a multipart whose boundary is missing from its body with no
// part, or with one empty part of their own making.
bool hasNoRealParts(const PartOutline& part) {
    return part.parts.empty() || (part.parts.size() == 1 && part.parts.front().size == 0 &&
                                  part.parts.front().parts.empty());
}

// A header block as a message needs it: its lines and the blank line after them.
QByteArray headerBlock(QByteArray header) {
    if (header.endsWith("\n\n") || header.endsWith("\r\n\r\n")) return header;
    if (!header.isEmpty() && !header.endsWith('\n')) header += "\r\n";
    return header + "\r\n";
}

// The boundary a multipart's header names, or a fixed one when it names none.
QByteArray boundaryOf(const QByteArray& header) {
    initGMime();
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(header.constData(), header.size()));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GPtr<GMimeObject> part(g_mime_parser_construct_part(parser.get(), nullptr));
    const char* boundary = part && GMIME_IS_MULTIPART(part.get())
                               ? g_mime_multipart_get_boundary(GMIME_MULTIPART(part.get()))
                               : nullptr;
    return boundary && *boundary ? QByteArray(boundary) : QByteArrayLiteral("=_vantor_parts");
}

// Walks an outline in the order a message is written. With `wanted`, it
// lists the sections it needs; with `contents`, it writes the message with
// those sections in place and every other body empty.
class Skeleton {
  public:
    Skeleton(const SectionContents* contents, QStringList* wanted)
        : contents_(contents), wanted_(wanted) {}

    // A message whose own section is `prefix` ("" at the top). `withBody` is
    // false for a message carried as an attachment: only its header names it.
    QByteArray message(const QString& prefix, const PartOutline& body, bool withBody) {
        const QByteArray header = headerBlock(
            take(prefix.isEmpty() ? QStringLiteral("HEADER") : prefix + QStringLiteral(".HEADER")));
        if (!withBody) return header;
        if (isMultipart(body))
            return header + multipart(prefix, body, header,
                                      prefix.isEmpty() ? QStringLiteral("TEXT")
                                                       : prefix + QStringLiteral(".TEXT"));
        return header + content(partSection(prefix, 1), body, header);
    }

  private:
    QByteArray take(const QString& section) {
        if (wanted_) wanted_->append(section);
        if (!contents_) return QByteArray();
        const auto found = contents_->find(section);
        return found == contents_->end() ? QByteArray() : found->second;
    }

    // A part of a multipart: its MIME header, then its content.
    QByteArray part(const QString& section, const PartOutline& outline) {
        const QByteArray header = headerBlock(take(section + QStringLiteral(".MIME")));
        return header + content(section, outline, header);
    }

    QByteArray content(const QString& section, const PartOutline& outline,
                       const QByteArray& header) {
        if (section.count(QLatin1Char('.')) >= kMaxPartDepth) return QByteArray();
        if (isMultipart(outline)) return multipart(section, outline, header, section);
        if (isHeldMessage(outline))
            return message(section, outline.parts.front(), !is(outline.disposition, "attachment"));
        const bool text = showsAsText(outline.type.toLower(), outline.subtype.toLower(),
                                      is(outline.disposition, "attachment"));
        return text ? take(section) : QByteArray();
    }

    // `prefix` numbers the parts; `whole` is the section of the whole body.
    QByteArray multipart(const QString& prefix, const PartOutline& outline,
                         const QByteArray& header, const QString& whole) {
        if (hasNoRealParts(outline)) return take(whole);
        const QByteArray delimiter = contents_ ? "--" + boundaryOf(header) : QByteArray();
        QByteArray bytes;
        for (std::size_t i = 0; i < outline.parts.size(); ++i)
            bytes += delimiter + "\r\n" +
                     part(partSection(prefix, static_cast<int>(i) + 1), outline.parts[i]) + "\r\n";
        return bytes + delimiter + "--\r\n";
    }

    const SectionContents* contents_;
    QStringList* wanted_;
};

}  // namespace

QStringList sectionsForText(const PartOutline& body) {
    QStringList wanted;
    Skeleton(nullptr, &wanted).message(QString(), body, true);
    return wanted;
}

Message readSections(const PartOutline& body, const SectionContents& contents) {
    return readMessageBody(Skeleton(&contents, nullptr).message(QString(), body, true),
                           AttachmentBytes::kLeftOut);
}

}  // namespace vantor::mime
