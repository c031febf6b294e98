// The network window with a network the test holds in its hand: listing while the window fades in,
// a later listing beating an earlier one, the link, a double click on a computer; what the window
// and the announcement do without any mDNS daemon; names that come from the network.
#include "CopieOvan.h"
#include "core/chat/SocketsChat.h"
#include "core/network/AnnonceDnssd.h"
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
        Attendre(arret, m_appelsDomaines);
        std::unique_lock verrou(m_mutex);
        return m_domaines;
    }
    QList<Poste> Postes(const QString& domaine, const Dnssd::Arret& arret) override {
        Attendre(arret, m_appelsPostes);
        std::unique_lock verrou(m_mutex);
        return m_postes.value(domaine);
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
    void Attendre(const Dnssd::Arret& arret, std::atomic<int>& appels) {
        ++appels;
        std::unique_lock verrou(m_mutex);
        while (!m_libre && m_permis == 0) {
            if (arret.load()) {
                ++m_arretes;
                return;
            }
            m_condition.wait_for(verrou, std::chrono::milliseconds(10));
        }
        m_permis -= !m_libre;
    }

    std::mutex m_mutex;
    std::condition_variable m_condition;
    int m_permis = 0;
    bool m_libre = false;
    QStringList m_domaines;
    QHash<QString, QList<Poste>> m_postes;
};

