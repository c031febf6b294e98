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
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

using Dnssd::Poste;

// A network whose every answer waits for a permit, as long as the window has not stopped it; a
// stopped call returns at once with what it has, as the real one does: the window must drop it.
struct SourceTenue : SourceReseau {
    QStringList Domaines(const Dnssd::Arret& arret) override {
        return Attendre(arret, appelsDomaines), domaines;
    }
    QList<Poste> Postes(const QString& domaine, const Dnssd::Arret& arret) override {
        return Attendre(arret, appelsPostes), postes.value(domaine);
    }
    void Attendre(const Dnssd::Arret& arret, std::atomic<int>& appels) {
        ++appels;
        while (!permis.tryAcquire(1, 10)) {
            if (arret) {
                ++arretes;
                return;
            }
        }
    }
    // Set while no listing runs.
    QStringList domaines;
    QHash<QString, QList<Poste>> postes;
    QSemaphore permis;
    std::atomic<int> appelsDomaines{0}, appelsPostes{0}, arretes{0};
};

Poste Ordinateur(const QString& nom, const QString& adresse = {}, const QString& pseudo = {}) {
    return {nom, adresse, !pseudo.isEmpty(), pseudo};
}

void Souris(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton bouton = Qt::NoButton) {
    QMouseEvent e(type, p, w->mapToGlobal(p), bouton,
                  type == QEvent::MouseButtonPress ? bouton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestReseauFenetre : public QObject {
    Q_OBJECT
    SourceTenue m_source;
    std::unique_ptr<CopieOvan> m_c;
    QStringList Lignes() {
        QStringList lignes;
        for (QTreeWidgetItem* i : m_c->interface().ListViewhWnd[1]->findItems("*", Qt::MatchWildcard)) {
            lignes.append(i->text(0) + u'|' + i->text(1));
        }
        return lignes;
    }

private slots:
    void initTestCase() { m_c = std::make_unique<CopieOvan>("127.0.0.186", nullptr, &m_source); }
    void cleanupTestCase() { m_c.reset(); }

    // The first domain is listed while the window fades in, its list off meanwhile; the messenger's
    // computers first, in bold; a picked domain is listed, a second opening lists the first again.
    void ouvertureListageEtFermeture() {
        m_source.domaines = {"local", "bureau.example"};
        m_source.postes = {
            {"local", {Ordinateur("bob.local", "10.0.0.2", "Bob"), Ordinateur("imprimante.local")}},
            {"bureau.example", {Ordinateur("poste.bureau.example")}}};
        Interface& ui = m_c->interface();
        FenetreOvan* fenetre = ui.ReseauhWnd;
        QComboBox* domaines = ui.ComboBoxhWnd[ListeDomaines];
        QSignalSpy fini(&m_c->ovan().reseau(), &Reseau::listageFini);
        QVERIFY(ui.TextBoxhWnd[ZoneNomPoste]->text() == QHostInfo::localHostName() &&
                ui.ListViewhWnd[1]->headerItem()->text(0) == "Nom PC");
        m_c->ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fenetre->fondu().Sens() == 1 && !ui.FenetrehWnd->menuBar()->isEnabled());
        QTRY_COMPARE(m_source.appelsDomaines.load(), 1);
        m_source.permis.release();
        QTRY_COMPARE(m_source.appelsPostes.load(), 1);
        QVERIFY(domaines->count() == 2 && domaines->currentText() == "local" && !domaines->isEnabled());
        m_source.permis.release();
        QVERIFY(fini.wait(5000));
        QCOMPARE(Lignes(), (QStringList{"bob.local|Bob", "imprimante.local|"}));
        QTreeWidgetItem* bob = ui.ListViewhWnd[1]->topLevelItem(0);
        QVERIFY(bob->font(0).bold() && !ui.ListViewhWnd[1]->topLevelItem(1)->font(0).bold() &&
                domaines->isEnabled());
        QTRY_COMPARE(fenetre->fondu().Sens(), 0);
        m_source.permis.release(4);
        domaines->setCurrentIndex(1);
        emit domaines->activated(1);
        QVERIFY(fini.wait(5000));
        QVERIFY(Lignes() == QStringList{"poste.bureau.example|"} && domaines->isEnabled());
        m_c->ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fenetre->fondu().Sens() == 0 && fini.wait(5000));
        QVERIFY(domaines->currentIndex() == 0 && Lignes().size() == 2);

        // From x 240 to 360 and y 267 to 277 in the window, narrower than the label; a left press.
        QLabel* lien = ui.LabelhWnd[LabelIpInternet];
        QCOMPARE(lien->text(), "Connaître mon IP internet");
        const QPoint dedans = lien->mapFrom(fenetre, QPoint(360, 277));
        Souris(lien, QEvent::MouseMove, dedans);
        QCOMPARE(lien->cursor().shape(), Qt::PointingHandCursor);
        for (auto [p, bouton] : {std::pair{dedans + QPoint(1, 0), Qt::LeftButton},
                                 {dedans, Qt::RightButton},
                                 {dedans, Qt::LeftButton}}) {
            Souris(lien, QEvent::MouseButtonPress, p, bouton);
        }
        QCOMPARE(m_c->shell().Ouverts(), QStringList{"https://www.ovan-messenger.example.org/ip.php"});

        emit fenetre->fermetureDemandee();
        QVERIFY(fenetre->fondu().Sens() == -1 && !ui.FenetrehWnd->menuBar()->isEnabled());
        QTRY_VERIFY(fenetre->isHidden() && ui.FenetrehWnd->menuBar()->isEnabled());
        QVERIFY(m_c->dialogues().Appels().isEmpty());
    }

    // A listing started while another waits stops it, and only the later one's result is shown.
    // No daemon: no domain, the computers stay, the window says why until a daemon answers.
    void listageLePlusRecentGagne() {
        m_source.domaines = {"local", "autre"};
        m_source.postes = {{"local", {Ordinateur("a.local")}},
                           {"autre", {Ordinateur("b.autre"), Ordinateur("c.autre")}}};
        m_source.appelsDomaines = m_source.appelsPostes = 0;
        Reseau& reseau = m_c->ovan().reseau();
        QSignalSpy fini(&reseau, &Reseau::listageFini);
        reseau.VoirReseau(0);
        QTRY_COMPARE(m_source.appelsDomaines.load(), 1);
        reseau.VoirReseau(1);
        QTRY_COMPARE(m_source.arretes.load(), 1);
        m_source.permis.release(2);
        QVERIFY(fini.wait(5000));
        QVERIFY(fini.count() == 1 && m_source.appelsPostes.load() == 1);
        QCOMPARE(Lignes(), (QStringList{"b.autre|", "c.autre|"}));

        const QLabel* avis = m_c->interface().ReseauhWnd->findChild<QLabel*>("sansDemon");
        QComboBox* domaines = m_c->interface().ComboBoxhWnd[ListeDomaines];
        for (const QStringList& trouves : {QStringList(), QStringList{"local"}}) {
            m_source.domaines = trouves;
            m_source.permis.release(2);
            reseau.VoirReseau(0);
            QVERIFY(fini.wait(5000));
            QCOMPARE(avis->isVisibleTo(m_c->interface().ReseauhWnd), trouves.isEmpty());
            QVERIFY(domaines->count() == trouves.size() && domaines->isEnabled());
            QVERIFY(!trouves.isEmpty() || Lignes().size() == 2);
        }
        QVERIFY(avis->text().contains("avahi-daemon"));
    }

    // A double click puts the computer's name in the address box (its address when the name would
    // not do), which takes the focus as the window fades out. While connected it is left alone.
    void doubleClic() {
        m_source.domaines = {"local"};
        m_source.postes = {
            {"local",
             {Ordinateur("bob.local", "10.0.0.2", "Bob"), Ordinateur("Poste de Zoé.local", "10.0.0.4")}}};
        m_source.permis.release(1000);
        Interface& ui = m_c->interface();
        QTreeWidget* liste = ui.ListViewhWnd[1];
        QSignalSpy fini(&m_c->ovan().reseau(), &Reseau::listageFini);
        const auto choisir = [&](int ligne) {
            m_c->ovan().ClicBouton(Commande::OuvrirReseau);
            QVERIFY(fini.wait(5000));
            QTRY_COMPARE(ui.ReseauhWnd->fondu().Sens(), 0);
            // A real double click's events, as the window system delivers them.
            const QPoint p = liste->visualItemRect(liste->topLevelItem(ligne)).center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
                Souris(liste->viewport(), type, p, Qt::LeftButton);
            }
        };
        for (auto [ligne, adresse] : {std::pair{0, "bob.local"}, {1, "10.0.0.4"}}) {
            choisir(ligne);
            QVERIFY(m_c->AdresseContact()->text() == adresse && ui.ReseauhWnd->fondu().Sens() == -1);
            QTRY_VERIFY(ui.ReseauhWnd->isHidden() && ui.FenetrehWnd->menuBar()->isEnabled());
            QTRY_COMPARE(QApplication::focusWidget(), m_c->AdresseContact());
        }
        m_c->AdresseContact()->setText("10.9.9.9");
        m_c->AdresseContact()->setEnabled(false);
        choisir(0);
        QCOMPARE(m_c->AdresseContact()->text(), "10.9.9.9");
        QVERIFY(ui.ReseauhWnd->isVisible() && !ui.ReseauhWnd->fondu().EnCours());
    }
};

QTEST_MAIN(TestReseauFenetre)
#include "tst_reseau_fenetre.moc"
