#include "toolkit/cls_initreg.h"

#include <QDir>
#include <QFileInfo>

#include "platform/failure.h"
#include "platform/profile_file.h"

namespace vantor {
namespace {

constexpr int kLongueurMax = Cls_initreg::kTailleTampon - 1;

QString cheminAbsolu(const QString& chemin) {
    return QDir::cleanPath(QFileInfo(chemin).absoluteFilePath());
}

}  // namespace

Cls_initreg::Cls_initreg(Env& env, const QString& dossierWindows)
    : env_(env), dossierWindows_(cheminAbsolu(dossierWindows)) {}

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
        throw Failure(kErreurIniLire, QString());
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

QString Cls_initreg::cheminWinIni() const {
    return joinPath(dossierWindows_, QStringLiteral("WIN.INI"));
}

QString Cls_initreg::cheminDossier(const QString& dossier) {
    if (!env_.folderExists(dossier)) return QString();
    return dossier.left(kLongueurMax);
}

QString Cls_initreg::cheminExistant(const QString& chemin) {
    if (chemin.isEmpty() || (!env_.fileExists(chemin) && !env_.folderExists(chemin))) {
        return QString();
    }
    const QString absolu = cheminAbsolu(chemin);
    return absolu.size() > kLongueurMax ? QString() : absolu;
}

}  // namespace vantor
