// Real RFC 5322 messages become memos: encoded headers and charsets decoded,
// every inline text part in the body the way a mail reader shows it,
// attachments with their decoded bytes; mail from the wild (null senders,
// broken boundaries, missing charsets, hostile names) imports without losing
// text, and a bad file in a batch is refused alone.
#include "eml_reader.h"
#include "html_text.h"
#include "store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

const QByteArray kAllBytesBase64 =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4\r\n"
    "OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3Bx\r\n"
    "cnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmq\r\n"
    "q6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj\r\n"
    "5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==\r\n";

QByteArray allBytes() {
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
    return all;
}

// Messages are written with "\n" here and stored with CRLF, as mail travels.
QByteArray crlf(QByteArray text) {
    return text.replace("\n", "\r\n");
}

QByteArray mixedMessage() {
    return crlf(
               "From: =?ISO-8859-1?Q?Fran=E7ois_L=E9ger?= <francois.leger@exemple.fr>\n"
               "To: Jean Dupont <jean.dupont@exemple.fr>\n"
               "Subject: =?UTF-8?B?UsOpdW5pb24gZMOpcGxhY8OpZQ==?=\n"
               "Date: Mon, 15 Mar 2004 14:05:00 +0100\n"
               "MIME-Version: 1.0\n"
               "Content-Type: multipart/mixed; boundary=\"frontiere\"\n"
               "\n"
               "Préambule ignoré.\n"
               "--frontiere\n"
               "Content-Type: text/plain; charset=ISO-8859-1\n"
               "Content-Transfer-Encoding: quoted-printable\n"
               "\n"
               "La r=E9union est d=E9plac=E9e =E0 14 h.=\n"
               " Merci.\n"
               "--frontiere\n"
               "Content-Type: application/octet-stream; name=\"octets.bin\"\n"
               "Content-Disposition: attachment; "
               "filename=\"=?ISO-8859-1?Q?ordre_du_jour_=E9t=E9.bin?=\"\n"
               "Content-Transfer-Encoding: base64\n"
               "\n") +
           kAllBytesBase64 +
           crlf(
               "--frontiere\n"
               "Content-Type: text/plain; charset=UTF-8\n"
               "Content-Disposition: attachment; filename*=UTF-8''r%C3%A9sum%C3%A9.txt\n"
               "\n"
               "Résumé joint.\n"
               "--frontiere--\n");
}

QByteArray alternativeHtmlMessage() {
    return crlf(
        "From: Service informatique <si@exemple.fr>\n"
        "Subject: =?iso-8859-1?q?Maintenance_pr=E9vue?=\n"
        "MIME-Version: 1.0\n"
        "Content-Type: multipart/alternative; boundary=b1\n"
        "\n"
        "--b1\n"
        "Content-Type: text/html; charset=UTF-8\n"
        "\n"
        "<html><head><style>p{color:red}</style></head><body><p>Arr&ecirc;t samedi&nbsp;:"
        "<br>de 8 h &agrave; 12 h</p><script>alert(1)</script><p>&lt;Merci&gt; "
        "&#8364;</p></body></html>\n"
        "--b1--\n");
}

// What a phone or a web mailer sends: text around an inline picture, a text
// file shown inline, a PDF, all in one multipart/mixed.
QByteArray inlinePartsMessage() {
    return crlf(
        "From: Claire Martin <claire@exemple.fr>\n"
        "Subject: Photos et notes\n"
        "Content-Type: multipart/mixed; boundary=\"m\"\n"
        "\n"
        "--m\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "\n"
        "Bonjour,\n"
        "voici les photos.\n"
        "--m\n"
        "Content-Type: image/jpeg; name=\"photo.jpg\"\n"
        "Content-Disposition: inline; filename=\"photo.jpg\"\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "/9j/4AAQ\n"
        "--m\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "Content-Disposition: inline; filename=notes.txt\n"
        "\n"
        "Notes de la réunion.\n"
        "--m\n"
        "Content-Type: application/pdf; name=\"rapport.pdf\"\n"
        "Content-Disposition: attachment; filename=\"rapport.pdf\"\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "JVBERi0=\n"
        "--m\n"
        "Content-Type: text/html; charset=utf-8; name=\"signature.html\"\n"
        "\n"
        "<p>Claire</p>\n"
        "--m--\n");
}

