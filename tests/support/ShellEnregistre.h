// A shell that opens nothing and records what it was asked to open.
#pragma once

#include "ui/platform/Shell.h"

#include <QObject>
#include <QStringList>

class ShellEnregistre : public QObject, public Shell {
    Q_OBJECT
public:
    bool Ouvrir(const QString& cible, QWidget* proprietaire = nullptr) override {
        Q_UNUSED(proprietaire);
        m_ouverts.append(cible);
        emit ouvert(cible);
        return true;
    }
    const QStringList& Ouverts() const { return m_ouverts; }

signals:
    void ouvert(const QString& cible);

private:
    QStringList m_ouverts;
};
