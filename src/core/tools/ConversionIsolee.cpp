#include "core/tools/ConversionIsolee.h"

#include "core/tools/ImageSortie.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The helper's report on its standard output is one short line; more is not kept.
constexpr qsizetype TailleRapport = 256;

// The source, opened here so that the helper never sees a path; a FIFO or a device named like a
// picture is refused rather than read (or waited on).
int OuvrirSource(const QString& chemin) {
    const int fd =
        ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat etat {};
    if (fd >= 0 && (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ConversionIsolee::ConversionIsolee(const QString& programme, const QStringList& argumentsAvant,
                                   QObject* parent)
    : QObject(parent), m_programme(programme), m_argumentsAvant(argumentsAvant) {
    m_delai.setSingleShot(true);
    connect(&m_delai, &QTimer::timeout, this, [this] {
        if (m_processus) {
            m_delaiDepasse = true;
            m_processus->kill();
        }
    });
}

ConversionIsolee::~ConversionIsolee() {
    if (m_processus) {
        m_processus->disconnect(this);
        m_processus->kill();
        m_processus->waitForFinished(5000);
    }
}

bool ConversionIsolee::Lancer(const QString& source, const QString& cheminSortie, int format, int qualite) {
    if (m_enCours) {
        return false;
    }
    m_enCours = true;
    m_debut.start();
    m_delaiDepasse = false;
    m_rapport.clear();
    m_chemin = cheminSortie;
    m_sortie = std::make_unique<ImageSortie>();

    const int fdSource = OuvrirSource(source);
    if (fdSource < 0 || cheminSortie.isEmpty() || !m_sortie->Creer(QFileInfo(cheminSortie).absolutePath())) {
        if (fdSource >= 0) {
            ::close(fdSource);
        }
        QMetaObject::invokeMethod(
            this, [this] { Terminer({}); }, Qt::QueuedConnection);
        return true;
    }
    const int fdSortie = m_sortie->Descripteur();

    m_processus = new QProcess(this);
    m_processus->setProgram(m_programme);
    m_processus->setArguments(m_argumentsAvant +
                              QStringList{QString::number(fdSource), QString::number(fdSortie),
                                          QString::number(format), QString::number(qualite)});
    m_processus->setStandardInputFile(QProcess::nullDevice());
    // The decoders complain by the dozen about odd pictures: the result says what counts.
    m_processus->setStandardErrorFile(QProcess::nullDevice());
    rlim_t memoire = rlim_t(std::max<qint64>(m_limites.memoire, 0));
    // Address sanitizer reserves terabytes of address space: an instrumented helper cannot run
    // under an address-space limit (its own allocator limits stand in).
#if defined(__SANITIZE_ADDRESS__)
    memoire = 0;
#endif
    const rlim_t processeur = rlim_t(std::max(m_limites.processeurSecondes, 0));
    // Runs in the child between fork and exec: system calls only.
    m_processus->setChildProcessModifier([fdSource, fdSortie, memoire, processeur] {
        // None of the program's descriptors (sockets, files) reaches the helper but its two.
        ::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
        ::fcntl(fdSource, F_SETFD, 0);
        ::fcntl(fdSortie, F_SETFD, 0);
        const rlimit pasDeCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &pasDeCore);
        if (memoire > 0) {
            const rlimit espace{memoire, memoire};
            ::setrlimit(RLIMIT_AS, &espace);
        }
        if (processeur > 0) {
            // SIGXCPU at the soft limit, SIGKILL a second later.
            const rlimit temps{processeur, processeur + 1};
            ::setrlimit(RLIMIT_CPU, &temps);
        }
        // A file-size limit is a write error the helper reports.
        ::signal(SIGXFSZ, SIG_IGN);
    });
    connect(m_processus, &QProcess::readyReadStandardOutput, this, [this] {
        const QByteArray lu = m_processus->readAllStandardOutput();
        m_rapport += lu.left(std::max<qsizetype>(0, TailleRapport - m_rapport.size()));
    });
    connect(m_processus, &QProcess::finished, this, [this](int code, QProcess::ExitStatus statut) {
        ProcessusFini(code, statut == QProcess::CrashExit);
    });
    connect(m_processus, &QProcess::errorOccurred, this, [this](QProcess::ProcessError erreur) {
        // Reported from inside start() on some paths: answered later, as promised.
        if (erreur == QProcess::FailedToStart) {
            QMetaObject::invokeMethod(
                this, [this] { ProcessusFini(-1, false); }, Qt::QueuedConnection);
        }
    });
    if (m_limites.delaiMs > 0) {
        m_delai.start(m_limites.delaiMs);
    }
    m_processus->start();
    // The child has its copy of the source now.
    ::close(fdSource);
    return true;
}

void ConversionIsolee::ProcessusFini(int code, bool plantage) {
    if (!m_processus) {
        return;
    }
    const bool demarre = m_processus->error() != QProcess::FailedToStart;
    m_delai.stop();
    m_rapport +=
        m_processus->readAllStandardOutput().left(std::max<qsizetype>(0, TailleRapport - m_rapport.size()));
    m_processus->disconnect(this);
    m_processus->deleteLater();
    m_processus = nullptr;

    Resultat r;
    const QList<QByteArray> champs = m_rapport.trimmed().split(' ');
    if (champs.size() == 3) {
        r.largeur = champs[0].toLongLong();
        r.hauteur = champs[1].toLongLong();
        r.creteKio = champs[2].toLongLong();
    }
    if (!demarre) {
        r.fin = Fin::Impossible;
    } else if (m_delaiDepasse) {
        r.fin = Fin::DelaiDepasse;
    } else if (plantage) {
        r.fin = Fin::Interrompue;
    } else if (code != 0) {
        r.fin = Fin::Refusee;
        r.bilan = code;
    } else {
        r.bilan = 0;
        r.chemin = m_sortie->Nommer(m_chemin);
        r.fin = r.chemin.isEmpty() ? Fin::Impossible : Fin::Reussie;
    }
    Terminer(r);
}

void ConversionIsolee::Terminer(Resultat resultat) {
    // Whatever was not named goes.
    m_sortie.reset();
    resultat.dureeMs = m_debut.elapsed();
    m_enCours = false;
    emit terminee(resultat);
}
