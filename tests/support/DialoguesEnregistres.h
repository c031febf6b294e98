// Message boxes that answer from a script and record every call, so no test blocks on a box.
#pragma once

#include "platform/Dialogues.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QWidget>

class DialoguesEnregistres : public QObject, public Dialogues {
    Q_OBJECT
public:
    struct Appel {
        QPointer<QWidget> proprietaire;
        QString texte;
        QString titre;
        Icone icone;
        Boutons boutons;
    };

    Reponse Message(QWidget* proprietaire, const QString& texte, const QString& titre, Icone icone,
                    Boutons boutons = Boutons::Ok) override;

    QString ChoisirDossier(QWidget* proprietaire, const QString& titre, const QString& depart) override;

    // The next answers, in order; without one a box answers Ok (or Yes).
    void Repondre(Reponse reponse) { m_reponses.enqueue(reponse); }
    // The next folders chosen, in order; without one the browser is cancelled.
    void RepondreDossier(const QString& dossier) { m_dossiers.enqueue(dossier); }
    // Every folder browser opened: its title and starting folder.
    const QList<QPair<QString, QString>>& Navigations() const { return m_navigations; }

    const QList<Appel>& Appels() const { return m_appels; }
    QStringList Textes() const;
    void Effacer() { m_appels.clear(); }

signals:
    void appel();

private:
    QList<Appel> m_appels;
    QQueue<Reponse> m_reponses;
    QQueue<QString> m_dossiers;
    QList<QPair<QString, QString>> m_navigations;
};
