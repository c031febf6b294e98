// Sounds that play nothing and record what they were asked to play.
#pragma once

#include "ui/platform/Sons.h"

#include <QObject>
#include <QStringList>

class SonsEnregistres : public QObject, public Sons {
    Q_OBJECT
public:
    void Jouer(const QString& chemin) override {
        m_joues.append(chemin);
        emit joue(chemin);
    }
    const QStringList& Joues() const { return m_joues; }
    void Effacer() { m_joues.clear(); }

signals:
    void joue(const QString& chemin);

private:
    QStringList m_joues;
};