// A desktop client's reply with a forwarded message: mixed holding an
// alternative (plain, and HTML related to its logo) and a message/rfc822.
QByteArray nestedMessage() {
    return crlf(
        "From: Paul Girard <paul@exemple.fr>\n"
        "Subject: TR: Devis\n"
        "Content-Type: multipart/mixed; boundary=\"ext\"\n"
        "\n"
        "--ext\n"
        "Content-Type: multipart/alternative; boundary=\"alt\"\n"
        "\n"
        "--alt\n"
        "Content-Type: text/html; charset=utf-8\n"
        "\n"
        "<p>Version HTML d'abord</p>\n"
        "--alt\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "\n"
        "Voici le devis.\n"
        "--alt\n"
        "Content-Type: multipart/related; boundary=\"rel\"\n"
        "\n"
        "--rel\n"
        "Content-Type: text/html; charset=utf-8\n"
        "\n"
        "<p>Voici le <b>devis</b>.</p><img src=\"cid:logo\">\n"
        "--rel\n"
        "Content-Type: image/png\n"
        "Content-ID: <logo>\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "iVBORw==\n"
        "--rel--\n"
        "--alt--\n"
        "--ext\n"
        "Content-Type: message/rfc822\n"
        "\n"
        "From: Fournisseur <ventes@fournisseur.fr>\n"
        "To: Paul Girard <paul@exemple.fr>\n"
        "Subject: Devis 2004-17\n"
        "Date: Tue, 16 Mar 2004 10:00:00 +0100\n"
        "Content-Type: multipart/alternative; boundary=\"in\"\n"
        "\n"
        "--in\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "\n"
        "\n"
        "--in\n"
        "Content-Type: text/html; charset=utf-8\n"
        "\n"
        "<p>Total : 1&nbsp;200 &euro;</p>\n"
        "--in--\n"
        "--ext--\n");
}

class EmlImport : public StoreTest {
  protected:
    QString writeEml(const QString& name, const QByteArray& bytes) {
        const QString path = root_.file(name);
        writeFile(path, bytes);
        return path;
    }
    store::Memo read(const QByteArray& bytes) {
        return tool::readEmlFile(writeEml(QStringLiteral("m.eml"), bytes));
    }
    // A one-part message with these extra headers and body.
    store::Memo readSimple(const QByteArray& headers, const QByteArray& body) {
        return read("From: a@exemple.fr\r\nSubject: s\r\n" + headers + "\r\n" + body);
    }
    ToolRun importFiles(const QStringList& arguments) {
        mailbox_.reset();
        return runTool(root_.path(),
                       QStringList{QStringLiteral("import-eml"), QStringLiteral("--server"),
                                   kServer, QStringLiteral("--file"), kMailbox} +
                           arguments);
    }
};

QStringList names(const store::Memo& memo) {
    QStringList list;
    for (const store::MemoAttachment& a : memo.attachments) list << a.name;
    return list;
}

TEST_F(EmlImport, MultipartMessageDecodesHeadersCharsetsAndAttachments) {
    const store::Memo memo = read(mixedMessage());
    EXPECT_EQ(memo.from, QStringLiteral("François Léger <francois.leger@exemple.fr>"));
    EXPECT_EQ(memo.sendTo, QStringLiteral("Jean Dupont <jean.dupont@exemple.fr>"));
    EXPECT_EQ(memo.subject, QStringLiteral("Réunion déplacée"));
    EXPECT_EQ(memo.posted.toUTC(), QDateTime(QDate(2004, 3, 15), QTime(13, 5), Qt::UTC));
    EXPECT_EQ(memo.body.trimmed(), QStringLiteral("La réunion est déplacée à 14 h. Merci."));
    ASSERT_EQ(memo.attachments.size(), 2u);
    EXPECT_EQ(memo.attachments[0].name,
              QStringLiteral("ordre du jour été.bin"));  // "_" is a space in encoded words
    EXPECT_EQ(memo.attachments[0].bytes, allBytes());
    EXPECT_EQ(memo.attachments[1].name, QStringLiteral("résumé.txt"));
    EXPECT_EQ(memo.attachments[1].bytes.trimmed(), QStringLiteral("Résumé joint.").toUtf8());
}

