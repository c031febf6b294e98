#include "settings/ChoixPseudo.h"

#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Fondu.h"
#include "app/Interface.h"
#include "app/Ovan.h"
#include "chat/SocketsChat.h"
#include "conversation/Texte.h"

#include <QApplication>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>

ChoixPseudo::ChoixPseudo(Ovan& ovan) : m_ovan(ovan) {
    Interface& ui = m_ovan.interface();
    for (QWidget* f : ui.Fenetres()) {
        if (f != ui.PseudohWnd) {
            f->installEventFilter(this);
        }
    }
    // Answered: the main window comes back with the focus in the input box.
    connect(&ui.PseudohWnd->fondu(), &Fondu::masquee, this, [&ui] {
        ui.FenetrehWnd->Activer(true);
        ui.RichEdithWnd[ZoneSaisie]->setFocus();
    });
}

void ChoixPseudo::Afficher() {
    Interface& ui = m_ovan.interface();
    ui.PseudohWnd->fondu().Entrer();
    ui.FenetrehWnd->Activer(false);
    ui.TextBoxhWnd[ZoneChoixPseudo]->setFocus();
}

void ChoixPseudo::Valider() {
    Interface& ui = m_ovan.interface();
    const QString pseudo = Trim(ui.TextBoxhWnd[ZoneChoixPseudo]->text());
    ui.TextBoxhWnd[ZonePseudo]->setText(pseudo);
    if (pseudo.isEmpty()) {
        return;
    }
    m_ovan.session().MonPseudo = pseudo;
    m_ovan.Sockets().Envoyer(Trame::Log(pseudo));
    // Answered even before it had finished appearing: it goes as soon as it has.
    ui.PseudohWnd->fondu().SortirDesQuePossible();
}

bool ChoixPseudo::eventFilter(QObject* objet, QEvent* event) {
    FenetreOvan* fenetre = m_ovan.interface().PseudohWnd;
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
