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

// A line of the file at a time, split as an editor splits them (CR, LF or
// CR LF); a last line without its end counts.
struct Lignes {
    QStringView text;
    qsizetype pos = 0;

    bool next(QStringView& line) {
        if (pos >= text.size()) return false;
        qsizetype i = pos;
        while (i < text.size() && text[i] != u'\r' && text[i] != u'\n') ++i;
        line = text.sliced(pos, i - pos);
        if (i < text.size() && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        pos = i + 1;
        return true;
    }
};

// A quoted name or string starting at s[pos] == '"': \\ and \" are escapes,
// any other backslash stands for itself. `pos` ends past the closing quote;
// false when there is none. `escaped` tells whether the text needs unescaping.
bool finGuillemets(QStringView s, qsizetype& pos, bool* escaped = nullptr) {
    for (qsizetype i = pos + 1; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"')) {
            if (escaped) *escaped = true;
            ++i;
        } else if (s[i] == u'"') {
            pos = i + 1;
            return true;
        }
    }
    return false;
}

QString sansEchappements(QStringView inner) {
    QString out;
    out.reserve(inner.size());
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] == u'\\' && i + 1 < inner.size() &&
            (inner[i + 1] == u'\\' || inner[i + 1] == u'"'))
            ++i;
        out += inner[i];
    }
    return out;
}

QString entreGuillemets(const QString& s) {
    QString out = QStringLiteral("\"");
    for (const QChar c : s) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out + u'"';
}

// Bytes written "00,1f,..." (a trailing comma allowed); appended to `out`
// when given. False for anything else.
bool octetsHex(QStringView list, QByteArray* out) {
    if (list.trimmed().isEmpty()) return true;
    for (qsizetype start = 0, i = 0;; ++i) {
        const qsizetype comma = list.indexOf(u',', start);
        const QStringView p =
            (comma < 0 ? list.sliced(start) : list.sliced(start, comma - start)).trimmed();
        if (p.isEmpty() && comma < 0 && i > 0) return true;
        bool ok = false;
        const uint b = p.toUInt(&ok, 16);
        if (!ok || p.size() > 2 || b > 0xFF) return false;
        if (out) out->append(static_cast<char>(b));
        if (comma < 0) return true;
        start = comma + 1;
    }
}

// The data of a value (after "=", continuations joined): its type, and its
// bytes as the system keeps them when `out` is given. The reason of the
// refusal, or "".
QString lireDonnee(QStringView donnee, bool ansi, std::uint32_t* type, QByteArray* out) {
    if (donnee.startsWith(u'"')) {
        qsizetype fin = 0;
        if (!finGuillemets(donnee, fin) || fin != donnee.size())
            return QStringLiteral("texte mal fermé");
        *type = reg::kSz;
        if (out) *out = versUnites(sansEchappements(donnee.sliced(1, fin - 2)) + QChar(0));
        return QString();
    }
    if (donnee.startsWith(QStringLiteral("dword:"), Qt::CaseInsensitive)) {
        const QStringView chiffres = donnee.sliced(6).trimmed();
        bool ok = false;
        const uint v = chiffres.toUInt(&ok, 16);
        if (!ok || chiffres.size() > 8) return QStringLiteral("dword incorrect");
        *type = reg::kDword;
        if (out) {
            out->resize(4);
            for (int b = 0; b < 4; ++b) (*out)[b] = static_cast<char>((v >> (8 * b)) & 0xFF);
        }
        return QString();
    }
    if (donnee.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
        *type = reg::kBinary;
        qsizetype deuxPoints = 3;
        if (donnee.size() > 3 && donnee[3] == u'(') {
            const qsizetype ferme = donnee.indexOf(u')');
            bool ok = false;
            if (ferme >= 0) *type = donnee.sliced(4, ferme - 4).toUInt(&ok, 16);
            if (ferme < 0 || !ok) return QStringLiteral("type incorrect");
            deuxPoints = ferme + 1;
        }
        if (deuxPoints >= donnee.size() || donnee[deuxPoints] != u':')
            return QStringLiteral("« : » attendu");
        if (!octetsHex(donnee.sliced(deuxPoints + 1), out))
            return QStringLiteral("octets incorrects");
        if (out && ansi && reg::isTextType(*type)) *out = utf16FromAnsi(*out);
        return QString();
    }
    return QStringLiteral("valeur incomprise");
}

