#pragma once
// The kept corpus of real-mail structures (fuzz/corpus/eml).
#include <QByteArray>
#include <QDir>
#include <QStringList>

#include "support/file_bytes.h"

namespace vantor::test {

inline QString corpusFile(const QString& name) {
    return QStringLiteral(VANTOR_EML_CORPUS "/") + name;
}

inline QByteArray corpusMessage(const QString& name) {
    return test::bytesOf(corpusFile(name));
}

inline QStringList corpusNames() {
    return QDir(QStringLiteral(VANTOR_EML_CORPUS)).entryList(QDir::Files, QDir::Name);
}

}  // namespace vantor::test
