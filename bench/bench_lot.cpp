// A batch of 10,000 files of 4 KiB in 100 folders (and a few empty ones) between two file channels
// in two network namespaces joined by a veth pair, each in its own process, against tar piped
// through socat between the same namespaces; alternated, in the same run. Both are timed until the
// received tree is on disk: ours ends with syncfs, so tar x is followed by sync -f on its folder.
// Needs root.
#include "DeuxEspaces.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/Lot.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace DeuxEspaces;

constexpr int Dossiers = 100, Fichiers = 10000, TailleFichier = 4096;
constexpr quint16 PortLot = 60011, PortTar = 60012;
const QString NsA = QStringLiteral("ovan-lot-a"), NsB = QStringLiteral("ovan-lot-b");
const QHostAddress IpA(QStringLiteral("10.233.1.1")), IpB(QStringLiteral("10.233.1.2"));

// Ours, once: B links to A, then A composes the batch and sends it. Seconds, or -1.
double Essai(const QString& source, const QString& recus, const Lot::Source& lot) {
    int deA[2], versA[2], deB[2];
    if (::pipe(deA) != 0 || ::pipe(versA) != 0 || ::pipe(deB) != 0) {
        return -1;
    }
    const pid_t a = Lancer(
        NsA, deA[1],
        [&] {
            CanalFichier canal(IpA, PortLot);
            if (!canal.Ecouter() || !canal.Proposer(IpB)) {
                return false;
            }
            Ecrire(deA[1], 'P');
            if (Lire(versA[0]) != 'G') {
                return false;
            }
            // Walking the tree counts, as it does for tar.
            QString erreur;
            const auto compose = Lot::Composer(QStringList{source}, erreur);
            if (!compose) {
                return false;
            }
            QObject::connect(&canal, &CanalFichier::termine, [&] { Ecrire(deA[1], 'T'); });
            QObject::connect(&canal, &CanalFichier::echec, [&](RaisonEchec r) {
                std::fprintf(stderr, "envoi en echec (%d)\n", int(r));
                Ecrire(deA[1], 'X');
            });
            for (auto fin : {&CanalFichier::termine, &CanalFichier::annule}) {
                QObject::connect(&canal, fin, qApp, &QCoreApplication::quit);
            }
            QObject::connect(&canal, &CanalFichier::echec, qApp, &QCoreApplication::quit);
            canal.EnvoyerLot(IpB, std::make_shared<const Lot::Source>(*compose));
            QCoreApplication::exec();
            return true;
        },
        'X');
    double secondes = -1;
    if (Lire(deA[0]) == 'P') {
        const pid_t b = Lancer(
            NsB, deB[1],
            [&] {
                CanalFichier canal(IpB, PortLot);
                if (!canal.Ecouter()) {
                    return false;
                }
                QObject::connect(&canal, &CanalFichier::relie, [&] { Ecrire(deB[1], 'R'); });
                QObject::connect(&canal, &CanalFichier::termine, [&] { Ecrire(deB[1], 'T'); });
                QObject::connect(&canal, &CanalFichier::echec, [&](RaisonEchec r) {
                    std::fprintf(stderr, "reception en echec (%d)\n", int(r));
                    Ecrire(deB[1], 'X');
                });
                QObject::connect(&canal, &CanalFichier::termine, qApp, &QCoreApplication::quit);
                QObject::connect(&canal, &CanalFichier::echec, qApp, &QCoreApplication::quit);
                canal.RecevoirLot(IpA, recus, lot.NombreFichiers(), lot.total,
                                  {QStringLiteral("Alice"), lot.nom});
                QCoreApplication::exec();
                return true;
            },
            'X');
        if (Lire(deB[0]) == 'R') {
            QElapsedTimer montre;
            montre.start();
            Ecrire(versA[1], 'G');
            const char finB = Lire(deB[0]), finA = Lire(deA[0]);
            if (finA == 'T' && finB == 'T') {
                secondes = montre.nsecsElapsed() / 1e9;
            }
        }
        ::kill(b, SIGTERM);
        ::waitpid(b, nullptr, 0);
    }
    ::kill(a, SIGTERM);
    ::waitpid(a, nullptr, 0);
    for (int fd : {deA[0], deA[1], versA[0], versA[1], deB[0], deB[1]}) {
        ::close(fd);
    }
    return secondes;
}

QProcess* Shell(const QString& ns, const QString& commande) {
    auto* p = new QProcess;
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start(QStringLiteral("ip"), {"netns", "exec", ns, "sh", "-c", commande});
    return p;
}

