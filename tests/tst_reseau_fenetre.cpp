// The network window with a network the test holds in its hand: opening and fading, the domain
// list kept from the user while computers are listed, a later listing beating an earlier one,
// the link and its cursors, a double click on a computer; and what the window and the
// announcement do when there is no mDNS daemon at all.
#include "CopieOvan.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "core/chat/SocketsChat.h"
#include "core/network/AnnonceDnssd.h"
#include "core/network/Dnssd.h"
#include "ui/network/Reseau.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
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
        m_domainesListes.append(domaine);
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
    int AppelsDomaines() const { return m_appelsDomaines.load(); }
    int AppelsPostes() const { return m_appelsPostes.load(); }
    int Arretes() const { return m_arretes.load(); }
    QStringList DomainesListes() {
        std::unique_lock verrou(m_mutex);
        return m_domainesListes;
    }

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
        if (!m_libre) {
            --m_permis;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_condition;
    int m_permis = 0;
    bool m_libre = false;
    QStringList m_domaines;
    QHash<QString, QList<Poste>> m_postes;
    QStringList m_domainesListes;
    std::atomic<int> m_appelsDomaines{0};
    std::atomic<int> m_appelsPostes{0};
    std::atomic<int> m_arretes{0};
};

Poste Ordinateur(const QString& nom, const QString& adresse, bool ovan = false, const QString& pseudo = {}) {
    Poste p;
    p.Nom = nom;
    p.Adresse = adresse;
    p.Ovan = ovan;
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

QStringList Entrees(QComboBox* liste) {
    QStringList entrees;
    for (int i = 0; i < liste->count(); ++i) {
        entrees.append(liste->itemText(i));
    }
    return entrees;
}

void Souris(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton bouton = Qt::NoButton) {
    QMouseEvent e(type, p, w->mapToGlobal(p), bouton, type == QEvent::MouseMove ? Qt::NoButton : bouton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A real double click's events, as the window system delivers them.
void DoubleClic(QTreeWidget* liste, QTreeWidgetItem* item) {
    QVERIFY(item);
    QWidget* vue = liste->viewport();
    const QPoint p = liste->visualItemRect(item).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const bool appui = type != QEvent::MouseButtonRelease;
        QMouseEvent e(type, p, vue->mapToGlobal(p), Qt::LeftButton, appui ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(vue, &e);
    }
}

} // namespace

class TestReseauFenetre : public QObject {
    Q_OBJECT
private slots:
    void ouvertureListageEtFermeture();
    void listageLePlusRecentGagne();
    void lienEtCurseurs();
    void doubleClic();
    void sansDemon();
    void nomsVenusDuReseau();
};

// Command 12: the window fades in, the main window is off until the window has faded out; the
// domains come, the first is listed with the domain list disabled meanwhile; the messenger's
// computers come first with their nickname; another domain is listed when the user picks it; a
// second opening only brings the window forward and lists the first domain again.
void TestReseauFenetre::ouvertureListageEtFermeture() {
    SourceTenue source;
    source.Regler({QStringLiteral("local"), QStringLiteral("bureau.example")},
                  {{QStringLiteral("local"),
                    {Ordinateur(QStringLiteral("bob.local"), QStringLiteral("10.0.0.2"), true, QStringLiteral("Bob")),
                     Ordinateur(QStringLiteral("imprimante.local"), QStringLiteral("10.0.0.9"))}}});
    CopieOvan c(QStringLiteral("127.0.0.186"), {}, &source);
    Interface& ui = c.interface();
    Reseau& reseau = c.ovan().reseau();
    FenetreOvan* fenetre = ui.ReseauhWnd;
    QComboBox* domaines = ui.ComboBoxhWnd[ListeDomaines];
    QTreeWidget* liste = ui.ListViewhWnd[1];
    QSignalSpy fini(&reseau, &Reseau::listageFini);

    QCOMPARE(ui.TextBoxhWnd[ZoneNomPoste]->text(), QHostInfo::localHostName());
    QVERIFY(ui.ComboBoxhWnd[ListeTout]->isHidden());
    QCOMPARE(liste->headerItem()->text(0), QStringLiteral("Nom PC"));
    QCOMPARE(liste->columnWidth(0), 120);
    QCOMPARE(liste->columnWidth(1), 200);
    const QLabel* nomPoste = ui.LabelhWnd[LabelNomPoste];
    QVERIFY(QFontMetrics(nomPoste->font()).horizontalAdvance(nomPoste->text()) <= nomPoste->width());

    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QVERIFY(fenetre->isVisible());
    QCOMPARE(fenetre->fondu().Sens(), 1);
    QVERIFY(!ui.FenetrehWnd->menuBar()->isEnabled());
    QTRY_COMPARE(source.AppelsDomaines(), 1);
    QVERIFY(reseau.ListageEnCours());
    source.Lacher();
    QTRY_COMPARE(source.AppelsPostes(), 1);
    // Domains shown and the first chosen; the list is off while its computers are looked for.
    QCOMPARE(Entrees(domaines), QStringList({QStringLiteral("local"), QStringLiteral("bureau.example")}));
    QCOMPARE(domaines->currentIndex(), 0);
    QVERIFY(!domaines->isEnabled());
    QCOMPARE(liste->topLevelItemCount(), 0);
    source.Lacher();
    QVERIFY(fini.wait(5000));
    QVERIFY(domaines->isEnabled());
    QCOMPARE(Lignes(liste), QStringList({QStringLiteral("bob.local|Bob"), QStringLiteral("imprimante.local|")}));
    QVERIFY(liste->topLevelItem(0)->font(0).bold());
    QVERIFY(!liste->topLevelItem(0)->icon(0).isNull());
    QVERIFY(!liste->topLevelItem(1)->font(0).bold());
    QVERIFY(liste->topLevelItem(1)->icon(0).pixmap(16).toImage().pixelColor(8, 8).alpha() == 0);
    QTRY_COMPARE(fenetre->fondu().Sens(), 0);
    QCOMPARE(fenetre->windowOpacity(), 1.0);

    // The user picks the second domain: it has no computer.
    domaines->setCurrentIndex(1);
    emit domaines->activated(1);
    QCOMPARE(reseau.Selection(), 1);
    source.Lacher(true);
    QVERIFY(fini.wait(5000));
    QCOMPARE(domaines->currentIndex(), 1);
    QCOMPARE(liste->topLevelItemCount(), 0);
    QVERIFY(domaines->isEnabled());
    QCOMPARE(source.DomainesListes().last(), QStringLiteral("bureau.example"));

    // Opened again while shown: in front, still opaque, the first domain listed again.
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QCOMPARE(fenetre->fondu().Sens(), 0);
    QVERIFY(fini.wait(5000));
    QCOMPARE(reseau.Selection(), 0);
    QCOMPARE(domaines->currentIndex(), 0);
    QCOMPARE(liste->topLevelItemCount(), 2);

    // Closed: it fades out and gives the main window back; its lists stay for the next time.
    emit fenetre->fermetureDemandee();
    QCOMPARE(fenetre->fondu().Sens(), -1);
    QVERIFY(!ui.FenetrehWnd->menuBar()->isEnabled());
    QTRY_VERIFY(fenetre->isHidden());
    QVERIFY(ui.FenetrehWnd->menuBar()->isEnabled());
    QCOMPARE(liste->topLevelItemCount(), 2);
    QVERIFY(c.dialogues().Appels().isEmpty());
}

// Two listings one after the other, whatever the order their answers come in: the later one's
// result is the one shown, and the earlier one is stopped. A domain enumeration that finds nothing
// empties the domain list and leaves the computers as they were.
void TestReseauFenetre::listageLePlusRecentGagne() {
    SourceTenue source;
    source.Regler({QStringLiteral("local"), QStringLiteral("autre")},
                  {{QStringLiteral("local"), {Ordinateur(QStringLiteral("a.local"), QStringLiteral("10.0.0.1"))}},
                   {QStringLiteral("autre"), {Ordinateur(QStringLiteral("b.autre"), QStringLiteral("10.0.1.1"))}}});
    CopieOvan c(QStringLiteral("127.0.0.181"), {}, &source);
    Interface& ui = c.interface();
    Reseau& reseau = c.ovan().reseau();
    QTreeWidget* liste = ui.ListViewhWnd[1];
    QSignalSpy fini(&reseau, &Reseau::listageFini);

    // The second domain held while its computers are looked for, then the window opened again.
    reseau.VoirReseau(1);
    source.Lacher();
    QTRY_COMPARE(source.AppelsPostes(), 1);
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QTRY_COMPARE(source.Arretes(), 1);
    source.Lacher(true);
    QVERIFY(fini.wait(5000));
    QCOMPARE(fini.count(), 1);
    QCOMPARE(Lignes(liste), QStringList({QStringLiteral("a.local|")}));
    QCOMPARE(ui.ComboBoxhWnd[ListeDomaines]->currentIndex(), 0);
    QVERIFY(ui.ComboBoxhWnd[ListeDomaines]->isEnabled());

    // The other way round: the first listing's answer arrives after the second has started.
    SourceTenue tenue;
    tenue.Regler(
        {QStringLiteral("local"), QStringLiteral("autre")},
        {{QStringLiteral("local"), {Ordinateur(QStringLiteral("a.local"), {})}},
         {QStringLiteral("autre"), {Ordinateur(QStringLiteral("b.autre"), {}), Ordinateur(QStringLiteral("c.autre"), {})}}});
    CopieOvan d(QStringLiteral("127.0.0.182"), {}, &tenue);
    Reseau& r2 = d.ovan().reseau();
    QSignalSpy fini2(&r2, &Reseau::listageFini);
    r2.VoirReseau(0);
    QTRY_COMPARE(tenue.AppelsDomaines(), 1);
    r2.VoirReseau(1);
    QTRY_COMPARE(tenue.Arretes(), 1);
    tenue.Lacher(true);
    QVERIFY(fini2.wait(5000));
    QCOMPARE(fini2.count(), 1);
    QCOMPARE(tenue.AppelsPostes(), 1);
    QCOMPARE(Lignes(d.interface().ListViewhWnd[1]),
             QStringList({QStringLiteral("b.autre|"), QStringLiteral("c.autre|")}));

    // Nothing found (no daemon): the domain list empties, the computers stay, the list is usable
    // again, and the window says why, until a daemon answers.
    tenue.Regler({}, {});
    r2.VoirReseau(0);
    QVERIFY(fini2.wait(5000));
    QCOMPARE(d.interface().ComboBoxhWnd[ListeDomaines]->count(), 0);
    QCOMPARE(d.interface().ListViewhWnd[1]->topLevelItemCount(), 2);
    QVERIFY(d.interface().ComboBoxhWnd[ListeDomaines]->isEnabled());
    const QLabel* avis = d.interface().ReseauhWnd->findChild<QLabel*>(QStringLiteral("sansDemon"));
    QVERIFY(avis && avis->isVisibleTo(d.interface().ReseauhWnd) && avis->text().contains("avahi-daemon"));
    tenue.Regler({QStringLiteral("local")}, {});
    r2.VoirReseau(0);
    QVERIFY(fini2.wait(5000));
    QVERIFY(!avis->isVisibleTo(d.interface().ReseauhWnd));
}

// The link's zone is x 240 to 360, y 267 to 277, narrower than its label: the hand over it on
// move, press and release, the arrow elsewhere; a left press in it opens the page.
void TestReseauFenetre::lienEtCurseurs() {
    SourceTenue source;
    CopieOvan c(QStringLiteral("127.0.0.183"), {}, &source);
    Interface& ui = c.interface();
    QWidget* fenetre = ui.ReseauhWnd;
    QLabel* lien = ui.LabelhWnd[LabelIpInternet];
    QCOMPARE(lien->text(), QStringLiteral("Connaître mon IP internet"));
    QVERIFY(lien->font().underline());
    QCOMPARE(lien->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(Reseau::AdresseIpInternet(), QStringLiteral("https://www.ovan-messenger.example.org/ip.php"));

    const QList<std::pair<QPoint, bool>> points = {
        {{240, 267}, true},  {{360, 277}, true},  {{300, 272}, true},  {{239, 270}, false},
        {{361, 270}, false}, {{300, 266}, false}, {{300, 278}, false}, {{380, 270}, false}};
    for (const auto& [p, dedans] : points) {
        QCOMPARE(Reseau::SurLien(p.x(), p.y()), dedans);
        // Over the label, as the mouse reaches it there.
        const QPoint surLabel = lien->mapFrom(fenetre, p);
        if (lien->rect().contains(surLabel)) {
            Souris(lien, QEvent::MouseMove, surLabel);
            QCOMPARE(lien->cursor().shape(), dedans ? Qt::PointingHandCursor : Qt::ArrowCursor);
        } else {
            Souris(fenetre, QEvent::MouseMove, p);
            QCOMPARE(fenetre->cursor().shape(), dedans ? Qt::PointingHandCursor : Qt::ArrowCursor);
        }
    }
    // Pressing outside the zone, even on the label, opens nothing; the right button neither.
    Souris(lien, QEvent::MouseButtonPress, lien->mapFrom(fenetre, QPoint(370, 270)), Qt::LeftButton);
    Souris(lien, QEvent::MouseButtonPress, lien->mapFrom(fenetre, QPoint(300, 270)), Qt::RightButton);
    QVERIFY(c.shell().Ouverts().isEmpty());
    Souris(lien, QEvent::MouseButtonPress, lien->mapFrom(fenetre, QPoint(300, 270)), Qt::LeftButton);
    QCOMPARE(c.shell().Ouverts(), QStringList({Reseau::AdresseIpInternet()}));
    QCOMPARE(lien->cursor().shape(), Qt::PointingHandCursor);
    Souris(lien, QEvent::MouseButtonRelease, lien->mapFrom(fenetre, QPoint(370, 270)), Qt::LeftButton);
    QCOMPARE(lien->cursor().shape(), Qt::ArrowCursor);
    Souris(lien, QEvent::MouseButtonRelease, lien->mapFrom(fenetre, QPoint(250, 270)), Qt::LeftButton);
    QCOMPARE(lien->cursor().shape(), Qt::PointingHandCursor);
}

// A double click puts the computer's name in the contact-address box, or its address when the
// name would not fit or not resolve; the window fades out and the main window takes the focus.
// While connected the box is left alone.
void TestReseauFenetre::doubleClic() {
    SourceTenue source;
    const QString longNom = QString(60, u'p') + QStringLiteral(".local");
    source.Regler({QStringLiteral("local")},
                  {{QStringLiteral("local"),
                    {Ordinateur(QStringLiteral("bob.local"), QStringLiteral("10.0.0.2"), true, QStringLiteral("Bob")),
                     Ordinateur(longNom, QStringLiteral("10.0.0.3")),
                     Ordinateur(QStringLiteral("Poste de Zoé.local"), QStringLiteral("10.0.0.4"))}}});
    source.Lacher(true);
    CopieOvan c(QStringLiteral("127.0.0.184"), {}, &source);
    Interface& ui = c.interface();
    QTreeWidget* liste = ui.ListViewhWnd[1];
    QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
    const auto ouvrirEtChoisir = [&](int ligne) {
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        if (!fini.wait(5000)) {
            return false;
        }
        if (!QTest::qWaitFor([&] { return ui.ReseauhWnd->fondu().Sens() == 0; })) {
            return false;
        }
        DoubleClic(liste, liste->topLevelItem(ligne));
        return true;
    };

    QVERIFY(ouvrirEtChoisir(0));
    QCOMPARE(c.AdresseContact()->text(), QStringLiteral("bob.local"));
    QCOMPARE(ui.ReseauhWnd->fondu().Sens(), -1);
    QTRY_VERIFY(ui.ReseauhWnd->isHidden());
    QVERIFY(ui.FenetrehWnd->menuBar()->isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(c.AdresseContact()));

    // Sorted by the source: the long name is row 1, the name with spaces row 2.
    QVERIFY(ouvrirEtChoisir(1));
    QCOMPARE(c.AdresseContact()->text(), QStringLiteral("10.0.0.3"));
    QTRY_VERIFY(ui.ReseauhWnd->isHidden());
    // From the keyboard: the first letters find the row, Enter chooses it.
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QVERIFY(fini.wait(5000));
    QTRY_COMPARE(ui.ReseauhWnd->fondu().Sens(), 0);
    QTest::keyClicks(liste, QStringLiteral("Poste de"));
    QTest::keyClick(liste, Qt::Key_Return);
    QCOMPARE(c.AdresseContact()->text(), QStringLiteral("10.0.0.4"));
    QTRY_VERIFY(ui.ReseauhWnd->isHidden());

    // Connected: the box shows the contact and stays; the window stays open.
    c.AdresseContact()->setText(QStringLiteral("10.9.9.9"));
    c.AdresseContact()->setEnabled(false);
    QVERIFY(ouvrirEtChoisir(0));
    QCOMPARE(c.AdresseContact()->text(), QStringLiteral("10.9.9.9"));
    QVERIFY(ui.ReseauhWnd->isVisible());
    QCOMPARE(ui.ReseauhWnd->fondu().Sens(), 0);
}

// No system bus here (the tests' wrapper points it nowhere): the real listing ends at once with
// empty lists, a word why and no box, the announcement is skipped, a ".local" name falls back to the system's
// resolver and fails as an unknown name does, all without freezing.
void TestReseauFenetre::sansDemon() {
    const Dnssd::Arret arret{false};
    QElapsedTimer chrono;
    chrono.start();
    QVERIFY(Dnssd::Domaines(arret).isEmpty());
    QVERIFY(Dnssd::Postes(QStringLiteral("local"), arret).isEmpty());
    QVERIFY(Dnssd::AdresseIPv4(QStringLiteral("poste.local"), arret).isEmpty());
    QVERIFY2(chrono.elapsed() < 2000, "no daemon should not mean waiting");
    {
        AnnonceDnssd annonce(SocketsChat::PortChat, QStringLiteral("Zoé"));
        annonce.Pseudo(QStringLiteral("Bob"));
        QVERIFY(!annonce.Etablie());
    }

    CopieOvan c(QStringLiteral("127.0.0.185"));
    Interface& ui = c.interface();
    ui.ListViewhWnd[1]->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("ancien.local"), QString()}));
    QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QVERIFY(fini.wait(5000));
    QCOMPARE(ui.ComboBoxhWnd[ListeDomaines]->count(), 0);
    QCOMPARE(ui.ListViewhWnd[1]->topLevelItemCount(), 1);
    QVERIFY(ui.ComboBoxhWnd[ListeDomaines]->isEnabled());
    QVERIFY(ui.ReseauhWnd->findChild<QLabel*>(QStringLiteral("sansDemon"))->isVisibleTo(ui.ReseauhWnd));
    QVERIFY(c.dialogues().Appels().isEmpty());

    QTRY_COMPARE(ui.ReseauhWnd->fondu().Sens(), 0);
    emit ui.ReseauhWnd->fermetureDemandee();
    QTRY_VERIFY(ui.ReseauhWnd->isHidden());
    c.Connecter(QStringLiteral("Zoé"), QStringLiteral("absent.local"));
    QTRY_COMPARE_WITH_TIMEOUT(c.dialogues().Appels().size(), 1, 15000);
    QVERIFY(c.ovan().Etat() != EtatConnexion::Connecte);
}

