#pragma once
// Cls_initreg: INI files, the system's WIN.INI, the Windows and system
// folders, the registry, file and folder existence, long and short names,
// renaming.
//
// This system has no Windows folder, WIN.INI or 8.3 names, so:
// - the Windows folder is a stand-in folder given at construction (the
//   program gives "<program folder>/windows"), the system folder is its
//   subfolder "system32", and WIN.INI is the file "WIN.INI" in it;
// - a path has no short form: GET_NomLong and GET_NomCourt give back a path
//   that exists as it was given, and "" for any other path.
// Results are cut to 254 characters, what the 255-character buffers hold.
//
// Registry operations name a key by a full path beginning with a root name
// ("HKEY_CURRENT_USER\Software\Vantor"). A path that does not begin with
// "HKEY_" or ends with a backslash is refused with the message "Incorrect
// Format:"; a root name that is not in the table is refused silently; both
// answer an empty VariantReg without touching the registry. A failed registry
// call is never raised: the reads answer "Error", the writes nothing. Every
// key opened is closed before the operation returns. The writes open keys
// that exist and never create them (CreerREG_Cle does).
// Instances keep nothing between calls and share nothing.
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/dialogs.h"
#include "platform/env.h"
#include "platform/registry.h"
#include "toolkit/variant_reg.h"

namespace vantor {

class Cls_initreg {
  public:
    // The error IniLire raises: user-defined object errors (0x80040000) + 65000.
    static constexpr std::int32_t kErreurIniLire = -2147156504;
    // Size of the result buffers of the reads, terminating NUL included.
    static constexpr int kTailleTampon = 255;

    // The services must outlive the instance.
    Cls_initreg(Env& env, Registry& registre, Dialogs& dialogs, const QString& dossierWindows);

    // "Permet d ecrire dans un fichier INI": 1 when written, 0 when the file
    // cannot be written (it is then unchanged).
    std::int32_t IniEcrire(const QString& strSection, const QString& strRubrique,
                           const QString& strChaineAEcrire, const QString& strFich);
    // "Permet de lire un fichier INI": the value, at most 254 characters, or
    // strChaineDef when the file, the section or the key is missing. Any
    // failure inside is raised as Failure(kErreurIniLire, "", "Vantor.clsInit!IniLire").
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

    // "Ecrire une valeur DWORD dans le registre". Always empty.
    VariantReg EcrireREG_DWORD(const QString& cle_principale, const QString& entree,
                               std::int32_t valeur);
    // "Lire une valeur DWORD dans le registre": the number, or "Error".
    VariantReg LireREG_DWORD(const QString& cle_principale, const QString& entree);
    // "Ecrire une valeur BINARY dans le registre": one byte per character,
    // its Windows-1252 code. Always empty. Raises Failure (the key closed
    // first) for an empty value or a character outside the code page.
    VariantReg EcrireREG_BINARY(const QString& cle_principale, const QString& entree,
                                const QString& valeur);
    // "Lire une valeur BINARY dans le registre": one character per byte, or "Error".
    VariantReg LireREG_BINARY(const QString& cle_principale, const QString& entree);
    // "Effacer une cle dans le registre": removes the key named, with every
    // key below it; a root key is never removed. Always empty.
    VariantReg EffaceREG_CLE(const QString& nom_cle);
    // "Lire les cles principales du registre": the root handle of a root
    // name spelt exactly as the table spells it, else 0.
    std::int32_t LireREG_ClePrincipale(const QString& nom_cle_principale);
    // "Permet d obtenir des messages d erreurs" for a system error code.
    QString ErrorMsg(std::int32_t lErrorCode);
    // "Lire une valeur STRING dans le registre": the text, blanks dropped at
    // its start, or "Error" (also when it has more than 254 characters).
    VariantReg LireREG_STRING(const QString& cle_principale, const QString& entree);
    // "Creer une cle dans le registre", with any key missing above it. Always empty.
    VariantReg CreerREG_Cle(const QString& cle_principale);
    // "Ecrire une valeur STRING dans le registre", in Windows-1252. Always empty.
    VariantReg EcrireREG_STRING(const QString& cle_principale, const QString& entree,
                                const QString& valeur);
    // Creates "HKEY_CURRENT_USER\Software\<NomDuSoft>" with "RepInstall" =
    // AppPath; answers "Ecriture dans HKEY_CURRENT_USER\Software\<NomDuSoft>"
    // whether or not the writes succeeded.
    QString EcritureREG_Software_RepInstall(const QString& NomDuSoft, const QString& AppPath);

    // "Renvoie vrai si le fichier existe, faux sinon." False for a folder.
    bool FichierExiste(const QString& strCheminFichier);
    // "Renvoie vrai si le dossier existe, faux sinon." False for a file.
    bool DossierExiste(const QString& strCheminDossier);
    // "Renvoie le nom long d'un fichier 8.3 passé en paramètre."
    QString GET_NomLong(QString sShortFileName);
    // "Renvoie le nom court (8.3) d'un fichier long passé en paramètre."
    QString GET_NomCourt(QString sLongFileName);
    // "Renvoie Vrai si le Renommage a fonctionné, Faux sinon." Renames or
    // moves, across file systems too; false for a missing source, an
    // existing destination or no right.
    bool RenommerFichier(const QString& strPathFichierSRC, const QString& strPathFichierDEST);

  private:
    class Fermeture;

    // Splits a full key path into its root handle (`racine`, 0 when refused
    // or unknown) and the path below the root (`cle`).
    void DecoupeREG_Cle(QString& cle, reg::Handle& racine);
    // The split of a full path: false when it is refused or its root
    // unknown, else the path below the root in `cle`.
    bool decouper(const QString& cle_principale, QString& cle);
    // Splits the path, opens its key with `acces` and runs `action` on it
    // (hKey_), the key closed again whatever happens; empty when the path is
    // refused, `siNonOuverte` when the key cannot be opened.
    VariantReg surCle(const QString& cle_principale, std::uint32_t acces,
                      const VariantReg& siNonOuverte, const std::function<VariantReg()>& action);

    QString cheminWinIni() const;
    // The path as the Windows folder calls report it: "" when the folder is
    // missing, at most 254 characters.
    QString cheminDossier(const QString& dossier);
    // What the path calls report: the path as given when it exists and fits
    // the buffer, "" otherwise.
    QString cheminExistant(const QString& chemin);

    Env& env_;
    Registry& registre_;
    Dialogs& dialogs_;
    QString dossierWindows_;

    // Working storage of the registry operations.
    reg::Handle hKey_ = 0;       // the key opened last
    reg::Handle racine_ = 0;     // the root found by the last split
    std::int32_t resultat_ = 0;  // the code of the last registry call
};

}  // namespace vantor
