// The network window with a network the test holds in its hand: listing while the window fades in,
// a later listing beating an earlier one, no daemon, the link, choosing a computer.
#include "CopieOvan.h"
#include "core/network/Dnssd.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/network/Reseau.h"

#include <QComboBox>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <condition_variable>
#include <mutex>

namespace {

using Dnssd::Poste;

// A network whose answers wait until the test lets them go, one call at a time. A stopped call
// returns at once with what it has, as the real one does: the window must drop it.
class SourceTenue : public SourceReseau {
public:
    QStringList Domaines(const Dnssd::Arret& arret) override {
        return Attendre(arret, m_appelsDomaines, {}).first;
    }
    QList<Poste> Postes(const QString& domaine, const Dnssd::Arret& arret) override {
        return Attendre(arret, m_appelsPostes, domaine).second;
    }
    void Regler(const QStringList& domaines, const QHash<QString, QList<Poste>>& postes) {
        std::unique_lock verrou(m_mutex);
        m_domaines = domaines;
        m_postes = postes;
    }
    // Lets one waiting call (or the next one) answer; libre: every call answers at once.
    void Lacher(bool libre = false) {
        std::unique_lock verrou(m_mutex);
        ++m_permis;
        m_libre = libre;
        m_condition.notify_all();
    }
    std::atomic<int> m_appelsDomaines{0}, m_appelsPostes{0}, m_arretes{0};

private:
    std::pair<QStringList, QList<Poste>> Attendre(const Dnssd::Arret& arret, std::atomic<int>& appels,
                                                  const QString& domaine) {
        ++appels;
        std::unique_lock verrou(m_mutex);
        while (!m_libre && m_permis == 0 && !arret.load()) {
            m_condition.wait_for(verrou, std::chrono::milliseconds(10));
        }
        m_arretes += !m_libre && m_permis == 0;
        m_permis -= !m_libre && m_permis > 0;
        return {m_domaines, m_postes.value(domaine)};
    }

