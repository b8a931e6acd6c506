#pragma once
// A view or folder of a local mail database. Nothing is cached: every step
// of a walk fetches the next row after the current document's, so a delivery
// or a removal made meanwhile (by any process) shows at once.
#include "notes/notes.h"
#include "notes/store/mail_file.h"

namespace vantor::store {

class LocalView : public notes::View {
public:
    LocalView(std::shared_ptr<MailFile> file, ViewRow row) : file_(std::move(file)), row_(std::move(row)) {}

    QString name() const override { return row_.name; }
    bool isFolder() const override { return row_.isFolder; }
    void refresh() override {}
    notes::DocumentPtr getFirstDocument() override;
    // Works for a document removed meanwhile: the walk goes on after its place.
    notes::DocumentPtr getNextDocument(const notes::Document& current) override;

private:
    notes::DocumentPtr documentAfter(std::int64_t id);
    std::shared_ptr<MailFile> file_;
    ViewRow row_;
};

}  // namespace vantor::store