// Hex data continued on the next lines ("\" at a line's end): the lines
// joined as the import joins them. `span` runs from the data to the end of
// its last line.
QString donneeJointe(QStringView span) {
    Lignes lignes{span};
    QStringView line;
    lignes.next(line);
    QString donnee = line.trimmed().toString();
    while (donnee.endsWith(u'\\') && lignes.next(line)) {
        donnee.chop(1);
        donnee += line.trimmed();
    }
    return donnee;
}

// Folds as QString::compare(..., Qt::CaseInsensitive) does, a code point at a time.
size_t hacheSansCasse(QStringView s, size_t seed) {
    size_t h = seed ^ 0xcbf29ce484222325ull;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t u = s[i].unicode();
        if (u < 0x80) {
            if (u - u'A' < 26u) u += 32;
        } else if (QChar::isHighSurrogate(u) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            u = QChar::toCaseFolded(QChar::surrogateToUcs4(char16_t(u), s[++i].unicode()));
        } else {
            u = QChar::toCaseFolded(u);
        }
        h = (h ^ u) * 0x100000001b3ull;
    }
    // FNV leaves its low bits, which pick the bucket, poorly mixed.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

}  // namespace

bool operator==(const ParsedFile::Name& a, const ParsedFile::Name& b) {
    return a.owner == b.owner && a.name.compare(b.name, Qt::CaseInsensitive) == 0;
}

size_t qHash(const ParsedFile::Name& n, size_t seed) {
    return hacheSansCasse(n.name, seed ^ static_cast<size_t>(n.owner));
}

// Applies the file's lines to the index, as an import applies them.
struct Reader {
    ParsedFile& f;
    ParseError* error;
    Lignes lignes{f.text_};
    qsizetype index = -1;  // of the current line
    // The names and keys of the last "[KEY]" line: an export names the same
    // parents line after line, found again without a look-up. Only a
    // deletion can end a key, and it clears them.
    std::vector<std::pair<QStringView, int>> precedents;

    bool refus(qsizetype line, const QString& reason) {
        if (error != nullptr) *error = {static_cast<int>(line + 1), reason};
        return false;
    }

    bool lire() {
        f.nodes_.push_back({});
        for (const QString& racine : rootNames()) f.ensureChild(0, racine);
        QStringView line;
        bool texte = false;
        while (!texte && lignes.next(line)) {
            ++index;
            texte = !line.trimmed().isEmpty();
        }
        if (!texte) return true;  // nothing but blank lines: an empty registry
        const QStringView entete = line.trimmed();
        f.ansi_ = entete == kEntete4;
        if (!f.ansi_ && entete != kEntete5)
            return refus(index, QStringLiteral("ce n'est pas un fichier de registre"));
        int courante = -1;
        bool apresSuppression = false;
        while (lignes.next(line)) {
            ++index;
            const QStringView t = line.trimmed();
            if (t.isEmpty() || t.startsWith(u';')) continue;
            const bool lu = t.startsWith(u'[') ? lireCle(t, courante, apresSuppression)
                                               : lireValeur(t, courante, apresSuppression);
            if (!lu) return false;
        }
        return true;
    }

