#include "notes/imap/keyring.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QTimer>

namespace vantor::imap {

namespace {

const QString kService = QStringLiteral("Vantor");

struct Outcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QString text;
};

// Starts the job and waits for its end. A job still running when the bound
// passes is left to end (and delete itself) on its own.
Outcome run(QKeychain::Job* job, int boundMs) {
    job->setAutoDelete(true);
    QEventLoop loop;
    Outcome outcome;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* j) {
        outcome.finished = true;
        outcome.error = j->error();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j)) outcome.text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome.finished) loop.exec();
    return outcome;
}

}  // namespace

KeyringEntry readKeyring(const QString& key, int boundMs) {
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(key);
    const Outcome outcome = run(job, boundMs);
    KeyringEntry entry;
    if (!outcome.finished) return entry;
    if (outcome.error == QKeychain::NoError) {
        entry.keyringPresent = true;
        entry.password = outcome.text;
    } else if (outcome.error == QKeychain::EntryNotFound) {
        entry.keyringPresent = true;
    }
    return entry;
}

bool writeKeyring(const QString& key, const QString& password, int boundMs) {
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(key);
    job->setTextData(password);
    const Outcome outcome = run(job, boundMs);
    return outcome.finished && outcome.error == QKeychain::NoError;
}

}  // namespace vantor::imap
