#include "ui/platform/Sons.h"

#include <QFile>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace {

// Only a RIFF/WAVE file goes to the audio layer, which would otherwise complain about it.
bool FichierWav(const QString& chemin) {
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray entete = fichier.read(12);
    return entete.size() == 12 && entete.startsWith("RIFF") && entete.mid(8, 4) == "WAVE";
}

} // namespace

SonsReels::SonsReels() = default;
SonsReels::~SonsReels() = default;

void SonsReels::Jouer(const QString& chemin) {
    if (chemin.isEmpty() || !QFile::exists(chemin) || !FichierWav(chemin)) {
        return;
    }
    if (!m_effet) {
        m_effet = std::make_unique<QSoundEffect>();
    }
    // Without an audio device the effect just ends in its Error status: nothing to report.
    m_effet->stop();
    m_effet->setSource(QUrl::fromLocalFile(QFileInfo(chemin).absoluteFilePath()));
    m_effet->play();
}
