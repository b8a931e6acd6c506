#include "notes/store/local_view.h"

#include "notes/store/local_document.h"
#include "notes/store/store_codes.h"

namespace vantor::store {

notes::DocumentPtr LocalView::documentAfter(std::int64_t id) {
    const std::optional<DocumentRow> row = file_->nextInView(row_, id);
    if (!row) return nullptr;
    return std::make_shared<LocalDocument>(file_, *row);
}

notes::DocumentPtr LocalView::getFirstDocument() { return documentAfter(0); }

notes::DocumentPtr LocalView::getNextDocument(const notes::Document& current) {
    const auto* doc = dynamic_cast<const LocalDocument*>(&current);
    if (!doc || doc->file()->path() != file_->path() || doc->rowId() == 0)
        throw Failure(code::kForeignDocument,
                      QStringLiteral("Le document n'appartient pas à la vue « %1 ».").arg(row_.name));
    return documentAfter(doc->rowId());
}

}  // namespace vantor::store
