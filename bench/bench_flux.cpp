// 1 GiB between two file channels in two network namespaces joined by a veth pair, each in its
// own process: the plain stream (what the other program gets) against the verified, resumable one
// of two copies of ours, and the same in TLS 1.3, alternated, in the same run; then a transfer cut
// at half way and resumed, with the bytes the second try put on the cable. Needs root.
#include "DeuxEspaces.h"
#include "core/security/Identite.h"
#include "core/transfer/CanalFichier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace DeuxEspaces;

constexpr qint64 Taille = 1LL << 30;
const QString NsA = QStringLiteral("ovan-bench-a"), NsB = QStringLiteral("ovan-bench-b");
const QHostAddress IpA(QStringLiteral("10.233.0.1")), IpB(QStringLiteral("10.233.0.2"));

// Bytes received by B's end of the cable.
qint64 OctetsRecusParB() {
    QProcess p;
    p.start(QStringLiteral("ip"),
            {"netns", "exec", NsB, "cat", "/sys/class/net/ovbenchb/statistics/rx_bytes"});
    p.waitForFinished();
    return p.readAllStandardOutput().trimmed().toLongLong();
}

struct Mesure {
    double secondes = -1;
    qint64 reprise = 0;
};

// One try: B receives into dossier (cutting at half way when couper), A sends once B is linked.
Mesure Essai(const QString& source, const QString& dossier, OptionsFlux options, bool couper) {
    int versParent[2], versA[2];
    if (::pipe(versParent) != 0 || ::pipe(versA) != 0) {
        return {};
    }
    const pid_t a = Lancer(NsA, versParent[1], [&] {
        CanalFichier canal(IpA);
        if (!canal.Ecouter() || !canal.Proposer(IpB)) {
            return false;
        }
        Ecrire(versParent[1], 'P');
        if (Lire(versA[0]) != 'G') {
            return false;
        }
        bool fini = false;
        QObject::connect(&canal, &CanalFichier::termine, [&] { fini = true; });
        QObject::connect(&canal, &CanalFichier::termine, qApp, &QCoreApplication::quit);
        QObject::connect(&canal, &CanalFichier::echec, qApp, &QCoreApplication::quit);
        QObject::connect(&canal, &CanalFichier::annule, qApp, &QCoreApplication::quit);
        QElapsedTimer montre;
        montre.start();
        canal.Envoyer(IpB, source, Taille, options);
        QCoreApplication::exec();
        const qint64 ms = montre.elapsed();
        [[maybe_unused]] const ssize_t n = ::write(versParent[1], &ms, sizeof ms);
        return fini;
    });
    if (Lire(versParent[0]) != 'P') {
        return {};
    }
    int versParentB[2];
    if (::pipe(versParentB) != 0) {
        return {};
    }
    const pid_t b = Lancer(NsB, versParentB[1], [&] {
        CanalFichier canal(IpB);
        if (!canal.Ecouter()) {
            return false;
        }
        qint64 reprise = 0;
        QObject::connect(&canal, &CanalFichier::relie, [&] { Ecrire(versParentB[1], 'R'); });
        QObject::connect(&canal, &CanalFichier::reprise, [&](qint64 depuis) { reprise = depuis; });
        QObject::connect(&canal, &CanalFichier::progression, [&](qint64 fait, qint64) {
            if (couper && fait >= Taille / 2) {
                canal.Liberer();
                QCoreApplication::quit();
            }
        });
        QObject::connect(&canal, &CanalFichier::termine, qApp, &QCoreApplication::quit);
        QObject::connect(&canal, &CanalFichier::echec, qApp, &QCoreApplication::quit);
        canal.Recevoir(IpA, dossier, QStringLiteral("recu.bin"), Taille, options, {"Alice", "source.bin"});
        QCoreApplication::exec();
        [[maybe_unused]] const ssize_t n = ::write(versParentB[1], &reprise, sizeof reprise);
        return true;
    });
    Mesure m;
    if (Lire(versParentB[0]) == 'R') {
        Ecrire(versA[1], 'G');
        qint64 ms = -1;
        if (::read(versParent[0], &ms, sizeof ms) == sizeof ms && !couper) {
            m.secondes = ms / 1000.0;
        }
        [[maybe_unused]] const ssize_t n = ::read(versParentB[0], &m.reprise, sizeof m.reprise);
    }
    ::kill(a, SIGTERM);
    int etat = 0;
    ::waitpid(b, &etat, 0);
    ::waitpid(a, &etat, 0);
    for (int fd : {versParent[0], versParent[1], versA[0], versA[1], versParentB[0], versParentB[1]}) {
        ::close(fd);
    }
    QFile::remove(dossier + QStringLiteral("/recu.bin"));
    return m;
}

