// The ready-made demo: a user, two servers with a mailbox each, an archive,
// and a feed of new messages to watch arrive.
#include <QDir>
#include <QFile>
#include <QThread>

#include "demo_content.h"
#include "notes/store/memo.h"
#include "notes/store/store_codes.h"
#include "tool_support.h"

namespace vantor::tool {

namespace {

QStringList demoFiles(const store::DataRoot& root) {
    QStringList files;
    for (const demo::Mailbox& box : demo::mailboxes()) files << root.findFile(box.server, box.file);
    files << root.findFile(QString(), demo::kArchive);
    files.removeAll(QString());
    return files;
}

void removeDemo(const store::DataRoot& root) {
    for (const QString& path : demoFiles(root))
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(path + suffix);
    for (const QString& server : {demo::kParis, demo::kLyon}) root.setServerDown(server, false);
    QFile::remove(root.identityPath());
}

int demoSeed(const Arguments& args) {
    store::StoreAdmin admin = adminFor(args);
    const store::DataRoot& root = admin.root();
    const bool present = !demoFiles(root).isEmpty() || QFile::exists(root.identityPath());
    if (present && !args.has(QStringLiteral("reset")))
        throw Failure(store::code::kDatabaseExists,
                      QStringLiteral("Une démo (ou un utilisateur) existe déjà dans %1 : relancez avec --reset pour "
                                     "la recréer.")
                          .arg(root.path()));
    if (present) {
        for (const QString& server : {demo::kParis, demo::kLyon}) admin.createServer(server);
        removeDemo(root);
    }

    admin.setUser(demo::kUser, demo::kPassword, demo::kParis, demo::kUserMailbox);
    say(QStringLiteral("Utilisateur : %1 (mot de passe « %2 »), boîte « %3 » sur le serveur %4")
            .arg(demo::kUser, demo::kPassword, demo::kUserMailbox, demo::kParis));

    const std::vector<demo::Mailbox> boxes = demo::mailboxes();
    std::vector<std::shared_ptr<store::LocalDatabase>> databases;
    for (size_t i = 0; i < boxes.size(); ++i) {
        QStringList acl{demo::kUser};
        if (i == 1) acl << QStringLiteral("Isabelle Roux/Vantor") << QStringLiteral("Luc Garnier/Vantor");
        admin.createServer(boxes[i].server);
        databases.push_back(admin.createMailbox(boxes[i].server, boxes[i].file, acl));
        for (const QString& folder : demo::demoFolders()) admin.createFolder(boxes[i].server, boxes[i].file, folder);
        say(QStringLiteral("Serveur %1 : boîte « %2 » (accès : %3), dossiers %4")
                .arg(boxes[i].server, boxes[i].file, acl.join(QStringLiteral(", ")),
                     demo::demoFolders().join(QStringLiteral(", "))));
    }

    const QDateTime now = QDateTime::currentDateTime();
    int serial = 0;
    for (const demo::SeedMessage& seed : demo::seedMessages()) {
        store::Memo memo;
        memo.from = seed.message.from;
        memo.subject = seed.message.subject;
        memo.body = seed.message.body;
        const QTime time = QTime::fromString(seed.time, QStringLiteral("HH:mm"));
        memo.created = QDateTime(now.date().addDays(-seed.daysAgo), time);
        const bool fromUser = memo.from == demo::kUser;
        memo.sendTo = fromUser ? QStringLiteral("Équipe projet/Vantor") : demo::kUser;
        memo.folders = {fromUser ? QStringLiteral("($Sent)") : QStringLiteral("($Inbox)")};
        if (!seed.folder.isEmpty()) memo.folders << seed.folder;
        if (!seed.attachmentName.isEmpty())
            memo.attachments.push_back({seed.attachmentName, {}, demo::attachmentBytes(seed.attachmentName, ++serial)});
        store::deliverMemo(*databases[static_cast<size_t>(seed.mailbox)], memo);
        say(QStringLiteral("  %1 « %2 » de %3 (%4)%5")
                .arg(boxes[static_cast<size_t>(seed.mailbox)].file, memo.subject, memo.from,
                     listedTime(memo.created),
                     seed.attachmentName.isEmpty() ? QString() : QStringLiteral(", pièce jointe ") + seed.attachmentName));
    }

    admin.createDatabase(QString(), demo::kArchive, {demo::kUser});
    say(QStringLiteral("Archive locale : « %1 » sur ce poste").arg(demo::kArchive));
    say(QStringLiteral("Démo prête dans %1").arg(root.path()));
    return 0;
}

int demoFeed(const Arguments& args) {
    const double every = secondsValue(args, QStringLiteral("every"), 8);
    const int count = positiveNumber(args, QStringLiteral("count"), 12);
    const double startDelay = secondsValue(args, QStringLiteral("start-delay"), 0);
    store::StoreAdmin admin = adminFor(args);
    const std::vector<demo::Mailbox> boxes = demo::mailboxes();
    for (const demo::Mailbox& box : boxes)
        if (admin.root().findFile(box.server, box.file).isEmpty())
            throw Failure(store::code::kFileNotFound,
                          QStringLiteral("La boîte « %1 » du serveur %2 n'existe pas : lancez d'abord demo-seed.")
                              .arg(box.file, box.server));

    QThread::msleep(static_cast<unsigned long>(startDelay * 1000));
    const std::vector<demo::DemoMessage>& messages = demo::feedMessages();
    for (int i = 0; i < count; ++i) {
        if (i > 0) QThread::msleep(static_cast<unsigned long>(every * 1000));
        const demo::Mailbox& box = boxes[static_cast<size_t>(i) % boxes.size()];
        const demo::DemoMessage& message = messages[static_cast<size_t>(i) % messages.size()];
        store::Memo memo;
        memo.from = message.from;
        memo.sendTo = demo::kUser;
        memo.subject = message.subject;
        memo.body = message.body;
        if (i % 3 == 2) {
            const QString name = (i % 2 == 0) ? QStringLiteral("releve_%1.csv").arg(i + 1)
                                              : QStringLiteral("note_%1.txt").arg(i + 1);
            memo.attachments.push_back({name, {}, demo::attachmentBytes(name, i)});
        }
        // Opened anew for every message, as a mail router would.
        auto database = admin.open(box.server, box.file);
        auto document = store::deliverMemo(*database, memo);
        say(QStringLiteral("[%1] %2/%3 → %4 %5 : %6%7")
                .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                .arg(i + 1)
                .arg(count)
                .arg(box.server, box.file, memo.from + QStringLiteral(" « ") + memo.subject + QStringLiteral(" »"),
                     memo.attachments.empty() ? QString() : QStringLiteral(" + ") + memo.attachments.front().name));
        (void)document;
    }
    return 0;
}

}  // namespace

void addDemoCommands(std::vector<CommandDef>& commands) {
    commands.push_back({QStringLiteral("demo-seed"),
                        QStringLiteral("Construit la démo prête à l'emploi."),
                        {{QStringLiteral("reset"), {}, QStringLiteral("remplace une démo existante")}}, {}, 0, 0,
                        demoSeed,
                        QStringLiteral("Utilisateur « Jean Dupont/Vantor » (mot de passe « vantor »), serveurs "
                                       "Paris/Vantor et Lyon/Vantor\navec une boîte chacun, des messages anciens, "
                                       "et l'archive locale « archive\\jdupont_archive.nsf ».")});
    commands.push_back({QStringLiteral("demo-feed"),
                        QStringLiteral("Remet de nouveaux messages dans les boîtes de la démo, puis s'arrête."),
                        {{QStringLiteral("every"), QStringLiteral("SECONDES"), QStringLiteral("intervalle (par défaut 8)")},
                         {QStringLiteral("count"), QStringLiteral("N"), QStringLiteral("nombre de messages (par défaut 12)")},
                         {QStringLiteral("start-delay"), QStringLiteral("SECONDES"),
                          QStringLiteral("attente avant le premier message (par défaut 0)")}},
                        {}, 0, 0, demoFeed});
}

}  // namespace vantor::tool
