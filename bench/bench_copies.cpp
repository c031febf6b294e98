// A 1 GiB file between two running copies, each in a process of its own, on loopback, set against
// socat copying the same file disk to disk in the same run; for each copy, its memory growth and
// the longest its interface thread went without turning. The bytes that arrive are checked.
// The bench starts itself twice: "bench_copies emetteur FILE" and "bench_copies recepteur FOLDER/".
#include "CopieOvan.h"
#include "core/chat/SocketsChat.h"
#include "ui/app/Interface.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 Taille = 1LL << 30;
constexpr double Mio = double(Taille) / (1 << 20);
// The interface thread's pulse: against 10 ms, 1 ms slowed the transfer by nothing measurable.
constexpr int PoulsMs = 1;
constexpr int PortSocat = 46200;
const QString Nom = QStringLiteral("source.bin");
const QString IpRecepteur = QStringLiteral("127.0.0.121");

// Monotonic nanoseconds, comparable between the processes of the machine.
qint64 Maintenant() {
    return QDeadlineTimer::current().deadlineNSecs();
}

// A field of /proc/self/status, in KiB.
qint64 Statut(const QByteArray& champ) {
    QFile statut(QStringLiteral("/proc/self/status"));
    const QByteArray texte = statut.open(QIODevice::ReadOnly) ? statut.readAll() : QByteArray();
    const qsizetype i = texte.indexOf('\n' + champ);
    return i < 0 ? 0 : texte.mid(i + champ.size() + 1).trimmed().split(' ').value(0).toLongLong();
}

void Dire(const QByteArray& ligne) {
    std::printf("%s\n", ligne.constData());
    std::fflush(stdout);
}

QtMessageHandler gestionnaire = nullptr;

// What the offscreen platform cannot do is said at every fade: left out, the rest goes through.
void Filtrer(QtMsgType type, const QMessageLogContext& contexte, const QString& message) {
    if (!message.startsWith(QStringLiteral("This plugin does not support")) &&
        !message.contains(QStringLiteral("XDG_RUNTIME_DIR"))) {
        gestionnaire(type, contexte, message);
    }
}

// One copy, driven by lines on stdin ("ARMER", then "GO" for the sender), answering on stdout.
// It stays until stdin closes: its leaving would end the contact's transfer as a cancel.
int Copie(bool emetteur, const QString& chemin) {
    CopieOvan copie(emetteur ? QStringLiteral("127.0.0.120") : IpRecepteur, QByteArray(), true);
    if (emetteur) {
        copie.Connecter(QStringLiteral("Alice"), IpRecepteur);
    } else {
        copie.Pseudo()->setText(QStringLiteral("Bob"));
        copie.ovan().conversation().ReglerDossierReception(chemin);
        Dire("ECOUTE");
    }
    const QString autre = emetteur ? QStringLiteral("Bob") : QStringLiteral("Alice");
    if (!QTest::qWaitFor(
            [&] {
                return copie.ovan().Etat() == EtatConnexion::Connecte &&
                       copie.ovan().conversation().SonPseudo() == autre;
            },
            20000)) {
        Dire("ECHEC connexion");
        return 1;
    }
    Dire("PRET");

    qint64 debut = 0, octets = 0, battement = 0, pire = 0, pireFin = 0, avant = 0;
    int issue = 1;
    QTimer pouls;
    pouls.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pouls, &QTimer::timeout, [&] {
        const qint64 t = Maintenant();
        if (t - battement > pire) {
            pire = t - battement;
            pireFin = t;
        }
        battement = t;
    });
    // At 1000 every byte is in the socket, or in the file before its flush to disk.
    QObject::connect(copie.interface().ProgressBarhWnd[1], &QProgressBar::valueChanged,
                     [&](int v) { octets = v == 1000 && octets == 0 ? Maintenant() : octets; });
    const QString succes =
        (emetteur ? QStringLiteral("Vous avez envoyé '") : QStringLiteral("Vous avez reçu '")) + Nom +
        QStringLiteral("' avec succès !");
    QObject::connect(copie.Conversation(), &QTextEdit::textChanged, [&] {
        const QString texte = copie.TexteConversation();
        if (!pouls.isActive()) {
            return;
        }
        if (texte.contains(succes)) {
            const qint64 fin = Maintenant();
            pouls.stop();
            issue = 0;
            QByteArray ligne("RESULTAT");
            for (qint64 v : {debut, octets, fin, avant, Statut("VmHWM:") - avant, pire, pireFin}) {
                ligne += ' ' + QByteArray::number(v);
            }
            Dire(ligne);
        } else if (texte.contains(QStringLiteral("a échoué")) ||
                   texte.contains(QStringLiteral("Annulation")) || texte.contains(QStringLiteral("refusé"))) {
            pouls.stop();
            Dire("ECHEC " + texte.trimmed().split(u'\n').last().toUtf8());
        }
    });
    QSocketNotifier entree(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray recu;
    QObject::connect(&entree, &QSocketNotifier::activated, [&] {
        char bloc[256];
        const ssize_t n = ::read(STDIN_FILENO, bloc, sizeof bloc);
        if (n <= 0) {
            entree.setEnabled(false);
            QCoreApplication::exit(issue);
        }
        recu.append(bloc, std::max<ssize_t>(n, 0));
        for (qsizetype i; (i = recu.indexOf('\n')) >= 0; recu.remove(0, i + 1)) {
            if (recu.startsWith("ARMER")) {
                // Start-up's peak is not the transfer's: the peak comes back to the present.
                QFile raz(QStringLiteral("/proc/self/clear_refs"));
                if (!raz.open(QIODevice::WriteOnly) || raz.write("5") != 1) {
                    qWarning("clear_refs refuse : le pic compte aussi le demarrage");
                }
                raz.close();
                avant = Statut("VmRSS:");
                debut = battement = Maintenant();
                pouls.start(PoulsMs);
                Dire("ARME");
            } else if (recu.startsWith("GO") && emetteur) {
                debut = Maintenant();
                copie.dialogues().RepondreFichier(chemin);
                copie.ovan().ClicBouton(Commande::EnvoyerFichier);
            }
        }
    });
    return QCoreApplication::exec();
}

