#pragma once
// The command line of vantor-store: one command and its options
// ("--name value", "--flag"), checked against the command's description so
// that a mistake gets a clear message instead of a guess.
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace vantor::tool {

struct OptionDef {
    QString name;       // without the leading "--"
    QString valueName;  // empty: a flag without value
    QString help;
    bool required = false;
    bool repeatable = false;
};

struct Arguments {
    QString root;
    QMap<QString, QStringList> values;
    QStringList positional;

    bool has(const QString& name) const { return values.contains(name); }
    QString value(const QString& name, const QString& fallback = QString()) const;
    QStringList all(const QString& name) const { return values.value(name); }
};

// Thrown for a mistake on the command line; the tool prints it with the
// command's usage and exits with code 2.
struct UsageError {
    QString message;
};

struct CommandDef {
    QString name;
    QString summary;  // one line
    std::vector<OptionDef> options;
    QString positionalName;  // empty: no positional argument allowed
    int minPositional = 0;
    int maxPositional = 0;  // -1: any number
    std::function<int(const Arguments&)> run;
    QString details = {};  // more lines for the command's own help
};

// The parsed options of `command` from `args` (the words after the command
// name); throws UsageError.
Arguments parseArguments(const CommandDef& command, const QStringList& args, const QString& root);

QString commandUsage(const CommandDef& command);

// Whole and positive numbers, and "YYYY-MM-DD HH:MM:SS" local date-times;
// throw UsageError naming the option.
int positiveNumber(const Arguments& args, const QString& option, int fallback);
double secondsValue(const Arguments& args, const QString& option, double fallback);
std::optional<QDateTime> dateTimeValue(const Arguments& args, const QString& option);

}  // namespace vantor::tool