TEST_F(EmlImport, BodyHoldsEveryInlineTextPartInOrderAndOneAlternative) {
    const store::Memo parts = read(inlinePartsMessage());
    EXPECT_EQ(parts.body,
              QStringLiteral("Bonjour,\nvoici les photos.\n\nNotes de la réunion.\n\nClaire"));
    EXPECT_EQ(names(parts),
              (QStringList{QStringLiteral("photo.jpg"), QStringLiteral("rapport.pdf")}));

    // Plain text is chosen among alternatives; an inline forwarded message
    // shows its headers and text, and stays whole as an attachment.
    const store::Memo nested = read(nestedMessage());
    EXPECT_EQ(nested.body, QStringLiteral("Voici le devis.\n\n"
                                          "-------- Message d'origine --------\n"
                                          "De : Fournisseur <ventes@fournisseur.fr>\n"
                                          "Date : Tue, 16 Mar 2004 10:00:00 +0100\n"
                                          "Objet : Devis 2004-17\n"
                                          "À : Paul Girard <paul@exemple.fr>\n\n"
                                          "Total : 1 200 €"));
    EXPECT_EQ(names(nested), (QStringList{QStringLiteral("piece_jointe_1.png"),
                                          QStringLiteral("Devis 2004-17.eml")}));
    EXPECT_TRUE(nested.attachments[1].bytes.contains("Subject: Devis 2004-17"));

    const store::Memo html = read(alternativeHtmlMessage());
    EXPECT_EQ(html.body, QStringLiteral("Arrêt samedi :\nde 8 h à 12 h\n<Merci> €"));
    EXPECT_TRUE(html.attachments.empty());
}

TEST_F(EmlImport, TextWithoutCharsetOrWithAnUnknownOneKeepsEveryCharacter) {
    // "text" alone is text/plain; 8-bit bytes without a charset are Windows-1252.
    const store::Memo bare = readSimple("Content-Type: text\r\n", "Caf\xe9 \x80 5\r\n");
    EXPECT_EQ(bare.body, QStringLiteral("Café € 5\n"));
    EXPECT_TRUE(bare.attachments.empty());
    EXPECT_EQ(readSimple("Content-Type: text; charset=koi8-r\r\n", "\xf0\xd2\xc9\xd7\xc5\xd4").body,
              QStringLiteral("Привет"));
    EXPECT_EQ(readSimple("", "d\xe9j\xe0 vu").body, QStringLiteral("déjà vu"));
    EXPECT_EQ(readSimple("", "d\xc3\xa9j\xc3\xa0 vu").body, QStringLiteral("déjà vu"));
    EXPECT_EQ(readSimple("Content-Type: text/plain; charset=x-inconnu\r\n", "d\xe9j\xe0").body,
              QStringLiteral("déjà"));
    // Declared UTF-8 with a stray Windows byte; Latin-1 with Windows quotes.
    EXPECT_EQ(
        readSimple("Content-Type: text/plain; charset=utf-8\r\n", "Na\xc3\xafve et caf\xe9").body,
        QStringLiteral("Naïve et café"));
    EXPECT_EQ(readSimple("Content-Type: text/plain; charset=iso-8859-1\r\n", "l\x92\xe9t\xe9").body,
              QStringLiteral("l’été"));
    // HTML names its charset in a meta tag when the header does not.
    EXPECT_EQ(
        readSimple(
            "Content-Type: text/html\r\n",
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"
            "</head><body>\xf0\xd2\xc9\xd7\xc5\xd4</body></html>")
            .body,
        QStringLiteral("Привет"));
}

TEST_F(EmlImport, DeliveryFailureNoticesWithANullSenderAreImported) {
    const QByteArray bounce = crlf(
        "From: MAILER DAEMON <>\n"
        "Subject: Undelivered Mail Returned to Sender\n"
        "Content-Type: multipart/report; report-type=delivery-status; boundary=\"r\"\n"
        "\n"
        "--r\n"
        "Content-Type: text/plain\n"
        "\n"
        "Your message could not be delivered.\n"
        "--r\n"
        "Content-Type: message/delivery-status\n"
        "\n"
        "Reporting-MTA: dns; mx.exemple.fr\n"
        "--r\n"
        "Content-Type: text/rfc822-headers\n"
        "\n"
        "Subject: Original\n"
        "--r--\n");
    const store::Memo notice = read(bounce);
    EXPECT_EQ(notice.from, QStringLiteral("MAILER DAEMON"));
    EXPECT_EQ(notice.body, QStringLiteral("Your message could not be delivered."));
    EXPECT_EQ(notice.attachments.size(), 2u);

    const std::vector<std::pair<QByteArray, QString>> senders{
        {"<>", QStringLiteral("<>")},
        {"\"Mail Delivery System\" <>", QStringLiteral("Mail Delivery System")},
        {"=?utf-8?q?Syst=C3=A8me_de_messagerie?= <>", QStringLiteral("Système de messagerie")},
        {"Jean Dupont", QStringLiteral("Jean Dupont")},
    };
    for (const auto& [header, expected] : senders)
        EXPECT_EQ(read("From: " + header + "\r\nSubject: s\r\n\r\nx\r\n").from, expected)
            << header.constData();
}

