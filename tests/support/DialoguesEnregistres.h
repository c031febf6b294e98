// Message boxes that answer from a script and record every call, so no test blocks on a box.
#pragma once

#include "ui/platform/Dialogues.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QWidget>

#include <functional>

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

    QString ChoisirDossier(QWidget*, const QString& titre, const QString& depart) override {
        return Naviguer(titre, depart, m_dossiers);
    }
    QString ChoisirFichier(QWidget*, const QString& titre, const QString& filtre) override {
        return Naviguer(titre, filtre, m_fichiers);
    }
    // Answered from the same queue as ChoisirFichier; the extension is recorded with the filter.
    QString ChoisirFichierASauver(QWidget*, const QString& titre, const QString& filtre,
                                  const QString& extension) override {
        return Naviguer(titre, filtre + u'|' + extension, m_fichiers);
    }

    // Runs while the next box is open, before it is answered: a real box runs its own event
    // loop there, so what the action waits for happens under the open box.
    void PendantBoite(std::function<void()> action) { m_pendant.enqueue(std::move(action)); }

    // The next answers, in order; without one a box answers Ok (or Yes).
    void Repondre(Reponse reponse) { m_reponses.enqueue(reponse); }
    // The next folders chosen, in order; without one the browser is cancelled.
    void RepondreDossier(const QString& dossier) { m_dossiers.enqueue(dossier); }
    // The next files chosen, in order; without one the dialog is cancelled.
    void RepondreFichier(const QString& chemin) { m_fichiers.enqueue(chemin); }
    // Every folder browser and file dialog opened: its title and its starting folder (a folder
    // browser), its filter (an open dialog) or its filter and extension joined by "|" (a save
    // dialog).
    const QList<QPair<QString, QString>>& Navigations() const { return m_navigations; }

    const QList<Appel>& Appels() const { return m_appels; }
    QStringList Textes() const;
    // Whether box i said texte under titre with icone, owned by proprietaire; prints it when not.
    bool Boite(qsizetype i, const QString& texte, const QString& titre, Icone icone,
               const QWidget* proprietaire) const;
    void Effacer() { m_appels.clear(); }

signals:
    void appel();

private:
    QString Naviguer(const QString& titre, const QString& detail, QQueue<QString>& reponses) {
        m_navigations.append({titre, detail});
        return reponses.isEmpty() ? QString() : reponses.dequeue();
    }
    QList<Appel> m_appels;
    QQueue<Reponse> m_reponses;
    QQueue<std::function<void()>> m_pendant;
    QQueue<QString> m_dossiers;
    QQueue<QString> m_fichiers;
    QList<QPair<QString, QString>> m_navigations;
};
