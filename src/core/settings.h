#pragma once
// Reading and writing settings, the stored forms of colours and date-times,
// and the numeric test of the settings fields.
#include <QColor>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

#include "platform/env.h"

namespace vantor {

struct ModLOTUS;

// The value of `key`, at most 1023 characters, or `defaultText` when the key
// is absent. The application name is ignored.
QString LireIni(Env& env, const QString& appName, const QString& section, const QString& key,
                const QString& defaultText, const QString& path);

// Sets the key, creating what is missing. A write that cannot be done changes
// nothing; it is recorded in the error log with its cause, once until a write
// to that file succeeds again, so that the loss is neither silent nor a flood.
void EcrireIni(ModLOTUS& m, const QString& appName, const QString& section, const QString& key,
               const QString& value, const QString& path);

// The program folder followed by the settings file's name.
QString CheminParamDe(const QString& programFolder);

// Colour text "RRGGBB" to a colour value with red in the lowest byte.
std::uint32_t HexVersCouleur(const QString& text);
QColor couleurDeValeur(std::uint32_t value);

// The text form of a date-time, to the second: the locale's short date
// (four-digit year), a space, the long time without time zone; where that
// text would not read back from param.ini to the same second (characters
// outside the code page, forms Qt cannot parse), "yyyy-MM-dd HH:mm:ss". The
// reader accepts both, and the locale's date alone; nullopt for anything else.
QString texteDateHeure(const QDateTime& when);
std::optional<QDateTime> dateHeureDeTexte(const QString& text);

// The platform's numeric test: optional blanks, an optional sign, digits with
// at most one decimal separator of the locale, an optional exponent.
bool estNumerique(const QString& text);
// The number such a text stands for; nullopt when it is not numeric.
std::optional<double> valeurNumerique(const QString& text);

}  // namespace vantor