double Mediane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main() {
    if (::geteuid() != 0 || !DeuxEspaces::Reseau(NsA, NsB, "ovbencha", "ovbenchb", 0)) {
        std::puts("bench_flux: needs root and network namespaces");
        return 77;
    }
    QTemporaryDir dossier;
    const QString source = dossier.filePath(QStringLiteral("source.bin"));
    {
        QFile f(source);
        QList<quint32> mots(1 << 16);
        if (!f.open(QIODevice::WriteOnly)) {
            return 1;
        }
        for (qint64 fait = 0; fait < Taille; fait += mots.size() * 4) {
            QRandomGenerator::global()->fillRange(mots.data(), mots.size());
            f.write(reinterpret_cast<const char*>(mots.constData()), mots.size() * 4);
        }
    }
    const QString recus = dossier.filePath(QStringLiteral("recus"));
    QDir().mkpath(recus);
    // Both ends with one key: the handshake and the encryption cost what they cost between two.
    const auto identite = Identites::Creer();
    if (!identite) {
        return 1;
    }
    OptionsFlux chiffre{true, true};
    chiffre.tls = std::make_shared<const ParametresTls>(ParametresTls{*identite, identite->empreinte});
    // Both ends on this machine's processors first, then on a cable shaped like gigabit Ethernet.
    bool ok = true;
    for (const char* cable : {"veth sans limite", "veth a 1 Gbit/s"}) {
        if (std::strcmp(cable, "veth a 1 Gbit/s") == 0 &&
            !Ip({"netns", "exec", NsA, "tc", "qdisc", "add", "dev", "ovbencha", "root", "tbf", "rate",
                 "1gbit", "burst", "512kb", "latency", "50ms"})) {
            std::puts("tc: pas de limite de debit possible ici");
            break;
        }
        std::vector<double> simple, verifie, tls;
        for (int i = 0; i < 3; ++i) {
            simple.push_back(Essai(source, recus, {}, false).secondes);
            verifie.push_back(Essai(source, recus, {true, true}, false).secondes);
            tls.push_back(Essai(source, recus, chiffre, false).secondes);
        }
        const double s = Mediane(simple), v = Mediane(verifie), c = Mediane(tls);
        const double mio = double(Taille) / (1 << 20);
        std::printf("%s, 1 Gio, flux simple (mediane de 3)       : %.0f Mio/s (%.2f s)\n", cable, mio / s, s);
        std::printf("%s, 1 Gio, verifie et reprenable (id.)      : %.0f Mio/s (%.2f s)\n", cable, mio / v, v);
        std::printf("%s, 1 Gio, chiffre TLS 1.3, verifie, id.    : %.0f Mio/s (%.2f s)\n", cable, mio / c, c);
        std::printf("%s, rapport debit verifie / simple          : %.2f (objectif >= 0.9)\n", cable, s / v);
        std::printf("%s, rapport debit chiffre / verifie en clair : %.2f (objectif >= 0.7)\n", cable, v / c);
        ok = ok && s > 0 && v > 0 && c > 0;
    }

    Essai(source, recus, {true, true}, true);
    const qint64 avant = OctetsRecusParB();
    const Mesure reprise = Essai(source, recus, {true, true}, false);
    const double gio = double(OctetsRecusParB() - avant) / Taille;
    std::printf(
        "coupure a 50 %%, reprise a %.1f %% : %.3f Gio sur le cable au second essai (objectif <= 0.55)\n",
        100.0 * reprise.reprise / Taille, gio);
    DeuxEspaces::Defaire(NsA, NsB);
    return ok ? 0 : 1;
}
