#include "maintenance/date_limite.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

namespace vantor {
namespace {

// The time forms that may follow a date, after one blank.
QStringList formesHeure(const QLocale& locale) {
    return {QString(), QStringLiteral(" HH:mm"), QStringLiteral(" HH:mm:ss"),
            QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat),
            QLatin1Char(' ') + locale.timeFormat(QLocale::LongFormat)};
}

// Qt reads "yy" as 1900-1999; typed dates follow the usual window instead.
QDate siecle(const QDate& d, const QString& forme) {
    if (!d.isValid() || forme.contains(QStringLiteral("yyyy")) || d.year() >= 1930) return d;
    return d.addYears(100);
}

std::optional<QDate> essayer(const QString& t, const QLocale& locale,
                             const QStringList& formesDate) {
    for (const QString& forme : formesDate) {
        for (const QString& heure : formesHeure(locale)) {
            const QDateTime dt = locale.toDateTime(t, forme + heure);
            if (dt.isValid()) return siecle(dt.date(), forme);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<QDate> dateLimite(const QString& texte) {
    const QString t = texte.trimmed();
    if (t.isEmpty()) return std::nullopt;
    const QLocale locale;
    QStringList regionales;
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QString forme = locale.dateFormat(type);
        // A short form with a two-digit year ("M/d/yy") also reads four digits.
        if (!forme.contains(QStringLiteral("yyyy")))
            regionales << QString(forme).replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
        regionales << forme;
    }
    if (auto d = essayer(t, locale, regionales)) return d;
    if (auto d = essayer(
            t, QLocale::c(),
            {QStringLiteral("dd/MM/yyyy"), QStringLiteral("d/M/yyyy"), QStringLiteral("dd/MM/yy"),
             QStringLiteral("dd-MM-yyyy"), QStringLiteral("dd.MM.yyyy")}))
        return d;
    const QDate iso = QDate::fromString(t, Qt::ISODate);
    if (iso.isValid()) return iso;
    const QDateTime isoHeure = QDateTime::fromString(t, Qt::ISODate);
    if (isoHeure.isValid()) return isoHeure.date();
    return std::nullopt;
}

qint64 debutDuJour(const QDate& limite) {
    return limite.startOfDay().toMSecsSinceEpoch();
}

}  // namespace vantor
