// Commands that set up the store: user, servers, databases, folders, rights.
#include "notes/store/store_paths.h"
#include "tool_support.h"

namespace vantor::tool {

namespace {

QString place(const QString& server) { return store::placeText(server); }

int initUser(const Arguments& args) {
    const QString user = args.value(QStringLiteral("user"));
    const QString server = args.value(QStringLiteral("mail-server"));
    const QString file = args.value(QStringLiteral("mail-file"));
    adminFor(args).setUser(user, args.value(QStringLiteral("password")), server, file);
    say(QStringLiteral("Utilisateur « %1 » enregistré dans %2.").arg(user, store::DataRoot(args.root).identityPath()));
    if (!file.isEmpty()) say(QStringLiteral("Base de courrier : « %1 » %2.").arg(file, place(server)));
    return 0;
}

int createServer(const Arguments& args) {
    const QString server = args.positional.first();
    if (store::isLocalServer(server)) throw UsageError{QStringLiteral("« %1 » désigne ce poste, pas un serveur.").arg(server)};
    adminFor(args).createServer(server);
    say(QStringLiteral("Serveur %1 prêt (%2).").arg(server, store::DataRoot(args.root).serverFolder(server)));
    return 0;
}

int serverDown(const Arguments& args) {
    adminFor(args).setServerDown(args.positional.first(), true);
    say(QStringLiteral("Le serveur %1 ne répond plus.").arg(args.positional.first()));
    return 0;
}

int serverUp(const Arguments& args) {
    adminFor(args).setServerDown(args.positional.first(), false);
    say(QStringLiteral("Le serveur %1 répond de nouveau.").arg(args.positional.first()));
    return 0;
}

// The owner named on the command line, else the user of this machine.
QStringList accessList(const Arguments& args, store::StoreAdmin& admin) {
    QStringList names = args.all(QStringLiteral("acl"));
    if (args.has(QStringLiteral("user"))) names.prepend(args.value(QStringLiteral("user")));
    else if (const auto user = admin.user()) names.prepend(user->userName);
    if (names.isEmpty())
        throw UsageError{QStringLiteral("aucun utilisateur n'aura accès à la base : donnez --user ou --acl, "
                                        "ou créez d'abord l'utilisateur avec init-user.")};
    names.removeDuplicates();
    return names;
}

int createMailbox(const Arguments& args) {
    store::StoreAdmin admin = adminFor(args);
    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    if (args.has(QStringLiteral("password")) && !args.has(QStringLiteral("user")))
        throw UsageError{QStringLiteral("--password va avec --user.")};
    const QStringList acl = accessList(args, admin);
    admin.createMailbox(server, file, acl);
    say(QStringLiteral("Boîte aux lettres « %1 » créée %2 (accès : %3).").arg(file, place(server), acl.join(QStringLiteral(", "))));
    if (args.has(QStringLiteral("user")) && args.has(QStringLiteral("password")) && !admin.user()) {
        admin.setUser(args.value(QStringLiteral("user")), args.value(QStringLiteral("password")), server, file);
        say(QStringLiteral("Utilisateur « %1 » enregistré sur ce poste.").arg(args.value(QStringLiteral("user"))));
    }
    return 0;
}

int createDatabase(const Arguments& args) {
    store::StoreAdmin admin = adminFor(args);
    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    const QStringList acl = accessList(args, admin);
    admin.createDatabase(server, file, acl);
    say(QStringLiteral("Base « %1 » créée %2 (accès : %3).").arg(file, place(server), acl.join(QStringLiteral(", "))));
    return 0;
}

int createFolder(const Arguments& args) {
    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    for (const QString& folder : args.all(QStringLiteral("folder"))) {
        adminFor(args).createFolder(server, file, folder);
        say(QStringLiteral("Dossier « %1 » prêt dans « %2 » %3.").arg(folder, file, place(server)));
    }
    return 0;
}

int grant(const Arguments& args) {
    const QString server = args.value(QStringLiteral("server"));
    const QString file = args.value(QStringLiteral("file"));
    const QString user = args.value(QStringLiteral("user"));
    adminFor(args).grant(server, file, user);
    say(QStringLiteral("« %1 » a désormais accès à « %2 » %3.").arg(user, file, place(server)));
    return 0;
}

}  // namespace

void addSetupCommands(std::vector<CommandDef>& commands) {
    const OptionDef user{QStringLiteral("user"), QStringLiteral("NOM"),
                          QStringLiteral("nom complet, par exemple \"Jean Dupont/Vantor\""), true};
    const OptionDef password{QStringLiteral("password"), QStringLiteral("MOT_DE_PASSE"),
                              QStringLiteral("mot de passe de l'utilisateur"), true};
    const OptionDef acl{QStringLiteral("acl"), QStringLiteral("NOM"),
                         QStringLiteral("autre utilisateur ayant accès à la base"), false, true};
    OptionDef optionalUser = user;
    optionalUser.required = false;
    optionalUser.help = QStringLiteral("propriétaire de la base (par défaut : l'utilisateur du poste)");
    OptionDef optionalPassword = password;
    optionalPassword.required = false;
    optionalPassword.help = QStringLiteral("avec --user : enregistre aussi l'utilisateur s'il n'y en a pas");

    commands.push_back({QStringLiteral("init-user"),
                        QStringLiteral("Crée ou remplace l'utilisateur de ce poste (son fichier d'identification)."),
                        {user, password,
                         {QStringLiteral("mail-server"), QStringLiteral("SERVEUR"), QStringLiteral("serveur de sa boîte aux lettres")},
                         {QStringLiteral("mail-file"), QStringLiteral("FICHIER"), QStringLiteral("fichier de sa boîte aux lettres")}},
                        {}, 0, 0, initUser});
    commands.push_back({QStringLiteral("create-server"), QStringLiteral("Crée un serveur (son dossier)."), {},
                        QStringLiteral("NOM"), 1, 1, createServer});
    commands.push_back({QStringLiteral("server-down"),
                        QStringLiteral("Rend un serveur injoignable : ses bases ne s'ouvrent plus."), {},
                        QStringLiteral("NOM"), 1, 1, serverDown});
    commands.push_back({QStringLiteral("server-up"), QStringLiteral("Rend un serveur de nouveau joignable."), {},
                        QStringLiteral("NOM"), 1, 1, serverUp});
    commands.push_back({QStringLiteral("create-mailbox"),
                        QStringLiteral("Crée une boîte aux lettres avec ($All), ($Inbox), ($Sent), ($Drafts) et ($Trash)."),
                        {serverOption(), fileOption(), optionalUser, optionalPassword, acl}, {}, 0, 0, createMailbox});
    commands.push_back({QStringLiteral("create-database"),
                        QStringLiteral("Crée une base vide avec la seule vue ($All), par exemple une archive locale."),
                        {serverOption(), fileOption(), optionalUser, acl}, {}, 0, 0, createDatabase});
    commands.push_back({QStringLiteral("create-folder"),
                        QStringLiteral("Crée un dossier (et ses parents pour \"A\\B\")."),
                        {serverOption(), fileOption(),
                         {QStringLiteral("folder"), QStringLiteral("NOM"), QStringLiteral("nom du dossier, par exemple \"Projets\\2004\""), true, true}},
                        {}, 0, 0, createFolder});
    commands.push_back({QStringLiteral("grant"), QStringLiteral("Donne accès à une base à un utilisateur."),
                        {serverOption(), fileOption(), user}, {}, 0, 0, grant});
}

}  // namespace vantor::tool
