// Messages read as a mail reader shows them, mail from the wild without losing
// text, and what is no message refused by name.
#include "notes/mime/message.h"

#include <gmock/gmock.h>

#include "corpus.h"
#include "notes/notes_checks.h"
#include "support/qt_printers.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;

using A = mime::Attachment;

// A one-part message with these extra headers and body.
mime::Message readSimple(const QByteArray& headers, const QByteArray& body) {
    return mime::readMessage("From: a@exemple.fr\r\nSubject: s\r\n" + headers + "\r\n" + body);
}

class FileMessage : public ::testing::Test {
  protected:
    mime::Message readFile(const QByteArray& bytes) {
        return mime::readMessageFile(dir_.put("m.eml", bytes));
    }
    TempDir dir_;
};

TEST(Message, HeadersOfARealMessageAreDecoded) {
    const mime::Message m = mime::readMessage(corpusMessage("plain.eml"));
    EXPECT_EQ(m.from, "Marc Lefèvre <marc.lefevre@exemple.fr>");
    EXPECT_EQ(m.to, "Jean Dupont <jean.dupont@exemple.fr>, \"Dupont, Hélène\" <helene@exemple.fr>");
    EXPECT_EQ(m.subject, "Réunion déplacée demain");
    EXPECT_EQ(m.date.toUTC(), QDateTime(QDate(2004, 3, 15), QTime(13, 5), Qt::UTC));
    EXPECT_EQ(m.messageId, "20040315140500.1234@exemple.fr");
}

TEST(Message, InlineTextPartsShowInOrderAndFilesKeepTheirTypeAndSection) {
    const mime::Message m = mime::readMessage(corpusMessage("mixed-attachment.eml"));
    EXPECT_EQ(m.body, "Voici le compte rendu de la réunion.\n\nRésumé en ligne.");
    EXPECT_THAT(
        m.attachments,
        ElementsAre(AllOf(Field(&A::contentType, "application/pdf"), Field(&A::section, "2")),
                    AllOf(Field(&A::name, "../../etc/x.png"), Field(&A::section, "4"))));
    EXPECT_TRUE(m.attachments[0].bytes.startsWith("%PDF-1.4"));
    const QByteArray bytes = corpusMessage("mixed-attachment.eml");
    EXPECT_TRUE(
        mime::readMessage(bytes, mime::AttachmentBytes::kLeftOut).attachments[0].bytes.isEmpty());
}

// A desktop client's reply with a forwarded message: mixed holding an
// alternative (HTML first, plain, and HTML related to its logo) and a
// message/rfc822 whose plain alternative is empty.
TEST(Message, PlainTextIsChosenAmongAlternativesAndForwardedMailShowsInline) {
    const mime::Message m = mime::readMessage(corpusMessage("nested-alternatives.eml"));
    EXPECT_EQ(m.inReplyTo, "devis-17@fournisseur.fr");
    EXPECT_EQ(m.body, QStringLiteral("Voici le devis.\n\n"
                                     "-------- Message d'origine --------\n"
                                     "De : Fournisseur <ventes@fournisseur.fr>\n"
                                     "Date : Tue, 16 Mar 2004 10:00:00 +0100\n"
                                     "Objet : Devis 2004-17\n"
                                     "À : Paul Girard <paul@exemple.fr>\n\n"
                                     "Total : 1 200 €"));
    EXPECT_THAT(
        m.attachments,
        ElementsAre(AllOf(Field(&A::name, "piece_jointe_1.png"), Field(&A::section, "1.3.2"),
                          Field(&A::declaredSize, 4)),
                    AllOf(Field(&A::name, "Devis 2004-17.eml"),
                          Field(&A::contentType, "message/rfc822"), Field(&A::section, "2"))));
}

