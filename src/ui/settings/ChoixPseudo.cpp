#include "ui/settings/ChoixPseudo.h"

#include "core/chat/Conversation.h"
#include "core/conversation/Texte.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

ChoixPseudo::ChoixPseudo(const Controles& controles, Conversation& conversation)
    : m_ui(controles), m_conversation(conversation) {
    const Controles& ui = m_ui;
    // The window manager would cut the title at the designed width: the window takes the title's
    // width and room for the title bar's buttons, its controls centred.
    FenetreOvan* fenetre = ui.fenetre;
    const QFontMetrics titre(PoliceTitre());
    const int largeur = std::max(fenetre->width(), titre.horizontalAdvance(fenetre->windowTitle()) +
                                                       MargeTitreEnLignes * titre.height());
    fenetre->move(fenetre->x() - (largeur - fenetre->width()) / 2, fenetre->y());
    fenetre->setFixedWidth(largeur);
    for (QWidget* c : {static_cast<QWidget*>(ui.zone), ui.ok}) {
        c->move((largeur - c->width()) / 2, c->y());
    }
    for (QWidget* f : ui.autres) {
        f->installEventFilter(this);
    }
    // Answered: the main window comes back with the focus in the input box.
    connect(&fenetre->fondu(), &Fondu::masquee, this, [principale = ui.principale, saisie = ui.saisie] {
        principale->Activer(true);
        saisie->setFocus();
    });
}

void ChoixPseudo::Afficher() {
    m_ui.fenetre->fondu().Entrer();
    m_ui.principale->Activer(false);
    m_ui.zone->setFocus();
}

void ChoixPseudo::Valider() {
    const QString pseudo = Trim(m_ui.zone->text());
    m_ui.pseudoPrincipal->setText(pseudo);
    if (pseudo.isEmpty()) {
        return;
    }
    m_conversation.DonnerPseudo(pseudo);
    // Answered even before it had finished appearing: it goes as soon as it has.
    m_ui.fenetre->fondu().SortirDesQuePossible();
}

QFont ChoixPseudo::PoliceTitre() {
    QFont police = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    police.setBold(true);
    return police;
}

bool ChoixPseudo::eventFilter(QObject* objet, QEvent* event) {
    FenetreOvan* fenetre = m_ui.fenetre;
    // Until answered it comes back when another window of the program takes the focus; another
    // application keeps it (what is typed there must not land here), and so does a message box.
    if (event->type() == QEvent::WindowActivate && objet != fenetre && fenetre->isVisible() &&
        !fenetre->fondu().EnCours()) {
        QTimer::singleShot(0, fenetre, [fenetre] {
            const QWidget* active = QApplication::activeWindow();
            if (fenetre->isVisible() && active && active != fenetre && !QApplication::activeModalWidget()) {
                fenetre->raise();
                fenetre->activateWindow();
            }
        });
    }
    return false;
}
