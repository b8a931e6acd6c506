#pragma once
// What the client's workspace page lists: the databases of every server of
// the data folder, by server, as file names the way the mail system writes
// them ("mail\jdupont.nsf"). Free of widgets; reads the folders, opens no
// database.
#include <QString>
#include <QStringList>
#include <vector>

namespace vantor::client {

struct ServerDatabases {
    QString server;     // "" for this machine
    QStringList files;  // sorted without regard to case
};

// This machine first, then the servers by name; servers without any
// database are listed too, so that the user sees they exist.
std::vector<ServerDatabases> listDatabases(const QString& dataRoot);

}  // namespace vantor::client
