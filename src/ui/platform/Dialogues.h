// Message boxes and file dialogs, behind an interface so tests can script the answers.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

class Dialogues {
public:
    enum class Icone { Aucune, Information, Question, Attention, Erreur };
    enum class Boutons { Ok, OuiNon, OkAnnuler };
    enum class Reponse { Ok, Oui, Non, Annuler };

    virtual ~Dialogues() = default;

    // One box: owner window, text, caption, icon, buttons; returns the answer.
    virtual Reponse Message(QWidget* proprietaire, const QString& texte, const QString& titre, Icone icone,
                            Boutons boutons = Boutons::Ok) = 0;

    // An existing folder chosen by the user, starting from depart; "" when cancelled.
    virtual QString ChoisirDossier(QWidget* proprietaire, const QString& titre, const QString& depart) = 0;

    // An existing file chosen by the user, its whole path; "" when cancelled.
    virtual QString ChoisirFichier(QWidget* proprietaire, const QString& titre, const QString& filtre) = 0;
    // One or more existing files; none when cancelled.
    virtual QStringList ChoisirFichiers(QWidget* proprietaire, const QString& titre, const QString& filtre) {
        const QString choisi = ChoisirFichier(proprietaire, titre, filtre);
        return choisi.isEmpty() ? QStringList() : QStringList{choisi};
    }

    // A file to write, its whole path; the user confirms before an existing file is chosen;
    // extension (without the dot) is added to a name typed without one. "" when cancelled.
    virtual QString ChoisirFichierASauver(QWidget* proprietaire, const QString& titre, const QString& filtre,
                                          const QString& extension) = 0;
};

// Filters written the Windows way ("Texte (*.a;*.b)", or "Texte (shown) (patterns)", entries
// joined by ";;") as Qt's file dialog reads them with its details hidden: the text shown stays
// the same, the patterns are separated by spaces, and "*.*" means every file, dotted or not.
QStringList FiltresQt(const QString& filtre);

// What a box shows of a text: a word too long to wrap (a file name from the contact) is cut in its
// middle, so that the box stays narrower than the screen; everything else as it is.
QString TexteDeBoite(const QString& texte, qsizetype maxMot = 60);

// The real boxes, modal to their owner. File dialogs are the desktop's own where the platform offers
// one, and open in the last folder used, else the user's home: never where the program lies.
class DialoguesReels : public Dialogues {
public:
    Reponse Message(QWidget* proprietaire, const QString& texte, const QString& titre, Icone icone,
                    Boutons boutons = Boutons::Ok) override;
    QString ChoisirDossier(QWidget* proprietaire, const QString& titre, const QString& depart) override;
    QString ChoisirFichier(QWidget* proprietaire, const QString& titre, const QString& filtre) override;
    QStringList ChoisirFichiers(QWidget* proprietaire, const QString& titre, const QString& filtre) override;
    QString ChoisirFichierASauver(QWidget* proprietaire, const QString& titre, const QString& filtre,
                                  const QString& extension) override;

    // Where the next file dialog opens.
    const QString& DernierDossier() const { return m_dernierDossier; }

private:
    QStringList Choisir(QFileDialog& dialogue, const QString& filtre);

    QString m_dernierDossier;
};