    // A "[KEY]" or "[-KEY]" line: the key it names becomes the current one.
    bool lireCle(QStringView t, int& courante, bool& apresSuppression) {
        if (!t.endsWith(u']')) return refus(index, QStringLiteral("clé mal fermée"));
        QStringView path = t.sliced(1, t.size() - 2);
        apresSuppression = path.startsWith(u'-');
        if (apresSuppression) path = path.sliced(1);
        qsizetype noms = 1;
        bool vide = false;
        for (qsizetype debut = 0;; ++noms) {
            const qsizetype fin = path.indexOf(u'\\', debut);
            vide = vide || (fin < 0 ? path.size() : fin) == debut;
            if (fin < 0) break;
            debut = fin + 1;
        }
        if (vide) return refus(index, QStringLiteral("nom de clé vide"));
        if (noms > kMaxDepth) return refus(index, QStringLiteral("clé trop profonde"));
        qsizetype debut = 0;
        auto suivant = [&] {
            const qsizetype fin = path.indexOf(u'\\', debut);
            const QStringView nom = fin < 0 ? path.sliced(debut) : path.sliced(debut, fin - debut);
            debut = fin < 0 ? path.size() : fin + 1;
            return nom;
        };
        if (apresSuppression) {
            int cle = f.child(0, suivant());
            if (cle < 0) return refus(index, QStringLiteral("racine inconnue"));
            if (noms == 1) return refus(index, QStringLiteral("une racine ne peut être supprimée"));
            // Down to the parent; a key that is not there is nothing to remove.
            for (qsizetype n = 1; cle >= 0 && n < noms - 1; ++n) cle = f.child(cle, suivant());
            if (cle >= 0) f.removeChild(cle, suivant());
            precedents.clear();
            courante = -1;
            return true;
        }
        int cle = 0;
        bool memes = true;  // the names so far are those of the last line
        for (qsizetype n = 0; n < noms; ++n) {
            const QStringView nom = suivant();
            const auto i = static_cast<std::size_t>(n);
            memes = memes && i < precedents.size() && precedents[i].first == nom;
            if (memes) {
                cle = precedents[i].second;
                continue;
            }
            cle = n == 0 ? f.child(0, nom) : f.ensureChild(cle, nom);
            if (cle < 0) return refus(index, QStringLiteral("racine inconnue"));
            precedents.resize(i);
            precedents.emplace_back(nom, cle);
        }
        courante = cle;
        return true;
    }

    // One value line (with its continuations, which advance the lines).
    bool lireValeur(QStringView t, int cle, bool ignorer) {
        const qsizetype debut = index;
        qsizetype pos = 0;
        QStringView nom;
        if (t.startsWith(u'@')) {
            pos = 1;
        } else if (t.startsWith(u'"')) {
            bool echappe = false;
            if (!finGuillemets(t, pos, &echappe))
                return refus(index, QStringLiteral("nom de valeur mal fermé"));
            nom = t.sliced(1, pos - 2);
            if (echappe) {
                f.unescaped_.push_back(sansEchappements(nom));
                nom = f.unescaped_.back();
            }
        } else {
            return refus(index, QStringLiteral("ligne incomprise"));
        }
        while (pos < t.size() && t[pos].isSpace()) ++pos;
        if (pos >= t.size() || t[pos] != u'=') return refus(index, QStringLiteral("« = » attendu"));
        const QStringView donnee = t.sliced(pos + 1).trimmed();
        QStringView etendue = donnee;
        QString jointe;
        if (donnee.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive) &&
            donnee.endsWith(u'\\')) {
            QStringView line;
            const QChar* fin = donnee.data() + donnee.size();
            for (jointe = donnee.toString(); jointe.endsWith(u'\\') && lignes.next(line); ++index) {
                jointe.chop(1);
                jointe += line.trimmed();
                fin = line.data() + line.size();
            }
            etendue = QStringView(donnee.data(), fin - donnee.data());
        }
        if (cle < 0) {
            if (ignorer) return true;  // values of a deleted key, as the import skips them
            return refus(debut, QStringLiteral("valeur hors d'une clé"));
        }
        if (donnee == u"-") {
            f.removeValue(cle, nom);
            return true;
        }
        std::uint32_t type = 0;
        const QString raison =
            lireDonnee(jointe.isNull() ? donnee : QStringView(jointe), f.ansi_, &type, nullptr);
        if (!raison.isEmpty()) return refus(debut, raison);
        f.setValue(cle, nom, type, etendue);
        return true;
    }
};

