#include "DialoguesEnregistres.h"

#include <QDebug>
#include <QEventLoop>
#include <QTimer>

Dialogues::Reponse DialoguesEnregistres::Message(QWidget* proprietaire, const QString& texte,
                                                 const QString& titre, Icone icone, Boutons boutons) {
    m_appels.append({proprietaire, texte, titre, icone, boutons});
    emit appel();
    if (!m_pendant.isEmpty()) {
        // As a real box does: a nested event loop, in which sockets and timers go on.
        const std::function<void()> action = m_pendant.dequeue();
        QEventLoop boucle;
        QTimer::singleShot(0, &boucle, [&] {
            action();
            // One more turn of the box's loop before it is answered, as a user is never that quick.
            QTimer::singleShot(0, &boucle, &QEventLoop::quit);
        });
        boucle.exec();
    }
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

bool DialoguesEnregistres::Boite(qsizetype i, const QString& texte, const QString& titre, Icone icone,
                                 const QWidget* proprietaire) const {
    if (i >= m_appels.size()) {
        qWarning() << "box" << i << "never opened; boxes:" << Textes();
        return false;
    }
    const Appel& a = m_appels[i];
    if (a.texte == texte && a.titre == titre && a.icone == icone && a.proprietaire.data() == proprietaire) {
        return true;
    }
    qWarning() << "box" << i << a.texte << a.titre << int(a.icone) << a.proprietaire.data();
    return false;
}
