// The addresses handed to the desktop's composer and viewer.
#include <gtest/gtest.h>

#include "notes/imap/imap_workspace.h"

namespace vantor::imap {
namespace {

TEST(ImapWorkspace, ReplyAddressCarriesRecipientSubjectQuotedTextAndInReplyTo) {
    const QUrl url = replyAddress(QStringLiteral("Paul Martin <paul@example.com>"),
                                  QStringLiteral("Devis & délais ?"),
                                  QStringLiteral("Ligne 1\nLigne 2"), "<devis@example.com>");
    EXPECT_EQ(
        url.toEncoded(),
        "mailto:paul@example.com?subject=Devis%20%26%20d%C3%A9lais%20%3F"
        "&body=%3E%20Ligne%201%0D%0A%3E%20Ligne%202%0D%0A&In-Reply-To=%3Cdevis%40example.com%3E");
}

TEST(ImapWorkspace, FolderAddressEncodesTheNameAsTheServerDoes) {
    EXPECT_EQ(folderAddress(QStringLiteral("imaps://jean%40corp.fr@mail.corp.fr"),
                            QStringLiteral("Résultats"))
                  .toEncoded(),
              "imap://jean%40corp.fr@mail.corp.fr:993/R&AOk-sultats");
}

}  // namespace
}  // namespace vantor::imap
