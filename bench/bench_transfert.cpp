// Throughput of the file port: 256 MiB between two channels on loopback, set against a plain
// QTcpSocket copy of the same file, file to file, measured in the same run.
#include "core/transfer/CanalFichier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr qint64 Taille = 256LL * 1024 * 1024;
constexpr qint64 Bloc = 256 * 1024;
constexpr quint16 Port = 46101;

QHostAddress Ip(int n) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

bool EcrireSource(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    QList<quint32> mots(Bloc / 4);
    for (qint64 fait = 0; fait < Taille; fait += Bloc) {
        QRandomGenerator::global()->fillRange(mots.data(), mots.size());
        if (f.write(reinterpret_cast<const char*>(mots.constData()), Bloc) != Bloc) {
            return false;
        }
    }
    return true;
}

// Seconds for the two channels, or a negative number when the transfer did not end well.
double Canaux(const QString& source, const QString& dossier) {
    CanalFichier a(Ip(100), Port), b(Ip(101), Port);
    if (!a.Ecouter() || !b.Ecouter()) {
        return -1;
    }
    int finis = 0;
    bool echec = false;
    QEventLoop boucle;
    for (CanalFichier* c : {&a, &b}) {
        QObject::connect(c, &CanalFichier::termine, &boucle, [&] {
            if (++finis == 2) {
                boucle.quit();
            }
        });
        QObject::connect(c, &CanalFichier::echec, &boucle, [&] {
            echec = true;
            boucle.quit();
        });
    }
    QElapsedTimer montre;
    montre.start();
    a.Proposer(Ip(101));
    b.Recevoir(Ip(100), dossier, QStringLiteral("recu.bin"), Taille);
    a.Envoyer(Ip(101), source, Taille);
    boucle.exec();
    return echec ? -1 : montre.nsecsElapsed() / 1e9;
}

// The same bytes through one QTcpSocket pair on the GUI thread, file to file, no flush to disk.
double Reference(const QString& source, const QString& cible) {
    QFile entree(source), sortie(cible);
    QTcpServer serveur;
    if (!entree.open(QIODevice::ReadOnly) || !sortie.open(QIODevice::WriteOnly) ||
        !serveur.listen(Ip(102), Port)) {
        return -1;
    }
    QEventLoop boucle;
    QTcpSocket envoi;
    QTcpSocket* reception = nullptr;
    qint64 recu = 0;
    QObject::connect(&serveur, &QTcpServer::newConnection, &boucle, [&] {
        reception = serveur.nextPendingConnection();
        QObject::connect(reception, &QTcpSocket::readyRead, &boucle, [&] {
            const QByteArray octets = reception->readAll();
            sortie.write(octets);
            recu += octets.size();
            if (recu >= Taille) {
                sortie.close();
                boucle.quit();
            }
        });
    });
    const auto remplir = [&] {
        while (envoi.bytesToWrite() < 4 * Bloc && !entree.atEnd()) {
            envoi.write(entree.read(Bloc));
        }
    };
    QObject::connect(&envoi, &QTcpSocket::connected, &boucle, remplir);
    QObject::connect(&envoi, &QTcpSocket::bytesWritten, &boucle, remplir);
    QElapsedTimer montre;
    montre.start();
    envoi.bind(Ip(103), 0);
    envoi.connectToHost(Ip(102), Port);
    QTimer::singleShot(120000, &boucle, &QEventLoop::quit);
    boucle.exec();
    return recu == Taille ? montre.nsecsElapsed() / 1e9 : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dossier;
    const QString source = dossier.filePath(QStringLiteral("source.bin"));
    if (!dossier.isValid() || !EcrireSource(source)) {
        std::puts("fichier source impossible");
        return 1;
    }
    const double reference = Reference(source, dossier.filePath(QStringLiteral("reference.bin")));
    QFile::remove(dossier.filePath(QStringLiteral("reference.bin")));
    const double canaux = Canaux(source, dossier.path());
    if (reference <= 0 || canaux <= 0) {
        std::puts("transfert impossible");
        return 1;
    }
    const double mio = double(Taille) / (1024 * 1024);
    std::printf("QTcpSocket (reference) : %.0f Mio/s (%.2f s)\n", mio / reference, reference);
    std::printf("CanalFichier           : %.0f Mio/s (%.2f s, fsync compris)\n", mio / canaux, canaux);
    std::printf("rapport CanalFichier / reference : %.2f\n", reference / canaux);
    return 0;
}
