// The protocol layer on its own: responses framed and parsed, decoded into
// typed data, folder names both ways and commands as they go on the wire.
// Hostile inputs live in fuzz/corpus/imap; here, what each rule gives.
#include <gmock/gmock.h>

#include "notes/imap/command.h"
#include "notes/imap/data_decoders.h"
#include "notes/imap/fetch_decoder.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/mailbox_name.h"
#include "notes/imap/response_reader.h"
#include "notes/imap/server_address.h"
#include "notes/notes_checks.h"
#include "support/qt_printers.h"

namespace vantor::imap {
namespace {

using ::testing::ElementsAre;

// A response as one line of text: "T A1 OK [CODE args] text", "U 3 FETCH (..)".
std::string render(const Value& v) {
    if (v.kind == Value::Kind::List) {
        std::string out = "(";
        for (const Value& i : v.items) out += (out.size() > 1 ? " " : "") + render(i);
        return out + ")";
    }
    return v.kind == Value::Kind::String   ? '"' + v.bytes.toStdString() + '"'
           : v.kind == Value::Kind::Nil    ? "NIL"
           : v.kind == Value::Kind::Elided ? "(...)"
                                           : v.bytes.toStdString();
}

std::string render(const Response& r) {
    std::string out = r.type == Response::Type::Tagged     ? "T " + r.tag.toStdString()
                      : r.type == Response::Type::Untagged ? std::string("U")
                                                           : std::string("+");
    if (r.number) out += ' ' + std::to_string(*r.number);
    if (!r.name.isEmpty()) out += ' ' + r.name.toStdString();
    if (r.code) {
        out += " [" + r.code->name.toStdString();
        for (const Value& a : r.code->args) out += ' ' + render(a);
        out += ']';
    }
    for (const Value& v : r.values) out += ' ' + render(v);
    if (!r.text.isEmpty()) out += " :" + r.text.toStdString();
    return out;
}

std::vector<std::string> readAll(const QByteArray& bytes, qsizetype chunk,
                                 ReaderLimits limits = {}) {
    ResponseReader reader(limits);
    std::vector<std::string> out;
    for (qsizetype i = 0; i < bytes.size(); i += chunk) {
        reader.feed(QByteArrayView(bytes).sliced(i, std::min(chunk, bytes.size() - i)));
        while (auto r = reader.next()) out.push_back(render(*r));
    }
    return out;
}

// Bytes with NULs in them.
template <std::size_t N>
QByteArray bytes(const char (&s)[N]) {
    return QByteArray(s, N - 1);
}

// One line of a table: the bytes a server sends, the reader's bounds, and
// the responses read ("" for a refusal).
struct Line {
    const char* what;
    QByteArray bytes;
    std::vector<std::string> responses;
    ReaderLimits limits = {};
};

std::string nameOf(const ::testing::TestParamInfo<Line>& info) {
    std::string name;
    for (char c : std::string(info.param.what)) name += std::isalnum(c) ? c : '_';
    return name;
}

class Valid : public ::testing::TestWithParam<Line> {};

TEST_P(Valid, GivesTheSameResponsesWhateverTheChunksTheBytesCameIn) {
    const Line& l = GetParam();
    for (qsizetype chunk : {l.bytes.size(), qsizetype(1), qsizetype(7)})
        EXPECT_EQ(readAll(l.bytes, chunk, l.limits), l.responses) << chunk;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Responses, Valid, ::testing::Values(
    Line{"greeting", "* OK [CAPABILITY IMAP4rev1 IDLE AUTH=PLAIN] Dovecot ready.\r\n",
         {"U OK [CAPABILITY IMAP4rev1 IDLE AUTH=PLAIN] :Dovecot ready."}},
    Line{"tagged untagged continuation", "* 3 EXISTS\r\n+ go ahead\r\nA1 ok done\r\n",
         {"U 3 EXISTS", "+ :go ahead", "T A1 OK :done"}},
    Line{"literal with CRLF and parens", "* 1 FETCH (BODY[] {10}\r\n(a)\r\nb)c\r\n FLAGS (\\Seen))\r\n",
         {"U 1 FETCH (BODY[] \"(a)\r\nb)c\r\n\" FLAGS (\\Seen))"}},
    Line{"literal8 and empty literal", bytes("* 2 FETCH (BINARY[1] ~{3}\r\n\0\1\2 X {0}\r\n)\r\n"),
         {bytes("U 2 FETCH (BINARY[1] \"\0\1\2\" X \"\")").toStdString()}},
    Line{"section list and origin", "* 4 FETCH (BODY[HEADER.FIELDS (DATE FROM)]<0> \"x\")\r\n",
         {"U 4 FETCH (BODY[HEADER.FIELDS (DATE FROM)]<0> \"x\")"}},
    Line{"quoted escapes, nil", "* LIST (\\Noselect) \"\\\\\" \"a \\\"b\\\"\" nil\r\n",
         {"U LIST (\\Noselect) \"\\\" \"a \"b\"\" NIL"}},
    Line{"known code", "* OK [COPYUID 9 1:2 5:6] x\r\n", {"U OK [COPYUID 9 1:2 5:6] :x"}},
    Line{"unknown code", "A2 NO [X-WEIRD some \"text] y\r\n", {"T A2 NO [X-WEIRD some \"text] :y"}},
    Line{"bare LF", "* SEARCH 1 2\nA3 OK\n", {"U SEARCH 1 2", "T A3 OK"}},
    Line{"unknown untagged", "* XFOO (a (b)) \"c\" 12\r\n", {"U XFOO (a (b)) \"c\" 12"}},
    Line{"lists beyond the depth bound", "* 1 FETCH (X ((((\"(\" {2}\r\n)))))) UID 5)\r\n",
         {"U 1 FETCH (X (((...))) UID 5)"}, {.maxDepth = 3}}),
    nameOf);
// clang-format on

class Invalid : public ::testing::TestWithParam<Line> {};

TEST_P(Invalid, IsRefusedAsBadServerDataInsteadOfGuessed) {
    EXPECT_EQ(test::failureCode([this] { readAll(GetParam().bytes, 5, GetParam().limits); }),
              code::kBadServerData);
}

INSTANTIATE_TEST_SUITE_P(
    Responses, Invalid,
    ::testing::Values(
        Line{"unclosed list", "* 1 FETCH (UID 3\r\n", {}},
        Line{"unclosed quoted", "* LIST () \"/\" \"abc\r\n", {}},
        Line{"tagged without status", "A1 FETCH 3\r\n", {}},
        Line{"closing paren alone", "* SEARCH )\r\n", {}},
        Line{"literal beyond bound", "* 1 FETCH (BODY[] {2000}\r\n", {}, {.maxResponse = 1000}},
        Line{"literal of 20 digits", "* 1 FETCH (BODY[] {99999999999999999999}\r\n", {}},
        Line{"line beyond bound", QByteArray(300, 'a'), {}, {.maxLine = 200}},
        Line{"literal mid-line", "* 1 FETCH (BODY[] {3} abc)\r\n", {}}),
    nameOf);

TEST(MailboxNames, ModifiedUtf7BothWaysAndOtherBytesShownAsUtf8) {
    const std::pair<QString, QByteArray> names[] = {
        {"INBOX", "INBOX"},
        {"Martin & Fils", "Martin &- Fils"},
        {"Été/Réunions", "&AMk-t&AOk-/R&AOk-unions"},
        {"~peter/mail/台北/日本語", "~peter/mail/&U,BTFw-/&ZeVnLIqe-"},
        {"😀", "&2D3eAA-"}};
    for (const auto& [text, wire] : names) {
        EXPECT_EQ(encodeMailboxName(text), wire);
        EXPECT_EQ(decodeMailboxName(wire), text);
    }
    for (const QByteArray& raw : {QByteArray("\xc3\xa9t\xc3\xa9"), QByteArray("&AMk"),
                                  QByteArray("&A-"), QByteArray("&2D0-"), QByteArray("&AM!-")}) {
        EXPECT_FALSE(decodeMailboxName(raw)) << raw.toStdString();
        EXPECT_EQ(displayMailboxName(raw), QString::fromUtf8(raw));
    }
}

TEST(Commands, StringsAreAtomsQuotedOrLiteralsAsTheirBytesNeed) {
    Command c("LOGIN");
    c.astring("jean@x.fr").astring("p \"w\\").astring("NIL").astring("").astring("é");
    EXPECT_THAT(c.wire("A1", LiteralMode::Synchronizing),
                ElementsAre("A1 LOGIN jean@x.fr \"p \\\"w\\\\\" \"NIL\" \"\" {2}\r\n", "é\r\n"));
    EXPECT_THAT(c.wire("A1", LiteralMode::NonSynchronizing),
                ElementsAre("A1 LOGIN jean@x.fr \"p \\\"w\\\\\" \"NIL\" \"\" {2+}\r\né\r\n"));
    // LITERAL- waits for the server above 4 kB.
    for (const auto& [size, lines] : {std::pair{4096, 1u}, std::pair{4097, 2u}})
        EXPECT_EQ(Command("APPEND")
                      .literal(QByteArray(size, 'x'))
                      .wire("A2", LiteralMode::NonSynchronizingSmall)
                      .size(),
                  lines);
}

TEST(UidSets, AreMergedSplitAndParsedInTheServersOrder) {
    const UidSet set = UidSet::of({9, 1, 2, 3, 7, 8, 5});
    EXPECT_EQ(set.toBytes(), "1:3,5,7:9");
    std::vector<QByteArray> pieces;
    for (const UidSet& p : set.split(3)) pieces.push_back(p.toBytes());
    EXPECT_THAT(pieces, ElementsAre("1:3", "5,7:8", "9"));
    EXPECT_THAT(UidSet::parse("20,4:2")->values(10), ElementsAre(20u, 2u, 3u, 4u));
    EXPECT_EQ(UidSet::parse("1:4294967295")->count(), 4294967295ull);
    for (const char* bad : {"", "0", "1,", "a:3", "4294967296", "1:*"})
        EXPECT_FALSE(UidSet::parse(bad)) << bad;
}

TEST(ServerFields, GiveTheAccountWithItsPortOrAreRefused) {
    const std::pair<const char*, const char*> fields[] = {
        {"imaps://jean@mail.example.com", "imaps://jean@mail.example.com:993"},
        {"IMAP://jean@127.0.0.1:1143/", "imap://jean@127.0.0.1:1143"},
        {"imap://jean@x.fr@mail.example.com", "imap://jean@x.fr@mail.example.com:143"},
        {"imaps://jean%40x.fr;AUTH=*@[::1]:994", "imaps://jean@x.fr@[::1]:994"}};
    for (const auto& [field, account] : fields)
        EXPECT_EQ(ServerAddress::parse(field)->account(), account);
    for (const char* refused : {"imaps://mail.example.com", "imaps://jean@", "imaps://jean@host:0",
                                "imaps://jean@host:99999", "imaps://jean@host:",
                                "imaps://jean@host/INBOX", "Paris/Vantor", "imaps://jean@ho st"})
        EXPECT_FALSE(ServerAddress::parse(refused)) << refused;
}

Response one(const QByteArray& bytes) {
    ResponseReader reader;
    reader.feed(bytes);
    return reader.next().value();
}

TEST(Decoders, ListStatusSearchAndCodesGiveTheirValuesAndRefuseMalformedOnes) {
    const auto e =
        decodeList(one("* LIST (\\HasNoChildren \\Trash) \"/\" \"Corbeille &AOk-t&AOk-\"\r\n"));
    EXPECT_EQ(e->name, QStringLiteral("Corbeille été"));
    EXPECT_EQ(e->specialUse, SpecialUse::Trash);
    EXPECT_TRUE(e->selectable);
    const auto inbox = decodeList(one("* LIST (\\Noselect) NIL inbox\r\n"));
    EXPECT_EQ(inbox->rawName, "INBOX");
    EXPECT_FALSE(inbox->selectable);
    EXPECT_FALSE(decodeList(one("* LIST (\\X) \"//\" a\r\n")));

    EXPECT_EQ(decodeStatus(one("* STATUS \"A b\" (UIDVALIDITY 7)\r\n"))->uidValidity, 7u);
    EXPECT_FALSE(decodeStatus(one("* STATUS a (UIDNEXT)\r\n")));

    EXPECT_EQ(decodeSearch(one("* SEARCH 5 3 4 (MODSEQ 9)\r\n"))->toBytes(), "3:5");
    EXPECT_EQ(decodeSearch(one("* ESEARCH (TAG \"A1\") UID COUNT 4 ALL 1:3,9\r\n"))->toBytes(),
              "1:3,9");
    EXPECT_TRUE(decodeSearch(one("* ESEARCH (TAG \"A1\") UID\r\n"))->isEmpty());
    EXPECT_FALSE(decodeSearch(one("* SEARCH 1 x\r\n")));

    const auto c = decodeCopyUid(*one("A1 OK [COPYUID 38505 304,319:320 3956:3958] Done\r\n").code);
    EXPECT_THAT(c->destination.values(9), ElementsAre(3956u, 3957u, 3958u));
    EXPECT_FALSE(decodeCopyUid(*one("A1 OK [COPYUID 1 1:3 4] x\r\n").code));

    EXPECT_EQ(parseInternalDate("17-Jul-1996 02:44:25 +0000"),
              QDateTime(QDate(1996, 7, 17), QTime(2, 44, 25), Qt::UTC));
    for (const char* bad : {"", "31-Feb-2020 00:00:00 +0000", "17-Jux-1996 02:44:25 -0700",
                            "17-Jul-1996 25:44:25 -0700", "17-Jul-1996 02:44:25 0700"})
        EXPECT_FALSE(parseInternalDate(bad)) << bad;
}

TEST(Decoders, FetchSummaryWithEnvelopeBodyStructureAndSections) {
    // clang-format off
    const auto d = decodeFetch(one(
        "* 12 FETCH (UID 42 FLAGS (\\Seen $VantorCopie) INTERNALDATE \" 7-Jul-2024 02:44:25 -0700\" "
        "RFC822.SIZE 4286 MODSEQ (77) "
        "ENVELOPE (\"Wed, 17 Jul 1996 02:23:25 -0700\" \"=?utf-8?q?R=C3=A9union?=\" "
        "((\"Jean\" NIL \"jean\" \"x.fr\")) NIL NIL ((NIL NIL \"equipe\" NIL)(\"Ann\" NIL \"ann\" \"y.fr\")"
        "(NIL NIL NIL NIL)) NIL NIL \"<a@x>\" \"<b@x>\") "
        "BODYSTRUCTURE ((\"text\" \"plain\" (\"charset\" \"utf-8\") NIL NIL \"quoted-printable\" 120 4 NIL NIL NIL)"
        "(\"message\" \"rfc822\" NIL NIL NIL \"7bit\" 900 (NIL NIL NIL NIL NIL NIL NIL NIL NIL NIL) "
        "((\"text\" \"plain\" NIL NIL NIL \"7bit\" 10 1)(\"image\" \"png\" NIL NIL NIL \"base64\" 500) \"mixed\") 30)"
        "(\"application\" \"pdf\" (\"name\" \"a.pdf\") NIL NIL \"base64\" 3000 NIL (\"attachment\" (\"filename\" \"b.pdf\")) NIL NIL)"
        " \"mixed\" (\"boundary\" \"xx\") NIL NIL) "
        "BODY[HEADER.FIELDS (MESSAGE-ID)] {14}\r\nMessage-ID: \r\n BODY[2]<0> NIL)\r\n"));
    // clang-format on
    EXPECT_EQ(std::tuple(d->sequence, d->uid, d->size, d->modSeq),
              std::tuple(12u, 42u, 4286u, 77u));
    EXPECT_THAT(*d->flags, ElementsAre("\\Seen", "$VantorCopie"));
    EXPECT_EQ(d->internalDate, QDateTime(QDate(2024, 7, 7), QTime(9, 44, 25), Qt::UTC));
    EXPECT_EQ(d->envelope->from[0].mailbox, "jean");
    ASSERT_EQ(d->envelope->to.size(), 1u);  // group markers carry no address
    EXPECT_EQ(d->envelope->messageId, "<b@x>");

    const BodyPart& top = *d->body;
    EXPECT_EQ(top.parameter("boundary"), "xx");
    ASSERT_EQ(top.parts.size(), 3u);
    EXPECT_EQ(top.parts[0].parameter("charset"), "utf-8");
    EXPECT_EQ(top.parts[1].parts[0].parts[1].section, "2.2");  // inside the attached message
    EXPECT_EQ(top.parts[2].section, "3");
    EXPECT_EQ(top.parts[2].disposition, "attachment");
    EXPECT_EQ(top.parts[2].parameter("filename"), "b.pdf");

    ASSERT_EQ(d->sections.size(), 2u);
    EXPECT_EQ(d->sections[0].section, "HEADER.FIELDS (MESSAGE-ID)");
    EXPECT_EQ(d->sections[0].bytes, "Message-ID: \r\n");
    EXPECT_TRUE(d->sections[1].nil);
}

TEST(Decoders, SinglePartIsSectionOneAndPartsBeyondTheBoundAreOpaque) {
    const auto single = decodeFetch(
        one("* 1 FETCH (BODYSTRUCTURE (\"TEXT\" \"HTML\" NIL NIL NIL \"8BIT\" 5 1))\r\n"));
    EXPECT_EQ(single->body->section, "1");
    EXPECT_EQ(single->body->subtype, "html");
    const auto deep = decodeFetch(one("* 1 FETCH (BODYSTRUCTURE (((\"text\" \"plain\" NIL NIL NIL "
                                      "\"7bit\" 1 1) \"a\") \"b\"))\r\n"),
                                  2);
    EXPECT_TRUE(deep->body->parts.at(0).parts.at(0).truncated);
    // A broken BODYSTRUCTURE leaves the other items.
    const auto broken = decodeFetch(one("* 1 FETCH (UID 3 BODYSTRUCTURE (\"text\") FLAGS ())\r\n"));
    EXPECT_FALSE(broken->body);
    EXPECT_EQ(broken->uid, 3u);
}

}  // namespace
}  // namespace vantor::imap
