#pragma once
// The mail client's windows when none runs: what it is asked to open for
// editing, and each openDatabase as its five arguments.
#include <QList>
#include <QStringList>
#include <utility>
#include <vector>

#include "notes/notes.h"

namespace vantor::test {

struct RecordedWindows : notes::UIWorkspace {
    struct Log {
        std::vector<std::pair<bool, notes::DocumentPtr>> editions;
        QList<QStringList> ouvertures;
    };
    explicit RecordedWindows(Log& log) : log(log) {}
    void editDocument(bool editMode, const notes::DocumentPtr& d) override {
        log.editions.emplace_back(editMode, d);
    }
    void openDatabase(const QString& server, const QString& file, const QString& view,
                      const QString& key, bool newInstance) override {
        log.ouvertures << QStringList{server, file, view, key, QString::number(newInstance)};
    }
    Log& log;
};

}  // namespace vantor::test
