#include "notes/store/local_view.h"

#include <algorithm>

#include "notes/store/local_document.h"
#include "notes/store/store_codes.h"

namespace vantor::store {

namespace {

// One query reads the first batch, then batches grow to the largest: a
// sequential read, a few kilobytes of rows held at a time.
constexpr int kFirstBatch = 16;
constexpr int kLargestBatch = 256;

}  // namespace

void LocalView::refresh() {
    batch_.clear();
    batchAfter_ = -1;
}

bool LocalView::batchIsCurrent() {
    return batchAfter_ >= 0 && file_->connection().version() == batchVersion_;
}

void LocalView::readBatch(std::int64_t afterId) {
    batchSize_ =
        batchAfter_ < 0 || afterId == 0 ? kFirstBatch : std::min(batchSize_ * 2, kLargestBatch);
    // The version first: a commit after it shows as a change at the next step.
    batchVersion_ = file_->connection().version();
    file_->rowsInView(row_, afterId, batchSize_, batch_);
    batchAfter_ = afterId;
    batchReachesEnd_ = static_cast<int>(batch_.size()) < batchSize_;
    served_ = 0;
}

notes::DocumentPtr LocalView::documentAfter(std::int64_t id) {
    if (batchIsCurrent() && id >= batchAfter_) {
        // Usually the row served last; else wherever the ID falls.
        std::size_t next = 0;
        if (served_ < batch_.size() && batch_[served_].id == id) {
            next = served_ + 1;
        } else {
            next = static_cast<std::size_t>(
                std::upper_bound(
                    batch_.begin(), batch_.end(), id,
                    [](std::int64_t key, const DocumentRow& row) { return key < row.id; }) -
                batch_.begin());
        }
        if (next < batch_.size()) {
            served_ = next;
            return std::make_shared<LocalDocument>(file_, batch_[next]);
        }
        if (batchReachesEnd_) return nullptr;
    }
    readBatch(id);
    if (batch_.empty()) return nullptr;
    return std::make_shared<LocalDocument>(file_, batch_.front());
}

notes::DocumentPtr LocalView::getFirstDocument() {
    return documentAfter(0);
}

notes::DocumentPtr LocalView::getNextDocument(const notes::Document& current) {
    const auto* doc = dynamic_cast<const LocalDocument*>(&current);
    if (!doc || doc->rowId() == 0 || (doc->file() != file_ && doc->file()->path() != file_->path()))
        throw Failure(
            code::kForeignDocument,
            QStringLiteral("Le document n'appartient pas à la vue « %1 ».").arg(row_.name));
    return documentAfter(doc->rowId());
}

}  // namespace vantor::store
