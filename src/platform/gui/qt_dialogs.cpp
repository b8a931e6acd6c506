#include "platform/gui/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace vantor {
namespace {

constexpr int kButtonsMask = 0x0F;
constexpr int kIconMask = 0x70;
constexpr int kSecondButtonDefault = 256;

constexpr int kOkCancel = 1;
constexpr int kYesNoCancel = 3;
constexpr int kYesNo = 4;
constexpr int kQuestion = 32;

QMessageBox::Icon iconFor(int style) {
    switch (style & kIconMask) {
        case msg::kCritical:
            return QMessageBox::Critical;
        case kQuestion:
            return QMessageBox::Question;
        case msg::kExclamation:
            return QMessageBox::Warning;
        case msg::kInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Buttons in the platform's order, so that "second button" means the same.
std::vector<QMessageBox::StandardButton> buttonsFor(int style) {
    switch (style & kButtonsMask) {
        case kOkCancel:
            return {QMessageBox::Ok, QMessageBox::Cancel};
        case kYesNoCancel:
            return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        case kYesNo:
            return {QMessageBox::Yes, QMessageBox::No};
        default:
            return {QMessageBox::Ok};
    }
}

int answerFor(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return msg::kYes;
        case QMessageBox::No:
            return msg::kNo;
        case QMessageBox::Cancel:
            return msg::kCancel;
        default:
            return msg::kOk;
    }
}

}  // namespace

int QtDialogs::msgBox(const QString& text, int style, const QString& title) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QMessageBox box(iconFor(style), title, shown, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // Texts may quote mail and file names: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    const auto buttons = buttonsFor(style);
    for (auto b : buttons) box.addButton(b);
    const size_t defaultIndex = (style & kSecondButtonDefault) && buttons.size() > 1 ? 1 : 0;
    box.setDefaultButton(buttons[defaultIndex]);
    // Escape and the close box answer Cancel when there is one, else the
    // only safe button (OK, or No for Yes/No).
    if (box.button(QMessageBox::Cancel) == nullptr) box.setEscapeButton(buttons.back());

    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr) return answerFor(buttons.back());
    return answerFor(box.standardButton(clicked));
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultText) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                                 QLineEdit::Normal, defaultText, &accepted);
    return accepted ? answer : QString();
}

}  // namespace vantor
