// A 50 MiB text file compressed and decompressed through the compression window, set against the
// system's bzip2 on the same file in the same run; with the longest the interface thread went
// without turning meanwhile. The streams and the bytes that come back are checked.
#include "CopieOvan.h"
#include "ui/app/Interface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 Taille = 50LL << 20;
constexpr int Tours = 3;

// Prose-like text: sentences of words from a small dictionary, some numbers and dates.
bool EcrireTexte(const QString& chemin) {
    static const char* mots[] = {
        "le",        "la",        "les",      "de",        "des",       "du",       "un",
        "une",       "et",        "à",        "en",        "pour",      "que",      "qui",
        "dans",      "sur",       "avec",     "pas",       "plus",      "par",      "message",
        "fichier",   "contact",   "réseau",   "envoi",     "réception", "bonjour",  "merci",
        "demain",    "soir",      "matin",    "semaine",   "photo",     "dossier",  "document",
        "projet",    "réunion",   "rapport",  "connexion", "serveur",   "adresse",  "ordinateur",
        "programme", "version",   "nouvelle", "ancienne",  "grande",    "petite",   "rapide",
        "lent",      "toujours",  "jamais",   "peut-être", "envoyé",    "reçu",     "téléchargé",
        "compressé", "ouvert",    "fermé",    "octets",    "minutes",   "secondes", "Paris",
        "Lyon",      "Marseille", "Nantes",   "Lille",     "Bordeaux",  "Toulouse", "Strasbourg",
        "Rennes"};
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    QRandomGenerator g(2024);
    QByteArray bloc;
    qint64 ecrit = 0;
    while (ecrit < Taille) {
        bloc.clear();
        while (bloc.size() < 1 << 20) {
            const int longueur = 6 + g.bounded(14);
            for (int i = 0; i < longueur; ++i) {
                // Short words come far more often, as in real text.
                const int n = int(std::size(mots));
                const int k = std::min(g.bounded(n), g.bounded(n));
                QByteArray mot = mots[k];
                if (i == 0 && mot[0] >= 'a' && mot[0] <= 'z') {
                    mot[0] = char(mot[0] - 'a' + 'A');
                }
                bloc += mot;
                if (g.bounded(12) == 0) {
                    bloc += ' ' + QByteArray::number(g.bounded(10000));
                }
                bloc += i + 1 < longueur ? " " : "";
            }
            bloc += g.bounded(10) == 0 ? QByteArray(" (le ") + QByteArray::number(1 + g.bounded(28)) + "/" +
                                             QByteArray::number(1 + g.bounded(12)) + "/2024).\n"
                                       : QByteArray(g.bounded(4) == 0 ? ".\n" : ". ");
        }
        const qint64 n = std::min<qint64>(bloc.size(), Taille - ecrit);
        if (f.write(bloc.constData(), n) != n) {
            return false;
        }
        ecrit += n;
    }
    return true;
}

QByteArray Lire(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// bzip2 with its output to a file, as a shell redirection would; seconds.
double Bzip2(const QStringList& arguments, const QString& sortie) {
    QFile::remove(sortie);
    QProcess p;
    p.setStandardOutputFile(sortie);
    QElapsedTimer horloge;
    horloge.start();
    p.start(QStringLiteral("bzip2"), arguments);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "bzip2 %s a échoué\n", qPrintable(arguments.join(u' ')));
        return -1;
    }
    return horloge.nsecsElapsed() / 1e9;
}

struct Mesure {
    double secondes = -1;
    qint64 arretMaxMs = 0;
};

// One command of the window, timed to its last box, while a 1 ms pulse records the longest gap.
Mesure ParLaFenetre(CopieOvan& c, bool compresser, const QString& source, const QString& sortie) {
    QFile::remove(sortie);
    Interface& ui = c.interface();
    ui.TextBoxhWnd[compresser ? ZoneACompresser : ZoneADecompresser]->setText(source);
    ui.TextBoxhWnd[compresser ? ZoneArchiveCreee : ZoneFichierCree]->setText(sortie);
    const qsizetype avant = c.dialogues().Appels().size();
    Mesure m;
    QEventLoop boucle;
    QObject::connect(&c.dialogues(), &DialoguesEnregistres::appel, &boucle, &QEventLoop::quit);
    QElapsedTimer horloge, pouls;
    QTimer battement;
    battement.setTimerType(Qt::PreciseTimer);
    battement.setInterval(1);
    QObject::connect(&battement, &QTimer::timeout, &boucle,
                     [&] { m.arretMaxMs = std::max(m.arretMaxMs, pouls.restart()); });
    horloge.start();
    pouls.start();
    battement.start();
    c.ovan().ClicBouton(compresser ? Commande::Compresser : Commande::Decompresser);
    if (c.dialogues().Appels().size() == avant) {
        boucle.exec();
    }
    m.secondes = horloge.nsecsElapsed() / 1e9;
    m.arretMaxMs = std::max(m.arretMaxMs, pouls.elapsed());
    const QString boite = c.dialogues().Appels().value(avant).texte;
    if (!boite.contains(QStringLiteral("succès"))) {
        std::fprintf(stderr, "%s\n", qPrintable(boite));
        m.secondes = -1;
    }
    return m;
}

