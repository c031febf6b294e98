#include "ui/platform/Dialogues.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTreeView>

QString TexteDeBoite(const QString& texte, qsizetype maxMot) {
    const QRegularExpression motLong(QStringLiteral("\\S{%1,}").arg(maxMot + 1));
    QString sortie;
    qsizetype debut = 0;
    for (const QRegularExpressionMatch& m : motLong.globalMatch(texte)) {
        const QStringView mot = QStringView(texte).sliced(m.capturedStart(), m.capturedLength());
        const qsizetype moitie = (maxMot - 1) / 2;
        qsizetype gauche = moitie;
        qsizetype droite = mot.size() - (maxMot - 1 - moitie);
        // Never between the two halves of a surrogate pair.
        if (mot[gauche].isLowSurrogate()) {
            --gauche;
        }
        if (mot[droite].isLowSurrogate()) {
            ++droite;
        }
        sortie += QStringView(texte).sliced(debut, m.capturedStart() - debut);
        sortie += mot.first(gauche);
        sortie += u'…';
        sortie += mot.sliced(droite);
        debut = m.capturedEnd();
    }
    sortie += QStringView(texte).sliced(debut);
    return sortie;
}

Dialogues::Reponse DialoguesReels::Message(QWidget* proprietaire, const QString& texte, const QString& titre,
                                           Icone icone, Boutons boutons) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (icone) {
    case Icone::Aucune: icon = QMessageBox::NoIcon; break;
    case Icone::Information: icon = QMessageBox::Information; break;
    case Icone::Question: icon = QMessageBox::Question; break;
    case Icone::Attention: icon = QMessageBox::Warning; break;
    case Icone::Erreur: icon = QMessageBox::Critical; break;
    }
    QMessageBox::StandardButtons choix = QMessageBox::Ok;
    switch (boutons) {
    case Boutons::Ok: choix = QMessageBox::Ok; break;
    case Boutons::OuiNon: choix = QMessageBox::Yes | QMessageBox::No; break;
    case Boutons::OkAnnuler: choix = QMessageBox::Ok | QMessageBox::Cancel; break;
    }
    QMessageBox boite(icon, TexteDeBoite(titre), TexteDeBoite(texte), choix, proprietaire);
    boite.setTextFormat(Qt::PlainText);
    switch (boite.exec()) {
    case QMessageBox::Yes: return Reponse::Oui;
    case QMessageBox::No: return Reponse::Non;
    case QMessageBox::Cancel: return Reponse::Annuler;
    default: return boutons == Boutons::OuiNon ? Reponse::Non : Reponse::Ok;
    }
}

namespace {
// Qt's own dialog (the desktop offered none): its list wide enough for whole names, sizes and dates.
void ColonnesEntieres(QFileDialog& dialogue) {
    auto* liste = dialogue.findChild<QTreeView*>();
    auto* modele = dialogue.findChild<QFileSystemModel*>();
    if (!liste || !modele) {
        return;
    }
    dialogue.resize(dialogue.size().expandedTo(QSize(760, 480)));
    const auto elargir = [liste] { liste->header()->resizeSections(QHeaderView::ResizeToContents); };
    QObject::connect(modele, &QFileSystemModel::directoryLoaded, liste, elargir);
    elargir();
}

QString Depart(const QString& dernier) {
    return !dernier.isEmpty() && QFileInfo(dernier).isDir() ? dernier : QDir::homePath();
}
} // namespace

QString DialoguesReels::ChoisirDossier(QWidget* proprietaire, const QString& titre, const QString& depart) {
    const QString choisi = QFileDialog::getExistingDirectory(
        proprietaire, titre, depart.isEmpty() ? Depart(m_dernierDossier) : depart, QFileDialog::ShowDirsOnly);
    if (!choisi.isEmpty()) {
        m_dernierDossier = choisi;
    }
    return choisi;
}

QStringList FiltresQt(const QString& filtre) {
    static const QRegularExpression groupe(QStringLiteral(R"(^(.*)\(([^()]*)\)\s*$)"));
    static const QRegularExpression separateurs(QStringLiteral("[; ]"));
    QStringList sortie;
    for (const QString& entree : filtre.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = groupe.match(entree);
        if (!m.hasMatch()) {
            sortie << entree;
            continue;
        }
        const QString texte = m.captured(1).trimmed();
        QStringList motifs = m.captured(2).split(separateurs, Qt::SkipEmptyParts);
        for (QString& motif : motifs) {
            if (motif == QLatin1String("*.*")) {
                motif = QStringLiteral("*");
            }
        }
        // The dialog hides the last group: what is left is the text the user reads.
        const QString affiche = groupe.match(texte).hasMatch() ? texte : entree.trimmed();
        sortie << affiche + QStringLiteral(" (") + motifs.join(u' ') + u')';
    }
    return sortie;
}

QStringList DialoguesReels::Choisir(QFileDialog& dialogue, const QString& filtre) {
    dialogue.setOption(QFileDialog::HideNameFilterDetails);
    dialogue.setNameFilters(FiltresQt(filtre));
    dialogue.setDirectory(Depart(m_dernierDossier));
    // Its widgets exist once it shows.
    QMetaObject::invokeMethod(
        &dialogue, [&dialogue] { ColonnesEntieres(dialogue); }, Qt::QueuedConnection);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) {
        return {};
    }
    const QStringList choisis = dialogue.selectedFiles();
    m_dernierDossier = QFileInfo(choisis.first()).absolutePath();
    return choisis;
}

QString DialoguesReels::ChoisirFichier(QWidget* proprietaire, const QString& titre, const QString& filtre) {
    QFileDialog dialogue(proprietaire, titre);
    dialogue.setAcceptMode(QFileDialog::AcceptOpen);
    dialogue.setFileMode(QFileDialog::ExistingFile);
    return Choisir(dialogue, filtre).value(0);
}

QStringList DialoguesReels::ChoisirFichiers(QWidget* proprietaire, const QString& titre,
                                            const QString& filtre) {
    QFileDialog dialogue(proprietaire, titre);
    dialogue.setAcceptMode(QFileDialog::AcceptOpen);
    dialogue.setFileMode(QFileDialog::ExistingFiles);
    return Choisir(dialogue, filtre);
}

QString DialoguesReels::ChoisirFichierASauver(QWidget* proprietaire, const QString& titre,
                                              const QString& filtre, const QString& extension) {
    QFileDialog dialogue(proprietaire, titre);
    dialogue.setAcceptMode(QFileDialog::AcceptSave);
    dialogue.setFileMode(QFileDialog::AnyFile);
    dialogue.setDefaultSuffix(extension);
    // Qt asks before an existing file is chosen.
    dialogue.setOption(QFileDialog::DontConfirmOverwrite, false);
    return Choisir(dialogue, filtre).value(0);
}
