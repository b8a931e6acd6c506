// The messages to the mail client: what comes out is what went in, and what
// is not of the protocol is refused before anything is trusted.
#include <gtest/gtest.h>

#include <QtEndian>

#include "notes/notes.h"
#include "notes/notes_checks.h"
#include "notes/workspace/workspace_codes.h"
#include "notes/workspace/workspace_protocol.h"

namespace vantor::notes::protocol {
namespace {

QByteArray payloadOf(QByteArray frame) {
    std::optional<QByteArray> payload = takeFrame(frame);
    EXPECT_TRUE(payload && frame.isEmpty());
    return payload.value_or(QByteArray());
}

// Other requests and the replies travel in ipc_workspace_test, with the real client.
TEST(WorkspaceProtocol, ItemsArriveWholeEvenLongAndAccented) {
    const QString longText(10000, QChar(0x00E9));
    EditDocument edit{
        true,
        {{"Body", kRichText, longText, {{kFileAttachment, "../../évasion.txt", "/tmp/1"}}},
         {"Subject", kText, "Réunion\r\n", {}}}};
    const auto back = std::get<EditDocument>(decodeRequest(payloadOf(encodeRequest(edit))));
    ASSERT_EQ(back.items.size(), 2u);
    EXPECT_EQ(back.items[0].text, longText);
    EXPECT_EQ(back.items[0].attachments[0].name, "../../évasion.txt");
    EXPECT_EQ(back.items[1].text, "Réunion\r\n");
}

TEST(WorkspaceProtocol, ForeignDamagedOrOversizedMessagesAreRefused) {
    const QByteArray good = payloadOf(encodeRequest(OpenDatabase{"s", "f", "v", "", true}));
    QByteArray otherVersion = good;
    otherVersion[5] = 2;
    // An item count far beyond what the message holds allocates nothing.
    QByteArray hugeCount = payloadOf(encodeRequest(EditDocument{true, {}}));
    qToBigEndian<std::uint32_t>(0x7FFFFFFF, hugeCount.data() + hugeCount.size() - 4);
    for (const QByteArray& bad : {QByteArray("GET / HTTP/1.1"), otherVersion,
                                  good.left(good.size() - 3), good + "x", hugeCount})
        EXPECT_EQ(test::failureCode([&] { decodeRequest(bad); }), workspace_code::kBadMessage)
            << bad.toHex().toStdString();

    QByteArray announced(4, '\0');
    qToBigEndian<std::uint32_t>(kMaxMessageBytes + 1, announced.data());
    EXPECT_THROW(takeFrame(announced), Failure);
    QByteArray partial = encodeRequest(Show{}).left(6);
    EXPECT_FALSE(takeFrame(partial)) << "waits for the rest";
}

}  // namespace
}  // namespace vantor::notes::protocol
