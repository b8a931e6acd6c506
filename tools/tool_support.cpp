#include "tool_support.h"

#include <cstdio>

namespace vantor::tool {

void say(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void complain(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

OptionDef serverOption() {
    return {QStringLiteral("server"), QStringLiteral("SERVEUR"),
            QStringLiteral("serveur, par exemple \"Paris/Vantor\" (\"local\" ou \"\" : ce poste)"), true};
}

OptionDef fileOption() {
    return {QStringLiteral("file"), QStringLiteral("FICHIER"),
            QStringLiteral("fichier de la base, par exemple \"mail\\jdupont.nsf\""), true};
}

QString listedTime(const QDateTime& when) { return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

}  // namespace vantor::tool
