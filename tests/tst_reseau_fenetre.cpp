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
private slots:
    // A listing asked while another waits stops it, only the later one shows, its domain list off
    // meanwhile; the messenger's computers first, in bold; a reopening lists the first domain. No
    // daemon: no domain, the computers stay, the window says why. The link's zone opens a page.
    void listageLienEtChoix() {
        SourceTenue source;
        CopieOvan c("127.0.0.186", nullptr, &source);
        const auto lignes = [&] {
            QStringList l;
            for (QTreeWidgetItem* i : c.interface().ListViewhWnd[1]->findItems("*", Qt::MatchWildcard)) {
                l.append(i->text(0) + u'|' + i->text(1));
            }
            return l;
        };
        source.domaines = {"local", "bureau.example"};
        source.postes = {
            {"local", {Ordinateur("bob.local", "10.0.0.2", "Bob"), Ordinateur("imprimante.local")}},
            {"bureau.example", {Ordinateur("poste.bureau.example")}}};
        Interface& ui = c.interface();
        FenetreOvan* fenetre = ui.ReseauhWnd;
        QComboBox* domaines = ui.ComboBoxhWnd[ListeDomaines];
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        QVERIFY(ui.TextBoxhWnd[ZoneNomPoste]->text() == QHostInfo::localHostName() &&
                ui.ListViewhWnd[1]->headerItem()->text(0) == "Nom PC");
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fenetre->fondu().Sens() == 1 && !ui.FenetrehWnd->menuBar()->isEnabled());
        QTRY_COMPARE(source.appelsDomaines.load(), 1);
        c.ovan().reseau().VoirReseau(1);
        QTRY_COMPARE(source.arretes.load(), 1);
        source.permis.release();
        QTRY_COMPARE(source.appelsPostes.load(), 1);
        QVERIFY(domaines->count() == 2 && domaines->currentIndex() == 1 && !domaines->isEnabled());
        source.permis.release();
        QVERIFY(fini.wait(5000));
        QVERIFY(fini.count() == 1 && lignes() == QStringList{"poste.bureau.example|"} &&
                domaines->isEnabled());
        source.permis.release(6); // three listings from here
        domaines->setCurrentIndex(0);
        emit domaines->activated(0);
        QVERIFY(fini.wait(5000));
        QCOMPARE(lignes(), (QStringList{"bob.local|Bob", "imprimante.local|"}));
        QVERIFY(ui.ListViewhWnd[1]->topLevelItem(0)->font(0).bold() &&
                !ui.ListViewhWnd[1]->topLevelItem(1)->font(0).bold());
        QTRY_COMPARE(fenetre->fondu().Sens(), 0);
        c.ovan().reseau().VoirReseau(1);
        QVERIFY(fini.wait(5000));
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fenetre->fondu().Sens() == 0 && fini.wait(5000));
        QVERIFY(domaines->currentIndex() == 0 && lignes().size() == 2);

        const QLabel* avis = fenetre->findChild<QLabel*>("sansDemon");
        for (const QStringList& trouves : {QStringList(), QStringList{"local"}}) {
            source.domaines = trouves;
            source.permis.release(2);
            c.ovan().reseau().VoirReseau(0);
            QVERIFY(fini.wait(5000));
            QCOMPARE(avis->isVisibleTo(fenetre), trouves.isEmpty());
            QVERIFY(domaines->count() == trouves.size() && (!trouves.isEmpty() || lignes().size() == 2));
        }
        QVERIFY(avis->text().contains("avahi-daemon"));

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
        QCOMPARE(c.shell().Ouverts(), QStringList{"https://www.ovan-messenger.example.org/ip.php"});

        // A double click puts the computer's name in the address box (its address when the name
        // would not do), which takes the focus as the window fades out; while connected, not.
        source.postes = {
            {"local",
             {Ordinateur("bob.local", "10.0.0.2", "Bob"), Ordinateur("Poste de Zoé.local", "10.0.0.4")}}};
        source.permis.release(1000);
        QTreeWidget* liste = ui.ListViewhWnd[1];
        const auto choisir = [&](int ligne) {
            c.ovan().ClicBouton(Commande::OuvrirReseau);
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
            QVERIFY(c.AdresseContact()->text() == adresse && ui.ReseauhWnd->fondu().Sens() == -1);
            QTRY_VERIFY(ui.ReseauhWnd->isHidden() && ui.FenetrehWnd->menuBar()->isEnabled());
            QTRY_COMPARE(QApplication::focusWidget(), c.AdresseContact());
        }
        c.AdresseContact()->setText("10.9.9.9");
        c.AdresseContact()->setEnabled(false);
        choisir(0);
        QCOMPARE(c.AdresseContact()->text(), "10.9.9.9");
        QVERIFY(ui.ReseauhWnd->isVisible() && !ui.ReseauhWnd->fondu().EnCours());
        QVERIFY(c.dialogues().Appels().isEmpty());
    }
};

QTEST_MAIN(TestReseauFenetre)
#include "tst_reseau_fenetre.moc"
