#include "platform/reg_text.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <memory>

#include "platform/cp1252.h"
#include "platform/registry.h"

namespace vantor::regtext {
namespace {

const QString kEntete5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kEntete4 = QStringLiteral("REGEDIT4");
// Hex data lines are wrapped before this column, as the editor wraps them.
constexpr int kLargeurLigne = 80;

bool memeNom(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

template <typename T>
auto trouver(std::vector<T>& v, const QString& n) {
    return std::find_if(v.begin(), v.end(), [&](const T& e) { return memeNom(e.name, n); });
}

QString depuisUnites(const QByteArray& utf16) {
    QString s(utf16.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
        s[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(utf16[2 * i]) |
                                           static_cast<unsigned char>(utf16[2 * i + 1]) << 8));
    }
    return s;
}

QByteArray versUnites(const QString& s) {
    QByteArray out(s.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        out[2 * i] = static_cast<char>(u & 0xFF);
        out[2 * i + 1] = static_cast<char>(u >> 8);
    }
    return out;
}

// The file's text; nullopt when its bytes are no text of a known encoding.
std::optional<QString> texteDuFichier(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        if (bytes.size() % 2 != 0) return std::nullopt;
        return depuisUnites(bytes.mid(2));
    }
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (!bom && bytes.startsWith(kEntete4.toLatin1())) return cp1252::decode(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bom ? bytes.mid(3) : bytes);
    if (!utf8.hasError()) return text;
    if (bom) return std::nullopt;
    return cp1252::decode(bytes);
}

QStringList lignesDe(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));
    return lines;
}