QtMessageHandler gestionnaire = nullptr;

void Filtrer(QtMsgType type, const QMessageLogContext& contexte, const QString& message) {
    if (!message.startsWith(QStringLiteral("This plugin does not support")) && gestionnaire) {
        gestionnaire(type, contexte, message);
    }
}

int Banc() {
    QTemporaryDir d;
    const QString texte = d.filePath("texte.txt");
    if (!d.isValid() || !EcrireTexte(texte)) {
        std::fprintf(stderr, "impossible d'écrire le fichier source\n");
        return 1;
    }
    CopieOvan c(QStringLiteral("127.0.0.195"));
    double refC = 1e9, refD = 1e9;
    Mesure nousC{1e9, 0}, nousD{1e9, 0};
    std::printf("%d MiB de texte, %d tours ; meilleur temps de chaque côté\n", int(Taille >> 20), Tours);
    for (int tour = 1; tour <= Tours; ++tour) {
        const double rc = Bzip2({"-9", "-k", "-c", texte}, d.filePath("ref.bz2"));
        const Mesure mc = ParLaFenetre(c, true, texte, d.filePath("nous.bz2"));
        const double rd = Bzip2({"-d", "-c", d.filePath("ref.bz2")}, d.filePath("ref.txt"));
        const Mesure md = ParLaFenetre(c, false, d.filePath("nous.bz2"), d.filePath("nous.txt"));
        if (rc < 0 || rd < 0 || mc.secondes < 0 || md.secondes < 0) {
            return 1;
        }
        std::printf("tour %d : compression bzip2 %.2f s, nous %.2f s (arrêt max %lld ms) ; "
                    "décompression bzip2 %.2f s, nous %.2f s (arrêt max %lld ms)\n",
                    tour, rc, mc.secondes, mc.arretMaxMs, rd, md.secondes, md.arretMaxMs);
        std::fflush(stdout);
        refC = std::min(refC, rc);
        refD = std::min(refD, rd);
        nousC.secondes = std::min(nousC.secondes, mc.secondes);
        nousC.arretMaxMs = std::max(nousC.arretMaxMs, mc.arretMaxMs);
        nousD.secondes = std::min(nousD.secondes, md.secondes);
        nousD.arretMaxMs = std::max(nousD.arretMaxMs, md.arretMaxMs);
    }
    const QByteArray source = Lire(texte);
    const bool memeFlux = Lire(d.filePath("nous.bz2")) == Lire(d.filePath("ref.bz2"));
    const bool memesOctets = Lire(d.filePath("nous.txt")) == source && Lire(d.filePath("ref.txt")) == source;
    const double taux = double(QFileInfo(d.filePath("nous.bz2")).size()) / double(Taille);
    std::printf(
        "taux de compression %.1f %% ; flux identique à bzip2 -9 : %s ; octets rendus identiques : %s\n",
        100 * taux, memeFlux ? "oui" : "NON", memesOctets ? "oui" : "NON");
    std::printf("compression   : bzip2 %.2f s (%.1f Mio/s), nous %.2f s, rapport %.3f (but <= 1.05), "
                "arrêt max de l'interface %lld ms\n",
                refC, (Taille >> 20) / refC, nousC.secondes, nousC.secondes / refC, nousC.arretMaxMs);
    std::printf("décompression : bzip2 %.2f s (%.1f Mio/s), nous %.2f s, rapport %.3f (but <= 1.05), "
                "arrêt max de l'interface %lld ms\n",
                refD, (Taille >> 20) / refD, nousD.secondes, nousD.secondes / refD, nousD.arretMaxMs);
    return memeFlux && memesOctets ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    gestionnaire = qInstallMessageHandler(Filtrer);
    QApplication application(argc, argv);
    return Banc();
}