TEST_F(EmlImport, BrokenStructureKeepsItsTextAndAttachments) {
    const QByteArray parts = crlf(
                                 "--wrong\n"
                                 "Content-Type: text/plain; charset=utf-8\n"
                                 "\n"
                                 "Bonjour, voici le plan.\n"
                                 "--wrong\n"
                                 "Content-Type: application/pdf\n"
                                 "Content-Disposition: attachment; filename=\"plan.pdf\"\n"
                                 "Content-Transfer-Encoding: base64\n"
                                 "\n") +
                             kAllBytesBase64 + "--wrong--\r\n";
    for (const QByteArray& type :
         {QByteArray("multipart/mixed; boundary=\"right\""), QByteArray("multipart/mixed")}) {
        const store::Memo memo = readSimple("Content-Type: " + type + "\r\n", parts);
        EXPECT_EQ(memo.body, QStringLiteral("Bonjour, voici le plan.")) << type.constData();
        ASSERT_EQ(memo.attachments.size(), 1u) << type.constData();
        EXPECT_EQ(memo.attachments[0].name, QStringLiteral("plan.pdf"));
        EXPECT_EQ(memo.attachments[0].bytes, allBytes());
    }
    EXPECT_EQ(readSimple("Content-Type: multipart/alternative\r\n", "Rien que du texte.\r\n").body,
              QStringLiteral("Rien que du texte.\n"));

    // No blank line after the headers; a badly folded header is not a body.
    EXPECT_EQ(
        read("From: a@exemple.fr\r\nSubject: s\r\nBonjour Jean,\r\n\xc3\xa0 demain.\r\n").body,
        QStringLiteral("Bonjour Jean,\nà demain.\n"));
    EXPECT_EQ(read("From: a@exemple.fr\r\nContent-Type: multipart/mixed; boundary=b\r\n--b\r\n"
                   "Content-Type: text/plain\r\n\r\nPartie.\r\n--b--\r\n")
                  .body,
              QStringLiteral("Partie."));
    const store::Memo folded =
        read("Subject: un objet\r\nplié\r\nFrom: a@exemple.fr\r\n\r\nCorps\r\n");
    EXPECT_EQ(folded.from, QStringLiteral("a@exemple.fr"));
    EXPECT_EQ(folded.body, QStringLiteral("Corps\n"));
}

TEST(HtmlText, DropsScriptsStylesAndCommentsAndKeepsLines) {
    const std::pair<const char*, const char*> cases[] = {
        {"<b>a</b>&unknown; <!-- x --> b", "a&unknown; b"},
        {"<title>T</title><style>p{}</style>avant<script>x<p>y", "avant"},
        {"<SCRIPT type=x>if (a</b) {}</Script >apr&egrave;s", "après"},
        {"<table><tr><td>Prix</td><td title=\"a>b\">12&nbsp;&euro;</td></tr>"
         "<tr><td>TVA &#150; 20 %</td></tr></table>a < b &amp c",
         "Prix 12 €\nTVA – 20 %\na < b & c"},
        {"<pre>  x = 1;\n  y = 2;</pre><p>un<br><br>deux</p>", "  x = 1;\n  y = 2;\nun\n\ndeux"},
        {"<html><head><meta charset=utf-8>Texte sans body", "Texte sans body"},
    };
    for (const auto& [html, text] : cases)
        EXPECT_EQ(tool::htmlToText(QString::fromUtf8(html)), QString::fromUtf8(text)) << html;
}

