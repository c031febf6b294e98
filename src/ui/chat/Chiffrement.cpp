#include "ui/chat/Chiffrement.h"

#include "ui/app/FenetrePrincipale.h"
#include "ui/conversation/VueConversation.h"
#include "ui/platform/Dialogues.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {

const QString Titre = QStringLiteral("Chiffrement");

// A padlock in the text colour of this desktop (light or dark), closed or open.
QIcon Cadenas(const QWidget* w, bool ferme) {
    const qreal echelle = w->devicePixelRatioF();
    QPixmap image(QSize(16, 16) * echelle);
    image.setDevicePixelRatio(echelle);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor couleur = w->palette().color(QPalette::WindowText);
    p.setPen(QPen(couleur, 1.8));
    QPainterPath anse;
    anse.moveTo(4.5, 8);
    anse.lineTo(4.5, 5);
    anse.arcTo(4.5, 1.5, 7, 7, 180, -180);
    anse.lineTo(11.5, ferme ? 8 : 6);
    p.drawPath(ferme ? anse : anse.translated(-3.5, -1));
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1.5, 1.5);
    return QIcon(image);
}

} // namespace

Chiffrement::Chiffrement(const FenetreChat& controles, QPushButton* verrou, VueConversation& vue,
                         Conversation& conversation, Dialogues& dialogues)
    : m_c(controles), m_verrou(verrou), m_vue(vue), m_conversation(conversation), m_dialogues(dialogues) {
    Conversation* c = &m_conversation;
    connect(c, &Conversation::securiteChange, this, &Chiffrement::Actualiser);
    connect(c, &Conversation::etatChange, this, &Chiffrement::Actualiser);
    connect(c, &Conversation::cleChangee, this, &Chiffrement::CleChangee);
    connect(c, &Conversation::chiffrementPerdu, this, &Chiffrement::Perdu);
    connect(m_verrou, &QPushButton::clicked, this, &Chiffrement::MontrerCode);
    Actualiser();
}

QString Chiffrement::Contact() const {
    const QString pseudo = m_conversation.PseudoDeCetteConversation();
    return pseudo.isEmpty() ? QStringLiteral("votre contact") : pseudo;
}

QString Chiffrement::EmpreinteLisible(const QByteArray& empreinte) {
    const QString hex = QString::fromLatin1(empreinte.toHex());
    QString texte;
    for (qsizetype i = 0; i < hex.size(); i += 8) {
        texte += (i == 0                ? QString()
                  : i == hex.size() / 2 ? QStringLiteral("\n")
                                        : QStringLiteral(" ")) +
                 hex.mid(i, 8);
    }
    return texte;
}

void Chiffrement::Actualiser() {
    const Conversation::Securite securite = m_conversation.EtatSecurite();
    switch (securite) {
    case Conversation::Securite::Chiffree:
        m_verrou->setIcon(Cadenas(m_verrou, true));
        m_verrou->setText(QStringLiteral("Chiffrée"));
        m_verrou->setToolTip(
            QStringLiteral("Conversation chiffrée avec la clé de ") + Contact() +
            (m_conversation.ContactVerifie() ? QStringLiteral(", vérifiée.") : QStringLiteral(".")) +
            QStringLiteral("\nCode de sûreté : ") + m_conversation.CodeDeSurete());
        break;
    case Conversation::Securite::Claire:
        m_verrou->setIcon(Cadenas(m_verrou, false));
        m_verrou->setText(QStringLiteral("Non chiffrée"));
        m_verrou->setToolTip(
            QStringLiteral("Cette conversation n'est pas chiffrée : sur ce réseau, elle peut "
                           "être lue et les fichiers copiés au passage."));
        break;
    case Conversation::Securite::Inconnue:
        m_verrou->setIcon(QIcon());
        m_verrou->setText(QString());
        m_verrou->setToolTip(QString());
        break;
    }
    m_verrou->setAccessibleDescription(m_verrou->toolTip());
    m_verrou->setVisible(securite != Conversation::Securite::Inconnue);
    // Said once per conversation in the conversation itself: the history keeps it.
    if (securite != m_montree && securite != Conversation::Securite::Inconnue) {
        m_vue.MessageFin(securite == Conversation::Securite::Chiffree
                             ? QStringLiteral("La conversation est chiffrée. Code de sûreté : ") +
                                   m_conversation.CodeDeSurete()
                             : QStringLiteral("La conversation n'est pas chiffrée."));
    }
    if (securite != Conversation::Securite::Inconnue || !m_conversation.Connectee()) {
        m_montree = securite;
    }
}

