#include "demo_content.h"

#include <QStringList>

namespace vantor::tool::demo {

std::vector<Mailbox> mailboxes() { return {{kParis, kUserMailbox}, {kLyon, kTeamMailbox}}; }

QStringList demoFolders() {
    return {QStringLiteral("Recherche"), QStringLiteral("Projets"), QStringLiteral("Projets\\2004"),
            QStringLiteral("Clients")};
}

const std::vector<DemoMessage>& feedMessages() {
    static const std::vector<DemoMessage> messages{
        {QStringLiteral("Sophie Bernard/Vantor"), QStringLiteral("Réunion de lundi déplacée"),
         QStringLiteral("Bonjour Jean,\n\nLa réunion d'équipe de lundi est déplacée à 14 h, salle Rhône.\n"
                        "Merci de prévenir les personnes concernées.\n\nSophie")},
        {QStringLiteral("Marc Lefèvre/Vantor"), QStringLiteral("Devis client Martin & Fils"),
         QStringLiteral("Jean,\n\nVoici le devis révisé pour Martin & Fils. Peux-tu le relire avant "
                        "vendredi ?\n\nCordialement,\nMarc")},
        {QStringLiteral("Claire Moreau/Vantor"), QStringLiteral("Chiffres du trimestre"),
         QStringLiteral("Bonjour,\n\nVous trouverez ci-joint les chiffres du trimestre, par agence.\n"
                        "Les écarts sont commentés dans la dernière colonne.\n\nClaire")},
        {QStringLiteral("Service informatique/Vantor"), QStringLiteral("Maintenance du serveur samedi"),
         QStringLiteral("Bonjour à tous,\n\nLe serveur de messagerie sera arrêté samedi de 8 h à 12 h pour "
                        "maintenance.\nMerci de fermer vos sessions vendredi soir.\n\nLe service informatique")},
        {QStringLiteral("Thomas Girard/Vantor"), QStringLiteral("Déjeuner jeudi ?"),
         QStringLiteral("Salut Jean,\n\nOn déjeune ensemble jeudi ? Je propose la brasserie près de la gare.\n\n"
                        "Thomas")},
        {QStringLiteral("Isabelle Roux/Vantor"), QStringLiteral("Compte rendu du comité de pilotage"),
         QStringLiteral("Bonjour,\n\nCi-joint le compte rendu du comité de pilotage de mardi.\n"
                        "Prochaine réunion : le 12 à 10 h.\n\nIsabelle Roux")},
        {QStringLiteral("Paul Fontaine/Vantor"), QStringLiteral("Congés d'été"),
         QStringLiteral("Bonjour Jean,\n\nPeux-tu me confirmer tes dates de congés d'été avant la fin du mois ?\n"
                        "Merci,\nPaul")},
        {QStringLiteral("Nathalie Perrin/Vantor"), QStringLiteral("Relance facture n° 2004-118"),
         QStringLiteral("Bonjour,\n\nSauf erreur de notre part, la facture n° 2004-118 reste impayée.\n"
                        "Pouvez-vous vérifier de votre côté ?\n\nNathalie Perrin\nComptabilité")},
        {QStringLiteral("Luc Garnier/Vantor"), QStringLiteral("Inventaire du stock"),
         QStringLiteral("Jean,\n\nL'inventaire du stock de Lyon est joint. Trois références sont en rupture.\n\nLuc")},
        {QStringLiteral("Émilie Chevalier/Vantor"), QStringLiteral("Formation messagerie du 3 juin"),
         QStringLiteral("Bonjour,\n\nVotre inscription à la formation du 3 juin est confirmée.\n"
                        "Rendez-vous à 9 h au 2e étage.\n\nÉmilie")},
        {QStringLiteral("Antoine Mercier/Vantor"), QStringLiteral("Projet Atlas : planning"),
         QStringLiteral("Bonjour à tous,\n\nLe planning du projet Atlas est en pièce jointe. Les jalons de "
                        "septembre sont fermes.\n\nAntoine")},
        {QStringLiteral("Julie Lambert/Vantor"), QStringLiteral("Anniversaire de Sophie"),
         QStringLiteral("Coucou,\n\nOn fête l'anniversaire de Sophie vendredi à 16 h à la cafétéria. "
                        "Chut, c'est une surprise !\n\nJulie")},
    };
    return messages;
}

const std::vector<SeedMessage>& seedMessages() {
    static const std::vector<SeedMessage> messages{
        {0, 120, QStringLiteral("09:12"),
         {QStringLiteral("Marc Lefèvre/Vantor"), QStringLiteral("Lancement du projet Atlas"),
          QStringLiteral("Bonjour Jean,\n\nLe projet Atlas démarre le mois prochain. Je compte sur toi pour "
                         "piloter le volet client.\n\nMarc")},
         QStringLiteral("Projets"), {}},
        {0, 95, QStringLiteral("16:40"),
         {kUser, QStringLiteral("Re: Lancement du projet Atlas"),
          QStringLiteral("Marc,\n\nC'est noté, je prépare une première note de cadrage.\n\nJean")},
         QStringLiteral("Projets"), {}},
        {0, 60, QStringLiteral("11:05"),
         {QStringLiteral("Claire Moreau/Vantor"), QStringLiteral("Tableau de bord 2004"),
          QStringLiteral("Bonjour,\n\nVoici le tableau de bord 2004 consolidé.\n\nClaire")},
         QStringLiteral("Projets\\2004"), QStringLiteral("tableau_de_bord_2004.csv")},
        {0, 30, QStringLiteral("08:47"),
         {QStringLiteral("Nathalie Perrin/Vantor"), QStringLiteral("Client Durand : contrat signé"),
          QStringLiteral("Bonjour Jean,\n\nLe contrat Durand est signé, l'original part au classement.\n\nNathalie")},
         QStringLiteral("Clients"), {}},
        {0, 7, QStringLiteral("14:20"),
         {kUser, QStringLiteral("Point hebdomadaire"),
          QStringLiteral("Bonjour à tous,\n\nPoint hebdomadaire jeudi à 10 h, comme d'habitude.\n\nJean")},
         {}, {}},
        {0, 2, QStringLiteral("10:02"),
         {QStringLiteral("Thomas Girard/Vantor"), QStringLiteral("Photos du séminaire"),
          QStringLiteral("Salut Jean,\n\nLes photos du séminaire sont sur le partage commun.\n\nThomas")},
         {}, {}},
        {1, 150, QStringLiteral("09:30"),
         {QStringLiteral("Isabelle Roux/Vantor"), QStringLiteral("Bienvenue dans la boîte de l'équipe"),
          QStringLiteral("Bonjour à tous,\n\nCette boîte reçoit désormais les demandes des clients de Lyon.\n\n"
                         "Isabelle")},
         {}, {}},
        {1, 45, QStringLiteral("15:15"),
         {QStringLiteral("Luc Garnier/Vantor"), QStringLiteral("Demande client Berthier"),
          QStringLiteral("Bonjour,\n\nLe client Berthier demande un rappel pour sa commande de mars.\n\nLuc")},
         QStringLiteral("Clients"), {}},
        {1, 10, QStringLiteral("17:55"),
         {kUser, QStringLiteral("Organisation des permanences"),
          QStringLiteral("Bonjour,\n\nJe vous propose le planning des permanences d'août ci-dessous.\n\nJean")},
         {}, {}},
    };
    return messages;
}

QByteArray attachmentBytes(const QString& name, int serial) {
    QString text;
    if (name.endsWith(QLatin1String(".csv"))) {
        text = QStringLiteral("Agence;Trimestre;Chiffre d'affaires (€);Écart\r\n");
        const QStringList agencies{QStringLiteral("Paris"), QStringLiteral("Lyon"), QStringLiteral("Lille"),
                                   QStringLiteral("Marseille")};
        for (int i = 0; i < agencies.size(); ++i)
            text += QStringLiteral("%1;T%2;%3;%4%\r\n")
                        .arg(agencies[i])
                        .arg(serial % 4 + 1)
                        .arg(120000 + 7919 * (i + 1) * (serial + 3) % 90000)
                        .arg((i * 7 + serial) % 11 - 5);
    } else {
        text = QStringLiteral("Note n° %1\r\n\r\nPoints à retenir :\r\n- relire le document joint ;\r\n"
                              "- répondre avant vendredi ;\r\n- archiver le dossier une fois clos.\r\n")
                   .arg(serial);
    }
    return text.toUtf8();
}

}  // namespace vantor::tool::demo
