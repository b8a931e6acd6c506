#include "command_line.h"

#include <QDateTime>

#include "tool_support.h"

namespace vantor::tool {

QString Arguments::value(const QString& name, const QString& fallback) const {
    const QStringList list = values.value(name);
    return list.isEmpty() ? fallback : list.last();
}

namespace {

// Wider option words put their description on the next line.
constexpr int kOptionColumnWidth = 28;

const OptionDef* findOption(const CommandDef& command, const QString& name) {
    for (const OptionDef& option : command.options)
        if (option.name == name) return &option;
    return nullptr;
}

}  // namespace

Arguments parseArguments(const CommandDef& command, const QStringList& args, const QString& root) {
    Arguments parsed;
    parsed.root = root;
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (!word.startsWith(QLatin1String("--")) || word == QLatin1String("--")) {
            if (command.maxPositional == 0)
                throw UsageError{QStringLiteral("argument inattendu « %1 ».").arg(word)};
            parsed.positional << word;
            continue;
        }
        QString name = word.mid(2);
        std::optional<QString> inlineValue;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
            inlineValue = name.mid(eq + 1);
            name = name.left(eq);
        }
        const OptionDef* option = findOption(command, name);
        if (!option) throw UsageError{QStringLiteral("option inconnue « --%1 ».").arg(name)};
        if (option->valueName.isEmpty()) {
            if (inlineValue) throw UsageError{QStringLiteral("l'option --%1 ne prend pas de valeur.").arg(name)};
            parsed.values[name] << QString();
            continue;
        }
        QString value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("l'option --%1 attend une valeur (%2).").arg(name, option->valueName)};
            value = args[++i];
        }
        if (parsed.values.contains(name) && !option->repeatable)
            throw UsageError{QStringLiteral("l'option --%1 est donnée plusieurs fois.").arg(name)};
        parsed.values[name] << value;
    }
    for (const OptionDef& option : command.options)
        if (option.required && !parsed.has(option.name))
            throw UsageError{QStringLiteral("l'option --%1 est obligatoire.").arg(option.name)};
    if (parsed.positional.size() < command.minPositional)
        throw UsageError{QStringLiteral("il manque %1.").arg(command.positionalName)};
    if (command.maxPositional >= 0 && parsed.positional.size() > command.maxPositional)
        throw UsageError{QStringLiteral("trop d'arguments.")};
    return parsed;
}

QString commandUsage(const CommandDef& command) {
    QString usage = QStringLiteral("Usage : vantor-store [--root DOSSIER] %1").arg(command.name);
    for (const OptionDef& option : command.options) {
        QString word = QStringLiteral("--") + option.name;
        if (!option.valueName.isEmpty()) word += QLatin1Char(' ') + option.valueName;
        if (!option.required) word = QLatin1Char('[') + word + QLatin1Char(']');
        if (option.repeatable) word += QStringLiteral("...");
        usage += QLatin1Char(' ') + word;
    }
    if (!command.positionalName.isEmpty()) usage += QLatin1Char(' ') + command.positionalName;
    usage += QStringLiteral("\n\n%1\n").arg(command.summary);
    if (!command.details.isEmpty()) usage += command.details + QLatin1Char('\n');
    if (!command.options.empty()) usage += QStringLiteral("\nOptions :\n");
    std::vector<std::pair<QString, QString>> rows;
    for (const OptionDef& option : command.options) {
        QString word = QStringLiteral("--") + option.name;
        if (!option.valueName.isEmpty()) word += QLatin1Char(' ') + option.valueName;
        rows.emplace_back(word, option.help);
    }
    return usage + columns(rows, 2, kOptionColumnWidth);
}

int positiveNumber(const Arguments& args, const QString& option, int fallback) {
    if (!args.has(option)) return fallback;
    bool ok = false;
    const int value = args.value(option).toInt(&ok);
    if (!ok || value < 0)
        throw UsageError{QStringLiteral("--%1 attend un nombre entier positif, pas « %2 ».").arg(option, args.value(option))};
    return value;
}

double secondsValue(const Arguments& args, const QString& option, double fallback) {
    if (!args.has(option)) return fallback;
    bool ok = false;
    const double value = args.value(option).toDouble(&ok);
    if (!ok || value < 0 || value > 86400)
        throw UsageError{QStringLiteral("--%1 attend un nombre de secondes, pas « %2 ».").arg(option, args.value(option))};
    return value;
}

std::optional<QDateTime> dateTimeValue(const Arguments& args, const QString& option) {
    if (!args.has(option)) return std::nullopt;
    const QString text = args.value(option).trimmed();
    for (const char* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd"}) {
        const QDateTime when = QDateTime::fromString(text, QLatin1String(format));
        if (when.isValid()) return when;
    }
    throw UsageError{
        QStringLiteral("--%1 attend une date « AAAA-MM-JJ HH:MM:SS », pas « %2 ».").arg(option, args.value(option))};
}

}  // namespace vantor::tool
