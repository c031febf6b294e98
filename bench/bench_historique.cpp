// Figures for the conversation history: 100,000 entries queued and written (entries per second,
// and the longest time one Ajouter held the calling thread), then searches in a history of
// 1,000,000 entries of French-like text, for a word found in about 1% of them and for a rare one,
// set against the 50 ms a search may take while the user waits for it.
#include "core/history/Historique.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int EntreesDebit = 100'000;
constexpr int EntreesRecherche = 1'000'000;
constexpr int ParTranche = 20'000;
constexpr int Recherches = 20;
constexpr double ObjectifMs = 50;

const char* const Courants[] = {
    "le",        "la",       "les",         "de",         "des",       "du",       "un",       "une",
    "et",        "à",        "en",          "pour",       "que",       "qui",      "dans",     "sur",
    "pas",       "plus",     "ne",          "je",         "tu",        "il",       "elle",     "on",
    "nous",      "vous",     "ils",         "ce",         "ça",        "est",      "sont",     "suis",
    "es",        "ai",       "as",          "a",          "avons",     "avez",     "ont",      "fait",
    "faire",     "dit",      "bien",        "très",       "aussi",     "mais",     "ou",       "donc",
    "car",       "si",       "avec",        "sans",       "chez",      "moi",      "toi",      "lui",
    "demain",    "hier",     "aujourd'hui", "soir",       "matin",     "midi",     "semaine",  "week-end",
    "travail",   "maison",   "voiture",     "train",      "fichier",   "photo",    "message",  "réunion",
    "projet",    "rapport",  "été",         "hiver",      "printemps", "automne",  "Noël",     "vacances",
    "café",      "déjeuner", "dîner",       "cinéma",     "musique",   "livre",    "film",     "match",
    "équipe",    "bonjour",  "salut",       "merci",      "désolé",    "d'accord", "super",    "génial",
    "peut-être", "bientôt",  "toujours",    "jamais",     "encore",    "déjà",     "vraiment", "quoi",
    "comment",   "pourquoi", "quand",       "où",         "combien",   "envoyer",  "recevoir", "regarder",
    "appeler",   "attendre", "venir",       "partir",     "arriver",   "manger",   "réseau",   "ordinateur",
    "écran",     "clavier",  "souris",      "imprimante", "serveur",   "mot",      "passe",
};

const char* const Syllabes[] = {"pa",  "ri",  "lon", "mé",   "tre",  "cha", "ble", "vou", "ran",
                                "dé",  "ci",  "to",  "gne",  "peu",  "bro", "sin", "lu",  "fè",
                                "que", "van", "ho",  "jor",  "ste",  "ni",  "qua", "bé",  "ron",
                                "sa",  "gu",  "ell", "ette", "ment", "ier", "eau", "oir"};

// Synthetic words for a vocabulary of realistic size; none is one of the words searched for.
QStringList Rares(QRandomGenerator& hasard, int combien) {
    QStringList mots;
    for (int i = 0; i < combien; ++i) {
        QString mot;
        const int n = 2 + int(hasard.bounded(3));
        for (int s = 0; s < n; ++s) {
            mot += QString::fromUtf8(Syllabes[hasard.bounded(int(std::size(Syllabes)))]);
        }
        mots << mot;
    }
    return mots;
}

