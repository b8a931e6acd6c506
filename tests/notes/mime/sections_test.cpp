// A message read from the sections a mail server gives has the whole
// message's body text and attachments, and never needs an attachment's
// bytes. The server here answers from GMime's reading of the message, with
// IMAP's numbering; it lists a multipart whose boundary is wrong either with
// no part or, as Dovecot does, with one empty text part. The corpus's
// structure nested 1,000 deep shows the walk of sections is bounded.
#include "notes/mime/sections.h"

#include <gmime/gmime.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "corpus.h"
#include "support/qt_printers.h"

namespace vantor::test {
namespace {

using ::testing::Contains;
using ::testing::Not;

QByteArray streamed(const std::function<void(GMimeStream*)>& write) {
    GMimeStream* stream = g_mime_stream_mem_new();
    write(stream);
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    const QByteArray copy(reinterpret_cast<const char*>(bytes->data), bytes->len);
    g_object_unref(stream);
    return copy;
}

QByteArray headerOf(GMimeObject* object) {
    char* text = g_mime_header_list_to_string(g_mime_object_get_header_list(object), nullptr);
    const QByteArray header = QByteArray(text) + "\n";
    g_free(text);
    return header;
}

QString below(const QString& prefix, int number) {
    return prefix.isEmpty() ? QString::number(number) : prefix + '.' + QString::number(number);
}

class Server {
  public:
    Server(const QByteArray& message, bool dummyPart) : dummyPart_(dummyPart) {
        g_mime_init();
        GMimeStream* stream =
            g_mime_stream_mem_new_with_buffer(message.constData(), message.size());
        GMimeParser* parser = g_mime_parser_new_with_stream(stream);
        message_ = g_mime_parser_construct_message(parser, nullptr);
        g_object_unref(parser);
        g_object_unref(stream);
        body = messageBody(message_, QString());
    }
    ~Server() { g_object_unref(message_); }

    mime::PartOutline body;
    mime::SectionContents sections;

  private:
    mime::PartOutline messageBody(GMimeMessage* message, const QString& prefix) {
        // The message's own header lines and its body's Content-* lines, as written.
        const QByteArray whole = streamed([&](GMimeStream* s) {
            g_mime_object_write_to_stream(GMIME_OBJECT(message), nullptr, s);
        });
        sections[prefix.isEmpty() ? QStringLiteral("HEADER") : prefix + ".HEADER"] =
            whole.left(whole.indexOf("\n\n") + 2);
        GMimeObject* top = g_mime_message_get_mime_part(message);
        if (GMIME_IS_MULTIPART(top))
            return content(top, prefix,
                           prefix.isEmpty() ? QStringLiteral("TEXT") : prefix + ".TEXT");
        return content(top, below(prefix, 1), below(prefix, 1));
    }

    // `prefix` numbers a multipart's parts, `section` names the body itself.
    mime::PartOutline content(GMimeObject* object, const QString& prefix, const QString& section) {
        GMimeContentType* type = g_mime_object_get_content_type(object);
        GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
        mime::PartOutline outline{
            g_mime_content_type_get_media_type(type),
            g_mime_content_type_get_media_subtype(type),
            QByteArray(disposition ? g_mime_content_disposition_get_disposition(disposition)
                                   : nullptr),
            0,
            {}};
        const QByteArray bytes = streamed(
            [&](GMimeStream* s) { g_mime_object_write_content_to_stream(object, nullptr, s); });
        sections[section] = bytes;
        outline.size = bytes.size();
        if (GMIME_IS_MESSAGE_PART(object)) {
            if (GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object)))
                outline.parts.push_back(messageBody(inner, section));
        } else if (GMIME_IS_MULTIPART(object)) {
            GMimeMultipart* multipart = GMIME_MULTIPART(object);
            for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
                GMimeObject* part = g_mime_multipart_get_part(multipart, i);
                const QString number = below(prefix, i + 1);
                sections[number + ".MIME"] = headerOf(part);
                outline.parts.push_back(content(part, number, number));
            }
            if (outline.parts.empty() && dummyPart_)
                outline.parts.push_back({"text", "plain", {}, 0, {}});
        }
        return outline;
    }

    bool dummyPart_;
    GMimeMessage* message_ = nullptr;
};

TEST(Sections, TheTextReadFromSectionsIsTheWholeMessagesWithoutAttachmentBytes) {
    for (const QString& name : corpusNames())
        for (const bool dummyPart : {false, true}) {
            SCOPED_TRACE(name.toStdString() + (dummyPart ? " (empty part listed)" : ""));
            const QByteArray bytes = corpusMessage(name);
            const Server server(bytes, dummyPart);
            const QStringList wanted = mime::sectionsForText(server.body);
            mime::SectionContents fetched;
            for (const QString& section : wanted) fetched[section] = server.sections.at(section);

            const mime::Message whole = mime::readMessage(bytes);
            const mime::Message read = mime::readSections(server.body, fetched);
            EXPECT_EQ(read.body, whole.body);
            EXPECT_EQ(read.subject, whole.subject);
            ASSERT_EQ(read.attachments.size(), whole.attachments.size());
            for (std::size_t i = 0; i < whole.attachments.size(); ++i) {
                const mime::Attachment& a = whole.attachments[i];
                EXPECT_EQ(std::tuple(read.attachments[i].name, read.attachments[i].contentType,
                                     read.attachments[i].section),
                          std::tuple(a.name, a.contentType, a.section));
                if (!a.section.isEmpty()) EXPECT_THAT(wanted, Not(Contains(a.section)));
            }
        }
}

}  // namespace
}  // namespace vantor::test
