#include "ui/notify/NotificationBureau.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Chemin = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage Appel(const QString& methode) {
    return QDBusMessage::createMethodCall(Service, Chemin, Service, methode);
}
} // namespace

NotificationBureau::NotificationBureau(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    bus.connect(Service, Chemin, Service, QStringLiteral("ActionInvoked"), this, SLOT(Action(uint, QString)));
    bus.connect(Service, Chemin, Service, QStringLiteral("NotificationClosed"), this,
                SLOT(Fermee(uint, uint)));
    // A service that reads markup in the body must get the contact's words escaped.
    auto* attente =
        new QDBusPendingCallWatcher(bus.asyncCall(Appel(QStringLiteral("GetCapabilities"))), this);
    connect(attente, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QStringList> reponse = *w;
        m_balisage = reponse.isValid() && reponse.value().contains(QStringLiteral("body-markup"));
        w->deleteLater();
    });
}

void NotificationBureau::Notifier(const QString& titre, const QString& corps) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage m = Appel(QStringLiteral("Notify"));
    const QVariantMap indications{
        {QStringLiteral("desktop-entry"), QStringLiteral("io.github.ovan.Messenger")},
        {QStringLiteral("category"), QStringLiteral("im.received")}};
    m << QStringLiteral("OVAN Messenger") << uint(0) << QStringLiteral("io.github.ovan.Messenger") << titre
      << (m_balisage ? corps.toHtmlEscaped() : corps)
      << QStringList{QStringLiteral("default"), QStringLiteral("Ouvrir")} << indications << int(-1);
    ++m_envoyees;
    auto* attente = new QDBusPendingCallWatcher(bus.asyncCall(m), this);
    connect(attente, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reponse = *w;
        if (reponse.isValid()) {
            m_ouvertes.insert(reponse.value());
        }
        w->deleteLater();
    });
}

void NotificationBureau::Action(uint id, const QString& cle) {
    // Every program's notifications pass on the bus: only ours bring our window back.
    if (m_ouvertes.contains(id) && cle == QStringLiteral("default")) {
        emit activee();
    }
}

void NotificationBureau::Fermee(uint id, uint) {
    m_ouvertes.remove(id);
}
