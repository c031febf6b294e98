// Two network namespaces joined by a veth pair, and roles that run in child processes inside them
// (root): what the transfer benchmarks share.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace DeuxEspaces {

inline bool Ip(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("ip"), arguments) == 0;
}

inline void Defaire(const QString& nsA, const QString& nsB) {
    Ip({"netns", "del", nsA});
    Ip({"netns", "del", nsB});
}

// nsA and nsB made anew, joined by vethA and vethB with the addresses 10.233.<reseau>.1 and .2.
inline bool Reseau(const QString& nsA, const QString& nsB, const QString& vethA, const QString& vethB,
                   int reseau) {
    if (QFile::exists("/run/netns/" + nsA)) {
        Defaire(nsA, nsB);
    }
    const QString prefixe = QStringLiteral("10.233.%1.").arg(reseau);
    return Ip({"netns", "add", nsA}) && Ip({"netns", "add", nsB}) &&
           Ip({"link", "add", vethA, "netns", nsA, "type", "veth", "peer", "name", vethB, "netns", nsB}) &&
           Ip({"-n", nsA, "addr", "add", prefixe + "1/24", "dev", vethA}) &&
           Ip({"-n", nsB, "addr", "add", prefixe + "2/24", "dev", vethB}) &&
           Ip({"-n", nsA, "link", "set", vethA, "up"}) && Ip({"-n", nsB, "link", "set", vethB, "up"});
}

inline bool Entrer(const QString& ns) {
    const int fd = ::open(QFile::encodeName("/run/netns/" + ns).constData(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
}

// The roles and their parent talk through pipes, one byte at a time.
inline void Ecrire(int fd, char c) {
    [[maybe_unused]] const ssize_t n = ::write(fd, &c, 1);
}

inline char Lire(int fd) {
    char c = 0;
    return ::read(fd, &c, 1) == 1 ? c : 0;
}

// A role in a child process of its own, in the namespace ns: 'E' on sortie when it cannot enter,
// echec (when not 0) when the role fails.
template <typename Role> pid_t Lancer(const QString& ns, int sortie, Role role, char echec = 0) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!Entrer(ns)) {
            Ecrire(sortie, 'E');
            ::_exit(1);
        }
        int argc = 1;
        char nom[] = "bench";
        char* argv[] = {nom, nullptr};
        QCoreApplication app(argc, argv);
        if (!role()) {
            if (echec != 0) {
                Ecrire(sortie, echec);
            }
            ::_exit(1);
        }
        ::_exit(0);
    }
    return pid;
}

} // namespace DeuxEspaces