// The next line of p that holds mot; empty when p ends, fails or delaiMs pass.
QByteArray Ligne(QProcess& p, const QByteArray& mot, int delaiMs = 60000) {
    const QDeadlineTimer echeance(delaiMs);
    for (;;) {
        while (p.canReadLine()) {
            const QByteArray ligne = p.readLine().trimmed();
            if (ligne.contains(mot)) {
                return ligne;
            }
            if (ligne.startsWith("ECHEC")) {
                std::printf("  %s\n", ligne.constData());
                return {};
            }
        }
        if (p.state() == QProcess::NotRunning || echeance.hasExpired()) {
            return {};
        }
        p.waitForReadyRead(int(echeance.remainingTime()));
    }
}

QByteArray Empreinte(const QString& chemin) {
    QFile f(chemin);
    QCryptographicHash h(QCryptographicHash::Sha256);
    return f.open(QIODevice::ReadOnly) && h.addData(&f) ? h.result() : QByteArray();
}

// Random bytes; returns their SHA-256, empty on failure.
QByteArray EcrireSource(const QString& chemin) {
    QFile f(chemin);
    QCryptographicHash h(QCryptographicHash::Sha256);
    QRandomGenerator64 generateur(QRandomGenerator::global()->generate64());
    QList<quint64> bloc((1 << 20) / 8);
    for (qint64 fait = 0; fait < Taille; fait += 1 << 20) {
        generateur.fillRange(bloc.data(), bloc.size());
        const QByteArrayView octets(reinterpret_cast<const char*>(bloc.constData()), 1 << 20);
        if ((!f.isOpen() && !f.open(QIODevice::WriteOnly)) || f.write(octets.data(), 1 << 20) != 1 << 20) {
            return {};
        }
        h.addData(octets);
    }
    return h.result();
}

// From the click to both successes, in seconds; negative when the transfer failed.
double Copies(const QString& source, const QString& recus, double& picMax, double& arretMax) {
    QProcess copies[2]; // sender, receiver
    for (int i : {1, 0}) {
        copies[i].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copies[i].start(
            QCoreApplication::applicationFilePath(),
            {i == 0 ? QStringLiteral("emetteur") : QStringLiteral("recepteur"), i == 0 ? source : recus});
        if (i == 1 && Ligne(copies[1], "ECOUTE").isEmpty()) {
            return -1;
        }
    }
    for (QProcess& p : copies) {
        if (Ligne(p, "PRET").isEmpty() || p.write("ARMER\n") < 0 || !p.waitForBytesWritten() ||
            Ligne(p, "ARME").isEmpty()) {
            return -1;
        }
    }
    copies[0].write("GO\n");
    copies[0].waitForBytesWritten();
    QList<QByteArray> r[2];
    for (int i = 0; i < 2; ++i) {
        r[i] = Ligne(copies[i], "RESULTAT", 600000).split(' ');
    }
    for (QProcess& p : copies) {
        p.closeWriteChannel();
        p.waitForFinished();
    }
    if (r[0].size() != 8 || r[1].size() != 8) {
        return -1;
    }
    // Fields: click (sender), last byte, success, VmRSS before, peak growth, longest stall, its end.
    const auto champ = [&](int i, int n) { return r[i][n].toLongLong(); };
    const qint64 clic = champ(0, 1);
    const double secondes = (std::max(champ(0, 3), champ(1, 3)) - clic) / 1e9;
    std::printf("copies : %.2f s (%.0f Mio/s), dernier octet ecrit a %.2f s (avant le fsync)\n", secondes,
                Mio / secondes, (champ(1, 2) - clic) / 1e9);
    for (int i = 0; i < 2; ++i) {
        std::printf("  %s : memoire +%.1f Mio au pic (VmRSS avant %.1f Mio), plus long arret de l'interface "
                    "%.1f ms (finissant a %.2f s)\n",
                    i == 0 ? "emetteur " : "recepteur", champ(i, 5) / 1024.0, champ(i, 4) / 1024.0,
                    champ(i, 6) / 1e6, (champ(i, 7) - clic) / 1e9);
        picMax = std::max(picMax, champ(i, 5) / 1024.0);
        arretMax = std::max(arretMax, champ(i, 6) / 1e6);
    }
    return secondes;
}