// A quoted name or string starting at s[pos] == '"': \\ and \" are escapes,
// any other backslash stands for itself. `pos` ends past the closing quote.
std::optional<QString> sansGuillemets(const QString& s, qsizetype& pos) {
    QString out;
    for (qsizetype i = pos + 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"')) {
            out += s[++i];
        } else if (c == u'"') {
            pos = i + 1;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

QString entreGuillemets(const QString& s) {
    QString out = QStringLiteral("\"");
    for (const QChar c : s) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out + u'"';
}

std::optional<QByteArray> octetsHex(const QString& list) {
    QByteArray out;
    if (list.trimmed().isEmpty()) return out;
    const QStringList parts = list.split(u',');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString p = parts[i].trimmed();
        if (p.isEmpty() && i == parts.size() - 1 && i > 0) break;  // a trailing comma
        bool ok = false;
        const uint b = p.toUInt(&ok, 16);
        if (!ok || p.size() > 2 || b > 0xFF) return std::nullopt;
        out.append(static_cast<char>(b));
    }
    return out;
}

// A key while a file is read. Its subkeys and values are found through their
// case-folded names and keep their place (a removed one leaves an empty
// one), so that a file with tens of thousands of keys side by side, as a
// Windows export of HKEY_CLASSES_ROOT has, reads in linear time.
struct Noeud {
    QString name;
    std::vector<std::optional<Value>> values;
    QHash<QString, std::size_t> indexValeurs;
    std::vector<std::unique_ptr<Noeud>> subkeys;
    QHash<QString, std::size_t> indexCles;

    Noeud* subkey(const QString& n) {
        const auto it = indexCles.constFind(n.toCaseFolded());
        return it == indexCles.cend() ? nullptr : subkeys[*it].get();
    }
    Noeud& ensureSubkey(const QString& n) {
        if (Noeud* k = subkey(n)) return *k;
        indexCles.insert(n.toCaseFolded(), subkeys.size());
        subkeys.push_back(std::make_unique<Noeud>());
        subkeys.back()->name = n;
        return *subkeys.back();
    }
    void removeSubkey(const QString& n) {
        if (const auto it = indexCles.constFind(n.toCaseFolded()); it != indexCles.cend()) {
            subkeys[*it].reset();
            indexCles.erase(it);
        }
    }
    void setValue(const QString& n, std::uint32_t type, const QByteArray& data) {
        const QString cle = n.toCaseFolded();
        if (const auto it = indexValeurs.constFind(cle); it != indexValeurs.cend()) {
            values[*it]->type = type;
            values[*it]->data = data;
            return;
        }
        indexValeurs.insert(cle, values.size());
        values.push_back(Value{n, type, data});
    }
    void removeValue(const QString& n) {
        if (const auto it = indexValeurs.constFind(n.toCaseFolded()); it != indexValeurs.cend()) {
            values[*it].reset();
            indexValeurs.erase(it);
        }
    }
    // Recursion as deep as the tree, which the reader keeps within kMaxDepth.
    Key cle() && {
        Key k{std::move(name), {}, {}};
        for (auto& v : values)
            if (v) k.values.push_back(std::move(*v));
        for (auto& sous : subkeys)
            if (sous) k.subkeys.push_back(std::move(*sous).cle());
        return k;
    }
};

struct Lecteur {
    QStringList lines;
    bool ansi = false;  // REGEDIT4: text in hex data is Windows-1252
    Noeud top;
    ParseError* error;

    std::nullopt_t echec(qsizetype index, const QString& reason) {
        if (error != nullptr) *error = {static_cast<int>(index + 1), reason};
        return std::nullopt;
    }
    bool refus(qsizetype index, const QString& reason) {
        echec(index, reason);
        return false;
    }

    std::optional<Key> lire() {
        for (const QString& racine : rootNames()) top.ensureSubkey(racine);
        qsizetype i = 0;
        while (i < lines.size() && lines[i].trimmed().isEmpty()) ++i;
        const QString entete = i < lines.size() ? lines[i].trimmed() : QString();
        if (entete == kEntete4) {
            ansi = true;
        } else if (entete != kEntete5) {
            return echec(i, QStringLiteral("ce n'est pas un fichier de registre"));
        }
        Noeud* courante = nullptr;
        bool apresSuppression = false;
        for (++i; i < lines.size(); ++i) {
            const QString t = lines[i].trimmed();
            if (t.isEmpty() || t.startsWith(u';')) continue;
            if (t.startsWith(u'[')) {
                if (!t.endsWith(u']')) return echec(i, QStringLiteral("clé mal fermée"));
                QString path = t.mid(1, t.size() - 2);
                apresSuppression = path.startsWith(u'-');
                if (apresSuppression) path.remove(0, 1);
                const QStringList noms = path.split(u'\\');
                if (noms.contains(QString())) return echec(i, QStringLiteral("nom de clé vide"));
                if (noms.size() > kMaxDepth) return echec(i, QStringLiteral("clé trop profonde"));
                Noeud* cle = top.subkey(noms[0]);
                if (cle == nullptr) return echec(i, QStringLiteral("racine inconnue"));
                if (apresSuppression && noms.size() == 1) {
                    return echec(i, QStringLiteral("une racine ne peut être supprimée"));
                }
                if (apresSuppression) {
                    // Down to the parent; a key that is not there is nothing to remove.
                    for (qsizetype n = 1; cle != nullptr && n < noms.size() - 1; ++n) {
                        cle = cle->subkey(noms[n]);
                    }
                    if (cle != nullptr) cle->removeSubkey(noms.last());
                    courante = nullptr;
                } else {
                    for (qsizetype n = 1; n < noms.size(); ++n) cle = &cle->ensureSubkey(noms[n]);
                    courante = cle;
                }
                continue;
            }
            if (!lireValeur(t, i, courante, apresSuppression)) return std::nullopt;
        }
        return std::move(top).cle();
    }

    // One value line (with its continuations, which advance `i`).
    bool lireValeur(const QString& t, qsizetype& i, Noeud* cle, bool ignorer) {
        const qsizetype debut = i;
        qsizetype pos = 0;
        QString nom;
        if (t.startsWith(u'@')) {
            pos = 1;
        } else if (t.startsWith(u'"')) {
            const auto n = sansGuillemets(t, pos);
            if (!n) return refus(i, QStringLiteral("nom de valeur mal fermé"));
            nom = *n;
        } else {
            return refus(i, QStringLiteral("ligne incomprise"));
        }
        while (pos < t.size() && t[pos].isSpace()) ++pos;
        if (pos >= t.size() || t[pos] != u'=') return refus(i, QStringLiteral("« = » attendu"));
        QString donnee = t.mid(pos + 1).trimmed();
        if (donnee.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
            while (donnee.endsWith(u'\\') && i + 1 < lines.size()) {
                donnee.chop(1);
                donnee += lines[++i].trimmed();
            }
        }
        if (cle == nullptr) {
            if (ignorer) return true;  // values of a deleted key, as the import skips them
            return refus(debut, QStringLiteral("valeur hors d'une clé"));
        }
        if (donnee == QStringLiteral("-")) {
            cle->removeValue(nom);
            return true;
        }
        if (donnee.startsWith(u'"')) {
            qsizetype fin = 0;
            const auto texte = sansGuillemets(donnee, fin);
            if (!texte || fin != donnee.size()) {
                return refus(debut, QStringLiteral("texte mal fermé"));
            }
            cle->setValue(nom, reg::kSz, versUnites(*texte + QChar(0)));
            return true;
        }
        if (donnee.startsWith(QStringLiteral("dword:"), Qt::CaseInsensitive)) {
            const QString chiffres = donnee.mid(6).trimmed();
            bool ok = false;
            const uint v = chiffres.toUInt(&ok, 16);
            if (!ok || chiffres.size() > 8) return refus(debut, QStringLiteral("dword incorrect"));
            QByteArray d(4, Qt::Uninitialized);
            for (int b = 0; b < 4; ++b) d[b] = static_cast<char>((v >> (8 * b)) & 0xFF);
            cle->setValue(nom, reg::kDword, d);
            return true;
        }
        if (donnee.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
            std::uint32_t type = reg::kBinary;
            qsizetype deuxPoints = 3;
            if (donnee.size() > 3 && donnee[3] == u'(') {
                const qsizetype ferme = donnee.indexOf(u')');
                bool ok = false;
                type = donnee.mid(4, ferme - 4).toUInt(&ok, 16);
                if (ferme < 0 || !ok) return refus(debut, QStringLiteral("type incorrect"));
                deuxPoints = ferme + 1;
            }
            if (deuxPoints >= donnee.size() || donnee[deuxPoints] != u':') {
                return refus(debut, QStringLiteral("« : » attendu"));
            }
            auto octets = octetsHex(donnee.mid(deuxPoints + 1));
            if (!octets) return refus(debut, QStringLiteral("octets incorrects"));
            if (ansi && reg::isTextType(type)) octets = utf16FromAnsi(*octets);
            cle->setValue(nom, type, *octets);
            return true;
        }
        return refus(debut, QStringLiteral("valeur incomprise"));
    }
};

// A text value the quoted form shows exactly: one terminating NUL, no other,
// and no line end.
std::optional<QString> texteAffichable(const Value& v) {
    if (v.type != reg::kSz || v.data.size() < 2 || v.data.size() % 2 != 0) return std::nullopt;
    QString s = depuisUnites(v.data);
    if (!s.endsWith(QChar(0))) return std::nullopt;
    s.chop(1);
    for (const QChar c : s) {
        if (c == QChar(0) || c == u'\r' || c == u'\n') return std::nullopt;
    }
    return s;
}

void ecrireOctets(QString& out, qsizetype colonne, const QByteArray& data) {
    for (qsizetype j = 0; j < data.size(); ++j) {
        QString piece =
            QStringLiteral("%1").arg(static_cast<unsigned char>(data[j]), 2, 16, QChar(u'0'));
        if (j + 1 < data.size()) piece += u',';
        if (colonne > 2 && colonne + piece.size() + 1 > kLargeurLigne) {
            out += QStringLiteral("\\\r\n  ");
            colonne = 2;
        }
        out += piece;
        colonne += piece.size();
    }
}

void ecrireValeur(QString& out, const Value& v) {
    const qsizetype debut = out.size();
    out += v.name.isEmpty() ? QStringLiteral("@") : entreGuillemets(v.name);
    out += u'=';
    if (const auto texte = texteAffichable(v)) {
        out += entreGuillemets(*texte);
    } else if (v.type == reg::kDword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int b = 0; b < 4; ++b)
            n |= std::uint32_t(static_cast<unsigned char>(v.data[b])) << (8 * b);
        out += QStringLiteral("dword:%1").arg(n, 8, 16, QChar(u'0'));
    } else {
        out += v.type == reg::kBinary ? QStringLiteral("hex:")
                                      : QStringLiteral("hex(%1):").arg(v.type, 0, 16);
        ecrireOctets(out, out.size() - debut, v.data);
    }
    out += QStringLiteral("\r\n");
}

