// Commands that put messages into a database and show what it holds.
#include <QFile>
#include <QFileInfo>

#include "eml_reader.h"
#include "notes/store/local_document.h"
#include "notes/store/memo.h"
#include "notes/store/store_codes.h"
#include "notes/store/store_paths.h"
#include "tool_support.h"

namespace vantor::tool {

namespace {

QString place(const QString& server) { return store::placeText(server); }

QStringList memoFolders(const Arguments& args) {
    QStringList folders{QStringLiteral("($Inbox)")};
    folders += args.all(QStringLiteral("folder"));
    return folders;
}

QString readBodyFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(store::code::kCannotReadFile, QStringLiteral("Impossible de lire le fichier %1.").arg(path));
    return QString::fromUtf8(file.readAll());
}

int deliver(const Arguments& args) {
    if (args.has(QStringLiteral("body")) && args.has(QStringLiteral("body-file")))
        throw UsageError{QStringLiteral("--body et --body-file s'excluent.")};
    store::Memo memo;
    memo.from = args.value(QStringLiteral("from"));
    memo.sendTo = args.value(QStringLiteral("to"));
    memo.subject = args.value(QStringLiteral("subject"));
    memo.body = args.has(QStringLiteral("body-file")) ? readBodyFile(args.value(QStringLiteral("body-file")))
                                                      : args.value(QStringLiteral("body"));
    if (const auto created = dateTimeValue(args, QStringLiteral("created"))) memo.created = *created;
    memo.unid = args.value(QStringLiteral("unid"));
    if (!memo.unid.isEmpty() && !store::isUniversalID(memo.unid))
        throw UsageError{QStringLiteral("--unid attend 32 chiffres hexadécimaux, pas « %1 ».").arg(memo.unid)};
    for (const QString& path : args.all(QStringLiteral("attach"))) {
        if (!QFileInfo(path).isFile())
            throw UsageError{QStringLiteral("le fichier à joindre « %1 » est introuvable.").arg(path)};
        memo.attachments.push_back({QFileInfo(path).fileName(), path, {}});
    }
    memo.folders = memoFolders(args);

    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    auto database = adminFor(args).open(server, file);
    auto document = store::deliverMemo(*database, memo);
    say(QStringLiteral("%1 remis dans « %2 » %3 : %4").arg(document->universalID(), file, place(server), memo.subject));
    return 0;
}

// Every file is imported on its own: a file that cannot be read is reported
// with its reason and the others are imported all the same.
int importEml(const Arguments& args) {
    const std::optional<QDateTime> created = dateTimeValue(args, QStringLiteral("created"));
    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    auto database = adminFor(args).open(server, file);
    int imported = 0;
    int refused = 0;
    for (const QString& path : args.positional) {
        try {
            store::Memo memo = readEmlFile(path);
            if (created) memo.created = *created;
            memo.folders = memoFolders(args);
            const QString unid = store::deliverMemo(*database, memo)->universalID();
            ++imported;
            say(QStringLiteral("%1 importé dans « %2 » %3 : %4 (%5 pièce(s) jointe(s))")
                    .arg(unid, file, place(server), memo.subject)
                    .arg(memo.attachments.size()));
        } catch (const Failure& f) {
            ++refused;
            complain(QStringLiteral("vantor-store import-eml : %1 (code 0x%2)")
                         .arg(f.description())
                         .arg(static_cast<std::uint32_t>(f.code()), 8, 16, QLatin1Char('0')));
        }
    }
    if (refused == 0) return 0;
    complain(QStringLiteral("%1 message(s) importé(s), %2 fichier(s) refusé(s).")
                 .arg(imported)
                 .arg(refused));
    return 1;
}

int list(const Arguments& args) {
    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    const QString viewName = args.value(QStringLiteral("view"), QStringLiteral("($All)"));
    auto database = adminFor(args).open(server, file);
    notes::ViewPtr view = database->getView(viewName);
    if (!view)
        throw Failure(store::code::kFolderNotFound,
                      QStringLiteral("La vue « %1 » n'existe pas dans « %2 » %3.").arg(viewName, file, place(server)));
    int count = 0;
    for (notes::DocumentPtr doc = view->getFirstDocument(); doc; doc = view->getNextDocument(*doc)) {
        say(QStringLiteral("%1\t%2\t%3\t%4")
                .arg(doc->universalID(), listedTime(doc->created()),
                     escaped(doc->itemValue(QStringLiteral("From"))),
                     escaped(doc->itemValue(QStringLiteral("Subject")))));
        ++count;
    }
    complain(QStringLiteral("%1 document(s) dans « %2 ».").arg(count).arg(view->name()));
    return 0;
}

int show(const Arguments& args) {
    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    const QString unid = args.value(QStringLiteral("unid"));
    auto database = adminFor(args).open(server, file);
    auto doc = std::dynamic_pointer_cast<store::LocalDocument>(database->getDocumentByUNID(unid));
    if (!doc)
        throw Failure(store::code::kBadUniversalID,
                      QStringLiteral("Aucun document d'identifiant %1 dans « %2 » %3.").arg(unid, file, place(server)));
    say(QStringLiteral("UNID : %1").arg(doc->universalID()));
    say(QStringLiteral("Créé : %1").arg(listedTime(doc->created())));
    say(QStringLiteral("Dossiers : %1").arg(doc->folders().join(QStringLiteral(", "))));
    for (const notes::ItemPtr& item : doc->items()) {
        // One arg() for all: a "%2" in a stored text must stay as it is.
        say(QStringLiteral("%1 [%2] : %3")
                .arg(escaped(item->name()), QString::number(item->type()), escaped(item->text())));
        for (const notes::EmbeddedObjectPtr& object : item->embeddedObjects()) {
            const auto* local = dynamic_cast<const store::LocalEmbeddedObject*>(object.get());
            say(QStringLiteral("    pièce jointe : %1 (%2 octets, type %3)")
                    .arg(escaped(object->name()), QString::number(local ? local->size() : 0),
                         QString::number(object->type())));
        }
    }
    return 0;
}

int folders(const Arguments& args) {
    auto database = adminFor(args).open(args.value(QStringLiteral("server")), args.value(QStringLiteral("file")));
    for (const notes::ViewPtr& view : database->views())
        say(QStringLiteral("%1\t%2").arg(view->isFolder() ? QStringLiteral("dossier") : QStringLiteral("vue"), view->name()));
    return 0;
}

}  // namespace

