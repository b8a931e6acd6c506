#pragma once
// A window tab of the client's frame (a memo, a view, the workspace) and
// what it shows, as the automation's current-document fields read it.
#include <QMap>
#include <QString>

namespace vantor::client {

class Page {
  public:
    virtual ~Page() = default;
    // "Window" names the kind ("Memo", "View", "Workspace"); the other
    // fields are the kind's own (docs/client.md).
    virtual QMap<QString, QString> fields() const = 0;
};

}  // namespace vantor::client
