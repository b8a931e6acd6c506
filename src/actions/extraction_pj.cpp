#include "actions/extraction_pj.h"

#include <QRandomGenerator>
#include <QStringList>

namespace vantor {
namespace {

const QString kNomParDefaut = QStringLiteral("pièce jointe");
// A file name is at most 255 bytes: room is kept for " (999)".
constexpr qsizetype kOctetsMax = 240;
// Beyond this many files of one name the extraction gives up.
constexpr int kNumeroMax = 999;
// An extension longer than this is part of the name when cutting.
constexpr qsizetype kExtensionMax = 16;
// The store's code for a file that cannot be written.
constexpr std::int32_t kEcritureImpossible = static_cast<std::int32_t>(0x80041019);

bool interditDansUnNom(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
    if (c >= 0xD800 && c <= 0xDFFF) return true;  // half of a pair: no character at all
    switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

bool estNomDePeripherique(const QString& nom) {
    // Windows reserves these names whatever follows the first dot.
    const QString racine = nom.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList fixes = {QStringLiteral("CON"),    QStringLiteral("PRN"),
                                      QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                      QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (fixes.contains(racine)) return true;
    return racine.size() == 4 &&
           (racine.startsWith(QStringLiteral("COM")) || racine.startsWith(QStringLiteral("LPT"))) &&
           racine[3].isDigit();
}

qsizetype octetsUtf8(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// The longest start of `texte` that takes at most `octets` bytes in UTF-8,
// never cutting a character in two.
QString debutEnOctets(const QString& texte, qsizetype octets) {
    qsizetype total = 0;
    qsizetype fin = 0;
    while (fin < texte.size()) {
        const bool paire = texte[fin].isHighSurrogate() && fin + 1 < texte.size() &&
                           texte[fin + 1].isLowSurrogate();
        const char32_t c =
            paire ? QChar::surrogateToUcs4(texte[fin], texte[fin + 1]) : texte[fin].unicode();
        if (total + octetsUtf8(c) > octets) break;
        total += octetsUtf8(c);
        fin += paire ? 2 : 1;
    }
    return texte.left(fin);
}

// Where the extension begins ("rapport.pdf": the dot); -1 for none. A
// leading dot (".profile") starts a name, not an extension.
qsizetype debutExtension(const QString& nom) {
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    return point > 0 ? point : -1;
}

QString raccourci(const QString& nom) {
    if (nom.toUtf8().size() <= kOctetsMax) return nom;
    qsizetype point = debutExtension(nom);
    if (point >= 0 && nom.size() - point > kExtensionMax) point = -1;
    const QString extension = point >= 0 ? nom.mid(point) : QString();
    const QString radical = point >= 0 ? nom.left(point) : nom;
    return debutEnOctets(radical, kOctetsMax - extension.toUtf8().size()) + extension;
}

QString sansBlancsNiPointsFinaux(QString nom) {
    qsizetype debut = 0;
    while (debut < nom.size() && nom[debut] == QLatin1Char(' ')) ++debut;
    qsizetype fin = nom.size();
    while (fin > debut && (nom[fin - 1] == QLatin1Char(' ') || nom[fin - 1] == QLatin1Char('.')))
        --fin;
    return nom.mid(debut, fin - debut);
}

QString dossierPrive(Env& env, const QString& dossier) {
    for (int essai = 0; essai < 16; ++essai) {
        const QString nom =
            QStringLiteral(".vantor-extraction-%1")
                .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        const QString chemin = joinPath(dossier, nom);
        if (env.createFolder(chemin)) return chemin;
        if (!env.folderExists(dossier)) break;
    }
    throw Failure(
        kEcritureImpossible,
        QStringLiteral("Impossible d'écrire dans le dossier des pièces jointes %1.").arg(dossier));
}

}  // namespace

QString nomDePieceJointe(const QString& nomStocke) {
    QString nom = nomStocke;
    const qsizetype separateur =
        std::max(nom.lastIndexOf(QLatin1Char('/')), nom.lastIndexOf(QLatin1Char('\\')));
    if (separateur >= 0) nom = nom.mid(separateur + 1);
    if (nom.size() >= 2 && nom[1] == QLatin1Char(':') && nom[0].isLetter() &&
        nom[0].unicode() < 0x80)
        nom = nom.mid(2);

    QString propre;
    propre.reserve(nom.size());
    for (qsizetype i = 0; i < nom.size(); ++i) {
        const bool paire =
            nom[i].isHighSurrogate() && i + 1 < nom.size() && nom[i + 1].isLowSurrogate();
        if (paire) {
            propre += nom.mid(i++, 2);
        } else {
            propre += interditDansUnNom(nom[i].unicode()) ? QChar(QLatin1Char('_')) : nom[i];
        }
    }
    propre = sansBlancsNiPointsFinaux(raccourci(propre));
    if (propre.isEmpty()) return kNomParDefaut;
    if (estNomDePeripherique(propre)) propre = raccourci(QLatin1Char('_') + propre);
    return propre;
}

QString nomNumerote(const QString& nom, int n) {
    if (n <= 1) return nom;
    const qsizetype point = debutExtension(nom);
    const QString suffixe = QStringLiteral(" (%1)").arg(n);
    return point < 0 ? nom + suffixe : nom.left(point) + suffixe + nom.mid(point);
}

QString extrairePieceJointe(Env& env, notes::EmbeddedObject& objet, const QString& dossier) {
    const QString nom = nomDePieceJointe(objet.name());
    const QString prive = dossierPrive(env, dossier);
    const QString extrait = joinPath(prive, QStringLiteral("piece"));
    try {
        objet.extractFile(extrait);
        for (int n = 1; n <= kNumeroMax; ++n) {
            const QString cible = joinPath(dossier, nomNumerote(nom, n));
            if (env.renameFile(extrait, cible)) {
                env.removeFolder(prive);
                return cible;
            }
            if (!env.fileExists(extrait)) break;
        }
        throw Failure(kEcritureImpossible,
                      QStringLiteral("Impossible d'enregistrer la pièce jointe « %1 » dans %2 : "
                                     "aucun nom libre.")
                          .arg(nom, dossier));
    } catch (...) {
        env.removeFile(extrait);
        env.removeFolder(prive);
        throw;
    }
}

}  // namespace vantor
