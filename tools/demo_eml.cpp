#include "demo_eml.h"

#include <memory>

#include "notes/mime/gmime_support.h"

namespace vantor::tool::demo {

using mime::GChars;
using mime::GPtr;

QString mailAddress(const QString& person) {
    if (person.contains(QLatin1Char('<'))) return person;
    const QString name = person.section(QLatin1Char('/'), 0, 0).trimmed();
    // The address keeps the name's letters without their accents.
    QString local;
    for (const QChar c : name.normalized(QString::NormalizationForm_D).toLower()) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            local += c;
        else if (c.isSpace() || c == QLatin1Char('-'))
            local += QLatin1Char('.');
    }
    return QStringLiteral("%1 <%2@vantor.demo>").arg(name, local);
}

namespace {

void addAddresses(GMimeMessage* message, GMimeAddressType type, const QString& people) {
    InternetAddressList* list = g_mime_message_get_addresses(message, type);
    GPtr<InternetAddressList> parsed(
        internet_address_list_parse(nullptr, mailAddress(people).toUtf8().constData()));
    if (parsed) internet_address_list_append(list, parsed.get());
}

GPtr<GMimeObject> attachmentPart(const DemoMessage& message) {
    const bool calendar = message.attachmentName.endsWith(QLatin1String(".ics"));
    GPtr<GMimePart> part(g_mime_part_new_with_type(calendar ? "text" : "application",
                                                   calendar ? "calendar" : "octet-stream"));
    g_mime_part_set_filename(part.get(), message.attachmentName.toUtf8().constData());
    GPtr<GMimeStream> bytes(g_mime_stream_mem_new_with_buffer(
        message.attachment.constData(), static_cast<size_t>(message.attachment.size())));
    GPtr<GMimeDataWrapper> content(
        g_mime_data_wrapper_new_with_stream(bytes.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part.get(), content.get());
    g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
    return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

}  // namespace

QByteArray messageBytes(const DemoMessage& message, const QString& recipient,
                        const QDateTime& date, const QString& id) {
    mime::initGMime();
    GPtr<GMimeMessage> mail(g_mime_message_new(TRUE));
    addAddresses(mail.get(), GMIME_ADDRESS_TYPE_FROM, message.from);
    addAddresses(mail.get(), GMIME_ADDRESS_TYPE_TO, recipient);
    g_mime_message_set_subject(mail.get(), message.subject.toUtf8().constData(), "utf-8");
    GDateTime* when = g_date_time_new_from_unix_local(date.toSecsSinceEpoch());
    g_mime_message_set_date(mail.get(), when);
    g_date_time_unref(when);
    g_mime_message_set_message_id(mail.get(), (id + QStringLiteral("@vantor.demo")).toUtf8().constData());

    GPtr<GMimeTextPart> text(g_mime_text_part_new_with_subtype("plain"));
    g_mime_text_part_set_text(text.get(), message.body.toUtf8().constData());
    if (message.attachmentName.isEmpty()) {
        g_mime_message_set_mime_part(mail.get(), GMIME_OBJECT(text.get()));
    } else {
        GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
        g_mime_multipart_add(mixed.get(), GMIME_OBJECT(text.get()));
        g_mime_multipart_add(mixed.get(), attachmentPart(message).get());
        g_mime_message_set_mime_part(mail.get(), GMIME_OBJECT(mixed.get()));
    }
    std::unique_ptr<GMimeFormatOptions, decltype(&g_mime_format_options_free)> options(
        g_mime_format_options_new(), g_mime_format_options_free);
    g_mime_format_options_set_newline_format(options.get(), GMIME_NEWLINE_FORMAT_DOS);
    GChars bytes(g_mime_object_to_string(GMIME_OBJECT(mail.get()), options.get()));
    return QByteArray(bytes.get());
}

}  // namespace vantor::tool::demo