// What the network says is shown as plain, printable text of bounded length.
void TestReseauFenetre::nomsVenusDuReseau() {
    QCOMPARE(Dnssd::PseudoLisible("Zo\xc3\xa9"), QStringLiteral("Zoé"));
    QCOMPARE(Dnssd::PseudoLisible("A\x01" "B\r\nC\tD\x7f" "E"), QStringLiteral("ABCDE"));
    // A right-to-left override would turn the rest of the line around.
    QCOMPARE(Dnssd::PseudoLisible("abc\xe2\x80\xae" "def"), QStringLiteral("abcdef"));
    QCOMPARE(Dnssd::PseudoLisible(QByteArray(200, 'x')).size(), 30);
    QCOMPARE(Dnssd::PseudoLisible("\xff\xfe" "ok").right(2), QStringLiteral("ok"));
    // A character outside the basic plane is not cut in half at the limit.
    const QByteArray emoji = QByteArray(29, 'x') + "\xf0\x9f\x98\x80";
    QCOMPARE(Dnssd::PseudoLisible(emoji), QString(29, u'x'));
    QCOMPARE(Dnssd::NomLisible(QByteArray(400, 'n')).size(), 255);

    Poste p = Ordinateur(QStringLiteral("poste-b.local"), QStringLiteral("10.0.0.2"));
    QCOMPARE(p.PourContacter(50), QStringLiteral("poste-b.local"));
    p.Nom = QStringLiteral("-x.local");
    QCOMPARE(p.PourContacter(50), QStringLiteral("10.0.0.2"));
    p.Nom = QStringLiteral("poste\\032b.local");
    QCOMPARE(p.PourContacter(50), QStringLiteral("10.0.0.2"));
    p.Adresse.clear();
    QCOMPARE(p.PourContacter(50), QString());
}

QTEST_MAIN(TestReseauFenetre)
#include "tst_reseau_fenetre.moc"