// `chemin` is the key's path; each subkey's is appended to it and taken off
// again, so that a deep key costs no copy of its path per level.
void ecrireCle(QString& out, const Key& cle, QString& chemin, bool racine) {
    if (!racine || !cle.values.empty()) {
        out += u'[' + chemin + QStringLiteral("]\r\n");
        for (const Value& v : cle.values) ecrireValeur(out, v);
        out += QStringLiteral("\r\n");
    }
    for (const Key& sous : cle.subkeys) {
        const qsizetype longueur = chemin.size();
        chemin += u'\\' + sous.name;
        ecrireCle(out, sous, chemin, false);
        chemin.truncate(longueur);
    }
}

}  // namespace

Key* Key::subkey(const QString& n) {
    const auto it = trouver(subkeys, n);
    return it == subkeys.end() ? nullptr : &*it;
}
const Key* Key::subkey(const QString& n) const {
    return const_cast<Key*>(this)->subkey(n);
}
Key& Key::ensureSubkey(const QString& n) {
    if (Key* k = subkey(n)) return *k;
    subkeys.push_back(Key{n, {}, {}});
    return subkeys.back();
}
bool Key::removeSubkey(const QString& n) {
    const auto it = trouver(subkeys, n);
    if (it == subkeys.end()) return false;
    subkeys.erase(it);
    return true;
}

