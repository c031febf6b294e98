// A running copy for tests: its own 127.0.0.x address, program folder and recorded boxes; what
// the window tests share.
#pragma once

#include "FauxContact.h"
#include "core/chat/Conversation.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/Ovan.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"
#include "ui/platform/Sons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QQueue>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <functional>
#include <memory>

class SourceReseau;

// Message boxes that answer from a script and record every call, so no test blocks on a box.
class DialoguesEnregistres : public QObject, public Dialogues {
    Q_OBJECT
public:
    struct Appel {
        QPointer<QWidget> proprietaire;
        QString texte, titre;
        Icone icone;
        Boutons boutons;
    };

    Reponse Message(QWidget* proprietaire, const QString& texte, const QString& titre, Icone icone,
                    Boutons boutons = Boutons::Ok) override;

    QString ChoisirDossier(QWidget*, const QString& titre, const QString& depart) override {
        return Naviguer(titre, depart, m_dossiers);
    }
    QString ChoisirFichier(QWidget*, const QString& titre, const QString& filtre) override {
        return Naviguer(titre, filtre, m_fichiers);
    }
    // Several files are answered as one text, a line each.
    QStringList ChoisirFichiers(QWidget*, const QString& titre, const QString& filtre) override {
        return Naviguer(titre, filtre, m_fichiers).split(u'\n', Qt::SkipEmptyParts);
    }
    QString ChoisirFichierASauver(QWidget*, const QString& titre, const QString& filtre,
                                  const QString& extension) override {
        return Naviguer(titre, filtre + u'|' + extension, m_fichiers);
    }

    // Runs under the next box, as a real box's own event loop would let it.
    void PendantBoite(std::function<void()> action) { m_pendant.enqueue(std::move(action)); }

    // The next answers in order; once they run out a box says Ok (Yes), a dialog is cancelled.
    void Repondre(Reponse reponse) { m_reponses.enqueue(reponse); }
    void RepondreDossier(const QString& dossier) { m_dossiers.enqueue(dossier); }
    void RepondreFichier(const QString& chemin) { m_fichiers.enqueue(chemin); }
    // Each dialog's title and its starting folder, filter, or filter "|" extension.
    const QList<QPair<QString, QString>>& Navigations() const { return m_navigations; }

    const QList<Appel>& Appels() const { return m_appels; }
    QStringList Textes() const;
    // Whether box i said texte under titre with icone, owned by proprietaire.
    bool Boite(qsizetype i, const QString& texte, const QString& titre, Icone icone,
               const QWidget* proprietaire) const;
    void Effacer() { m_appels.clear(); }

signals:
    void appel();

private:
    QString Naviguer(const QString& titre, const QString& detail, QQueue<QString>& reponses) {
        m_navigations.append({titre, detail});
        return reponses.isEmpty() ? QString() : reponses.dequeue();
    }
    QList<Appel> m_appels;
    QQueue<Reponse> m_reponses;
    QQueue<std::function<void()>> m_pendant;
    QQueue<QString> m_dossiers;
    QQueue<QString> m_fichiers;
    QList<QPair<QString, QString>> m_navigations;
};

// A shell that opens nothing and records what it was asked to open.
struct ShellEnregistre : Shell {
    bool Ouvrir(const QString& cible, QWidget* = nullptr) override { return Ouverts.append(cible), true; }
    QStringList Ouverts;
};

// Sounds that play nothing and record what they were asked to play.
struct SonsEnregistres : Sons {
    void Jouer(const QString& chemin) override { Joues.append(chemin); }
    QStringList Joues;
};

class CopieOvan {
public:
    // Started once preparer has filled the program folder; source null: the system's mDNS daemon.
    explicit CopieOvan(const QString& adresse,
                       const std::function<void(const QString& dossier)>& preparer = {},
                       SourceReseau* source = nullptr);
    // config.ini holding config, and the program folder as the received-files one when dossierRecus.
    CopieOvan(const QString& adresse, const QByteArray& config, bool dossierRecus = false);
    ~CopieOvan();

