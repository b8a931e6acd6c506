#pragma once
// The people and messages of the ready-made demo.
#include <QString>
#include <vector>

namespace vantor::tool::demo {

inline const QString kUser = QStringLiteral("Jean Dupont/Vantor");
inline const QString kPassword = QStringLiteral("vantor");
inline const QString kParis = QStringLiteral("Paris/Vantor");
inline const QString kLyon = QStringLiteral("Lyon/Vantor");
inline const QString kUserMailbox = QStringLiteral("mail\\jdupont.nsf");
inline const QString kTeamMailbox = QStringLiteral("mail\\equipe.nsf");
inline const QString kArchive = QStringLiteral("archive\\jdupont_archive.nsf");

struct Mailbox {
    QString server;
    QString file;
};
// The two demo mailboxes, in the order the feed alternates between them.
std::vector<Mailbox> mailboxes();
QStringList demoFolders();

struct DemoMessage {
    QString from;
    QString subject;
    QString body;
};
// Messages of the feed, cycled through.
const std::vector<DemoMessage>& feedMessages();

struct SeedMessage {
    int mailbox;      // index in mailboxes()
    int daysAgo;
    QString time;     // "HH:mm"
    DemoMessage message;
    QString folder;   // besides ($Inbox) or ($Sent); may be empty
    QString attachmentName;  // generated when not empty
};
const std::vector<SeedMessage>& seedMessages();

// A small generated attachment: a .csv table or a .txt note.
QByteArray attachmentBytes(const QString& name, int serial);

}  // namespace vantor::tool::demo
