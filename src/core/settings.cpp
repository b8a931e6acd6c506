#include "core/settings.h"

#include <QLocale>
#include <cmath>

#include "core/modlotus.h"
#include "platform/profile_file.h"

namespace vantor {

QString LireIni(Env& env, const QString& /*appName*/, const QString& section, const QString& key,
                const QString& defaultText, const QString& path) {
    return profile::getString(env, section, key, defaultText, 1024, path).text;
}

void EcrireIni(ModLOTUS& m, const QString& /*appName*/, const QString& section, const QString& key,
               const QString& value, const QString& path) {
    if (!profile::writeString(*m.env, section, key, value, path)) {
        m.LogErreur(QStringLiteral("Impossible d'enregistrer la clé %1 dans le fichier %2 : "
                                   "fichier en lecture seule ou disque plein.")
                        .arg(key, path));
    }
}

QString CheminParamDe(const QString& programFolder) {
    return joinPath(programFolder, QStringLiteral("param.ini"));
}

std::uint32_t HexVersCouleur(const QString& t) {
    const QString numeral = QStringLiteral("00") + t.right(2) + t.mid(2, 2) + t.left(2);
    std::uint32_t value = 0;
    for (const QChar c : numeral) {
        const int d = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
        if (d < 0 || c.unicode() > 0x7F) break;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

QColor couleurDeValeur(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

namespace {

QString shortDateFormat() {
    QString f = QLocale().dateFormat(QLocale::ShortFormat);
    // A two-digit year would read back in the wrong century.
    if (!f.contains(QStringLiteral("yyyy"))) f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

QString longTimeFormat() {
    QString f = QLocale().timeFormat(QLocale::LongFormat);
    // The zone name does not read back reliably; the stored time is local time.
    f.remove(QLatin1Char('t'));
    return f.trimmed();
}

}  // namespace

QString texteDateHeure(const QDateTime& when) {
    const QLocale locale;
    return locale.toString(when.date(), shortDateFormat()) + QLatin1Char(' ') +
           locale.toString(when.time(), longTimeFormat());
}

std::optional<QDateTime> dateHeureDeTexte(const QString& text) {
    const QLocale locale;
    const QString t = text.trimmed();
    QDateTime dt = locale.toDateTime(t, shortDateFormat() + QLatin1Char(' ') + longTimeFormat());
    if (dt.isValid()) return dt;
    const QDate d = locale.toDate(t, shortDateFormat());
    if (d.isValid()) return QDateTime(d, QTime(0, 0));
    return std::nullopt;
}

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Returns the text in C notation ("-12.5e3") when it is numeric, else "".
QString normalisedNumber(const QString& text) {
    const QChar decimal = QLocale().decimalPoint().at(0);
    qsizetype i = 0, n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    while (n > i && isBlank(text[n - 1])) --n;
    QString out;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) out += text[i++];
    int digits = 0;
    bool seenDecimal = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            out += c;
            ++digits;
        } else if (c == decimal && !seenDecimal) {
            out += QLatin1Char('.');
            seenDecimal = true;
        } else {
            break;
        }
    }
    if (digits == 0) return {};
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        out += QLatin1Char('e');
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) out += text[i++];
        int expDigits = 0;
        for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
            out += text[i];
            ++expDigits;
        }
        if (expDigits == 0) return {};
    }
    if (i != n) return {};
    return out;
}

}  // namespace

std::optional<double> valeurNumerique(const QString& text) {
    const QString c = normalisedNumber(text);
    if (c.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

bool estNumerique(const QString& text) { return valeurNumerique(text).has_value(); }

}  // namespace vantor
