// The network window: the domains of the local network, the computers of the chosen one, this
// computer's name, and a link to a page that tells the public address.
#pragma once

#include "core/network/Dnssd.h"

#include <QObject>
#include <QString>

#include <memory>

class FenetreOvan;
class FenetrePrincipale;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class Shell;
class Taches;

class Reseau : public QObject {
    Q_OBJECT
public:
    // The maker's page that tells the user's public address.
    static constexpr const char* HoteIpInternet = "www.ovan-messenger.example.org";
    static constexpr const char* CheminIpInternet = "/ip.php";
    static QString AdresseIpInternet();

    struct Controles {
        FenetreOvan* fenetre = nullptr;
        QComboBox* domaines = nullptr;
        QTreeWidget* postes = nullptr;
        QLabel* lien = nullptr;
        FenetrePrincipale* principale = nullptr;
        // The main window's contact address, which a chosen computer fills.
        QLineEdit* adresse = nullptr;
        // This computer's own addresses.
        QLabel* adressesPoste = nullptr;
    };

    Reseau(const Controles& controles, Shell& shell, SourceReseau& source);
    ~Reseau() override;

    // Command 12: lists the first domain, and shows the window (or brings it to the front).
    void Ouvrir();
    // Lists the domains again, then the computers of the one at selection.
    void VoirReseau(int selection);
    // The user picked another domain in the list.
    void DomaineChange();

    int Selection() const { return m_selection; }
    // A listing is under way (domains or computers).
    bool ListageEnCours() const { return m_etape != Etape::Aucune; }

    // Whether a point of the window (its client coordinates) lies on the link.
    static bool SurLien(int x, int y);

signals:
    // The latest listing's results are all shown.
    void listageFini();
    // A double click put a computer's name in the contact-address box.
    void posteChoisi(const QString& adresse);

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    enum class Etape { Aucune, Domaines, Postes };
    void DomainesTrouves(const QStringList& domaines);
    void TrouvPC(const QString& domaine);
    void PostesTrouves(const QList<Dnssd::Poste>& postes);
    void Finir();
    void Choisir(int ligne);

    const Controles m_ui;
    Shell& m_shell;
    SourceReseau& m_source;
    std::unique_ptr<Taches> m_taches;
    // Stops the listing under way when a later one starts: its results are then dropped.
    std::shared_ptr<std::atomic<bool>> m_arret;
    int m_selection = 0;
    Etape m_etape = Etape::Aucune;
    QLabel* m_sansDemon;
};
