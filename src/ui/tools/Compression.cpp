#include "ui/tools/Compression.h"

#include "core/tools/Bzip2Travail.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/Interface.h"
#include "ui/platform/Dialogues.h"

#include <QLineEdit>
#include <QProgressBar>

namespace {

const QString TousLesFichiers = QStringLiteral("Tous les fichiers (*.*)");

} // namespace

Compression::Compression(const Controles& controles, Dialogues& dialogues)
    : m_c(controles), m_dialogues(dialogues), m_barre(new QProgressBar(controles.fenetre)) {
    // Under the buttons, shown while an operation runs.
    m_barre->setGeometry(20, 322, 460, 10);
    m_barre->setRange(0, 1000);
    m_barre->setTextVisible(false);
    m_barre->setToolTip(QStringLiteral("Progression"));
    m_barre->setAccessibleDescription(m_barre->toolTip());
    m_barre->hide();
}

Compression::~Compression() {
    // The worker removes its partial output itself before it ends.
    m_travail.reset();
}

void Compression::Choisir(int commande) {
    QWidget* fenetre = m_c.fenetre;
    const QString ouvrir = QStringLiteral("Ouvrir le fichier");
    const QString sauver = QStringLiteral("Sauvegarder le fichier");
    QLineEdit* zone = nullptr;
    QString chemin;
    switch (commande) {
    case BoutonChoixACompresser:
        zone = m_c.aCompresser;
        chemin = m_dialogues.ChoisirFichier(fenetre, ouvrir, TousLesFichiers);
        break;
    case BoutonChoixArchive:
        zone = m_c.archive;
        chemin = m_dialogues.ChoisirFichierASauver(fenetre, sauver, QStringLiteral("Fichier BZ2 (*.bz2)"),
                                                   QStringLiteral("bz2"));
        break;
    case BoutonChoixADecompresser:
        zone = m_c.aDecompresser;
        chemin = m_dialogues.ChoisirFichier(fenetre, ouvrir, QStringLiteral("Fichiers BZ2 (*.bz2)"));
        break;
    case BoutonChoixFichierCree:
        zone = m_c.fichierCree;
        chemin = m_dialogues.ChoisirFichierASauver(fenetre, sauver, TousLesFichiers, QString());
        break;
    default: return;
    }
    // A cancelled dialog empties the box.
    zone->setText(chemin);
}

void Compression::Compresser() {
    Lancer(true, m_c.aCompresser->text(), m_c.archive->text());
}

void Compression::Decompresser() {
    Lancer(false, m_c.aDecompresser->text(), m_c.fichierCree->text());
}

void Compression::Lancer(bool compresser, const QString& source, const QString& sortie) {
    // The buttons stay clickable, as everywhere in the program: the program refuses.
    if (m_travail) {
        m_dialogues.Message(nullptr,
                            QStringLiteral("Une compression ou une décompression est déjà en cours !"),
                            QStringLiteral("Attention !"), Dialogues::Icone::Attention);
        return;
    }
    if (Bzip2::MemeFichier(source, sortie)) {
        m_dialogues.Message(nullptr,
                            QStringLiteral("Le fichier de sortie ne peut pas être le fichier d'entrée !"),
                            QStringLiteral("Erreur !"), Dialogues::Icone::Erreur);
        return;
    }
    m_travail = std::make_unique<Bzip2Travail>(
        compresser ? Bzip2Travail::Sens::Compression : Bzip2Travail::Sens::Decompression, source, sortie);
    connect(m_travail.get(), &Bzip2Travail::progression, this, &Compression::Progression);
    connect(m_travail.get(), &QThread::finished, this, &Compression::Fin);
    m_barre->setValue(0);
    m_barre->show();
    m_travail->start();
}

void Compression::Progression(qint64 fait, qint64 total) {
    m_barre->setValue(total > 0 ? int(qBound(qint64(0), fait * 1000 / total, qint64(1000))) : 1000);
}

void Compression::Fin() {
    if (!m_travail) {
        return;
    }
    m_travail->wait();
    const bool compression = m_travail->sens() == Bzip2Travail::Sens::Compression;
    const bool reussie = m_travail->Resultat() == 0;
    const bool arrete = m_travail->Arrete();
    const QList<Bzip2::Avis> avis = m_travail->Avis();
    m_travail.reset();
    m_barre->hide();
    if (arrete) {
        return;
    }
    for (Bzip2::Avis a : avis) {
        switch (a) {
        case Bzip2::Avis::CompressionInutile:
            m_dialogues.Message(
                nullptr, QStringLiteral("Compression inutile !\r\n(taille de sortie >= taille d'entrée)"),
                QStringLiteral("Attention !"), Dialogues::Icone::Attention);
            break;
        case Bzip2::Avis::ProblemeLecture:
            m_dialogues.Message(nullptr, QStringLiteral("Problème de lecture !"), QStringLiteral("Erreur !"),
                                Dialogues::Icone::Erreur);
            break;
        case Bzip2::Avis::AllocationImpossible:
            m_dialogues.Message(nullptr, QStringLiteral("Allocation mémoire impossible !"),
                                QStringLiteral("Erreur !"), Dialogues::Icone::Erreur);
            break;
        }
    }
    if (reussie) {
        m_dialogues.Message(nullptr,
                            compression ? QStringLiteral("La compression s'est déroulée avec succès !")
                                        : QStringLiteral("La décompression s'est déroulée avec succès !"),
                            QStringLiteral("Bravo !"), Dialogues::Icone::Information);
    } else {
        m_dialogues.Message(nullptr,
                            compression ? QStringLiteral("La compression a échoué !")
                                        : QStringLiteral("La décompression a échoué !"),
                            QStringLiteral("Echec !"), Dialogues::Icone::Attention);
    }
    emit termine();
}