void Chiffrement::CleChangee(const ContactConnu& ancien, const QByteArray& nouvelle) {
    const QString connu = ancien.pseudo.isEmpty() ? ancien.adresse : ancien.pseudo;
    const QString texte =
        QStringLiteral("Attention : ce contact ne présente pas la clé que ") + connu +
        QStringLiteral(" présentait jusqu'ici.\n\nClé connue (") + connu +
        (ancien.adresse.isEmpty() || ancien.adresse == connu ? QString()
                                                             : QStringLiteral(", ") + ancien.adresse) +
        QStringLiteral(") :\n") + EmpreinteLisible(ancien.empreinte) +
        QStringLiteral("\n\nClé présentée maintenant :\n") + EmpreinteLisible(nouvelle) +
        QStringLiteral("\n\nSi ") + connu +
        QStringLiteral(
            " n'a ni réinstallé le programme ni changé d'ordinateur, quelqu'un d'autre se fait peut-être "
            "passer pour lui.\nAcceptez-vous la nouvelle clé ? (Non : vous serez déconnecté(e).)");
    const auto reponse = m_dialogues.Message(m_c.fenetre, texte, QStringLiteral("Clé du contact changée"),
                                             Dialogues::Icone::Attention, Dialogues::Boutons::OuiNon);
    m_conversation.RepondreCle(reponse == Dialogues::Reponse::Oui);
}

void Chiffrement::Perdu() {
    const auto reponse = m_dialogues.Message(
        m_c.fenetre,
        QStringLiteral(
            "Ce contact chiffrait vos conversations ; cette fois la conversation n'est pas chiffrée.\n\n"
            "Quelqu'un d'autre se fait peut-être passer pour lui. Voulez-vous continuer sans "
            "chiffrement ? (Non : vous serez déconnecté(e).)"),
        Titre, Dialogues::Icone::Attention, Dialogues::Boutons::OuiNon);
    m_conversation.RepondreCle(reponse == Dialogues::Reponse::Oui);
}

void Chiffrement::MontrerCode() {
    if (m_conversation.EtatSecurite() != Conversation::Securite::Chiffree) {
        m_dialogues.Message(
            m_c.fenetre,
            m_conversation.Connectee()
                ? QStringLiteral("Cette conversation n'est pas chiffrée : elle n'a pas de code de "
                                 "sûreté.")
                : QStringLiteral("Vous n'êtes pas connecté(e) : il n'y a pas de code de sûreté."),
            Titre, Dialogues::Icone::Information);
        return;
    }
    const QString code = QStringLiteral("Code de sûreté de votre conversation avec ") + Contact() +
                         QStringLiteral(" :\n\n") + m_conversation.CodeDeSurete() + QStringLiteral("\n\n");
    if (m_conversation.ContactVerifie()) {
        m_dialogues.Message(m_c.fenetre,
                            code + QStringLiteral("Vous l'avez déjà comparé : la clé est vérifiée."), Titre,
                            Dialogues::Icone::Information);
        return;
    }
    const auto reponse =
        m_dialogues.Message(m_c.fenetre,
                            code + QStringLiteral("Comparez-le, de vive voix, avec celui que ") + Contact() +
                                QStringLiteral(" voit sur son écran. Les deux codes sont-ils identiques ?"),
                            Titre, Dialogues::Icone::Question, Dialogues::Boutons::OuiNon);
    if (reponse != Dialogues::Reponse::Oui) {
        m_dialogues.Message(
            m_c.fenetre,
            QStringLiteral("Les codes diffèrent : quelqu'un s'interpose peut-être entre vous. "
                           "N'échangez rien de confidentiel et déconnectez-vous."),
            Titre, Dialogues::Icone::Attention);
        return;
    }
    if (m_conversation.MarquerVerifie()) {
        m_vue.MessageFin(QStringLiteral("Vous avez vérifié la clé de ") + Contact() + u'.');
    } else {
        m_dialogues.Message(m_c.fenetre, QStringLiteral("La vérification n'a pas pu être enregistrée."),
                            Titre, Dialogues::Icone::Erreur);
    }
    Actualiser();
}