Poste Ordinateur(const QString& nom, const QString& adresse = {}, const QString& pseudo = {}) {
    Poste p;
    p.Nom = nom;
    p.Adresse = adresse;
    p.Ovan = !pseudo.isEmpty();
    p.Pseudo = pseudo;
    return p;
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
                  type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : bouton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestReseauFenetre : public QObject {
    Q_OBJECT
private slots:
    // The window fades in and holds the main one; the domains come and the first is listed, the
    // domain list off meanwhile; the messenger's computers come first, in bold with their nickname;
    // a domain the user picks is listed; a second opening lists the first domain again; closed, it
    // fades out and gives the main window back.
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
        QVERIFY(domaines->isEnabled());
        QCOMPARE(Lignes(liste), (QStringList{"bob.local|Bob", "imprimante.local|"}));
        QVERIFY(liste->topLevelItem(0)->font(0).bold() && !liste->topLevelItem(1)->font(0).bold());
        QVERIFY(!liste->topLevelItem(0)->icon(0).isNull());
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
        source.Regler({}, {});
        reseau.VoirReseau(0);
        QVERIFY(fini.wait(5000));
        QVERIFY(domaines->count() == 0 && domaines->isEnabled() && liste->topLevelItemCount() == 2);
        QVERIFY(avis->isVisibleTo(c.interface().ReseauhWnd) && avis->text().contains("avahi-daemon"));
        source.Regler({"local"}, {});
        reseau.VoirReseau(0);
        QVERIFY(fini.wait(5000));
        QVERIFY(!avis->isVisibleTo(c.interface().ReseauhWnd));
    }

    // The link's zone is narrower than its label: the hand over it on a move and a release, the
    // arrow beside it; only a left press in the zone opens the page.
    void lien() {
        SourceTenue source;
        CopieOvan c("127.0.0.183", {}, &source);
        QWidget* fenetre = c.interface().ReseauhWnd;
        QLabel* lien = c.interface().LabelhWnd[LabelIpInternet];
        QCOMPARE(lien->text(), "Connaître mon IP internet");
        QVERIFY(lien->font().underline() && lien->palette().color(QPalette::WindowText) == Qt::blue);
        // The zone runs from x 240 to 360 and y 267 to 277 in the window.
        const QPoint dedans = lien->mapFrom(fenetre, QPoint(360, 277)),
                     dehors = lien->mapFrom(fenetre, QPoint(361, 270));
        Souris(lien, QEvent::MouseMove, dedans);
        QCOMPARE(lien->cursor().shape(), Qt::PointingHandCursor);
        Souris(lien, QEvent::MouseMove, dehors);
        QCOMPARE(lien->cursor().shape(), Qt::ArrowCursor);
        Souris(lien, QEvent::MouseButtonPress, dehors, Qt::LeftButton);
        Souris(lien, QEvent::MouseButtonPress, dedans, Qt::RightButton);
        QVERIFY(c.shell().Ouverts().isEmpty());
        Souris(lien, QEvent::MouseButtonPress, dedans, Qt::LeftButton);
        QCOMPARE(c.shell().Ouverts(), QStringList{"https://www.ovan-messenger.example.org/ip.php"});
        Souris(lien, QEvent::MouseButtonRelease, dehors, Qt::LeftButton);
        QCOMPARE(lien->cursor().shape(), Qt::ArrowCursor);
        Souris(lien, QEvent::MouseButtonRelease, dedans, Qt::LeftButton);
        QCOMPARE(lien->cursor().shape(), Qt::PointingHandCursor);
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
            QTRY_VERIFY(ui.ReseauhWnd->isHidden());
            QVERIFY(ui.FenetrehWnd->menuBar()->isEnabled());
            QTRY_COMPARE(QApplication::focusWidget(), c.AdresseContact());
        }
        c.AdresseContact()->setText("10.9.9.9");
        c.AdresseContact()->setEnabled(false);
        choisir(0);
        QCOMPARE(c.AdresseContact()->text(), "10.9.9.9");
        QVERIFY(ui.ReseauhWnd->isVisible() && !ui.ReseauhWnd->fondu().EnCours());
    }

    // No system bus here (the tests' wrapper points it nowhere): the real listing ends at once with
    // empty lists, a word why and no box, the announcement is skipped, a ".local" name fails as an
    // unknown name does, all without freezing.
    void sansDemon() {
        const Dnssd::Arret arret{false};
        QElapsedTimer chrono;
        chrono.start();
        QVERIFY(Dnssd::Domaines(arret).isEmpty() && Dnssd::Postes("local", arret).isEmpty());
        QVERIFY(Dnssd::AdresseIPv4("poste.local", arret).isEmpty());
        QVERIFY2(chrono.elapsed() < 2000, "no daemon should not mean waiting");
        {
            AnnonceDnssd annonce(SocketsChat::PortChat, "Zoé");
            annonce.Pseudo("Bob");
            QVERIFY(!annonce.Etablie());
        }

        CopieOvan c("127.0.0.185");
        Interface& ui = c.interface();
        ui.ListViewhWnd[1]->addTopLevelItem(new QTreeWidgetItem({"ancien.local", QString()}));
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fini.wait(5000));
        QVERIFY(ui.ComboBoxhWnd[ListeDomaines]->count() == 0 && ui.ListViewhWnd[1]->topLevelItemCount() == 1);
        QVERIFY(ui.ReseauhWnd->findChild<QLabel*>("sansDemon")->isVisibleTo(ui.ReseauhWnd));
        QVERIFY(c.dialogues().Appels().isEmpty());
        QTRY_COMPARE(ui.ReseauhWnd->fondu().Sens(), 0);
        emit ui.ReseauhWnd->fermetureDemandee();
        QTRY_VERIFY(ui.ReseauhWnd->isHidden());
        c.Connecter("Zoé", "absent.local");
        QTRY_COMPARE_WITH_TIMEOUT(c.dialogues().Appels().size(), 1, 15000);
        QVERIFY(c.ovan().Etat() != EtatConnexion::Connecte);
    }

    // What the network says is shown as plain, printable text of bounded length; a name that would
    // not resolve is contacted by its address.
    void nomsVenusDuReseau() {
        QCOMPARE(Dnssd::PseudoLisible("Zo\xc3\xa9"), "Zoé");
        QCOMPARE(Dnssd::PseudoLisible("A\001B\r\nC\tD\177E"), "ABCDE");
        // A right-to-left override would turn the rest of the line around.
        QCOMPARE(Dnssd::PseudoLisible("abc\342\200\256def"), "abcdef");
        QCOMPARE(Dnssd::PseudoLisible(QByteArray(200, 'x')).size(), 30);
        QCOMPARE(Dnssd::PseudoLisible("\xff\xfeok").right(2), "ok");
        QCOMPARE(Dnssd::PseudoLisible(QByteArray(29, 'x') + "\xf0\x9f\x98\x80"),
                 QString(29, u'x')); // not cut
        QCOMPARE(Dnssd::NomLisible(QByteArray(400, 'n')).size(), 255);
        for (auto [nom, pour] : {std::pair{"poste-b.local", "poste-b.local"},
                                 {"-x.local", "10.0.0.2"},
                                 {"poste\\032b.local", "10.0.0.2"}}) {
            QCOMPARE(Ordinateur(nom, "10.0.0.2").PourContacter(50), pour);
        }
        QCOMPARE(Ordinateur("-x.local").PourContacter(50), QString());
    }
};

QTEST_MAIN(TestReseauFenetre)
#include "tst_reseau_fenetre.moc"