void addMailCommands(std::vector<CommandDef>& commands) {
    const OptionDef created{QStringLiteral("created"), QStringLiteral("\"AAAA-MM-JJ HH:MM:SS\""),
                             QStringLiteral("date de création (par défaut : maintenant)")};
    const OptionDef folder{QStringLiteral("folder"), QStringLiteral("NOM"),
                            QStringLiteral("classe aussi le message dans ce dossier (créé au besoin)"), false, true};
    commands.push_back(
        {QStringLiteral("deliver"),
         QStringLiteral("Remet un message (mémo) dans la boîte, dossier ($Inbox)."),
         {serverOption(), fileOption(),
          {QStringLiteral("from"), QStringLiteral("EXPÉDITEUR"), QStringLiteral("expéditeur, tel que l'affiche le champ De"), true},
          {QStringLiteral("subject"), QStringLiteral("OBJET"), QStringLiteral("objet du message"), true},
          {QStringLiteral("to"), QStringLiteral("DESTINATAIRE"), QStringLiteral("destinataire(s)")},
          {QStringLiteral("body"), QStringLiteral("TEXTE"), QStringLiteral("corps du message")},
          {QStringLiteral("body-file"), QStringLiteral("CHEMIN"), QStringLiteral("corps du message lu dans un fichier UTF-8")},
          {QStringLiteral("attach"), QStringLiteral("FICHIER"), QStringLiteral("pièce jointe"), false, true},
          created,
          {QStringLiteral("unid"), QStringLiteral("HEX"), QStringLiteral("identifiant universel (32 chiffres hexadécimaux)")},
          folder},
         {}, 0, 0, deliver});
    commands.push_back({QStringLiteral("import-eml"),
                        QStringLiteral("Importe des messages .eml avec leurs pièces jointes dans ($Inbox)."),
                        {serverOption(), fileOption(), created, folder}, QStringLiteral("FICHIER.eml..."), 1, -1,
                        importEml,
                        QStringLiteral("Messages RFC 5322 (MIME) : De, A, Objet, Date, corps tel que l'affiche une "
                                       "messagerie (texte, ou HTML\nsans balises), pièces jointes. Chaque fichier est "
                                       "importé seul : un fichier illisible est signalé\navec sa raison, les autres "
                                       "sont importés, et le code de sortie est alors 1.")});
    commands.push_back({QStringLiteral("list"),
                        QStringLiteral("Liste les documents d'une vue : UNID, date de création, De, Objet."),
                        {serverOption(), fileOption(),
                         {QStringLiteral("view"), QStringLiteral("NOM"), QStringLiteral("vue ou dossier (par défaut : ($All))")}},
                        {}, 0, 0, list});
    commands.push_back({QStringLiteral("show"), QStringLiteral("Montre tous les champs d'un document et ses pièces jointes."),
                        {serverOption(), fileOption(),
                         {QStringLiteral("unid"), QStringLiteral("HEX"), QStringLiteral("identifiant du document"), true}},
                        {}, 0, 0, show});
    commands.push_back({QStringLiteral("folders"), QStringLiteral("Liste les vues et dossiers d'une base."),
                        {serverOption(), fileOption()}, {}, 0, 0, folders});
}

}  // namespace vantor::tool
