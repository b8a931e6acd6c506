#pragma once
// Windows-1252, the single-byte code page of the settings files written on
// Windows. Every byte maps to one character and back, so files round-trip.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <optional>

namespace vantor::cp1252 {

QString decode(const QByteArray& bytes);
// Characters outside the code page become '?', as the Windows conversion does.
QByteArray encode(const QString& text);
// The byte of one character, or nullopt when the code page lacks it.
std::optional<unsigned char> byteOf(QChar c);
QChar charOf(unsigned char byte);

}  // namespace vantor::cp1252
