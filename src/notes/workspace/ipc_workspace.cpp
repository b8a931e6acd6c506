#include "notes/workspace/ipc_workspace.h"

#include <QTemporaryDir>

#include "notes/workspace/client_channel.h"
#include "notes/workspace/workspace_codes.h"

namespace vantor::notes {
namespace {

// The items as the client rebuilds them; each attachment is copied under a
// number, since its own name may try to leave the folder.
std::vector<protocol::ItemData> itemsOf(const Document& document, QTemporaryDir& files) {
    std::vector<protocol::ItemData> items;
    int copied = 0;
    for (const ItemPtr& item : document.items()) {
        protocol::ItemData data{item->name(), item->type(), item->text(), {}};
        for (const EmbeddedObjectPtr& object : item->embeddedObjects()) {
            const QString path = files.filePath(QString::number(++copied));
            object->extractFile(path);
            data.attachments.push_back({object->type(), object->name(), path});
        }
        items.push_back(std::move(data));
    }
    return items;
}

class IpcWorkspace : public UIWorkspace {
  public:
    explicit IpcWorkspace(QString dataRoot) : dataRoot_(std::move(dataRoot)) {}

    void editDocument(bool editMode, const DocumentPtr& document) override {
        if (!document)
            throw Failure(workspace_code::kNoDocument, QStringLiteral("Aucun document à ouvrir."));
        ClientChannel channel(dataRoot_);  // no copying work when Notes is not there
        QTemporaryDir files;
        if (!files.isValid())
            throw Failure(workspace_code::kNotSaved,
                          QStringLiteral("Impossible de créer un dossier temporaire : %1.")
                              .arg(files.errorString()));
        channel.call(protocol::EditDocument{editMode, itemsOf(*document, files)});
    }

    void openDatabase(const QString& server, const QString& file, const QString& view,
                      const QString& key, bool newInstance) override {
        ClientChannel(dataRoot_).call(protocol::OpenDatabase{server, file, view, key, newInstance});
    }

  private:
    QString dataRoot_;
};

}  // namespace

UIWorkspacePtr createIpcWorkspace(const QString& dataRoot) {
    return std::make_unique<IpcWorkspace>(dataRoot);
}

std::function<UIWorkspacePtr(Client&)> ipcWorkspaceFactory(const QString& dataRoot) {
    return [dataRoot](Client&) { return createIpcWorkspace(dataRoot); };
}

}  // namespace vantor::notes
