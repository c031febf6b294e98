#include "platform/Dialogues.h"

#include <QFileDialog>
#include <QMessageBox>

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
    QMessageBox boite(icon, titre, texte, choix, proprietaire);
    boite.setTextFormat(Qt::PlainText);
    switch (boite.exec()) {
    case QMessageBox::Yes: return Reponse::Oui;
    case QMessageBox::No: return Reponse::Non;
    case QMessageBox::Cancel: return Reponse::Annuler;
    default: return boutons == Boutons::OuiNon ? Reponse::Non : Reponse::Ok;
    }
}

QString DialoguesReels::ChoisirDossier(QWidget* proprietaire, const QString& titre, const QString& depart) {
    return QFileDialog::getExistingDirectory(proprietaire, titre, depart, QFileDialog::ShowDirsOnly);
}

QString DialoguesReels::ChoisirFichier(QWidget* proprietaire, const QString& titre, const QString& filtre) {
    return QFileDialog::getOpenFileName(proprietaire, titre, QString(), filtre);
}

QString DialoguesReels::ChoisirFichierASauver(QWidget* proprietaire, const QString& titre, const QString& filtre,
                                              const QString& extension) {
    QFileDialog dialogue(proprietaire, titre, QString(), filtre);
    dialogue.setAcceptMode(QFileDialog::AcceptSave);
    dialogue.setFileMode(QFileDialog::AnyFile);
    dialogue.setDefaultSuffix(extension);
    // Qt asks before an existing file is chosen (the option is off by default only when set).
    dialogue.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) {
        return {};
    }
    return dialogue.selectedFiles().first();
}
