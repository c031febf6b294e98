// The About window: three pages chosen by tabs drawn in their pictures, two mail links on the
// second page, and the user guide behind the button of the third.
#pragma once

#include <QObject>
#include <QString>

class BoutonImage;
class Dialogues;
class QLabel;
class QWidget;
class Shell;

class APropos : public QObject {
    Q_OBJECT
public:
    static constexpr const char* AdresseAuteur = "mailto:auteur@ovan-messenger.example.org";
    static constexpr const char* AdresseProbleme = "mailto:bugs@ovan-messenger.example.org";

    struct Controles {
        QWidget* fenetre = nullptr;
        QLabel* page = nullptr;
        BoutonImage* notice = nullptr;
    };

    APropos(const Controles& controles, Shell& shell, Dialogues& dialogues, const QString& dossExec);

    // Command 47: open the user guide.
    void OuvrirNotice();
    // The page shown, 1 to 3.
    int Page() const { return m_page; }

    enum class Zone { Aucune, Onglet1, Onglet2, Onglet3, LienAuteur, LienProbleme };
    // What lies under a point of the window on the page shown; survol: for the cursor, whose
    // first link zone is a little wider than its click zone.
    Zone ZoneEn(int x, int y, bool survol) const;

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    void Afficher(int page);

    const Controles m_ui;
    Shell& m_shell;
    Dialogues& m_dialogues;
    const QString m_dossExec;
    int m_page = 1;
};