    std::mutex m_mutex;
    std::condition_variable m_condition;
    int m_permis = 0;
    bool m_libre = false;
    QStringList m_domaines;
    QHash<QString, QList<Poste>> m_postes;
};

Poste Ordinateur(const QString& nom, const QString& adresse = {}, const QString& pseudo = {}) {
    return {nom, adresse, !pseudo.isEmpty(), pseudo};
}

QStringList Lignes(QTreeWidget* liste) {
    QStringList lignes;
    for (int i = 0; i < liste->topLevelItemCount(); ++i) {
        lignes.append(liste->topLevelItem(i)->text(0) + u'|' + liste->topLevelItem(i)->text(1));
    }
    return lignes;
}

void Souris(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton bouton = Qt::NoButton) {
    QMouseEvent e(type, p, w->mapToGlobal(p), bouton,
                  type == QEvent::MouseButtonPress ? bouton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestReseauFenetre : public QObject {
    Q_OBJECT
private slots:
    // The window fades in and holds the main one; the domains come and the first is listed, the
    // domain list off meanwhile; the messenger's computers first, in bold with their nickname; a
    // domain the user picks is listed; a second opening lists the first again; closed, it fades
    // out and gives the main window back. The link's zone, narrower than its label, opens a page.
    void ouvertureListageEtFermeture() {
        SourceTenue source;
        source.Regler(
            {"local", "bureau.example"},
            {{"local", {Ordinateur("bob.local", "10.0.0.2", "Bob"), Ordinateur("imprimante.local")}},
             {"bureau.example", {Ordinateur("poste.bureau.example")}}});
        CopieOvan c("127.0.0.186", {}, &source);
        Interface& ui = c.interface();
        FenetreOvan* fenetre = ui.ReseauhWnd;
        QComboBox* domaines = ui.ComboBoxhWnd[ListeDomaines];
        QTreeWidget* liste = ui.ListViewhWnd[1];
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        QCOMPARE(ui.TextBoxhWnd[ZoneNomPoste]->text(), QHostInfo::localHostName());
        QCOMPARE(liste->headerItem()->text(0), "Nom PC");

        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fenetre->fondu().Sens() == 1 && !ui.FenetrehWnd->menuBar()->isEnabled());
        QTRY_COMPARE(source.m_appelsDomaines.load(), 1);
        source.Lacher();
        QTRY_COMPARE(source.m_appelsPostes.load(), 1);
        QVERIFY(domaines->count() == 2 && domaines->currentText() == "local" && !domaines->isEnabled());
        source.Lacher();
        QVERIFY(fini.wait(5000));
        QCOMPARE(Lignes(liste), (QStringList{"bob.local|Bob", "imprimante.local|"}));
        QVERIFY(liste->topLevelItem(0)->font(0).bold() && !liste->topLevelItem(1)->font(0).bold());
        QVERIFY(!liste->topLevelItem(0)->icon(0).isNull() && domaines->isEnabled());
        QTRY_COMPARE(fenetre->fondu().Sens(), 0);

        domaines->setCurrentIndex(1);
        emit domaines->activated(1);
        source.Lacher(true);
        QVERIFY(fini.wait(5000));
        QVERIFY(Lignes(liste) == QStringList{"poste.bureau.example|"} && domaines->isEnabled());
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QCOMPARE(fenetre->fondu().Sens(), 0);
        QVERIFY(fini.wait(5000));
        QVERIFY(domaines->currentIndex() == 0 && liste->topLevelItemCount() == 2);

        // The link: from x 240 to 360 and y 267 to 277 in the window; a left press only.
        QLabel* lien = ui.LabelhWnd[LabelIpInternet];
        QVERIFY(lien->text() == "Connaître mon IP internet" && lien->font().underline());
        const QPoint dedans = lien->mapFrom(fenetre, QPoint(360, 277)),
                     dehors = lien->mapFrom(fenetre, QPoint(361, 270));
        for (auto [type, p, bouton, forme] :
             {std::tuple{QEvent::MouseMove, dedans, Qt::NoButton, Qt::PointingHandCursor},
              {QEvent::MouseMove, dehors, Qt::NoButton, Qt::ArrowCursor},
              {QEvent::MouseButtonPress, dehors, Qt::LeftButton, Qt::ArrowCursor},
              {QEvent::MouseButtonPress, dedans, Qt::RightButton, Qt::ArrowCursor},
              {QEvent::MouseButtonRelease, dedans, Qt::LeftButton, Qt::PointingHandCursor},
              {QEvent::MouseButtonRelease, dehors, Qt::LeftButton, Qt::ArrowCursor}}) {
            Souris(lien, type, p, bouton);
            QCOMPARE(lien->cursor().shape(), forme);
        }
        QVERIFY(c.shell().Ouverts().isEmpty());
        Souris(lien, QEvent::MouseButtonPress, dedans, Qt::LeftButton);
        QCOMPARE(c.shell().Ouverts(), QStringList{"https://www.ovan-messenger.example.org/ip.php"});

        emit fenetre->fermetureDemandee();
        QVERIFY(fenetre->fondu().Sens() == -1 && !ui.FenetrehWnd->menuBar()->isEnabled());
        QTRY_VERIFY(fenetre->isHidden() && ui.FenetrehWnd->menuBar()->isEnabled());
        QVERIFY(c.dialogues().Appels().isEmpty());
    }

    // A listing started while another waits stops it, and only the later one's result is shown.
    // Nothing found (no daemon): the domains empty, the computers stay, the window says why until
    // a daemon answers.
    void listageLePlusRecentGagne() {
        SourceTenue source;
        source.Regler({"local", "autre"}, {{"local", {Ordinateur("a.local")}},
                                           {"autre", {Ordinateur("b.autre"), Ordinateur("c.autre")}}});
        CopieOvan c("127.0.0.182", {}, &source);
        Reseau& reseau = c.ovan().reseau();
        QTreeWidget* liste = c.interface().ListViewhWnd[1];
        QComboBox* domaines = c.interface().ComboBoxhWnd[ListeDomaines];
        QSignalSpy fini(&reseau, &Reseau::listageFini);
        reseau.VoirReseau(0);
        QTRY_COMPARE(source.m_appelsDomaines.load(), 1);
        reseau.VoirReseau(1);
        QTRY_COMPARE(source.m_arretes.load(), 1);
        source.Lacher(true);
        QVERIFY(fini.wait(5000));
        QVERIFY(fini.count() == 1 && source.m_appelsPostes.load() == 1);
        QCOMPARE(Lignes(liste), (QStringList{"b.autre|", "c.autre|"}));

        const QLabel* avis = c.interface().ReseauhWnd->findChild<QLabel*>("sansDemon");
        for (const QStringList& trouves : {QStringList(), QStringList{"local"}}) {
            source.Regler(trouves, {});
            reseau.VoirReseau(0);
            QVERIFY(fini.wait(5000));
            QCOMPARE(avis->isVisibleTo(c.interface().ReseauhWnd), trouves.isEmpty());
            QVERIFY(domaines->count() == trouves.size() && domaines->isEnabled());
            QVERIFY(!trouves.isEmpty() || liste->topLevelItemCount() == 2);
        }
        QVERIFY(avis->text().contains("avahi-daemon"));
    }

    // A double click puts the computer's name in the contact-address box, or its address when the
    // name would not fit; Enter on a row found by typing does the same; the window fades out and
    // the address box takes the focus. While connected the box is left alone and the window stays.
    void doubleClic() {
        SourceTenue source;
        source.Regler({"local"}, {{"local",
                                   {Ordinateur("bob.local", "10.0.0.2", "Bob"),
                                    Ordinateur(QString(60, u'p') + ".local", "10.0.0.3"),
                                    Ordinateur("Poste de Zoé.local", "10.0.0.4")}}});
        source.Lacher(true);
        CopieOvan c("127.0.0.184", {}, &source);
        Interface& ui = c.interface();
        QTreeWidget* liste = ui.ListViewhWnd[1];
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        const auto choisir = [&](int ligne) {
            c.ovan().ClicBouton(Commande::OuvrirReseau);
            QVERIFY(fini.wait(5000));
            QTRY_COMPARE(ui.ReseauhWnd->fondu().Sens(), 0);
            if (ligne < 0) {
                QTest::keyClicks(liste, "Poste de");
                QTest::keyClick(liste, Qt::Key_Return);
                return;
            }
            // A real double click's events, as the window system delivers them.
            const QPoint p = liste->visualItemRect(liste->topLevelItem(ligne)).center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
                Souris(liste->viewport(), type, p, Qt::LeftButton);
            }
        };
        for (auto [ligne, adresse] : {std::pair{0, "bob.local"}, {1, "10.0.0.3"}, {-1, "10.0.0.4"}}) {
            choisir(ligne);
            QCOMPARE(c.AdresseContact()->text(), adresse);
            QCOMPARE(ui.ReseauhWnd->fondu().Sens(), -1);
            QTRY_VERIFY(ui.ReseauhWnd->isHidden() && ui.FenetrehWnd->menuBar()->isEnabled());
            QTRY_COMPARE(QApplication::focusWidget(), c.AdresseContact());
        }
        c.AdresseContact()->setText("10.9.9.9");
        c.AdresseContact()->setEnabled(false);
        choisir(0);
        QCOMPARE(c.AdresseContact()->text(), "10.9.9.9");
        QVERIFY(ui.ReseauhWnd->isVisible() && !ui.ReseauhWnd->fondu().EnCours());
    }
};

QTEST_MAIN(TestReseauFenetre)
#include "tst_reseau_fenetre.moc"
