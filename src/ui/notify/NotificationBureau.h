// The desktop's own notifications (org.freedesktop.Notifications on the session bus): where no
// notification area exists, they tell the user what the pop-up and the flashing tell elsewhere.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class NotificationBureau : public QObject {
    Q_OBJECT
public:
    explicit NotificationBureau(QObject* parent = nullptr);

    // Sent without waiting; silently nothing where the desktop has no notification service.
    void Notifier(const QString& titre, const QString& corps);
    // How many were handed to the service (the replies are counted as they come).
    int Envoyees() const { return m_envoyees; }

signals:
    // The user clicked one of ours: the window should come back.
    void activee();

private slots:
    void Action(uint id, const QString& cle);
    void Fermee(uint id, uint raison);

private:
    QSet<uint> m_ouvertes;
    bool m_balisage = false;
    int m_envoyees = 0;
};