    // Quits and starts again from the same program folder.
    void Redemarrer();
    Ovan& ovan() { return *m_ovan; }
    Interface& interface() { return m_ovan->interface(); }
    DialoguesEnregistres& dialogues() { return m_dialogues; }
    ShellEnregistre& shell() { return m_shell; }
    SonsEnregistres& sons() { return m_sons; }
    const QString& Adresse() const { return m_adresse; }
    QString Dossier() const { return m_dossier.path() + QLatin1Char('/'); }

    QLineEdit* Pseudo() { return interface().TextBoxhWnd[ZonePseudo]; }
    QLineEdit* AdresseContact() { return interface().TextBoxhWnd[ZoneAdresse]; }
    QTextEdit* Conversation() { return interface().RichEdithWnd[ZoneConversation]; }
    QString Statut(int partie = 1) { return interface().TexteBarreStatut(partie); }
    QString TexteConversation() { return Conversation()->toPlainText(); }
    void Connecter(const QString& pseudo, const QString& adresseContact);
    // Called by contact, who gives its nickname; this side is "Moi" and receives in its own folder.
    bool AppelePar(FauxContact& contact, const QByteArray& pseudo = "Eve");

private:
    QString m_adresse;
    QTemporaryDir m_dossier;
    DialoguesEnregistres m_dialogues;
    ShellEnregistre m_shell;
    SonsEnregistres m_sons;
    SourceReseau* m_source = nullptr;
    std::unique_ptr<Ovan> m_ovan;
};

// The built program's folder, with its smileys, sounds and guide.
QString DossierProgramme();
void CopierSmileys(const QString& dossier);

// a calls b and both get connected in time.
bool ConnecterCopies(CopieOvan& a, const QString& pseudoA, CopieOvan& b, const QString& pseudoB);

struct Morceau {
    QString texte;
    QTextCharFormat format;
};

// The runs of text of a document from a position on, each with its format.
inline QList<Morceau> Morceaux(QTextDocument* doc, int depuis = 0) {
    QList<Morceau> liste;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= depuis)
                continue;
            if (!liste.isEmpty() && liste.last().format == f.charFormat()) {
                liste.last().texte += f.text();
            } else {
                liste.append({f.text(), f.charFormat()});
            }
        }
        if (b.next().isValid() && b.position() + b.length() > depuis)
            liste.last().texte += u'\n';
    }
    return liste;
}

// The format of the first character after the indent of the last line that reads exactly so.
inline QTextCharFormat FormatDe(QTextDocument* doc, const QString& ligne) {
    for (QTextBlock b = doc->lastBlock(); b.isValid(); b = b.previous()) {
        if (b.text() == ligne) {
            QTextCursor c(b);
            c.setPosition(b.position() + 4);
            return c.charFormat();
        }
    }
    return {};
}

inline void VerifierFormat(const QTextCharFormat& f, const QString& police, const QColor& couleur,
                           int effets) {
    QCOMPARE(f.fontFamilies().toStringList().value(0), police);
    QCOMPARE(f.fontPointSize(), 8.5);
    QCOMPARE(f.foreground().color(), couleur);
    QCOMPARE(f.fontWeight() == QFont::Bold, bool(effets & EffetGras));
    QCOMPARE(f.fontItalic(), bool(effets & EffetItalique));
    QCOMPARE(f.fontUnderline(), bool(effets & EffetSouligne));
}

// Font, colour and style (4 bold, 2 italic, 1 underline) as the user picks them.
inline void ChoisirFormat(Interface& ui, int police, int couleur, int style) {
    ui.ComboBoxhWnd[ListePolice]->setCurrentIndex(police);
    ui.ComboBoxhWnd[ListeCouleur]->setCurrentIndex(couleur);
    ui.CheckBoxhWnd[CaseGras]->setChecked(style & 4);
    ui.CheckBoxhWnd[CaseItalique]->setChecked(style & 2);
    ui.CheckBoxhWnd[CaseSouligne]->setChecked(style & 1);
}
