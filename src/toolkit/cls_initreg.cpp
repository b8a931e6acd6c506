#include "toolkit/cls_initreg.h"

#include <QDir>
#include <QFileInfo>

#include "platform/cp1252.h"
#include "platform/failure.h"
#include "platform/profile_file.h"
#include "vantor_version.h"

namespace vantor {
namespace {

constexpr int kLongueurMax = Cls_initreg::kTailleTampon - 1;
const QString kErreur = QStringLiteral("Error");
// The run time's errors EcrireREG_BINARY raises.
constexpr std::int32_t kDepassement = 6;
constexpr std::int32_t kIndiceHorsLimites = 9;

QString titre() {
    return QString::fromUtf8(version::kTitre);
}

QString cheminAbsolu(const QString& chemin) {
    return QDir::cleanPath(QFileInfo(chemin).absoluteFilePath());
}

// Spaces only, as the run time's Trim drops them.
QString sansEspaces(const QString& s) {
    qsizetype debut = 0, fin = s.size();
    while (debut < fin && s[debut] == u' ') ++debut;
    while (fin > debut && s[fin - 1] == u' ') --fin;
    return s.mid(debut, fin - debut);
}

}  // namespace

// Closes the key opened last when the operation returns, whatever happened
// in between.
class Cls_initreg::Fermeture {
  public:
    explicit Fermeture(Cls_initreg& c) : c_(c) {}
    ~Fermeture() { c_.resultat_ = c_.registre_.closeKey(c_.hKey_); }
    Fermeture(const Fermeture&) = delete;
    Fermeture& operator=(const Fermeture&) = delete;