namespace {

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

std::shared_ptr<const ParsedFile> ParsedFile::read(QByteArray bytes, ParseError* error) {
    auto f = std::make_shared<ParsedFile>(ParsedFile());
    if (bytes.startsWith("\xFF\xFE") && bytes.size() % 2 == 0) {
        // The editor's own format is the text already: read in place.
        f->bytes_ = std::move(bytes);
        f->text_ = QString::fromRawData(reinterpret_cast<const QChar*>(f->bytes_.constData() + 2),
                                        (f->bytes_.size() - 2) / 2);
    } else if (const std::optional<QString> text = texteDuFichier(bytes)) {
        f->text_ = *text;
    } else {
        if (error != nullptr) *error = {1, QStringLiteral("encodage illisible")};
        return nullptr;
    }
    Reader reader{*f, error, Lignes{f->text_}, -1, {}};
    if (!reader.lire()) return nullptr;
    return f;
}

int ParsedFile::find(const QStringList& path) const {
    int key = 0;
    for (const QString& name : path)
        if ((key = child(key, name)) < 0) return -1;
    return key;
}

std::optional<Value> ParsedFile::value(int key, const QString& name) const {
    const int v = lookup(entries_, nodes_[key].values, values_, key, name);
    if (v < 0) return std::nullopt;
    return decoded(entries_[v]);
}

Key ParsedFile::tree() const {
    return treeOf(0);
}

// Names are compared by a scan up to this many in a list, through the hash beyond.
constexpr int kScanMax = 8;

template <typename T>
int ParsedFile::lookup(const std::vector<T>& items, const List& list, const QHash<Name, int>& hash,
                       int owner, QStringView name) const {
    if (list.count <= kScanMax) {
        for (int i = list.first; i >= 0; i = items[i].next)
            if (items[i].live && items[i].name.size() == name.size() &&
                items[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    const auto it = hash.constFind(Name{owner, name});
    return it == hash.cend() ? -1 : *it;
}

template <typename T>
int ParsedFile::append(std::vector<T>& items, int owner, List Node::*which, QHash<Name, int>& hash,
                       T item) {
    const int added = static_cast<int>(items.size());
    items.push_back(std::move(item));
    List& list = nodes_[owner].*which;  // after the push: `items` may be nodes_
    (list.last < 0 ? list.first : items[list.last].next) = added;
    list.last = added;
    if (++list.count == kScanMax + 1) {
        for (int i = list.first; i >= 0; i = items[i].next)
            if (items[i].live) hash.insert(Name{owner, items[i].name}, i);
    } else if (list.count > kScanMax) {
        hash.insert(Name{owner, items[added].name}, added);
    }
    return added;
}

int ParsedFile::child(int parent, QStringView name) const {
    return lookup(nodes_, nodes_[parent].children, children_, parent, name);
}

int ParsedFile::ensureChild(int parent, QStringView name) {
    if (const int existing = child(parent, name); existing >= 0) return existing;
    return append(nodes_, parent, &Node::children, children_, Node{name, -1, true, {}, {}});
}

void ParsedFile::removeChild(int parent, QStringView name) {
    const int c = child(parent, name);
    if (c < 0) return;
    nodes_[c].live = false;
    if (nodes_[parent].children.count > kScanMax) children_.remove(Name{parent, name});
}

void ParsedFile::setValue(int key, QStringView name, std::uint32_t type, QStringView data) {
    if (const int v = lookup(entries_, nodes_[key].values, values_, key, name); v >= 0) {
        entries_[v].type = type;
        entries_[v].data = data;
        return;
    }
    append(entries_, key, &Node::values, values_, Entry{name, -1, true, data, type});
}

void ParsedFile::removeValue(int key, QStringView name) {
    const int v = lookup(entries_, nodes_[key].values, values_, key, name);
    if (v < 0) return;
    entries_[v].live = false;
    if (nodes_[key].values.count > kScanMax) values_.remove(Name{key, name});
}

Value ParsedFile::decoded(const Entry& entry) const {
    Value v{entry.name.toString(), entry.type, {}};
    const bool suite = entry.data.contains(u'\r') || entry.data.contains(u'\n');
    lireDonnee(suite ? QStringView(donneeJointe(entry.data)) : entry.data, ansi_, &v.type, &v.data);
    return v;
}

// Recursion as deep as the tree, which the reader keeps within kMaxDepth.
Key ParsedFile::treeOf(int node) const {
    Key k{nodes_[node].name.toString(), {}, {}};
    for (int v = nodes_[node].values.first; v >= 0; v = entries_[v].next)
        if (entries_[v].live) k.values.push_back(decoded(entries_[v]));
    for (int c = nodes_[node].children.first; c >= 0; c = nodes_[c].next)
        if (nodes_[c].live) k.subkeys.push_back(treeOf(c));
    return k;
}

std::optional<Key> parse(const QByteArray& bytes, ParseError* error) {
    const std::shared_ptr<const ParsedFile> f = ParsedFile::read(bytes, error);
    if (!f) return std::nullopt;
    return f->tree();
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
