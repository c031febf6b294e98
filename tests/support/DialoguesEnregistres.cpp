#include "DialoguesEnregistres.h"

Dialogues::Reponse DialoguesEnregistres::Message(QWidget* proprietaire, const QString& texte,
                                                 const QString& titre, Icone icone, Boutons boutons) {
    m_appels.append({proprietaire, texte, titre, icone, boutons});
    emit appel();
    if (!m_reponses.isEmpty()) {
        return m_reponses.dequeue();
    }
    return boutons == Boutons::OuiNon ? Reponse::Oui : Reponse::Ok;
}

QStringList DialoguesEnregistres::Textes() const {
    QStringList textes;
    for (const Appel& a : m_appels) {
        textes << a.texte;
    }
    return textes;
}

QString DialoguesEnregistres::ChoisirDossier(QWidget*, const QString& titre, const QString& depart) {
    m_navigations.append({titre, depart});
    return m_dossiers.isEmpty() ? QString() : m_dossiers.dequeue();
}
