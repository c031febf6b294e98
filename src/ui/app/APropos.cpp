#include "ui/app/APropos.h"

#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/Interface.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"

#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcut>

APropos::APropos(const Controles& controles, Shell& shell, Dialogues& dialogues, const QString& dossExec)
    : m_ui(controles), m_shell(shell), m_dialogues(dialogues), m_dossExec(dossExec) {
    // The page picture covers the window: it is the one that sees the mouse.
    QLabel* page = m_ui.page;
    page->setMouseTracking(true);
    page->installEventFilter(this);
    // The tabs are drawn in the picture: Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
    for (const auto& [touche, pas] :
         {std::pair(QKeySequence::NextChild, 1), std::pair(QKeySequence::PreviousChild, 2)}) {
        connect(new QShortcut(touche, m_ui.fenetre), &QShortcut::activated, this,
                [this, pas] { Afficher((m_page - 1 + pas) % 3 + 1); });
    }
    Afficher(1);
}

APropos::Zone APropos::ZoneEn(int x, int y, bool survol) const {
    if (m_page == 2) {
        if (x >= 83 && x <= (survol ? 174 : 171) && y >= 190 && y <= 200) {
            return Zone::LienAuteur;
        }
        if (x >= 83 && x <= 169 && y >= 220 && y <= 230) {
            return Zone::LienProbleme;
        }
    }
    if (y < 123 || y > 139) {
        return Zone::Aucune;
    }
    // Columns 103, 104, 194 and 195 lie between the tabs.
    if (x >= 14 && x <= 102) {
        return Zone::Onglet1;
    }
    if (x >= 105 && x <= 193) {
        return Zone::Onglet2;
    }
    if (x >= 196 && x <= 245) {
        return Zone::Onglet3;
    }
    return Zone::Aucune;
}

bool APropos::eventFilter(QObject* objet, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) {
        return false;
    }
    auto* souris = static_cast<QMouseEvent*>(event);
    const QPoint p = souris->position().toPoint();
    auto* page = static_cast<QWidget*>(objet);
    if (type == QEvent::MouseMove) {
        page->setCursor(ZoneEn(p.x(), p.y(), true) == Zone::Aucune ? Qt::ArrowCursor
                                                                   : Qt::PointingHandCursor);
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        if (ZoneEn(p.x(), p.y(), true) != Zone::Aucune) {
            page->setCursor(Qt::PointingHandCursor);
        }
        return false;
    }
    if (souris->button() != Qt::LeftButton) {
        return false;
    }
    const Zone zone = ZoneEn(p.x(), p.y(), false);
    if (zone == Zone::Aucune) {
        return false;
    }
    page->setCursor(Qt::PointingHandCursor);
    switch (zone) {
    case Zone::LienAuteur: m_shell.Ouvrir(QString::fromLatin1(AdresseAuteur), m_ui.fenetre); break;
    case Zone::LienProbleme: m_shell.Ouvrir(QString::fromLatin1(AdresseProbleme), m_ui.fenetre); break;
    case Zone::Onglet1: Afficher(1); break;
    case Zone::Onglet2: Afficher(2); break;
    case Zone::Onglet3: Afficher(3); break;
    case Zone::Aucune: break;
    }
    return true;
}

void APropos::Afficher(int page) {
    m_page = page;
    Interface::ReglerImage(m_ui.page, QStringLiteral("img_fenappos") + QString::number(page));
    BoutonImage* notice = m_ui.notice;
    if (page == 3) {
        notice->ReglerFace(QStringLiteral("img_notice"));
    }
    notice->setVisible(page == 3);
}

void APropos::OuvrirNotice() {
    const QString notice = m_dossExec + QStringLiteral("notice.pdf");
    if (QFileInfo(notice).isFile()) {
        m_shell.Ouvrir(notice, m_ui.fenetre);
        return;
    }
    m_dialogues.Message(m_ui.fenetre, QStringLiteral("Pas de fichier 'notice.pdf' !"),
                        QStringLiteral("OVAN Messenger"), Dialogues::Icone::Information);
}