TEST_F(EmlImport, ImportGoesOnPastRefusedFilesAndNamesEachOne) {
    const QString first = writeEml(QStringLiteral("reunion.eml"), mixedMessage());
    const QString second = writeEml(QStringLiteral("maintenance.eml"), alternativeHtmlMessage());
    QByteArray garbage(4096, Qt::Uninitialized);
    for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    QStringList files{first};
    for (const auto& [name, bytes] : std::vector<std::pair<QString, QByteArray>>{
             {QStringLiteral("vide.eml"), QByteArray()},
             {QStringLiteral("binaire.eml"), garbage},
             {QStringLiteral("sans_expediteur.eml"), "Subject: Rien\r\n\r\nCorps\r\n"},
             {QStringLiteral("pas_un_message.eml"), "Bonjour, ceci est une simple note.\n"}}) {
        files << writeEml(name, bytes);
        QString description;
        EXPECT_EQ(failureCode([&] { tool::readEmlFile(files.last()); }, &description),
                  store::code::kBadMessage);
        EXPECT_TRUE(description.contains(name)) << description.toStdString();
    }
    files << root_.file(QStringLiteral("absent.eml")) << second;
    // Cut in the middle of an attachment: what is there is still read.
    EXPECT_EQ(read(mixedMessage().left(700)).subject, QStringLiteral("Réunion déplacée"));

    const ToolRun run = importFiles(
        QStringList{QStringLiteral("--created"), QStringLiteral("2004-03-16 09:00:00")} + files);
    EXPECT_EQ(run.exitCode, 1);
    for (const QString& bad : files.mid(1, files.size() - 2))
        EXPECT_TRUE(run.err.contains(QFileInfo(bad).fileName()))
            << bad.toStdString() << run.err.toStdString();
    notes::ViewPtr inbox = openMailbox()->getView(QStringLiteral("($Inbox)"));
    EXPECT_EQ(subjects(*inbox), (QStringList{QStringLiteral("Réunion déplacée"),
                                             QStringLiteral("Maintenance prévue")}));
    notes::DocumentPtr doc = inbox->getFirstDocument();
    EXPECT_EQ(doc->created(), QDateTime(QDate(2004, 3, 16), QTime(9, 0)));
    EXPECT_EQ(
        doc->itemValue(QStringLiteral("PostedDate")),
        store::dateItemText(QDateTime(QDate(2004, 3, 15), QTime(13, 5), Qt::UTC).toLocalTime()));
    std::vector<notes::EmbeddedObjectPtr> objects =
        doc->getFirstItem(QStringLiteral("Body"))->embeddedObjects();
    ASSERT_EQ(objects.size(), 2u);
    const QString out = root_.file(QStringLiteral("extrait"));
    objects[0]->extractFile(out);
    EXPECT_EQ(readFile(out), allBytes());

    EXPECT_EQ(importFiles({second}).exitCode, 0);
}

TEST_F(EmlImport, HostileAttachmentNamesAreStoredAsGiven) {
    const QString longName = QString(10000, QLatin1Char('n')) + QStringLiteral(".txt");
    QByteArray message =
        "From: a@exemple.fr\r\nSubject: Noms\r\nContent-Type: multipart/mixed; "
        "boundary=\"z\"\r\n\r\n";
    for (const QByteArray& disposition :
         {QByteArray("filename=\"../../x\""), QByteArray("filename=\"C:\\\\evil.exe\""),
          QByteArray("filename*=utf-8''a%00b.txt"),
          QByteArray("filename=\"") + longName.toLatin1() + '"', QByteArray("filename=\"\"")})
        message +=
            "--z\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; " +
            disposition + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + kAllBytesBase64;
    message += "--z--\r\n";

    const ToolRun run = importFiles({writeEml(QStringLiteral("noms.eml"), message)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    notes::DocumentPtr doc = openMailbox()->getView(QStringLiteral("($Inbox)"))->getFirstDocument();
    std::vector<notes::EmbeddedObjectPtr> objects =
        doc->getFirstItem(QStringLiteral("Body"))->embeddedObjects();
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0]->name(), QStringLiteral("../../x"));
    EXPECT_EQ(objects[1]->name(), QStringLiteral("C:\\evil.exe"));
    EXPECT_FALSE(objects[2]->name().isEmpty());
    EXPECT_EQ(objects[3]->name(), longName);
    EXPECT_FALSE(objects[4]->name().isEmpty());
    const QString out = root_.file(QStringLiteral("extrait"));
    for (const notes::EmbeddedObjectPtr& object : objects) {
        object->extractFile(out);
        EXPECT_EQ(readFile(out), allBytes()) << object->name().left(40).toStdString();
    }
}

}  // namespace
}  // namespace vantor::test
