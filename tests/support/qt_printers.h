#pragma once
// Failures show Qt texts as text, not as bytes; QHasSubstr matches a Qt text
// holding a part, as gmock's HasSubstr does for std::string.
#include <gmock/gmock.h>

#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace vantor::test {

// Also for a QByteArray holding bytes, or a QStringList holding an entry.
MATCHER_P(QHasSubstr, part,
          std::string(negation ? "does not hold " : "holds ") + ::testing::PrintToString(part)) {
    return arg.contains(part);
}

}  // namespace vantor::test