class Textes {
public:
    Textes() : m_hasard(20240301), m_inventes(Rares(m_hasard, 20'000)) {
        for (const char* c : Courants) {
            m_courants << QString::fromUtf8(c);
        }
    }
    // About 1% of the texts hold "marmotte", one in 50,000 "ornithorynque".
    QString Suivant(int n) {
        QString texte;
        const int mots = 3 + int(m_hasard.bounded(15));
        for (int i = 0; i < mots; ++i) {
            if (i) {
                texte += u' ';
            }
            texte += m_hasard.bounded(10) < 7 ? m_courants.at(m_hasard.bounded(int(m_courants.size())))
                                              : m_inventes.at(m_hasard.bounded(int(m_inventes.size())));
        }
        if (n % 100 == 37) {
            texte += QStringLiteral(" la marmotte dort");
        }
        if (n % 50'000 == 4242) {
            texte += QStringLiteral(", un ornithorynque !");
        }
        return texte;
    }

private:
    QRandomGenerator m_hasard;
    QStringList m_courants;
    QStringList m_inventes;
};

EntreeHistorique Entree(Textes& textes, int n, const QDateTime& debut) {
    EntreeHistorique e;
    e.Moment = debut.addSecs(n * 13);
    e.Genre = EntreeHistorique::Sorte(n % 2);
    e.Adresse = QStringLiteral("192.168.1.%1").arg(10 + n % 7);
    e.PseudoContact = QStringLiteral("Contact %1").arg(n % 7);
    e.Auteur = n % 2 ? e.PseudoContact : QStringLiteral("Moi");
    e.Police = n % 6;
    e.Couleur = n % 10;
    e.Style = n % 8;
    e.Texte = textes.Suivant(n);
    return e;
}

qint64 Taille(const QString& chemin) {
    return QFileInfo(chemin).size() + QFileInfo(chemin + QStringLiteral("-wal")).size();
}

void Chercher(BaseHistorique& base, const QString& mots) {
    std::vector<double> durees;
    qsizetype trouves = 0;
    for (int i = 0; i < Recherches; ++i) {
        QElapsedTimer montre;
        montre.start();
        trouves = base.Chercher(mots).size();
        durees.push_back(montre.nsecsElapsed() / 1e6);
    }
    std::sort(durees.begin(), durees.end());
    const double mediane = (durees[Recherches / 2 - 1] + durees[Recherches / 2]) / 2;
    const double pire = durees.back();
    std::printf("  %-24s %4lld found   median %7.2f ms (%.3f x 50 ms)   worst %7.2f ms (%.3f x 50 ms)\n",
                qPrintable(QLatin1Char('"') +
                           (mots.size() > 20 ? mots.left(18) + QStringLiteral("...") : mots) +
                           QLatin1Char('"')),
                static_cast<long long>(trouves), mediane, mediane / ObjectifMs, pire, pire / ObjectifMs);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dossier;
    const QDateTime debut = QDateTime::currentDateTime().addYears(-2);

    {
        const QString chemin = dossier.filePath(QStringLiteral("debit.db"));
        Textes textes;
        std::vector<EntreeHistorique> entrees;
        entrees.reserve(EntreesDebit);
        for (int n = 0; n < EntreesDebit; ++n) {
            entrees.push_back(Entree(textes, n, debut));
        }
        BaseHistorique base(chemin);
        base.Vider();
        QElapsedTimer montre;
        montre.start();
        qint64 pire = 0;
        int lents = 0;
        for (const EntreeHistorique& e : entrees) {
            const qint64 avant = montre.nsecsElapsed();
            base.Ajouter(e);
            const qint64 duree = montre.nsecsElapsed() - avant;
            pire = std::max(pire, duree);
            lents += duree > 20'000;
        }
        const double ajoutes = montre.nsecsElapsed() / 1e9;
        base.Vider();
        const double secondes = montre.nsecsElapsed() / 1e9;
        std::printf("Writing %d entries: Ajouter loop %.3f s, written after %.3f s: %.0f entries/s\n",
                    EntreesDebit, ajoutes, secondes, EntreesDebit / secondes);
        std::printf("  Ajouter on the calling thread: mean %.2f us, longest %.1f us, %d calls over 20 us\n",
                    ajoutes * 1e6 / EntreesDebit, pire / 1e3, lents);
        std::printf("  database: %.1f MiB\n", Taille(chemin) / 1048576.0);
    }

    {
        const QString chemin = dossier.filePath(QStringLiteral("recherche.db"));
        BaseHistorique base(chemin);
        Textes textes;
        QElapsedTimer montre;
        montre.start();
        for (int n = 0; n < EntreesRecherche;) {
            for (const int fin = n + ParTranche; n < fin; ++n) {
                base.Ajouter(Entree(textes, n, debut));
            }
            base.Vider();
        }
        std::printf("Filling %d entries: %.1f s, database %.1f MiB\n", EntreesRecherche,
                    montre.nsecsElapsed() / 1e9, Taille(chemin) / 1048576.0);
        std::printf("Searches (%d each, at most 200 results, goal under 50 ms):\n", Recherches);
        Chercher(base, QStringLiteral("marmotte"));
        Chercher(base, QStringLiteral("ornithorynque"));
        Chercher(base, QStringLiteral("Marmotte DORT"));
        Chercher(base, QStringLiteral("marm"));
        Chercher(base, QStringLiteral("vacances noel"));
        Chercher(base, QStringLiteral("ma"));
        Chercher(base, QStringLiteral("e"));
        Chercher(base, QStringLiteral("je suis à la maison demain soir avec le train et les photos"));
    }
    return 0;
}
