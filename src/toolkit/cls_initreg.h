#pragma once
// Cls_initreg: INI files, the system's WIN.INI, the Windows and system
// folders, file and folder existence, long and short names, renaming.
//
// This system has no Windows folder, WIN.INI or 8.3 names, so:
// - the Windows folder is a stand-in folder given at construction (the
//   program gives "<program folder>/windows"), the system folder is its
//   subfolder "system32", and WIN.INI is the file "WIN.INI" in it;
// - a path has no short form: GET_NomLong and GET_NomCourt map a path that
//   exists to itself, absolute and cleaned, and any other path to "".
// Results are cut to 254 characters, what the 255-character buffers hold.
// Instances keep nothing between calls and share nothing.
#include <QString>
#include <cstdint>

#include "platform/env.h"

namespace vantor {

class Cls_initreg {
  public:
    // The error IniLire raises: user-defined object errors (0x80040000) + 65000.
    static constexpr std::int32_t kErreurIniLire = -2147156504;
    // Size of the result buffers of the reads, terminating NUL included.
    static constexpr int kTailleTampon = 255;

    Cls_initreg(Env& env, const QString& dossierWindows);

    // "Permet d ecrire dans un fichier INI": 1 when written, 0 when the file
    // cannot be written (it is then unchanged).
    std::int32_t IniEcrire(const QString& strSection, const QString& strRubrique,
                           const QString& strChaineAEcrire, const QString& strFich);
    // "Permet de lire un fichier INI": the value, at most 254 characters, or
    // strChaineDef when the file, the section or the key is missing. Any
    // failure inside is raised as Failure(kErreurIniLire, "").
    QString IniLire(const QString& strSection, const QString& strRubrique,
                    const QString& strChaineDef, const QString& strFich);
    // The system folder, "" when it does not exist.
    QString RetourneCheminSystem();
    // The Windows folder, "" when it does not exist.
    QString RetourneCheminWindows();
    // IniEcrire on WIN.INI.
    std::int32_t WinIniEcrire(const QString& strSection, const QString& strRubrique,
                              const QString& strChaine);
    // IniLire on WIN.INI, without the raised error.
    QString WinIniLire(const QString& strSection, const QString& strRubrique,
                       const QString& strChaineDef);

    // "Renvoie vrai si le fichier existe, faux sinon." False for a folder.
    bool FichierExiste(const QString& strCheminFichier);
    // "Renvoie vrai si le dossier existe, faux sinon." False for a file.
    bool DossierExiste(const QString& strCheminDossier);
    // "Renvoie le nom long d'un fichier 8.3 passé en paramètre."
    QString GET_NomLong(QString sShortFileName);
    // "Renvoie le nom court (8.3) d'un fichier long passé en paramètre."
    QString GET_NomCourt(QString sLongFileName);
    // "Renvoie Vrai si le Renommage a fonctionné, Faux sinon." Renames or
    // moves; false for a missing source, an existing destination or no right.
    bool RenommerFichier(const QString& strPathFichierSRC, const QString& strPathFichierDEST);

  private:
    QString cheminWinIni() const;
    // The path as the Windows folder calls report it: "" when the folder is
    // missing, at most 254 characters.
    QString cheminDossier(const QString& dossier);
    // What the path calls report: the absolute, cleaned path when it exists
    // and fits the buffer, "" otherwise.
    QString cheminExistant(const QString& chemin);

    Env& env_;
    QString dossierWindows_;
};

}  // namespace vantor
