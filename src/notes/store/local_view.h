#pragma once
// A view or folder of a local mail database. A walk reads the view's rows in
// batches and serves its next steps from the batch for as long as the file is
// unchanged; any commit to it (a delivery or a removal, by any process) makes
// the next step read afresh, so what changed shows at once.
#include <vector>

#include "notes/notes.h"
#include "notes/store/mail_file.h"

namespace vantor::store {

class LocalView : public notes::View {
public:
    LocalView(std::shared_ptr<MailFile> file, ViewRow row) : file_(std::move(file)), row_(std::move(row)) {}

    QString name() const override { return row_.name; }
    bool isFolder() const override { return row_.isFolder; }
    // Forgets the batch: the next step reads the view afresh.
    void refresh() override;
    notes::DocumentPtr getFirstDocument() override;
    // Works for a document removed meanwhile: the walk goes on after its place.
    notes::DocumentPtr getNextDocument(const notes::Document& current) override;

private:
    notes::DocumentPtr documentAfter(std::int64_t id);
    bool batchIsCurrent();
    void readBatch(std::int64_t afterId);

    std::shared_ptr<MailFile> file_;
    ViewRow row_;
    // The view's rows after `batchAfter_` (all of them up to its end when
    // `batchReachesEnd_`) as they were at `batchVersion_`.
    std::vector<DocumentRow> batch_;
    std::int64_t batchAfter_ = -1;
    bool batchReachesEnd_ = false;
    FileVersion batchVersion_;
    // Where the walk is in the batch: the row served last.
    std::size_t served_ = 0;
    // Small at first (a walk may stop at its first document), larger as it goes on.
    int batchSize_ = 0;
};

}  // namespace vantor::store
