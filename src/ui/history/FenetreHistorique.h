// The "Historique" window: past conversations by contact and day, one shown as the conversation
// view showed it, a search over every entry with the words highlighted, recording on or off, and
// clearing everything.
#pragma once

#include "core/history/Historique.h"

#include <QHash>
#include <QObject>
#include <QTimer>

class Dialogues;
class FenetreOvan;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class Smileys;

class FenetreHistorique : public QObject {
    Q_OBJECT
public:
    FenetreHistorique(QWidget* proprietaire, BaseHistorique& base, Smileys& smileys, Dialogues& dialogues);
    ~FenetreHistorique() override;

    // Menu "Historique": shown (or brought to the front) with the lists read again.
    void Ouvrir();

    FenetreOvan* Fenetre() const { return m_fenetre; }
    QLineEdit* Recherche() const { return m_recherche; }
    QTreeWidget* Liste() const { return m_liste; }
    QTextEdit* Vue() const { return m_vue; }
    QCheckBox* CaseEnregistrer() const { return m_enregistrer; }
    QPushButton* BoutonEffacer() const { return m_effacer; }
    QLabel* Etat() const { return m_etat; }

    // Searches now for what the search box holds (typing searches after a short pause).
    void Chercher();
    // Shows one conversation; with an entry id, scrolled to that entry.
    void Afficher(const QString& adresse, const QDate& jour, qint64 entree = 0);
    // The entry shown at a point of the view's viewport (0 for none).
    qint64 EntreeEn(const QPoint& point) const;
    // The highlighted matches in the view, as text.
    QStringList Surlignes() const;

signals:
    // The view holds what was asked (a conversation or the search results).
    void affiche();

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    void Lister();
    void Ecrire(const EntreeHistorique& e);
    // Entries at the end of the conversation shown.
    void Ecrire(const QList<EntreeHistorique>& entrees);
    // The row of the conversation shown, chosen in the list.
    void Choisir();
    void Surligner();
    void Effacer();
    void MettreAJourEtat();
    static QString NomContact(const QString& adresse, const QString& pseudo);

    BaseHistorique& m_base;
    Smileys& m_smileys;
    Dialogues& m_dialogues;
    FenetreOvan* m_fenetre;
    QLineEdit* m_recherche;
    QTreeWidget* m_liste;
    QTextEdit* m_vue;
    QWidget* m_zoneVue;
    QCheckBox* m_enregistrer;
    QPushButton* m_effacer;
    QLabel* m_etat;
    QTimer m_pause;
    // New entries are listed while the window is open, at most once a second.
    QTimer m_rafraichir;
    // The view shows search results (a click opens one's conversation), not a conversation.
    bool m_resultats = false;
    // The conversation shown (no day for none), and its last entry shown.
    std::pair<QString, QDate> m_montree;
    qint64 m_derniere = 0;
    // The view's paragraphs that start each entry shown, and back.
    QHash<int, qint64> m_entreeDuBloc;
    QHash<qint64, int> m_blocDeEntree;
    // What each results row opens: the conversation of the entry.
    QHash<qint64, std::pair<QString, QDate>> m_conversationDe;
    QStringList m_mots;
};
