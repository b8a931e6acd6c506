// vantor-store: sets up the local mail store and feeds it messages.
#include <QCoreApplication>
#include <QStringList>

#include "tool_support.h"

using namespace vantor;
using namespace vantor::tool;

namespace {

std::vector<CommandDef> commands() {
    std::vector<CommandDef> all;
    addSetupCommands(all);
    addMailCommands(all);
    addDemoCommands(all);
    return all;
}

const CommandDef* findCommand(const std::vector<CommandDef>& all, const QString& name) {
    for (const CommandDef& command : all)
        if (command.name == name) return &command;
    return nullptr;
}

QString generalHelp(const std::vector<CommandDef>& all) {
    QString help = QStringLiteral(
        "Usage : vantor-store [--root DOSSIER] COMMANDE [OPTIONS]\n\n"
        "Gère la base de courrier locale : utilisateur du poste, serveurs, boîtes aux lettres,\n"
        "dossiers et messages. --root désigne le dossier des données (par défaut : ./notesdata).\n\n"
        "Commandes :\n");
    std::vector<std::pair<QString, QString>> rows;
    for (const CommandDef& command : all) rows.emplace_back(command.name, command.summary);
    help += columns(rows, 2, 24);
    help += QStringLiteral("\n« vantor-store COMMANDE --help » décrit une commande et ses options.");
    return help;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const std::vector<CommandDef> all = commands();

    QString root = QStringLiteral("./notesdata");
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString word = args.takeFirst();
        if (word == QLatin1String("--help")) {
            say(generalHelp(all));
            return 0;
        }
        if (word == QLatin1String("--root") && !args.isEmpty()) {
            root = args.takeFirst();
        } else if (word.startsWith(QLatin1String("--root="))) {
            root = word.mid(7);
        } else {
            complain(QStringLiteral("vantor-store : option inconnue ou incomplète « %1 ».\n").arg(word) + generalHelp(all));
            return 2;
        }
    }
    if (args.isEmpty()) {
        complain(QStringLiteral("vantor-store : aucune commande.\n") + generalHelp(all));
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("help")) {
        const CommandDef* command = args.isEmpty() ? nullptr : findCommand(all, args.first());
        say(command ? commandUsage(*command) : generalHelp(all));
        return 0;
    }
    const CommandDef* command = findCommand(all, name);
    if (!command) {
        complain(QStringLiteral("vantor-store : commande inconnue « %1 ».\n").arg(name) + generalHelp(all));
        return 2;
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        say(commandUsage(*command));
        return 0;
    }
    if (root.isEmpty()) {
        complain(QStringLiteral("vantor-store : --root attend un dossier."));
        return 2;
    }
    try {
        return command->run(parseArguments(*command, args, root));
    } catch (const UsageError& e) {
        complain(QStringLiteral("vantor-store %1 : %2\n").arg(name, e.message) + commandUsage(*command));
        return 2;
    } catch (const Failure& f) {
        complain(QStringLiteral("vantor-store %1 : %2 (code 0x%3)")
                     .arg(name, f.description())
                     .arg(static_cast<std::uint32_t>(f.code()), 8, 16, QLatin1Char('0')));
        return 1;
    }
}