TEST(Message, TextWithoutCharsetOrWithAnUnknownOneKeepsEveryCharacter) {
    const struct {
        QByteArray headers;
        QByteArray body;
        QString text;
    } cases[] = {
        // "text" alone is text/plain; 8-bit bytes without a charset are Windows-1252.
        {"Content-Type: text\r\n", "Caf\xe9 \x80 5\r\n", "Café € 5\n"},
        {"Content-Type: text; charset=koi8-r\r\n", "\xf0\xd2\xc9\xd7\xc5\xd4",
         QStringLiteral("Привет")},
        {"", "d\xe9j\xe0 vu", "déjà vu"},
        {"", "d\xc3\xa9j\xc3\xa0 vu", "déjà vu"},
        {"Content-Type: text/plain; charset=x-inconnu\r\n", "d\xe9j\xe0", "déjà"},
        // Declared UTF-8 with a stray Windows byte; Latin-1 with Windows quotes.
        {"Content-Type: text/plain; charset=utf-8\r\n", "Na\xc3\xafve et caf\xe9",
         QStringLiteral("Naïve et café")},
        {"Content-Type: text/plain; charset=iso-8859-1\r\n", "l\x92\xe9t\xe9",
         QStringLiteral("l’été")},
        // HTML names its charset in a meta tag when the header does not.
        {"Content-Type: text/html\r\n",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"
         "</head><body>\xf0\xd2\xc9\xd7\xc5\xd4</body></html>",
         QStringLiteral("Привет")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readSimple(c.headers, c.body).body, c.text)
            << c.headers.constData() << c.body.constData();
}

TEST(Message, DeliveryNoticesWithANullSenderAreRead) {
    const mime::Message notice = mime::readMessageFile(corpusFile("bounce-broken.eml"));
    EXPECT_EQ(notice.from, "MAILER-DAEMON");
    EXPECT_EQ(notice.body, "Le message n'a pas pu être remis.");
    // Found past a wrong boundary: only the whole message holds it.
    EXPECT_THAT(notice.attachments,
                ElementsAre(AllOf(Field(&A::name, "piece_jointe_1.delivery-status"),
                                  Field(&A::section, ""))));
    const std::pair<QByteArray, QString> senders[] = {
        {"<>", "<>"},
        {"\"Mail Delivery System\" <>", "Mail Delivery System"},
        {"=?utf-8?q?Syst=C3=A8me_de_messagerie?= <>", "Système de messagerie"},
        {"Jean Dupont", "Jean Dupont"},
    };
    for (const auto& [header, expected] : senders)
        EXPECT_EQ(mime::readMessage("From: " + header + "\r\n\r\nx\r\n").from, expected)
            << header.constData();
    EXPECT_EQ(mime::readMessage("Subject: s\r\n\r\nx\r\n").from, std::nullopt);
}

TEST_F(FileMessage, BrokenStructureKeepsItsTextAndAttachments) {
    const QByteArray parts =
        QByteArray(
            "--wrong\nContent-Type: text/plain; charset=utf-8\n\nBonjour, voici le plan.\n"
            "--wrong\nContent-Type: application/pdf\n"
            "Content-Disposition: attachment; filename=\"plan.pdf\"\n"
            "Content-Transfer-Encoding: base64\n\nJVBERi0=\n--wrong--\n")
            .replace("\n", "\r\n");
    for (const QByteArray& type :
         {QByteArray("multipart/mixed; boundary=\"right\""), QByteArray("multipart/mixed")}) {
        SCOPED_TRACE(type.constData());
        const mime::Message m = readSimple("Content-Type: " + type + "\r\n", parts);
        EXPECT_EQ(m.body, "Bonjour, voici le plan.");
        EXPECT_THAT(m.attachments,
                    ElementsAre(AllOf(Field(&A::name, "plan.pdf"), Field(&A::bytes, "%PDF-"))));
    }
    EXPECT_EQ(readSimple("Content-Type: multipart/alternative\r\n", "Rien que du texte.\r\n").body,
              QStringLiteral("Rien que du texte.\n"));
    // Cut in the middle of an attachment: what is there is still read.
    EXPECT_EQ(mime::readMessage(corpusMessage("mixed-attachment.eml").left(700)).body,
              QStringLiteral("Voici le compte rendu de la réunion."));

    // A file without a blank line after its headers; a badly folded header is not a body.
    EXPECT_EQ(
        readFile("From: a@exemple.fr\r\nSubject: s\r\nBonjour Jean,\r\n\xc3\xa0 demain.\r\n").body,
        QStringLiteral("Bonjour Jean,\nà demain.\n"));
    EXPECT_EQ(readFile("From: a@exemple.fr\r\nContent-Type: multipart/mixed; boundary=b\r\n--b\r\n"
                       "Content-Type: text/plain\r\n\r\nPartie.\r\n--b--\r\n")
                  .body,
              QStringLiteral("Partie."));
    const mime::Message folded =
        readFile("Subject: un objet\r\nplié\r\nFrom: a@exemple.fr\r\n\r\nCorps\r\n");
    EXPECT_EQ(std::pair(folded.from.value_or(QString()), folded.body),
              std::pair(QStringLiteral("a@exemple.fr"), QStringLiteral("Corps\n")));
}

TEST_F(FileMessage, WhatIsNoMessageIsRefusedNamingTheFile) {
    QByteArray garbage(4096, Qt::Uninitialized);
    for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    for (const QString& path :
         {dir_.file("absent.eml"), dir_.put("vide.eml", {}), dir_.put("binaire.eml", garbage),
          dir_.put("pas_un_message.eml", "Bonjour, ceci est une simple note.\n")})
        EXPECT_THAT([&] { mime::readMessageFile(path); },
                    Fails(mime::code::kBadMessage, QHasSubstr(path)));
}

}  // namespace
}  // namespace vantor::test