// tar c | socat in A, socat | tar x then sync -f in B, once B listens. Seconds, or -1.
double EssaiTar(const QString& parent, const QString& recus) {
    const QString port = QString::number(PortTar);
    std::unique_ptr<QProcess> b(
        Shell(NsB, QStringLiteral("socat -u TCP-LISTEN:%1,reuseaddr - | tar x -C '%2' && sync -f '%2'")
                       .arg(port, recus)));
    // The listener is up once ss lists it; each look is a process of its own, no fixed wait.
    for (bool ecoute = false; !ecoute && !b->waitForFinished(0);) {
        QProcess ss;
        ss.start(QStringLiteral("ip"), {"netns", "exec", NsB, "ss", "-ltnH", "sport = :" + port});
        ss.waitForFinished();
        ecoute = !ss.readAllStandardOutput().trimmed().isEmpty();
    }
    QElapsedTimer montre;
    montre.start();
    std::unique_ptr<QProcess> a(Shell(
        NsA,
        QStringLiteral("tar c -C '%1' Photos | socat -u - TCP:%2:%3").arg(parent, IpB.toString(), port)));
    a->waitForFinished(-1);
    b->waitForFinished(-1);
    const double secondes = montre.nsecsElapsed() / 1e9;
    const bool ok = a->exitStatus() == QProcess::NormalExit && a->exitCode() == 0 &&
                    b->exitStatus() == QProcess::NormalExit && b->exitCode() == 0;
    return ok ? secondes : -1;
}

struct Arbre {
    int fichiers = 0, dossiers = 0;
    qint64 octets = 0;
};

Arbre Compter(const QString& racine) {
    Arbre arbre;
    QDirIterator it(racine, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        info.isDir() ? ++arbre.dossiers : ++arbre.fichiers;
        arbre.octets += info.isDir() ? 0 : info.size();
    }
    return arbre;
}

QString Chemin(int i) {
    return QStringLiteral("Photos/dossier_%1/photo_%2.jpg")
        .arg(i % Dossiers, 3, 10, QChar(u'0'))
        .arg(i, 5, 10, QChar(u'0'));
}

// The received tree under recu against the source's: counts, bytes and one file in 97 compared.
bool Pareil(const QString& source, const QString& recu) {
    const Arbre s = Compter(source + QStringLiteral("/Photos")),
                r = Compter(recu + QStringLiteral("/Photos"));
    bool ok = s.fichiers == r.fichiers && s.dossiers == r.dossiers && s.octets == r.octets;
    for (int i = 0; ok && i < Fichiers; i += 97) {
        QFile f(source + u'/' + Chemin(i)), g(recu + u'/' + Chemin(i));
        ok = f.open(QIODevice::ReadOnly) && g.open(QIODevice::ReadOnly) && f.readAll() == g.readAll();
    }
    if (!ok) {
        std::printf(
            "ECHEC : arbre recu different (%d fichiers, %d dossiers, %lld octets ; attendu %d, %d, %lld)\n",
            r.fichiers, r.dossiers, r.octets, s.fichiers, s.dossiers, s.octets);
    }
    return ok;
}

double Mediane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main() {
    if (::geteuid() != 0 || !DeuxEspaces::Reseau(NsA, NsB, "ovlota", "ovlotb", 1)) {
        std::puts("bench_lot: needs root and network namespaces");
        return 77;
    }
    QTemporaryDir dossier;
    const QString parent = dossier.filePath(QStringLiteral("source"));
    const QString source = parent + QStringLiteral("/Photos");
    QList<quint32> mots(TailleFichier / 4);
    for (int i = 0; i < Fichiers; ++i) {
        QFile f(parent + u'/' + Chemin(i));
        QDir().mkpath(QFileInfo(f).path());
        QRandomGenerator::global()->fillRange(mots.data(), mots.size());
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(reinterpret_cast<const char*>(mots.constData()), TailleFichier) != TailleFichier) {
            return 1;
        }
    }
    QDir().mkpath(source + QStringLiteral("/vide"));
    QDir().mkpath(source + QStringLiteral("/albums/vide"));
    QString erreur;
    const auto lot = Lot::Composer(QStringList{source}, erreur);
    if (!lot) {
        std::printf("Composer : %s\n", qPrintable(erreur));
        return 1;
    }

    std::vector<double> nous, tar;
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        // A fresh folder each time, so that the batch lands as Photos, removed outside the timing.
        const QString recus = dossier.filePath(QStringLiteral("recus-%1").arg(i));
        QDir().mkpath(recus);
        nous.push_back(Essai(source, recus, *lot));
        ok = ok && nous.back() > 0 && Pareil(parent, recus);
        QDir(recus).removeRecursively();
        const QString recusTar = dossier.filePath(QStringLiteral("tar-%1").arg(i));
        QDir().mkpath(recusTar);
        tar.push_back(EssaiTar(parent, recusTar));
        ok = ok && tar.back() > 0 && Compter(recusTar + QStringLiteral("/Photos")).fichiers == Fichiers;
        QDir(recusTar).removeRecursively();
        std::printf("essai %d : lot %.2f s, tar %.2f s\n", i + 1, nous.back(), tar.back());
    }
    const double n = Mediane(nous), t = Mediane(tar);
    std::printf("%d fichiers de 4 Kio en %d dossiers, jusqu'au disque (syncfs ; sync -f apres tar x)\n",
                Fichiers, Dossiers);
    std::printf("lot verifie et reprenable (mediane de 3) : %.2f s\n", n);
    std::printf("tar | socat (mediane de 3)               : %.2f s\n", t);
    std::printf("rapport lot / tar                        : %.2f (objectif <= 3)\n", n / t);
    DeuxEspaces::Defaire(NsA, NsB);
    return ok ? 0 : 1;
}
