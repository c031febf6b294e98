#include "core/network/AdressesPoste.h"

#include <QNetworkInterface>

QStringList AdressesDuPoste() {
    QStringList adresses;
    for (const QNetworkInterface& carte : QNetworkInterface::allInterfaces()) {
        const auto drapeaux = carte.flags();
        if (!drapeaux.testFlag(QNetworkInterface::IsUp) || !drapeaux.testFlag(QNetworkInterface::IsRunning) ||
            drapeaux.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entree : carte.addressEntries()) {
            const QHostAddress a = entree.ip();
            // The chat listens on IPv4; 169.254.x.x only reaches a cable with no server on it.
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback() && !a.isLinkLocal() &&
                !adresses.contains(a.toString())) {
                adresses << a.toString();
            }
        }
    }
    return adresses;
}
