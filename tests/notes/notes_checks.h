#pragma once
// What tests of any realisation check: the code of the failure an action
// throws, the subjects a walk of a view gives.
#include <gmock/gmock.h>

#include <QString>

#include "notes/notes.h"
#include "platform/failure.h"

namespace vantor::test {

// The code of the failure `action` throws, or 0 when it throws none.
template <typename Action>
std::int32_t failureCode(Action&& action, QString* description = nullptr) {
    try {
        action();
    } catch (const Failure& f) {
        if (description) *description = f.description();
        return f.code();
    }
    return 0;
}

// An action that throws the failure `code` with a description `text` matches.
MATCHER_P2(Fails, code, text, "throws the failure " + ::testing::PrintToString(code)) {
    QString description;
    const std::int32_t got = failureCode(arg, &description);
    *result_listener << "fails with " << got << ": " << description.toStdString();
    return got == code && ::testing::Matches(text)(description);
}

// The subjects of a view or folder, in view order.
inline QStringList subjects(notes::View& view) {
    QStringList list;
    for (notes::DocumentPtr d = view.getFirstDocument(); d; d = view.getNextDocument(*d))
        list << d->itemValue(QStringLiteral("Subject"));
    return list;
}

}  // namespace vantor::test
