#pragma once
// The people and messages of the ready-made demo.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

namespace vantor::tool::demo {

inline const QString kUser = QStringLiteral("Jean Dupont/Vantor");
inline const QString kPassword = QStringLiteral("vantor");
inline const QString kParis = QStringLiteral("Paris/Vantor");
inline const QString kLyon = QStringLiteral("Lyon/Vantor");
inline const QString kUserMailbox = QStringLiteral("mail\\jdupont.nsf");
inline const QString kTeamMailbox = QStringLiteral("mail\\equipe.nsf");
inline const QString kArchive = QStringLiteral("archive\\jdupont_archive.nsf");
inline const QString kTeamArchive = QStringLiteral("archive\\equipe_archive.nsf");
inline const QString kTeam = QStringLiteral("Équipe Lyon/Vantor");

struct Mailbox {
    QString server;
    QString file;
    QString archive;      // local archive database
    QString recipient;    // whom its mail is addressed to
    QStringList folders;  // parents before their subfolders
};
// The two demo mailboxes, in the order the feed alternates between them.
std::vector<Mailbox> mailboxes();

struct DemoMessage {
    QString from;
    QString subject;
    QString body;
    QString attachmentName;  // none when empty
    QByteArray attachment;
};

// Message `index` of the feed, for mailbox index % 2, dated around `today`.
// No two indexes give the same subject or the same body.
DemoMessage feedMessage(int index, const QDate& today);

struct SeedMessage {
    int mailbox;  // index in mailboxes()
    int daysAgo;
    QString time;  // "HH:mm"
    DemoMessage message;
    QString folder;  // besides ($Inbox) or ($Sent); may be empty
};
// The mail already in the mailboxes, dated from `today` backwards.
std::vector<SeedMessage> seedMessages(const QDate& today);

}  // namespace vantor::tool::demo
