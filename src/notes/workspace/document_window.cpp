#include "notes/workspace/document_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "notes/workspace/workspace_codes.h"

namespace vantor::notes {
namespace {

const QString kSendTo = QStringLiteral("SendTo");
const QString kSubject = QStringLiteral("Subject");
const QString kBody = QStringLiteral("Body");

QString withLineFeeds(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace

DocumentWindow::DocumentWindow(DocumentPtr document, bool editable)
    : document_(std::move(document)),
      storedBody_(document_->itemValue(kBody)),
      sendTo_(new QLineEdit(document_->itemValue(kSendTo))),
      subject_(new QLineEdit(document_->itemValue(kSubject))),
      body_(new QPlainTextEdit(withLineFeeds(storedBody_))) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Lotus Notes"));
    resize(640, 480);

    sendTo_->setObjectName(QStringLiteral("sendTo"));
    subject_->setObjectName(QStringLiteral("subject"));
    body_->setObjectName(QStringLiteral("body"));
    sendTo_->setReadOnly(!editable);
    subject_->setReadOnly(!editable);
    body_->setReadOnly(!editable);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("A :"), sendTo_);
    fields->addRow(QStringLiteral("Objet :"), subject_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (editable) {
        auto* save = new QPushButton(QStringLiteral("Enregistrer"));
        save->setObjectName(QStringLiteral("save"));
        connect(save, &QPushButton::clicked, this, [this] {
            if (saveDocument()) close();
        });
        buttons->addWidget(save);
    }
    auto* closeButton = new QPushButton(QStringLiteral("Fermer"));
    closeButton->setObjectName(QStringLiteral("close"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(body_, 1);
    layout->addLayout(buttons);
}

bool DocumentWindow::saveDocument() {
    try {
        // Only what the user changed is written back: rewriting an untouched
        // rich-text body as text would drop its attachments.
        if (sendTo_->isModified()) document_->replaceItemValue(kSendTo, sendTo_->text());
        if (subject_->isModified()) document_->replaceItemValue(kSubject, subject_->text());
        if (body_->document()->isModified()) {
            QString body = body_->toPlainText();
            if (storedBody_.contains(QLatin1String("\r\n")))
                body.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
            document_->replaceItemValue(kBody, body);
        }
        if (!document_->save(true, false))
            throw Failure(workspace_code::kNotSaved,
                          QStringLiteral("Le document n'a pas pu être enregistré."));
        return true;
    } catch (const Failure& failure) {
        QMessageBox::critical(this, QStringLiteral("ERREUR"), failure.description());
        return false;
    }
}

}  // namespace vantor::notes
