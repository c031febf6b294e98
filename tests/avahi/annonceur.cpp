// Another computer's messenger: announces the nickname given in hex UTF-8 (argument, then one per input
// line: "change"), prints "pret" once announced and "appel ADDRESS" per caller; quits when input closes.
// "--postes": prints "name|nickname|1 or 0" per computer of "local" as the network window finds them.
#include "core/chat/SocketsChat.h"
#include "core/network/AnnonceDnssd.h"
#include "core/network/Dnssd.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
void Dire(const QByteArray& ligne) {
    std::fputs((ligne + '\n').constData(), stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--postes") {
        const Dnssd::Arret arret{false};
        for (const Dnssd::Poste& p : Dnssd::Postes(QStringLiteral("local"), arret))
            Dire((p.Nom + u'|' + p.Pseudo + u'|' + (p.Ovan ? u'1' : u'0')).toUtf8());
        return 0;
    }
    const QByteArray premier = argc > 1 ? QByteArray::fromHex(argv[1]) : QByteArray();
    AnnonceDnssd annonce(SocketsChat::PortChat, QString::fromUtf8(premier));

    QTcpServer serveur;
    serveur.listen(QHostAddress::AnyIPv4, SocketsChat::PortChat);
    QObject::connect(&serveur, &QTcpServer::newConnection, [&serveur] {
        while (QTcpSocket* s = serveur.nextPendingConnection())
            Dire("appel " + s->peerAddress().toString().toLatin1());
    });

    // "pret" each time the announcement is (again) accepted by the daemon.
    bool etablie = false;
    QTimer veille;
    QObject::connect(&veille, &QTimer::timeout, [&] {
        const bool maintenant = annonce.Etablie();
        if (maintenant && !etablie)
            Dire("pret");
        etablie = maintenant;
    });
    veille.start(20);

    QSocketNotifier entree(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray lu;
    QObject::connect(&entree, &QSocketNotifier::activated, [&] {
        char tampon[4096];
        const ssize_t n = ::read(STDIN_FILENO, tampon, sizeof tampon);
        if (n <= 0) {
            app.quit();
            return;
        }
        lu.append(tampon, n);
        qsizetype fin;
        while ((fin = lu.indexOf('\n')) >= 0) {
            annonce.Pseudo(QString::fromUtf8(QByteArray::fromHex(lu.left(fin))));
            lu.remove(0, fin + 1);
            Dire("change");
        }
    });
    return app.exec();
}
