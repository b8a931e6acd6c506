#pragma once
// The archive limit date as the user types it, and the date test of archiving.
#include <QDate>
#include <QString>
#include <optional>

namespace vantor {

// The date of `texte`, time of day ignored: the user's regional short or
// long date form, with or without a time; the forms a French user types
// (15/03/2008, 15/3/2008, 15/03/08, 15-03-2008, 15.03.2008); or ISO
// (2008-03-15, 2008-03-15T10:00:00). Two-digit years 00-29 are 2000-2029,
// 30-99 are 1930-1999. nullopt for anything else, the empty text included.
std::optional<QDate> dateLimite(const QString& texte);

// The first moment of `limite` in local time, in ms since the epoch: a
// document lies on a calendar day before the limit exactly when it was
// created earlier than this.
qint64 debutDuJour(const QDate& limite);

}  // namespace vantor
