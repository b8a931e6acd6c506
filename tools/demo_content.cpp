#include "demo_content.h"

#include <QLocale>
#include <QTime>
#include <array>
#include <cstdlib>

namespace vantor::tool::demo {

namespace {

const QLocale& francais() {
    static const QLocale locale(QLocale::French, QLocale::France);
    return locale;
}

// The n-th working day after `from` (n >= 1), before it (n <= -1), or `from` itself.
QDate jourOuvre(const QDate& from, int n) {
    const int step = n < 0 ? -1 : 1;
    QDate d = from;
    for (int left = std::abs(n); left > 0;) {
        d = d.addDays(step);
        if (d.dayOfWeek() <= 5) --left;
    }
    return d;
}

// The Monday of the week `weeks` weeks after the one holding `d` (before it when negative).
QDate lundi(const QDate& d, int weeks) {
    return d.addDays(1 - d.dayOfWeek() + 7 * weeks);
}

// "mardi 14 octobre", with the year when it is not `today`'s.
QString leJour(const QDate& d, const QDate& today) {
    return francais().toString(d, d.year() == today.year() ? QStringLiteral("dddd d MMMM")
                                                           : QStringLiteral("dddd d MMMM yyyy"));
}
QString leQuantieme(const QDate& d, const QDate& today) {
    return francais().toString(
        d, d.year() == today.year() ? QStringLiteral("d MMMM") : QStringLiteral("d MMMM yyyy"));
}

// Amounts as French text shows them: "12 480" (a plain space, which every font has).
QString euros(qint64 amount) {
    QString digits = QString::number(amount);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(' '));
    return digits;
}

QString numero(int n, int width) {
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

template <typename T, size_t N>
const T& parmi(const std::array<T, N>& choices, int round) {
    return choices[static_cast<size_t>(round) % N];
}

const std::array<QTime, 6> kHeures{QTime(9, 30),  QTime(14, 0), QTime(10, 15),
                                   QTime(16, 30), QTime(11, 0), QTime(15, 0)};

// "9 h 30", "14 h".
QString enClair(const QTime& t) {
    return t.minute() == 0
               ? QStringLiteral("%1 h").arg(t.hour())
               : QStringLiteral("%1 h %2").arg(t.hour()).arg(t.minute(), 2, 10, QLatin1Char('0'));
}

QByteArray lignes(const QStringList& rows) {
    return (rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

// A calendar invitation, as mail clients attach them.
QByteArray invitation(const QString& summary, const QDate& day, const QTime& start,
                      const QString& place) {
    const QString stamp = day.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('T') +
                          start.toString(QStringLiteral("HHmm")) + QStringLiteral("00");
    return lignes(
        {QStringLiteral("BEGIN:VCALENDAR"), QStringLiteral("VERSION:2.0"),
         QStringLiteral("PRODID:-//Vantor//Demo//FR"), QStringLiteral("BEGIN:VEVENT"),
         QStringLiteral("UID:%1-%2@vantor.demo").arg(stamp, QString::number(qHash(summary), 16)),
         QStringLiteral("DTSTART:") + stamp, QStringLiteral("DURATION:PT1H"),
         QStringLiteral("SUMMARY:") + summary, QStringLiteral("LOCATION:") + place,
         QStringLiteral("END:VEVENT"), QStringLiteral("END:VCALENDAR")});
}

// What varies from one round of the feed to the next.
struct Tour {
    int r;  // how many times the list has gone round before
    QDate today;
    QString annee() const { return QString::number(today.year()); }
    QString jour(const QDate& d) const { return leJour(d, today); }
    QString quantieme(const QDate& d) const { return leQuantieme(d, today); }
};

using Modele = DemoMessage (*)(const Tour&);

// Jean Dupont's own mailbox, on Paris: colleagues, services, a client.
const std::vector<Modele>& modelesParis() {
    static const std::vector<Modele> modeles{
        [](const Tour& t) -> DemoMessage {
            const QString jour = t.jour(jourOuvre(t.today, 2 + 5 * t.r));
            const std::array<QString, 4> salles{QStringLiteral("Seine"), QStringLiteral("Opéra"),
                                                QStringLiteral("Marais"),
                                                QStringLiteral("Montmartre")};
            return {QStringLiteral("Sophie Bernard/Vantor"),
                    QStringLiteral("Réunion d'équipe du %1 déplacée").arg(jour),
                    QStringLiteral(
                        "Bonjour Jean,\n\nLa réunion d'équipe du %1 est déplacée à %2, salle %3.\n"
                        "Peux-tu prévenir Thomas et Claire ? Je n'arrive pas à les joindre.\n\n"
                        "Bonne journée,\nSophie")
                        .arg(jour, enClair(parmi(kHeures, t.r + 1)), parmi(salles, t.r)),
                    {},
                    {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString devis =
                QStringLiteral("D%1-%2").arg(t.annee(), numero(412 + 23 * t.r, 4));
            const std::array<QString, 4> clients{
                QStringLiteral("Martin & Fils"), QStringLiteral("Berthier SA"),
                QStringLiteral("Boulangeries Perrot"), QStringLiteral("Durand & Associés")};
            const int total = 8400 + 1370 * (t.r % 7);
            const QString client = parmi(clients, t.r);
            return {
                QStringLiteral("Marc Lefèvre/Vantor"),
                QStringLiteral("Devis %1 (%2) à relire").arg(devis, client),
                QStringLiteral(
                    "Jean,\n\nVoici le devis révisé %1 pour %2, %3 € HT avec la remise de 5 %.\n"
                    "Peux-tu le relire avant jeudi ? Le client attend notre réponse en fin de "
                    "semaine.\n\nCordialement,\nMarc")
                    .arg(devis, client, euros(total)),
                QStringLiteral("devis_%1.csv").arg(devis),
                lignes({QStringLiteral("Désignation;Quantité;Prix unitaire (€ HT);Total (€ HT)"),
                        QStringLiteral("Étude préalable;1;%1;%1").arg(total / 4),
                        QStringLiteral("Mise en œuvre (jours);%1;650;%2")
                            .arg(total / 1300)
                            .arg(total / 1300 * 650),
                        QStringLiteral("Remise;;;-5 %"), QStringLiteral("Total;;;%1").arg(total)})};
        },
        [](const Tour& t) -> DemoMessage {
            const QDate semaine = lundi(t.today, -1 - t.r);
            const QString du = t.quantieme(semaine);
            QStringList rows{QStringLiteral("Agence;Chiffre d'affaires (€);Objectif (€);Écart")};
            const std::array<QString, 4> agences{QStringLiteral("Paris"), QStringLiteral("Lyon"),
                                                 QStringLiteral("Lille"),
                                                 QStringLiteral("Marseille")};
            for (size_t i = 0; i < agences.size(); ++i) {
                const int ca = 61000 + static_cast<int>(i) * 9000 +
                               (t.r * 3217 + static_cast<int>(i) * 1511) % 14000;
                const int objectif = 68000 + static_cast<int>(i) * 9000;
                rows << QStringLiteral("%1;%2;%3;%4 %")
                            .arg(agences[i])
                            .arg(ca)
                            .arg(objectif)
                            .arg(QString::number((ca - objectif) * 100.0 / objectif, 'f', 1));
            }
            return {
                QStringLiteral("Claire Moreau/Vantor"),
                QStringLiteral("Ventes par agence, semaine du %1").arg(du),
                QStringLiteral(
                    "Bonjour,\n\nVous trouverez ci-joint les ventes de la semaine du %1, par "
                    "agence.\n"
                    "Lille dépasse son objectif ; les écarts sont commentés en réunion lundi.\n\n"
                    "Claire Moreau\nContrôle de gestion")
                    .arg(du),
                QStringLiteral("ventes_semaine_%1.csv")
                    .arg(semaine.toString(QStringLiteral("yyyy-MM-dd"))),
                lignes(rows)};
        },
        [](const Tour& t) -> DemoMessage {
            const QDate samedi = lundi(t.today, 1 + 2 * t.r).addDays(5);
            const QString jour = t.jour(samedi);
            return {
                QStringLiteral("Service informatique/Vantor"),
                QStringLiteral("Maintenance de la messagerie le %1").arg(jour),
                QStringLiteral(
                    "Bonjour à tous,\n\nLe serveur de messagerie sera arrêté le %1 de 8 h à 12 h "
                    "pour "
                    "maintenance.\nMerci de fermer vos sessions la veille au soir. La messagerie "
                    "web restera indisponible pendant l'intervention.\n\nLe service informatique")
                    .arg(jour),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString jour = t.jour(jourOuvre(t.today, 1 + 5 * t.r));
            const std::array<QString, 3> lieux{QStringLiteral("la brasserie près de la gare"),
                                               QStringLiteral("le bistrot de la place"),
                                               QStringLiteral("le petit italien rue Lafayette")};
            return {QStringLiteral("Thomas Girard/Vantor"),
                    QStringLiteral("Déjeuner %1 ?").arg(jour),
                    QStringLiteral(
                        "Salut Jean,\n\nOn déjeune ensemble %1 ? Je propose %2, vers 12 h 30.\n"
                        "Dis-moi si ça te va, je réserve.\n\nThomas")
                        .arg(jour, parmi(lieux, t.r)),
                    {},
                    {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QDate jourCopil = jourOuvre(t.today, -1 - 5 * t.r);
            const QString jour = t.jour(jourCopil);
            return {
                QStringLiteral("Isabelle Roux/Vantor"),
                QStringLiteral("Compte rendu du comité Atlas du %1").arg(jour),
                QStringLiteral(
                    "Bonjour,\n\nCi-joint le compte rendu du comité de pilotage du %1.\n"
                    "Décisions : le lot 2 est validé, le budget de recette est reconduit.\n"
                    "Prochain comité dans trois semaines.\n\nIsabelle Roux")
                    .arg(jour),
                QStringLiteral("CR_copil_Atlas_%1.txt")
                    .arg(jourCopil.toString(QStringLiteral("yyyy-MM-dd"))),
                lignes(
                    {QStringLiteral("Comité de pilotage Atlas du %1").arg(jour), QString(),
                     QStringLiteral("Présents : I. Roux, M. Lefèvre, J. Dupont, A. Mercier"),
                     QString(), QStringLiteral("1. Avancement : lot 2 terminé, recette en cours."),
                     QStringLiteral("2. Budget : recette reconduite à l'identique."),
                     QStringLiteral("3. Risques : disponibilité du client en août."), QString(),
                     QStringLiteral("Actions : J. Dupont prépare la note de cadrage du lot 3.")})};
        },
        [](const Tour& t) -> DemoMessage {
            const QDate jourRdv = jourOuvre(t.today, 4 + 3 * t.r);
            const QString jour = t.jour(jourRdv);
            const QTime debut = parmi(kHeures, t.r);
            const QString heure = enClair(debut);
            return {
                QStringLiteral("Paul Fontaine/Vantor"),
                QStringLiteral("Entretien annuel le %1 à %2").arg(jour, heure),
                QStringLiteral(
                    "Bonjour Jean,\n\nJe te propose de faire ton entretien annuel le %1 à %2, dans "
                    "mon bureau.\nL'invitation est jointe ; pense à remplir ta fiche de "
                    "préparation avant.\n\nPaul Fontaine\nRessources humaines")
                    .arg(jour, heure),
                QStringLiteral("entretien_annuel_%1.ics")
                    .arg(jourRdv.toString(QStringLiteral("yyyy-MM-dd"))),
                invitation(QStringLiteral("Entretien annuel - Jean Dupont"), jourRdv, debut,
                           QStringLiteral("Bureau de Paul Fontaine"))};
        },
        [](const Tour& t) -> DemoMessage {
            const QString facture =
                QStringLiteral("F%1-%2").arg(t.annee(), numero(118 + 17 * t.r, 4));
            return {QStringLiteral("Nathalie Perrin/Vantor"),
                    QStringLiteral("Relance : facture %1 non réglée").arg(facture),
                    QStringLiteral(
                        "Bonjour,\n\nSauf erreur de notre part, la facture %1 de %2 € reste "
                        "impayée à ce "
                        "jour.\nPouvez-vous vérifier de votre côté qu'elle a bien été transmise au "
                        "client ?\n\nNathalie Perrin\nComptabilité clients")
                        .arg(facture, euros(2350 + 415 * (t.r % 9))),
                    {},
                    {}};
        },
        [](const Tour& t) -> DemoMessage {
            const std::array<QString, 5> sujets{
                QStringLiteral("Négocier avec les grands comptes"),
                QStringLiteral("Conduite de projet"),
                QStringLiteral("Tableur : fonctions avancées"),
                QStringLiteral("Prise de parole en public"),
                QStringLiteral("Sécurité informatique au quotidien")};
            const QString jour = t.jour(jourOuvre(t.today, 10 + 5 * t.r));
            return {
                QStringLiteral("Émilie Chevalier/Vantor"),
                QStringLiteral("Formation du %1 : inscription confirmée").arg(jour),
                QStringLiteral(
                    "Bonjour,\n\nVotre inscription à la formation « %1 » du %2 est confirmée.\n"
                    "Rendez-vous à 9 h au 2e étage, salle de formation. Le déjeuner est pris en "
                    "charge.\n\nÉmilie Chevalier\nFormation")
                    .arg(parmi(sujets, t.r), jour),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const int lot = 3 + t.r;
            return {
                QStringLiteral("Antoine Mercier/Vantor"),
                QStringLiteral("Projet Orion : lot %1 livré").arg(lot),
                QStringLiteral(
                    "Bonjour à tous,\n\nLe lot %1 du projet Orion est livré en recette ce matin.\n"
                    "Le planning à jour est joint ; les jalons suivants ne bougent pas.\n\nAntoine")
                    .arg(lot),
                QStringLiteral("planning_orion_lot%1.csv").arg(lot),
                lignes({QStringLiteral("Lot;Livraison;Recette;Mise en service"),
                        QStringLiteral("%1;%2;%3;%4")
                            .arg(lot)
                            .arg(t.today.toString(QStringLiteral("dd/MM/yyyy")),
                                 jourOuvre(t.today, 10).toString(QStringLiteral("dd/MM/yyyy")),
                                 jourOuvre(t.today, 20).toString(QStringLiteral("dd/MM/yyyy"))),
                        QStringLiteral("%1;%2;%3;%4")
                            .arg(lot + 1)
                            .arg(jourOuvre(t.today, 25).toString(QStringLiteral("dd/MM/yyyy")),
                                 jourOuvre(t.today, 35).toString(QStringLiteral("dd/MM/yyyy")),
                                 jourOuvre(t.today, 45).toString(QStringLiteral("dd/MM/yyyy")))})};
        },
        [](const Tour& t) -> DemoMessage {
            const std::array<QString, 4> sujets{QStringLiteral("nouveaux badges d'accès"),
                                                QStringLiteral("télétravail, règles mises à jour"),
                                                QStringLiteral("places de parking"),
                                                QStringLiteral("fermeture estivale")};
            const QString note = QStringLiteral("%1-%2").arg(t.annee(), numero(37 + t.r, 3));
            return {QStringLiteral("Direction générale/Vantor"),
                    QStringLiteral("Note de service n° %1 : %2").arg(note, parmi(sujets, t.r)),
                    QStringLiteral(
                        "Mesdames, Messieurs,\n\nLa note de service n° %1 (%2) est publiée sur "
                        "l'intranet.\nElle s'applique à compter du 1er du mois prochain. Vos "
                        "responsables restent à votre disposition.\n\nLa Direction générale")
                        .arg(note, parmi(sujets, t.r)),
                    {},
                    {}};
        },
        [](const Tour& t) -> DemoMessage {
            const int avenant = 2 + t.r;
            return {
                QStringLiteral("Hélène Vasseur <h.vasseur@durand-associes.fr>"),
                QStringLiteral("Contrat Durand & Associés : avenant n° %1").arg(avenant),
                QStringLiteral(
                    "Monsieur Dupont,\n\nComme convenu par téléphone, je vous adresse le projet "
                    "d'avenant n° %1 à notre contrat de maintenance.\nJe reste à votre disposition "
                    "pour en discuter.\n\nBien cordialement,\nHélène Vasseur\nDurand & Associés")
                    .arg(avenant),
                QStringLiteral("avenant_%1_contrat_Durand.txt").arg(avenant),
                lignes({QStringLiteral("Avenant n° %1 au contrat de maintenance").arg(avenant),
                        QString(),
                        QStringLiteral(
                            "Article 1 : la période de maintenance est prolongée de douze mois."),
                        QStringLiteral(
                            "Article 2 : le délai d'intervention passe de 8 à 4 heures ouvrées."),
                        QStringLiteral(
                            "Article 3 : les autres clauses du contrat restent inchangées.")})};
        },
        [](const Tour& t) -> DemoMessage {
            const std::array<QString, 4> partants{
                QStringLiteral("Bernard Leroy"), QStringLiteral("Chantal Morel"),
                QStringLiteral("Gérard Faure"), QStringLiteral("Monique Blanc")};
            const QString jour = t.jour(jourOuvre(t.today, 6 + 5 * t.r));
            return {
                QStringLiteral("Julie Lambert/Vantor"),
                QStringLiteral("Pot de départ de %1 le %2").arg(parmi(partants, t.r), jour),
                QStringLiteral(
                    "Bonjour à tous,\n\n%1 part à la retraite : nous fêtons son départ le %2 à 17 "
                    "h, "
                    "à la cafétéria.\nUne cagnotte circule au secrétariat jusqu'à la veille.\n\n"
                    "Julie")
                    .arg(parmi(partants, t.r), jour),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const std::array<QString, 3> salles{QStringLiteral("Concorde"),
                                                QStringLiteral("Bastille"),
                                                QStringLiteral("Trocadéro")};
            const QString jour = t.jour(jourOuvre(t.today, 3 + 4 * t.r));
            const QString heure = enClair(parmi(kHeures, t.r + 2));
            return {
                QStringLiteral("Services généraux/Vantor"),
                QStringLiteral("Salle %1 réservée le %2").arg(parmi(salles, t.r), jour),
                QStringLiteral(
                    "Bonjour,\n\nLa salle %1 est réservée à votre nom le %2 à %3, pour 2 heures.\n"
                    "Vidéoprojecteur et visioconférence sont disponibles ; le café est à "
                    "commander la veille.\n\nLes services généraux")
                    .arg(parmi(salles, t.r), jour, heure),
                {},
                {}};
        },
    };
    return modeles;
}

// The team's mailbox, on Lyon: clients, suppliers, carriers, the team.
const std::vector<Modele>& modelesLyon() {
    static const std::vector<Modele> modeles{
        [](const Tour& t) -> DemoMessage {
            const QString commande = QString::number(48213 + 97 * t.r);
            return {QStringLiteral("Pierre Berthier <p.berthier@berthier-sa.fr>"),
                    QStringLiteral("Commande n° %1 : date de livraison ?").arg(commande),
                    QStringLiteral(
                        "Bonjour,\n\nNous n'avons pas encore reçu de date de livraison pour notre "
                        "commande n° %1.\nPouvez-vous nous la confirmer ? Notre chantier démarre "
                        "dans quinze jours.\n\nCordialement,\nPierre Berthier\nBerthier SA")
                        .arg(commande),
                    {},
                    {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QDate au = jourOuvre(t.today, -5 * t.r);
            const QString jour = t.jour(au);
            QStringList rows{QStringLiteral("Référence;Désignation;Stock;Seuil")};
            const std::array<QString, 4> articles{
                QStringLiteral("Cloison vitrée 120"), QStringLiteral("Caisson mobile 3 tiroirs"),
                QStringLiteral("Bureau droit 160"), QStringLiteral("Fauteuil Ergo")};
            for (size_t i = 0; i < articles.size(); ++i)
                rows << QStringLiteral("LY-%1;%2;%3;10")
                            .arg(4100 + static_cast<int>(i) * 7)
                            .arg(articles[i])
                            .arg((t.r * 13 + static_cast<int>(i) * 29) % 60);
            return {
                QStringLiteral("Luc Garnier/Vantor"),
                QStringLiteral("Inventaire du dépôt de Lyon au %1").arg(jour),
                QStringLiteral(
                    "Bonjour,\n\nL'inventaire du dépôt au %1 est joint.\nLes références sous le "
                    "seuil sont à recommander cette semaine.\n\nLuc")
                    .arg(jour),
                QStringLiteral("inventaire_lyon_%1.csv")
                    .arg(au.toString(QStringLiteral("yyyy-MM-dd"))),
                lignes(rows)};
        },
        [](const Tour& t) -> DemoMessage {
            const QString du = t.quantieme(lundi(t.today, 1 + t.r));
            const std::array<QString, 3> noms{QStringLiteral("Karim, Luc et Sandrine"),
                                              QStringLiteral("Sandrine, Isabelle et Karim"),
                                              QStringLiteral("Luc, Jean et Sandrine")};
            return {
                QStringLiteral("Isabelle Roux/Vantor"),
                QStringLiteral("Permanences de la semaine du %1").arg(du),
                QStringLiteral(
                    "Bonjour à tous,\n\nPour la semaine du %1, les permanences sont assurées par "
                    "%2.\nMerci de me signaler tout échange avant vendredi.\n\nIsabelle")
                    .arg(du, parmi(noms, t.r)),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString envoi = QStringLiteral("RX%1").arg(770412 + 311 * t.r);
            return {
                QStringLiteral("Rhône Express <suivi@rhone-express.fr>"),
                QStringLiteral("Expédition %1 remise au transporteur").arg(envoi),
                QStringLiteral(
                    "Bonjour,\n\nVotre expédition %1 (%2 colis) a été prise en charge ce jour.\n"
                    "Livraison prévue sous 48 heures. Suivi : www.rhone-express.fr\n\n"
                    "Le service client Rhône Express")
                    .arg(envoi)
                    .arg(2 + t.r % 5),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const std::array<QString, 4> demandes{QStringLiteral("40 bureaux droits"),
                                                  QStringLiteral("12 armoires hautes"),
                                                  QStringLiteral("25 fauteuils de réunion"),
                                                  QStringLiteral("8 tables de conférence")};
            const QString ref = QStringLiteral("MF-%1").arg(2031 + 7 * t.r);
            return {
                QStringLiteral("Amélie Garcia <a.garcia@martin-et-fils.fr>"),
                QStringLiteral("Demande de devis %1 : %2").arg(ref, parmi(demandes, t.r)),
                QStringLiteral(
                    "Bonjour,\n\nPour l'aménagement de nos nouveaux locaux, pourriez-vous nous "
                    "chiffrer %1 (réf. %2), livraison et montage compris ?\nUne réponse avant la "
                    "fin du mois nous arrangerait.\n\nAmélie Garcia\nMartin & Fils")
                    .arg(parmi(demandes, t.r), ref),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString avoir = QStringLiteral("AV-%1").arg(5521 + 13 * t.r);
            const QString montant = euros(180 + 37 * (t.r % 11));
            return {QStringLiteral("Papeterie Lumière <compta@papeterie-lumiere.fr>"),
                    QStringLiteral("Avoir %1 sur votre dernière facture").arg(avoir),
                    QStringLiteral(
                        "Madame, Monsieur,\n\nSuite à votre réclamation, nous vous adressons "
                        "l'avoir %1 "
                        "d'un montant de %2 € TTC.\nIl sera déduit de votre prochaine facture.\n\n"
                        "Le service comptabilité\nPapeterie Lumière")
                        .arg(avoir, montant),
                    QStringLiteral("avoir_%1.txt").arg(avoir),
                    lignes({QStringLiteral("AVOIR %1").arg(avoir), QString(),
                            QStringLiteral("Client : Vantor, agence de Lyon"),
                            QStringLiteral("Motif : cartons de ramettes livrés abîmés"),
                            QStringLiteral("Montant : %1 € TTC").arg(montant)})};
        },
        [](const Tour& t) -> DemoMessage {
            const std::array<QString, 3> clients{QStringLiteral("Boulangeries Perrot"),
                                                 QStringLiteral("Berthier SA"),
                                                 QStringLiteral("Hôtel Bellecour")};
            const QString dossier = QStringLiteral("R%1").arg(1187 + 5 * t.r);
            return {
                QStringLiteral("Karim Benali/Vantor"),
                QStringLiteral("Réclamation %1 : dossier %2").arg(parmi(clients, t.r), dossier),
                QStringLiteral(
                    "Bonjour,\n\nJ'ouvre le dossier %1 pour %2 : deux articles de la dernière "
                    "livraison sont arrivés rayés.\nQui peut passer chez eux cette semaine pour "
                    "constater ?\n\nKarim")
                    .arg(dossier, parmi(clients, t.r)),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QDate jourSeminaire = jourOuvre(t.today, 15 + 5 * t.r);
            const QString jour = t.jour(jourSeminaire);
            return {QStringLiteral("Olivier Lemoine <olivier.lemoine@hotel-bellecour.fr>"),
                    QStringLiteral("Séminaire du %1 : salle réservée").arg(jour),
                    QStringLiteral("Bonjour,\n\nNous vous confirmons la réservation de la salle "
                                   "Saône le %1 pour 30 "
                                   "personnes, avec déjeuner.\nL'invitation est jointe ; le devis "
                                   "définitif suivra "
                                   "sous huit jours.\n\nOlivier Lemoine\nHôtel Bellecour")
                        .arg(jour),
                    QStringLiteral("seminaire_%1.ics")
                        .arg(jourSeminaire.toString(QStringLiteral("yyyy-MM-dd"))),
                    invitation(QStringLiteral("Séminaire de l'agence de Lyon"), jourSeminaire,
                               QTime(9, 30), QStringLiteral("Hôtel Bellecour, salle Saône"))};
        },
        [](const Tour& t) -> DemoMessage {
            const std::array<QString, 4> articles{
                QStringLiteral("caisson mobile 3 tiroirs"), QStringLiteral("lampe de bureau LED"),
                QStringLiteral("écran 27 pouces"), QStringLiteral("repose-pieds réglable")};
            const QString ref = QStringLiteral("LY-%1").arg(4000 + 37 * t.r);
            return {
                QStringLiteral("Luc Garnier/Vantor"),
                QStringLiteral("Rupture de stock : %1 (%2)").arg(ref, parmi(articles, t.r)),
                QStringLiteral(
                    "Bonjour,\n\nLa référence %1 (%2) est en rupture depuis ce matin.\n"
                    "Le fournisseur annonce un réassort sous trois semaines ; prévenez les clients "
                    "qui l'attendent.\n\nLuc")
                    .arg(ref, parmi(articles, t.r)),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString jour = t.jour(jourOuvre(t.today, 2 + 5 * t.r));
            const QString heure = enClair(parmi(kHeures, t.r + 3));
            return {
                QStringLiteral("Marie Fabre <m.fabre@cabinet-fabre.fr>"),
                QStringLiteral("Rendez-vous du %1 à %2 confirmé").arg(jour, heure),
                QStringLiteral(
                    "Bonjour,\n\nJe vous confirme notre rendez-vous du %1 à %2 au cabinet, pour la "
                    "revue des contrats fournisseurs.\nMerci d'apporter les avenants signés.\n\n"
                    "Maître Marie Fabre")
                    .arg(jour, heure),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString jour = t.jour(jourOuvre(t.today, 4 + 5 * t.r));
            return {
                QStringLiteral("Isabelle Roux/Vantor"),
                QStringLiteral("Objectifs de l'agence : point du %1").arg(jour),
                QStringLiteral(
                    "Bonjour à tous,\n\nNous ferons le point sur les objectifs de l'agence le %1 à "
                    "9 h.\nChacun présente ses trois plus gros dossiers en cours, cinq minutes "
                    "maximum.\n\nIsabelle")
                    .arg(jour),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString commande = QStringLiteral("BP-%1").arg(901 + 3 * t.r);
            return {
                QStringLiteral("Boulangeries Perrot <contact@boulangeries-perrot.fr>"),
                QStringLiteral("Commande urgente %1").arg(commande),
                QStringLiteral(
                    "Bonjour,\n\nSuite à l'ouverture de notre magasin de Villeurbanne, nous "
                    "passons la commande %1 : %2 tabourets hauts et 4 comptoirs.\nUne livraison "
                    "avant la fin de la semaine serait idéale.\n\nMme Perrot")
                    .arg(commande)
                    .arg(12 + 2 * (t.r % 6)),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const QString jour = t.jour(jourOuvre(t.today, 8 + 5 * t.r));
            return {
                QStringLiteral("Service qualité/Vantor"),
                QStringLiteral("Audit qualité du %1").arg(jour),
                QStringLiteral(
                    "Bonjour,\n\nL'audit de suivi de la certification aura lieu le %1 à l'agence.\n"
                    "Merci de tenir prêts les registres de réclamations et les fiches de "
                    "contrôle à réception.\n\nLe service qualité")
                    .arg(jour),
                {},
                {}};
        },
        [](const Tour& t) -> DemoMessage {
            const int bat = 318 + t.r;
            return {
                QStringLiteral("Laurent Michaud <l.michaud@imprimerie-saone.fr>"),
                QStringLiteral("BAT n° %1 des plaquettes commerciales").arg(bat),
                QStringLiteral(
                    "Bonjour,\n\nVoici le bon à tirer n° %1 de vos plaquettes (2 000 exemplaires, "
                    "papier 170 g).\nSans retour de votre part sous 48 heures, nous lançons "
                    "l'impression.\n\nLaurent Michaud\nImprimerie de la Saône")
                    .arg(bat),
                QStringLiteral("BAT_%1_plaquettes.txt").arg(bat),
                lignes({QStringLiteral("Bon à tirer n° %1").arg(bat), QString(),
                        QStringLiteral("Format : A4 plié en trois"),
                        QStringLiteral("Papier : couché mat 170 g"),
                        QStringLiteral("Quantité : 2 000 exemplaires"),
                        QStringLiteral("Corrections demandées : aucune à ce jour")})};
        },
    };
    return modeles;
}

}  // namespace

std::vector<Mailbox> mailboxes() {
    return {
        {kParis,
         kUserMailbox,
         kArchive,
         kUser,
         {QStringLiteral("Recherche"), QStringLiteral("Projets"), QStringLiteral("Projets\\Atlas"),
          QStringLiteral("Projets\\Atlas\\Comptes rendus"), QStringLiteral("Projets\\Orion"),
          QStringLiteral("Clients"), QStringLiteral("Clients\\Berthier SA"),
          QStringLiteral("Clients\\Durand & Associés"), QStringLiteral("Administration"),
          QStringLiteral("Administration\\Congés"),
          QStringLiteral("Administration\\Notes de frais")}},
        {kLyon,
         kTeamMailbox,
         kTeamArchive,
         kTeam,
         {QStringLiteral("Recherche"), QStringLiteral("Clients"),
          QStringLiteral("Clients\\Boulangeries Perrot"), QStringLiteral("Clients\\Martin & Fils"),
          QStringLiteral("Commandes"), QStringLiteral("Commandes\\En cours"),
          QStringLiteral("Commandes\\Livrées"), QStringLiteral("Fournisseurs"),
          QStringLiteral("Fournisseurs\\Transport"), QStringLiteral("Planning")}}};
}

DemoMessage feedMessage(int index, const QDate& today) {
    const std::vector<Modele>& modeles = index % 2 == 0 ? modelesParis() : modelesLyon();
    const int k = index / 2;
    const int n = static_cast<int>(modeles.size());
    return modeles[static_cast<size_t>(k % n)](Tour{k / n, today});
}

std::vector<SeedMessage> seedMessages(const QDate& today) {
    const QString avant = today.addDays(-120).toString(QStringLiteral("dd/MM/yyyy"));
    std::vector<SeedMessage> seeds{
        {0,
         150,
         QStringLiteral("09:12"),
         {QStringLiteral("Marc Lefèvre/Vantor"),
          QStringLiteral("Lancement du projet Atlas"),
          QStringLiteral(
              "Bonjour Jean,\n\nLe projet Atlas démarre le mois prochain. Je compte sur toi pour "
              "piloter le volet client.\n\nMarc"),
          {},
          {}},
         QStringLiteral("Projets\\Atlas")},
        {0,
         140,
         QStringLiteral("16:40"),
         {kUser,
          QStringLiteral("Re: Lancement du projet Atlas"),
          QStringLiteral("Marc,\n\nC'est noté, je prépare une première note de cadrage.\n\nJean"),
          {},
          {}},
         QStringLiteral("Projets\\Atlas")},
        {0,
         120,
         QStringLiteral("11:05"),
         {QStringLiteral("Isabelle Roux/Vantor"),
          QStringLiteral("Compte rendu du premier comité Atlas"),
          QStringLiteral(
              "Bonjour,\n\nCi-joint le compte rendu du premier comité de pilotage.\n\nIsabelle"),
          QStringLiteral("CR_copil_Atlas_1.txt"),
          lignes(
              {QStringLiteral("Comité de pilotage Atlas n° 1 du %1").arg(avant), QString(),
               QStringLiteral("Décision : lancement du lot 1, recette à la fin du trimestre.")})},
         QStringLiteral("Projets\\Atlas\\Comptes rendus")},
        {0,
         100,
         QStringLiteral("14:30"),
         {QStringLiteral("Hélène Vasseur <h.vasseur@durand-associes.fr>"),
          QStringLiteral("Contrat de maintenance signé"),
          QStringLiteral(
              "Monsieur Dupont,\n\nVous trouverez ci-joint le contrat signé.\n\nHélène Vasseur"),
          QStringLiteral("contrat_maintenance_Durand.txt"),
          lignes({QStringLiteral("Contrat de maintenance Durand & Associés"),
                  QStringLiteral("Durée : douze mois, renouvelable.")})},
         QStringLiteral("Clients\\Durand & Associés")},
        {0,
         95,
         QStringLiteral("10:20"),
         {QStringLiteral("Paul Fontaine/Vantor"),
          QStringLiteral("Congés d'été validés"),
          QStringLiteral("Bonjour Jean,\n\nTes congés du 4 au 22 août sont validés.\n\nPaul"),
          {},
          {}},
         QStringLiteral("Administration\\Congés")},
        {0,
         40,
         QStringLiteral("08:47"),
         {QStringLiteral("Pierre Berthier <p.berthier@berthier-sa.fr>"),
          QStringLiteral("Visite de nos entrepôts"),
          QStringLiteral("Bonjour,\n\nMerci pour votre visite de mardi. Comme promis, le plan de "
                         "nos entrepôts "
                         "est joint.\n\nPierre Berthier"),
          QStringLiteral("plan_entrepots_Berthier.csv"),
          lignes({QStringLiteral("Bâtiment;Surface (m²);Quais"), QStringLiteral("A;4200;6"),
                  QStringLiteral("B;2800;4")})},
         QStringLiteral("Clients\\Berthier SA")},
        {0,
         21,
         QStringLiteral("17:10"),
         {QStringLiteral("Antoine Mercier/Vantor"),
          QStringLiteral("Projet Orion : note de cadrage"),
          QStringLiteral(
              "Bonjour,\n\nLa note de cadrage d'Orion est validée, on démarre lundi.\n\nAntoine"),
          {},
          {}},
         QStringLiteral("Projets\\Orion")},
        {0,
         12,
         QStringLiteral("18:02"),
         {QStringLiteral("Nathalie Perrin/Vantor"),
          QStringLiteral("Notes de frais du mois"),
          QStringLiteral(
              "Bonjour Jean,\n\nMerci de déposer tes notes de frais avant le 25.\n\nNathalie"),
          {},
          {}},
         QStringLiteral("Administration\\Notes de frais")},
        {0,
         7,
         QStringLiteral("14:20"),
         {kUser,
          QStringLiteral("Point hebdomadaire"),
          QStringLiteral(
              "Bonjour à tous,\n\nPoint hebdomadaire jeudi à 10 h, comme d'habitude.\n\nJean"),
          {},
          {}},
         {}},
        {0,
         2,
         QStringLiteral("10:02"),
         {QStringLiteral("Thomas Girard/Vantor"),
          QStringLiteral("Photos du séminaire"),
          QStringLiteral(
              "Salut Jean,\n\nLes photos du séminaire sont sur le partage commun.\n\nThomas"),
          {},
          {}},
         {}},
        {1,
         160,
         QStringLiteral("09:30"),
         {QStringLiteral("Isabelle Roux/Vantor"),
          QStringLiteral("Bienvenue dans la boîte de l'équipe"),
          QStringLiteral("Bonjour à tous,\n\nCette boîte reçoit désormais les demandes des clients "
                         "de Lyon.\n\n"
                         "Isabelle"),
          {},
          {}},
         QStringLiteral("Planning")},
        {1,
         130,
         QStringLiteral("15:15"),
         {QStringLiteral("Boulangeries Perrot <contact@boulangeries-perrot.fr>"),
          QStringLiteral("Première commande"),
          QStringLiteral(
              "Bonjour,\n\nVeuillez trouver notre première commande ci-jointe.\n\nMme Perrot"),
          QStringLiteral("commande_BP-0001.csv"),
          lignes({QStringLiteral("Article;Quantité"), QStringLiteral("Tabouret haut;8"),
                  QStringLiteral("Comptoir;2")})},
         QStringLiteral("Clients\\Boulangeries Perrot")},
        {1,
         110,
         QStringLiteral("11:40"),
         {QStringLiteral("Rhône Express <suivi@rhone-express.fr>"),
          QStringLiteral("Vos tarifs transport"),
          QStringLiteral("Bonjour,\n\nNos tarifs de l'année sont joints.\n\nRhône Express"),
          QStringLiteral("tarifs_rhone_express.csv"),
          lignes({QStringLiteral("Zone;Prix par colis (€ HT)"), QStringLiteral("Rhône;9,50"),
                  QStringLiteral("Auvergne-Rhône-Alpes;12,80")})},
         QStringLiteral("Fournisseurs\\Transport")},
        {1,
         45,
         QStringLiteral("15:15"),
         {QStringLiteral("Luc Garnier/Vantor"),
          QStringLiteral("Commande Martin & Fils en préparation"),
          QStringLiteral(
              "Bonjour,\n\nLa commande de Martin & Fils part en préparation demain.\n\nLuc"),
          {},
          {}},
         QStringLiteral("Commandes\\En cours")},
        {1,
         30,
         QStringLiteral("10:05"),
         {QStringLiteral("Amélie Garcia <a.garcia@martin-et-fils.fr>"),
          QStringLiteral("Merci pour la livraison"),
          QStringLiteral("Bonjour,\n\nTout est bien arrivé, merci à l'équipe.\n\nAmélie Garcia"),
          {},
          {}},
         QStringLiteral("Clients\\Martin & Fils")},
        {1,
         10,
         QStringLiteral("17:55"),
         {kUser,
          QStringLiteral("Organisation des permanences"),
          QStringLiteral(
              "Bonjour,\n\nJe vous propose le planning des permanences d'août ci-dessous.\n\nJean"),
          {},
          {}},
         {}},
    };
    return seeds;
}

}  // namespace vantor::tool::demo
