// What each incoming chat frame does, in the order the frames were sent.
#pragma once

#include "chat/Trame.h"

#include <QObject>

class Ovan;

class ArriveeDonnees : public QObject {
    Q_OBJECT
public:
    explicit ArriveeDonnees(Ovan& ovan, QObject* parent = nullptr);

    // The frames of one read. They are handled in order, in slices, so that a burst never
    // freezes the window.
    void Traiter(const QList<Trame::TrameRecue>& trames);
    // Handles every frame still waiting, now (before a close is shown, for instance).
    void ToutTraiter();
    qsizetype EnAttente() const { return m_file.size() - m_suivante; }

signals:
    // Every frame, after its handler ran.
    void trameTraitee(const Trame::TrameRecue& trame);

private:
    void Continuer();
    void Une(const Trame::TrameRecue& trame);
    void RecuLog(const QString& pseudo);
    void RecuTexte(const QByteArray& donnee);
    void RecuStatut(const QByteArray& donnee);
    void RecuFrappe(const QByteArray& donnee);
    void RecuOffre(const QByteArray& donnee);
    void Entree(const QString& texte, bool smileys);

    Ovan& m_ovan;
    QList<Trame::TrameRecue> m_file;
    qsizetype m_suivante = 0;
    bool m_enCours = false;
    bool m_planifie = false;
};

// "Dernier message reçu le 06/12/2026 à 21:15."
QString TexteDernierMessage(const QDateTime& quand);
