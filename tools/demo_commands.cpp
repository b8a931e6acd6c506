// The ready-made demo: a user, two servers with a mailbox each, their archives,
// and a feed of new messages to watch arrive.
#include <QDir>
#include <QFile>
#include <QThread>

#include "demo_content.h"
#include "demo_eml.h"
#include "notes/store/memo.h"
#include "notes/store/store_codes.h"
#include "tool_support.h"

namespace vantor::tool {

namespace {

QStringList demoFiles(const store::DataRoot& root) {
    QStringList files;
    for (const demo::Mailbox& box : demo::mailboxes())
        files << root.findFile(box.server, box.file) << root.findFile(QString(), box.archive);
    files.removeAll(QString());
    return files;
}

void removeDemo(const store::DataRoot& root) {
    for (const QString& path : demoFiles(root))
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(path + suffix);
    for (const demo::Mailbox& box : demo::mailboxes()) root.setServerDown(box.server, false);
    QFile::remove(root.identityPath());
}

int demoSeed(const Arguments& args) {
    store::StoreAdmin admin = adminFor(args);
    const store::DataRoot& root = admin.root();
    const bool present = !demoFiles(root).isEmpty() || QFile::exists(root.identityPath());
    if (present && !args.has(QStringLiteral("reset")))
        throw Failure(
            store::code::kDatabaseExists,
            QStringLiteral(
                "Une démo (ou un utilisateur) existe déjà dans %1 : relancez avec --reset pour "
                "la recréer.")
                .arg(root.path()));
    if (present) {
        for (const demo::Mailbox& box : demo::mailboxes()) admin.createServer(box.server);
        removeDemo(root);
    }

    admin.setUser(demo::kUser, demo::kPassword, demo::kParis, demo::kUserMailbox);
    say(QStringLiteral("Utilisateur : %1 (mot de passe « %2 »), boîte « %3 » sur le serveur %4")
            .arg(demo::kUser, demo::kPassword, demo::kUserMailbox, demo::kParis));

    const std::vector<demo::Mailbox> boxes = demo::mailboxes();
    std::vector<std::shared_ptr<store::LocalDatabase>> databases;
    for (size_t i = 0; i < boxes.size(); ++i) {
        QStringList acl{demo::kUser};
        if (i == 1)
            acl << QStringLiteral("Isabelle Roux/Vantor") << QStringLiteral("Luc Garnier/Vantor");
        admin.createServer(boxes[i].server);
        databases.push_back(admin.createMailbox(boxes[i].server, boxes[i].file, acl));
        for (const QString& folder : boxes[i].folders)
            admin.createFolder(boxes[i].server, boxes[i].file, folder);
        say(QStringLiteral("Serveur %1 : boîte « %2 » (accès : %3), dossiers %4")
                .arg(boxes[i].server, boxes[i].file, acl.join(QStringLiteral(", ")),
                     boxes[i].folders.join(QStringLiteral(", "))));
    }

    const QDate today = QDate::currentDate();
    for (const demo::SeedMessage& seed : demo::seedMessages(today)) {
        const demo::Mailbox& box = boxes[static_cast<size_t>(seed.mailbox)];
        store::Memo memo;
        memo.from = seed.message.from;
        memo.subject = seed.message.subject;
        memo.body = seed.message.body;
        memo.created = QDateTime(today.addDays(-seed.daysAgo),
                                 QTime::fromString(seed.time, QStringLiteral("HH:mm")));
        memo.posted = memo.created;
        const bool fromUser = memo.from == demo::kUser;
        memo.sendTo = fromUser ? demo::kTeam : box.recipient;
        memo.folders = {fromUser ? QStringLiteral("($Sent)") : QStringLiteral("($Inbox)")};
        if (!seed.folder.isEmpty()) memo.folders << seed.folder;
        if (!seed.message.attachmentName.isEmpty())
            memo.attachments.push_back({seed.message.attachmentName, {}, seed.message.attachment});
        store::deliverMemo(*databases[static_cast<size_t>(seed.mailbox)], memo);
        say(QStringLiteral("  %1 « %2 » de %3 (%4)%5")
                .arg(box.file, memo.subject, memo.from, listedTime(memo.created),
                     seed.message.attachmentName.isEmpty()
                         ? QString()
                         : QStringLiteral(", pièce jointe ") + seed.message.attachmentName));
    }

    for (const demo::Mailbox& box : boxes) {
        admin.createDatabase(QString(), box.archive, {demo::kUser});
        say(QStringLiteral("Archive locale : « %1 » sur ce poste").arg(box.archive));
    }
    say(QStringLiteral("Démo prête dans %1").arg(root.path()));
    return 0;
}

// The mailbox the --mailbox option names (1 or 2), or -1 for both in turn.
int chosenMailbox(const Arguments& args) {
    if (!args.has(QStringLiteral("mailbox"))) return -1;
    const int n = positiveNumber(args, QStringLiteral("mailbox"), 1);
    if (n > 2) throw UsageError{QStringLiteral("--mailbox : 1 ou 2 (la démo a deux boîtes).")};
    return n - 1;
}

// Numbers of the feed's messages from --first, for --count: one sequence per
// mailbox when --mailbox names one, else both in turn.
std::vector<int> feedIndexes(const Arguments& args, int mailbox) {
    const int count = positiveNumber(args, QStringLiteral("count"), 12);
    const int first = positiveNumber(args, QStringLiteral("first"), 1) - 1;
    // A million messages is eleven days at one every second: more than any demo needs.
    constexpr int kFeedLength = 1000000;
    if (first < 0 || first >= kFeedLength || count > kFeedLength - first)
        throw UsageError{
            QStringLiteral(
                "--first et --count : la suite compte %1 messages, numérotés à partir de 1.")
                .arg(kFeedLength)};
    std::vector<int> indexes;
    for (int n = 0; n < count; ++n)
        indexes.push_back(mailbox < 0 ? first + n : 2 * (first + n) + mailbox);
    return indexes;
}

int demoFeed(const Arguments& args) {
    const double every = secondsValue(args, QStringLiteral("every"), 8);
    const int mailbox = chosenMailbox(args);
    const std::vector<int> indexes = feedIndexes(args, mailbox);
    const double startDelay = secondsValue(args, QStringLiteral("start-delay"), 0);
    store::StoreAdmin admin = adminFor(args);
    const std::vector<demo::Mailbox> boxes = demo::mailboxes();
    for (size_t b = 0; b < boxes.size(); ++b)
        if ((mailbox < 0 || static_cast<size_t>(mailbox) == b) &&
            admin.root().findFile(boxes[b].server, boxes[b].file).isEmpty())
            throw Failure(
                store::code::kFileNotFound,
                QStringLiteral(
                    "La boîte « %1 » du serveur %2 n'existe pas : lancez d'abord demo-seed.")
                    .arg(boxes[b].file, boxes[b].server));

    QThread::msleep(static_cast<unsigned long>(startDelay * 1000));
    const QDate today = QDate::currentDate();
    const int count = static_cast<int>(indexes.size());
    for (int n = 0; n < count; ++n) {
        if (n > 0) QThread::msleep(static_cast<unsigned long>(every * 1000));
        const int i = indexes[static_cast<size_t>(n)];
        const demo::Mailbox& box = boxes[static_cast<size_t>(i) % boxes.size()];
        const demo::DemoMessage message = demo::feedMessage(i, today);
        store::Memo memo;
        memo.from = message.from;
        memo.sendTo = box.recipient;
        memo.subject = message.subject;
        memo.body = message.body;
        if (!message.attachmentName.isEmpty())
            memo.attachments.push_back({message.attachmentName, {}, message.attachment});
        // Opened anew for every message, as a mail router would.
        auto database = admin.open(box.server, box.file);
        store::deliverMemo(*database, memo);
        say(QStringLiteral("[%1] %2/%3 → %4 %5 : %6%7")
                .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                .arg(n + 1)
                .arg(count)
                .arg(box.server, box.file,
                     memo.from + QStringLiteral(" « ") + memo.subject + QStringLiteral(" »"),
                     memo.attachments.empty()
                         ? QString()
                         : QStringLiteral(" + ") + memo.attachments.front().name));
    }
    return 0;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw Failure(store::code::kFileNotFound,
                      QStringLiteral("Impossible d'écrire %1 : %2").arg(path, file.errorString()));
}

// The second mailbox as mail files for a mail server: its mail already there
// ("seed.tsv": file, date as seconds since 1970, folder with "/") and its
// folders ("folders.txt"), or with --feed the feed's messages for it.
int demoEml(const Arguments& args) {
    const QDir out(args.positional.front());
    if (!out.mkpath(QStringLiteral(".")))
        throw Failure(store::code::kFileNotFound,
                      QStringLiteral("Impossible de créer le dossier %1").arg(out.path()));
    const demo::Mailbox box = demo::mailboxes()[1];
    const QString recipient = demo::mailAddress(box.recipient);
    const QDate today = QDate::currentDate();
    if (args.has(QStringLiteral("feed"))) {
        for (const int i : feedIndexes(args, 1)) {
            const QString name = QStringLiteral("feed-%1").arg(i, 7, 10, QLatin1Char('0'));
            const demo::DemoMessage message = demo::feedMessage(i, today);
            writeFile(out.filePath(name + QStringLiteral(".eml")),
                      demo::messageBytes(message, recipient, QDateTime::currentDateTime(), name));
            say(QStringLiteral("%1.eml %2 « %3 »").arg(name, message.from, message.subject));
        }
        return 0;
    }
    QByteArray index;
    int n = 0;
    for (const demo::SeedMessage& seed : demo::seedMessages(today)) {
        if (seed.mailbox != 1) continue;
        const QString name = QStringLiteral("seed-%1").arg(++n, 2, 10, QLatin1Char('0'));
        const QDateTime date(today.addDays(-seed.daysAgo),
                             QTime::fromString(seed.time, QStringLiteral("HH:mm")));
        const bool fromUser = seed.message.from == demo::kUser;
        writeFile(out.filePath(name + QStringLiteral(".eml")),
                  demo::messageBytes(seed.message, fromUser ? demo::kTeam : recipient, date, name));
        // On a server a filed message lives in its folder alone.
        QString folder = fromUser ? QStringLiteral("Sent") : QStringLiteral("INBOX");
        if (!seed.folder.isEmpty()) folder = QString(seed.folder).replace(QLatin1Char('\\'), QLatin1Char('/'));
        index += QStringLiteral("%1.eml\t%2\t%3\n")
                     .arg(name)
                     .arg(date.toSecsSinceEpoch())
                     .arg(folder)
                     .toUtf8();
    }
    writeFile(out.filePath(QStringLiteral("seed.tsv")), index);
    writeFile(out.filePath(QStringLiteral("folders.txt")),
              box.folders.join(QLatin1Char('\n')).replace(QLatin1Char('\\'), QLatin1Char('/')).toUtf8() +
                  '\n');
    say(QStringLiteral("%1 messages de la boîte « %2 » écrits dans %3").arg(n).arg(box.file, out.path()));
    return 0;
}

}  // namespace

void addDemoCommands(std::vector<CommandDef>& commands) {
    commands.push_back(
        {QStringLiteral("demo-seed"),
         QStringLiteral("Construit la démo prête à l'emploi."),
         {{QStringLiteral("reset"), {}, QStringLiteral("remplace une démo existante")}},
         {},
         0,
         0,
         demoSeed,
         QStringLiteral("Utilisateur « Jean Dupont/Vantor » (mot de passe « vantor »), serveurs "
                        "Paris/Vantor et Lyon/Vantor\navec une boîte chacun, des dossiers "
                        "imbriqués, du courrier "
                        "ancien avec des pièces jointes,\net une archive locale par boîte "
                        "(« archive\\jdupont_archive.nsf », « archive\\equipe_archive.nsf »).")});
    commands.push_back(
        {QStringLiteral("demo-feed"),
         QStringLiteral("Remet de nouveaux messages, tous différents, dans les boîtes de la démo "
                        "(à tour de rôle), puis s'arrête."),
         {{QStringLiteral("every"), QStringLiteral("SECONDES"),
           QStringLiteral("intervalle (par défaut 8)")},
          {QStringLiteral("count"), QStringLiteral("N"),
           QStringLiteral("nombre de messages (par défaut 12)")},
          {QStringLiteral("first"), QStringLiteral("N"),
           QStringLiteral("numéro du premier message de la suite (par défaut 1)")},
          {QStringLiteral("start-delay"), QStringLiteral("SECONDES"),
           QStringLiteral("attente avant le premier message (par défaut 0)")},
          {QStringLiteral("mailbox"), QStringLiteral("N"),
           QStringLiteral("seulement la boîte N (1 ou 2)")}},
         {},
         0,
         0,
         demoFeed});
    commands.push_back(
        {QStringLiteral("demo-eml"),
         QStringLiteral("Écrit le courrier de la deuxième boîte de la démo en fichiers .eml, "
                        "pour un serveur de messagerie."),
         {{QStringLiteral("feed"), {}, QStringLiteral("les messages de la suite (sinon le courrier déjà là)")},
          {QStringLiteral("count"), QStringLiteral("N"),
           QStringLiteral("avec --feed : nombre de messages (par défaut 12)")},
          {QStringLiteral("first"), QStringLiteral("N"),
           QStringLiteral("avec --feed : numéro du premier (par défaut 1)")}},
         QStringLiteral("DOSSIER"),
         1,
         1,
         demoEml,
         QStringLiteral("Sans --feed : seed.tsv (fichier, date en secondes depuis 1970, dossier) "
                        "et folders.txt (les dossiers, « / » entre les niveaux).")});
}

}  // namespace vantor::tool
