#include "ui/tools/Capture.h"

#include "core/chat/Conversation.h"
#include "core/tools/CaptureBmp.h"
#include "core/tools/ConversionFormats.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/platform/Dialogues.h"
#include "ui/transfer/Transfert.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

namespace {

const QString Titre = QStringLiteral("OVAN Messenger");

// The pixels of a picture at the screen's depth (8, 16, 24 or 32; others give 32).
CaptureBmp::Pixels Pixels(const QImage& image, int bits) {
    QImage convertie;
    switch (bits) {
    case 8: convertie = image.convertToFormat(QImage::Format_Indexed8); break;
    case 16: convertie = image.convertToFormat(QImage::Format_RGB555); break;
    case 24: convertie = image.convertToFormat(QImage::Format_BGR888); break;
    default:
        bits = 32;
        convertie = image.convertToFormat(QImage::Format_RGB32);
        break;
    }
    CaptureBmp::Pixels p;
    if (convertie.isNull()) {
        return p;
    }
    p.largeur = convertie.width();
    p.hauteur = convertie.height();
    p.bits = bits;
    p.ligne = convertie.bytesPerLine();
    p.octets = QByteArray(reinterpret_cast<const char*>(convertie.constBits()), convertie.sizeInBytes());
    for (QRgb c : convertie.colorTable()) {
        p.palette << (c & 0x00FFFFFF);
    }
    return p;
}

// A session where programs may not read the screen hands back a uniform picture.
bool Uniforme(const QImage& image) {
    const QImage petite = image.scaled(64, 64).convertToFormat(QImage::Format_RGB32);
    const QRgb premier = petite.pixel(0, 0);
    for (int y = 0; y < petite.height(); ++y) {
        for (int x = 0; x < petite.width(); ++x) {
            if (petite.pixel(x, y) != premier) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

Capture::Capture(const Controles& controles, const Conversation& conversation, Dialogues& dialogues,
                 Transfert& transfert, const QString& dossExec)
    : m_c(controles), m_conversation(conversation), m_dialogues(dialogues), m_transfert(transfert),
      m_dossExec(dossExec) {}

QImage Capture::Ecran() {
    QScreen* ecran = QGuiApplication::primaryScreen();
    if (!ecran) {
        return {};
    }
    // Every monitor: the virtual desktop, read from the root window.
    const QRect tout = ecran->virtualGeometry();
    const QImage image = ecran->grabWindow(0, tout.x(), tout.y(), tout.width(), tout.height()).toImage();
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    // Never a black picture passed off as the screen.
    if (image.isNull() || (wayland && Uniforme(image))) {
        return {};
    }
    return image;
}

bool Capture::CaptEcran() {
    const QImage image = Ecran();
    if (image.isNull()) {
        return false;
    }
    QScreen* ecran = QGuiApplication::primaryScreen();
    const QString chemin = m_dossExec + QStringLiteral("CaptEcran1.bmp");
    if (!CaptureBmp::Ecrire(chemin, CaptureBmp::Fichier(Pixels(image, ecran ? ecran->depth() : 32)))) {
        m_dialogues.Message(nullptr, QStringLiteral("False !"), QString(), Dialogues::Icone::Aucune);
        return false;
    }
    return true;
}

void Capture::Capturer() {
    const QString brute = m_dossExec + QStringLiteral("CaptEcran1.bmp");
    const auto echec = [&] {
        m_dialogues.Message(m_c.fenetre, QStringLiteral("Echec de la capture !"), Titre,
                            Dialogues::Icone::Attention);
    };
    if (!m_conversation.Connectee()) {
        m_dialogues.Message(m_c.fenetre, QStringLiteral("Vous devez d'abord vous connecter !"), Titre,
                            Dialogues::Icone::Attention);
    } else if (!CaptEcran()) {
        echec();
    } else if (const QString nom =
                   ConvFormatImage(m_dossExec, m_c.format->currentIndex(), m_c.qualite->currentIndex());
               nom.isEmpty()) {
        echec();
    } else if (m_c.envoyer->isChecked() &&
               m_dialogues.Message(m_c.fenetre, QStringLiteral("Voulez-vous envoyer la capture d'écran ?"),
                                   Titre, Dialogues::Icone::Question,
                                   Dialogues::Boutons::OuiNon) == Dialogues::Reponse::Oui) {
        m_transfert.OffrirCapture(m_dossExec + nom);
    }
    QFile::remove(brute);
}
