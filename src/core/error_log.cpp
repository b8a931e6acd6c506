#include "core/error_log.h"

#include "core/settings.h"
#include "platform/cp1252.h"

namespace vantor {

void appendErrorLine(Env& env, const QString& path, const QString& message) {
    const QString line = texteDateHeure(env.now()) + QStringLiteral(" :") + message;
    QByteArray bytes = cp1252::encode(line);
    bytes.append("\r\n");
    env.appendFile(path, bytes);
}

void logLateReplaceFailures(Env& env, const QString& path) {
    env.setLateReplaceFailureHook([&env, path](const QString& file, int error) {
        appendErrorLine(env, path,
                        QStringLiteral("Impossible d'enregistrer le fichier %1 : %2. Il garde son "
                                       "contenu précédent.")
                            .arg(file, describeFileError(error)));
    });
}

}  // namespace vantor
