#include "core/settings.h"

#include <QLocale>
#include <cerrno>
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
    if (profile::writeString(*m.env, section, key, value, path)) {
        m.fichiersEnEchec.erase(path);
        return;
    }
    const int cause = errno;
    // Every scan and save writes; one line says the file is stuck, not thousands.
    if (!m.fichiersEnEchec.insert(path).second) return;
    m.LogErreur(QStringLiteral("Impossible d'enregistrer la clé %1 dans le fichier %2 : %3. "
                               "Les échecs suivants ne seront pas consignés avant une écriture "
                               "réussie dans ce fichier.")
                    .arg(key, path, describeFileError(cause)));
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

// Held by every code page and read back by every locale.
const QString kFormeFixe = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString shortDateFormat() {
    QString f = QLocale().dateFormat(QLocale::ShortFormat);
    // A two-digit year would read back in the wrong century.
    if (!f.contains(QStringLiteral("yyyy"))) f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

// The locale's long time without the zone name ("t"), which does not read
// back reliably (the stored time is local time), nor the brackets or comma
// around it ("H:mm:ss (t)", "APh:mm:ss [t]", "HH:mm:ss, t").
QString longTimeFormat() {
    const QString f = QLocale().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (f[i] == QLatin1Char('\'')) quoted = !quoted;
        if (quoted || f[i] != QLatin1Char('t')) {
            out += f[i];
            continue;
        }
        while (i + 1 < f.size() && f[i + 1] == QLatin1Char('t')) ++i;
        const bool framed = i + 1 < f.size() && !out.isEmpty() &&
                            ((out.back() == QLatin1Char('(') && f[i + 1] == QLatin1Char(')')) ||
                             (out.back() == QLatin1Char('[') && f[i + 1] == QLatin1Char(']')));
        if (framed) {
            out.chop(1);
            ++i;
        }
    }
    while (out.endsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char(','))) out.chop(1);
    return out.trimmed();
}

}  // namespace

QString texteDateHeure(const QDateTime& when) {
    const QLocale locale;
    const QDateTime seconde = when.addMSecs(-when.time().msec());
    const QString text = locale.toString(seconde.date(), shortDateFormat()) + QLatin1Char(' ') +
                         locale.toString(seconde.time(), longTimeFormat());
    // The locale's form only where it survives the code page and the reader;
    // elsewhere (Japanese, Arabic, Greek...) the fixed form.
    if (dateHeureDeTexte(profile::readBack(text)) == seconde) return text;
    return QLocale::c().toString(seconde, kFormeFixe);
}

std::optional<QDateTime> dateHeureDeTexte(const QString& text) {
    const QLocale locale;
    const QString t = text.trimmed();
    // The fixed form first, so that it never reads as a locale form; a locale
    // text that would read as the fixed form is never written.
    QDateTime dt = QLocale::c().toDateTime(t, kFormeFixe);
    if (dt.isValid()) return dt;
    dt = locale.toDateTime(t, shortDateFormat() + QLatin1Char(' ') + longTimeFormat());
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
