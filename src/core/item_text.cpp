#include "core/item_text.h"

namespace vantor {

QString GetItemText(const notes::Document& document, const QString& name) {
    const QString wanted = name.toLower();
    for (const notes::ItemPtr& item : document.items()) {
        if (item->name().toLower() == wanted) return item->text();
    }
    return QString();
}

}  // namespace vantor