// socat from file to file: from the sending one's start to the listening one's end, in seconds,
// and the same with the file then flushed to disk; negative on failure.
std::pair<double, double> Socat(const QString& source, const QString& cible) {
    QProcess ecoute, envoi;
    ecoute.setProcessChannelMode(QProcess::MergedChannels);
    ecoute.start(QStringLiteral("socat"),
                 {QStringLiteral("-d"), QStringLiteral("-d"), QStringLiteral("-u"),
                  QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.122,reuseaddr").arg(PortSocat),
                  QStringLiteral("OPEN:%1,creat,trunc").arg(cible)});
    if (Ligne(ecoute, "listening", 10000).isEmpty()) {
        return {-1, -1};
    }
    const qint64 debut = Maintenant();
    envoi.start(QStringLiteral("socat"), {QStringLiteral("-u"), QStringLiteral("OPEN:") + source,
                                          QStringLiteral("TCP:127.0.0.122:%1").arg(PortSocat)});
    const bool fini = ecoute.waitForFinished(600000) && ecoute.exitCode() == 0;
    const qint64 fin = Maintenant();
    const int fd = ::open(QFile::encodeName(cible).constData(), O_WRONLY | O_CLOEXEC);
    const bool ecrit = fd >= 0 && ::fsync(fd) == 0 && ::close(fd) == 0;
    const qint64 surDisque = Maintenant();
    if (!fini || !ecrit || !envoi.waitForFinished() || envoi.exitCode() != 0) {
        return {-1, -1};
    }
    return {(fin - debut) / 1e9, (surDisque - debut) / 1e9};
}

int Banc() {
    // On disk, not tmpfs: 2 GiB at the peak.
    QTemporaryDir dossier(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_copies-XXXXXX"));
    const QString source = dossier.filePath(Nom);
    const QString recus = dossier.filePath(QStringLiteral("recus")) + u'/';
    const QString cible = dossier.filePath(QStringLiteral("socat.bin"));
    const QByteArray empreinte =
        dossier.isValid() && QDir().mkpath(recus) ? EcrireSource(source) : QByteArray();
    if (empreinte.isEmpty()) {
        std::puts("fichier source impossible");
        return 1;
    }
    std::printf("1 Gio aleatoire dans %s (SHA-256 %.16s...)\n", qPrintable(dossier.path()),
                empreinte.toHex().constData());
    bool bon = true;
    double copies = 1e9, socat = 1e9, socatFsync = 1e9, picMax = 0, arretMax = 0;
    // socat, copies, copies, socat: neither is always first; each starts with nothing left to flush.
    for (int tour = 0; tour < 4; ++tour) {
        ::sync();
        std::printf("essai %d, ", tour < 2 ? 1 : 2);
        bool egal = false;
        if (tour == 0 || tour == 3) {
            const auto [s, sf] = Socat(source, cible);
            egal = s > 0 && Empreinte(cible) == empreinte;
            std::printf("socat : %.2f s (%.0f Mio/s), %.2f s avec un fsync apres\n", s, Mio / s, sf);
            socat = egal ? std::min(socat, s) : socat;
            socatFsync = egal ? std::min(socatFsync, sf) : socatFsync;
            QFile::remove(cible);
        } else {
            const double s = Copies(source, recus, picMax, arretMax);
            if (s < 0) {
                std::puts("copies : echec");
            }
            egal = s > 0 && Empreinte(recus + Nom) == empreinte;
            copies = egal ? std::min(copies, s) : copies;
            QDir(recus).removeRecursively();
            QDir().mkpath(recus);
        }
        std::printf("  SHA-256 du fichier recu identique a la source : %s\n", egal ? "oui" : "NON");
        bon = bon && egal;
    }
    if (!bon) {
        std::puts("ECHEC : un transfert n'a pas abouti ou les octets different");
        return 1;
    }
    std::printf("meilleurs : copies %.2f s (%.0f Mio/s), socat %.2f s (%.0f Mio/s), socat + fsync %.2f s\n",
                copies, Mio / copies, socat, Mio / socat, socatFsync);
    std::printf("rapport copies / socat : %.2f (objectif : au plus 1.25) ; copies / (socat + fsync) : %.2f\n",
                copies / socat, copies / socatFsync);
    std::printf(
        "pic memoire le plus haut : +%.1f Mio (objectif < 64) ; plus long arret : %.1f ms (objectif < 50)\n",
        picMax, arretMax);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    const QByteArray role = argc == 3 ? QByteArray(argv[1]) : QByteArray();
    if (role == "emetteur" || role == "recepteur") {
        gestionnaire = qInstallMessageHandler(Filtrer);
        QApplication application(argc, argv);
        return Copie(role == "emetteur", QString::fromLocal8Bit(argv[2]));
    }
    // For the copies, which inherit it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QCoreApplication application(argc, argv);
    return Banc();
}
