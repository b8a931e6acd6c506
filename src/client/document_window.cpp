#include "client/document_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantor::client {
namespace {

const QString kSendTo = QStringLiteral("SendTo");
const QString kSubject = QStringLiteral("Subject");
const QString kBody = QStringLiteral("Body");

QString withLineFeeds(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString titleFor(const QString& subject) {
    return subject.trimmed().isEmpty() ? QStringLiteral("Nouveau mémo") : subject.left(60);
}

}  // namespace

DocumentWindow::DocumentWindow(notes::DocumentPtr document, Sender sender)
    : document_(std::move(document)),
      sender_(std::move(sender)),
      storedBody_(document_->itemValue(kBody)),
      sendTo_(new QLineEdit(document_->itemValue(kSendTo))),
      subject_(new QLineEdit(document_->itemValue(kSubject))),
      body_(new QPlainTextEdit(withLineFeeds(storedBody_))) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(titleFor(subject_->text()));
    const bool editable = static_cast<bool>(sender_);

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
        auto* send = new QPushButton(QStringLiteral("Envoyer"));
        send->setObjectName(QStringLiteral("send"));
        connect(send, &QPushButton::clicked, this, [this] {
            if (sendDocument()) close();
        });
        buttons->addWidget(send);
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

void DocumentWindow::writeEdits() {
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
}

bool DocumentWindow::sendDocument() {
    if (!sender_) return false;
    try {
        writeEdits();
        sender_(*document_);
        return true;
    } catch (const Failure& failure) {
        QMessageBox::critical(this, QStringLiteral("ERREUR"), failure.description());
        return false;
    }
}

QMap<QString, QString> DocumentWindow::fields() const {
    QStringList attachments;
    if (const notes::ItemPtr body = document_->getFirstItem(kBody))
        for (const notes::EmbeddedObjectPtr& object : body->embeddedObjects())
            attachments << object->name();
    return {{QStringLiteral("Window"), QStringLiteral("Memo")},
            {QStringLiteral("Attachments"), attachments.join(QLatin1Char('\n'))},
            {QStringLiteral("Mode"), sender_ ? QStringLiteral("Edit") : QStringLiteral("Read")},
            {kSendTo, sendTo_->text()},
            {kSubject, subject_->text()},
            {kBody, body_->toPlainText()}};
}

}  // namespace vantor::client