const Value* Key::value(const QString& n) const {
    auto& v = const_cast<std::vector<Value>&>(values);
    const auto it = trouver(v, n);
    return it == v.end() ? nullptr : &*it;
}
void Key::setValue(const QString& n, std::uint32_t type, const QByteArray& data) {
    const auto it = trouver(values, n);
    if (it != values.end()) {
        it->type = type;
        it->data = data;
    } else {
        values.push_back(Value{n, type, data});
    }
}
bool Key::removeValue(const QString& n) {
    const auto it = trouver(values, n);
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

const std::vector<QString>& rootNames() {
    static const std::vector<QString> names = {
        QStringLiteral("HKEY_CLASSES_ROOT"), QStringLiteral("HKEY_CURRENT_USER"),
        QStringLiteral("HKEY_LOCAL_MACHINE"), QStringLiteral("HKEY_USERS"),
        QStringLiteral("HKEY_CURRENT_CONFIG")};
    return names;
}

Key emptyRegistry() {
    Key top;
    for (const QString& root : rootNames()) top.subkeys.push_back(Key{root, {}, {}});
    return top;
}

std::optional<Key> parse(const QByteArray& bytes, ParseError* error) {
    const std::optional<QString> text = texteDuFichier(bytes);
    if (!text) {
        if (error != nullptr) *error = {1, QStringLiteral("encodage illisible")};
        return std::nullopt;
    }
    return Lecteur{lignesDe(*text), false, {}, error}.lire();
}

QByteArray write(const Key& top) {
    QString out = kEntete5 + QStringLiteral("\r\n\r\n");
    for (const Key& racine : top.subkeys) {
        QString chemin = racine.name;
        ecrireCle(out, racine, chemin, true);
    }
    return QByteArray("\xFF\xFE", 2) + versUnites(out);
}

QByteArray utf16FromAnsi(const QByteArray& ansi) {
    return versUnites(cp1252::decode(ansi));
}

QByteArray ansiFromUtf16(const QByteArray& utf16) {
    return cp1252::encode(depuisUnites(utf16));
}

}  // namespace vantor::regtext