  private:
    Cls_initreg& c_;
};

Cls_initreg::Cls_initreg(Env& env, Registry& registre, Dialogs& dialogs,
                         const QString& dossierWindows)
    : env_(env),
      registre_(registre),
      dialogs_(dialogs),
      dossierWindows_(cheminAbsolu(dossierWindows)) {}

std::int32_t Cls_initreg::IniEcrire(const QString& strSection, const QString& strRubrique,
                                    const QString& strChaineAEcrire, const QString& strFich) {
    return profile::writeString(env_, strSection, strRubrique, strChaineAEcrire, strFich) ? 1 : 0;
}

QString Cls_initreg::IniLire(const QString& strSection, const QString& strRubrique,
                             const QString& strChaineDef, const QString& strFich) {
    try {
        return profile::getString(env_, strSection, strRubrique, strChaineDef, kTailleTampon,
                                  strFich)
            .text;
    } catch (...) {
        throw Failure(kErreurIniLire, QString(), titre() + QStringLiteral(".clsInit!IniLire"));
    }
}

QString Cls_initreg::RetourneCheminSystem() {
    return cheminDossier(joinPath(dossierWindows_, QStringLiteral("system32")));
}

QString Cls_initreg::RetourneCheminWindows() {
    return cheminDossier(dossierWindows_);
}

std::int32_t Cls_initreg::WinIniEcrire(const QString& strSection, const QString& strRubrique,
                                       const QString& strChaine) {
    return profile::writeString(env_, strSection, strRubrique, strChaine, cheminWinIni()) ? 1 : 0;
}

QString Cls_initreg::WinIniLire(const QString& strSection, const QString& strRubrique,
                                const QString& strChaineDef) {
    return profile::getString(env_, strSection, strRubrique, strChaineDef, kTailleTampon,
                              cheminWinIni())
        .text;
}

VariantReg Cls_initreg::EcrireREG_DWORD(const QString& cle_principale, const QString& entree,
                                        std::int32_t valeur) {
    return surCle(cle_principale, reg::kWrite, VariantReg(), [&] {
        QByteArray octets(4, Qt::Uninitialized);
        const auto v = static_cast<std::uint32_t>(valeur);
        for (int i = 0; i < 4; ++i) octets[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        resultat_ = registre_.setValue(hKey_, entree, reg::kDword, octets);
        return VariantReg();
    });
}

VariantReg Cls_initreg::LireREG_DWORD(const QString& cle_principale, const QString& entree) {
    return surCle(cle_principale, reg::kRead, VariantReg(kErreur), [&] {
        std::uint32_t type = 0, taille = 4;
        QByteArray octets;
        resultat_ = registre_.queryValue(hKey_, entree, &type, &octets, &taille);
        if (resultat_ != reg::kSuccess) return VariantReg(kErreur);
        // A value shorter than four bytes leaves the high bytes 0.
        std::uint32_t v = 0;
        for (qsizetype i = 0; i < octets.size() && i < 4; ++i) {
            v |= std::uint32_t(static_cast<unsigned char>(octets[i])) << (8 * i);
        }
        return VariantReg(static_cast<std::int32_t>(v));
    });
}

VariantReg Cls_initreg::EcrireREG_BINARY(const QString& cle_principale, const QString& entree,
                                         const QString& valeur) {
    return surCle(cle_principale, reg::kWrite, VariantReg(), [&] {
        if (valeur.isEmpty()) {
            throw Failure(kIndiceHorsLimites,
                          QStringLiteral("L'indice n'appartient pas à la sélection"), titre());
        }
        QByteArray octets;
        octets.reserve(valeur.size());
        for (const QChar c : valeur) {
            const auto octet = cp1252::byteOf(c);
            if (!octet) {
                throw Failure(kDepassement, QStringLiteral("Dépassement de capacité"), titre());
            }
            octets.append(static_cast<char>(*octet));
        }
        resultat_ = registre_.setValue(hKey_, entree, reg::kBinary, octets);
        return VariantReg();
    });
}

VariantReg Cls_initreg::LireREG_BINARY(const QString& cle_principale, const QString& entree) {
    return surCle(cle_principale, reg::kRead, VariantReg(kErreur), [&] {
        // A first call with one byte of room learns the size.
        std::uint32_t type = 0, taille = 1;
        QByteArray octets;
        resultat_ = registre_.queryValue(hKey_, entree, &type, &octets, &taille);
        resultat_ = registre_.queryValue(hKey_, entree, &type, &octets, &taille);
        if (resultat_ != reg::kSuccess) return VariantReg(kErreur);
        return VariantReg(cp1252::decode(octets.left(taille)));
    });
}

VariantReg Cls_initreg::EffaceREG_CLE(const QString& nom_cle) {
    QString cle;
    if (!decouper(nom_cle, cle) || cle.isEmpty()) return {};
    resultat_ = registre_.deleteTree(racine_, cle);
    return {};
}

std::int32_t Cls_initreg::LireREG_ClePrincipale(const QString& nom_cle_principale) {
    static const std::pair<QString, reg::Handle> kRacines[] = {
        {QStringLiteral("HKEY_CLASSES_ROOT"), reg::kClassesRoot},
        {QStringLiteral("HKEY_CURRENT_USER"), reg::kCurrentUser},
        {QStringLiteral("HKEY_LOCAL_MACHINE"), reg::kLocalMachine},
        {QStringLiteral("HKEY_USERS"), reg::kUsers},
        {QStringLiteral("HKEY_PERFORMANCE_DATA"), reg::kPerformanceData},
        {QStringLiteral("HKEY_CURRENT_CONFIG"), reg::kCurrentConfig},
        {QStringLiteral("HKEY_DYN_DATA"), reg::kDynData}};
    for (const auto& [nom, handle] : kRacines) {
        if (nom == nom_cle_principale) return static_cast<std::int32_t>(handle);
    }
    return 0;
}

QString Cls_initreg::ErrorMsg(std::int32_t lErrorCode) {
    switch (lErrorCode) {
        case 2:
        case 1010:
            return QStringLiteral("Mauvais nom de cle");
        case 4:
        case 1012:
            return QStringLiteral("Ne peut lire la cle");
        case 5:
            return QStringLiteral("L'access a cette cle ne peut se faire");
        case 8:
        case 14:
            return QStringLiteral("Pas assez de memoire");
        case 87:
            return QStringLiteral("Parametre Invalide");
        case 234:
            return QStringLiteral("Il y a plus de donnees que le buffer ne peut en supporter.");
        case 1009:
        case 1015:
            return QStringLiteral("La base de Registre est corrompu!");
        case 1011:
            return QStringLiteral("Ne peut ouvrir la cle");
        case 1013:
            return QStringLiteral("Ne peut ecrire la cle");
        default:
            // The number as the run time's Str writes it: a blank stands for the sign.
            return QStringLiteral("Code d'Erreur indefini:  ") +
                   (lErrorCode >= 0 ? QStringLiteral(" ") : QString()) +
                   QString::number(lErrorCode);
    }
}

VariantReg Cls_initreg::LireREG_STRING(const QString& cle_principale, const QString& entree) {
    return surCle(cle_principale, reg::kRead, VariantReg(kErreur), [&] {
        std::uint32_t type = 0, taille = kTailleTampon;
        QByteArray octets;
        resultat_ = registre_.queryValue(hKey_, entree, &type, &octets, &taille);
        if (resultat_ != reg::kSuccess) return VariantReg(kErreur);
        // The buffer as the call leaves it: the value and its NUL, then blanks.
        QString tampon = cp1252::decode(octets);
        tampon += QString(kTailleTampon - tampon.size(), u' ');
        QString texte = sansEspaces(tampon).left(std::max<std::uint32_t>(taille, 1) - 1);
        // Blanks dropped at the start bring the terminator inside the count:
        // it ends the text.
        if (const qsizetype nul = texte.indexOf(QChar(0)); nul >= 0) texte.truncate(nul);
        return VariantReg(texte);
    });
}

VariantReg Cls_initreg::CreerREG_Cle(const QString& cle_principale) {
    QString cle;
    if (!decouper(cle_principale, cle)) return {};
    resultat_ = registre_.createKey(racine_, cle, &hKey_);
    if (resultat_ == reg::kSuccess) resultat_ = registre_.closeKey(hKey_);
    return {};
}

VariantReg Cls_initreg::EcrireREG_STRING(const QString& cle_principale, const QString& entree,
                                         const QString& valeur) {
    return surCle(cle_principale, reg::kWrite, VariantReg(), [&] {
        resultat_ = registre_.setValue(hKey_, entree, reg::kSz, cp1252::encode(valeur) + '\0');
        return VariantReg();
    });
}

QString Cls_initreg::EcritureREG_Software_RepInstall(const QString& NomDuSoft,
                                                     const QString& AppPath) {
    const QString cle = QStringLiteral("HKEY_CURRENT_USER\\Software\\") + NomDuSoft;
    Cls_initreg autre(env_, registre_, dialogs_, dossierWindows_);
    autre.CreerREG_Cle(cle);
    autre.EcrireREG_STRING(cle, QStringLiteral("RepInstall"), AppPath);
    return QStringLiteral("Ecriture dans ") + cle;
}

bool Cls_initreg::FichierExiste(const QString& strCheminFichier) {
    return env_.fileExists(strCheminFichier);
}

bool Cls_initreg::DossierExiste(const QString& strCheminDossier) {
    return env_.folderExists(strCheminDossier);
}

QString Cls_initreg::GET_NomLong(QString sShortFileName) {
    return cheminExistant(sShortFileName);
}

QString Cls_initreg::GET_NomCourt(QString sLongFileName) {
    return cheminExistant(sLongFileName);
}

bool Cls_initreg::RenommerFichier(const QString& strPathFichierSRC,
                                  const QString& strPathFichierDEST) {
    try {
        return env_.renameFile(strPathFichierSRC, strPathFichierDEST);
    } catch (...) {
        return false;
    }
}

void Cls_initreg::DecoupeREG_Cle(QString& cle, reg::Handle& racine) {
    if (!cle.startsWith(QStringLiteral("HKEY_")) || cle.endsWith(u'\\')) {
        dialogs_.msgBox(QStringLiteral("Incorrect Format:\n\n") + cle, msg::kOkOnly, titre());
        racine = 0;
        return;
    }
    const qsizetype barre = cle.indexOf(u'\\');
    resultat_ = static_cast<std::int32_t>(barre + 1);
    if (barre >= 0) {
        racine = static_cast<reg::Handle>(LireREG_ClePrincipale(cle.left(barre)));
        cle = cle.mid(barre + 1);
    } else {
        racine = static_cast<reg::Handle>(LireREG_ClePrincipale(cle));
        cle.clear();
    }
}

VariantReg Cls_initreg::surCle(const QString& cle_principale, std::uint32_t acces,
                               const VariantReg& siNonOuverte,
                               const std::function<VariantReg()>& action) {
    QString cle;
    if (!decouper(cle_principale, cle)) return {};
    resultat_ = registre_.openKey(racine_, cle, acces, &hKey_);
    if (resultat_ != reg::kSuccess) return siNonOuverte;
    Fermeture fermeture(*this);
    return action();
}

bool Cls_initreg::decouper(const QString& cle_principale, QString& cle) {
    cle = cle_principale;
    DecoupeREG_Cle(cle, racine_);
    return racine_ != 0;
}

QString Cls_initreg::cheminWinIni() const {
    return joinPath(dossierWindows_, QStringLiteral("WIN.INI"));
}

QString Cls_initreg::cheminDossier(const QString& dossier) {
    if (!env_.folderExists(dossier)) return QString();
    return dossier.left(kLongueurMax);
}

QString Cls_initreg::cheminExistant(const QString& chemin) {
    if (chemin.isEmpty() || chemin.size() > kLongueurMax ||
        (!env_.fileExists(chemin) && !env_.folderExists(chemin))) {
        return QString();
    }
    return chemin;
}

}  // namespace vantor
