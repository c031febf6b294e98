// The network window against real mDNS daemons: this side's (started and stopped here) and
// another computer's ("poste-b", in a second network namespace, which announces a workstation).
// The other computer's messenger is a small program run there. Run through deux_reseaux.sh.
#include "CopieOvan.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "core/chat/SocketsChat.h"
#include "core/network/AnnonceDnssd.h"
#include "core/network/Dnssd.h"
#include "ui/network/Reseau.h"

#include <QComboBox>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

// A program run on the other computer, its output read line by line.
class CoteB {
public:
    // The other messenger with these arguments.
    explicit CoteB(const QStringList& arguments) : CoteB(QStringLiteral(OVAN_ANNONCEUR), arguments) {}
    CoteB(const QString& programme, const QStringList& arguments) {
        QStringList commande = QString::fromLocal8Bit(qgetenv("OVAN_COTE_B")).split(u' ', Qt::SkipEmptyParts);
        commande += programme;
        commande += arguments;
        m_processus.setProcessChannelMode(QProcess::MergedChannels);
        m_processus.start(commande.takeFirst(), commande);
    }
    ~CoteB() {
        m_processus.closeWriteChannel();
        if (!m_processus.waitForFinished(5000)) {
            m_processus.kill();
            m_processus.waitForFinished();
        }
    }
    // Waits for a line of output that starts with debut; returns it, or empty after the delay.
    QString Attendre(const QString& debut, int delaiMs = 15000) {
        QString trouvee;
        (void)QTest::qWaitFor(
            [&] {
                while (m_processus.canReadLine()) {
                    const QString ligne = QString::fromUtf8(m_processus.readLine()).trimmed();
                    m_lignes.append(ligne);
                    if (trouvee.isEmpty() && ligne.startsWith(debut)) {
                        trouvee = ligne;
                    }
                }
                return !trouvee.isEmpty() || m_processus.state() == QProcess::NotRunning;
            },
            delaiMs);
        return trouvee;
    }
    void Pseudo(const QString& pseudo) { m_processus.write(pseudo.toUtf8().toHex() + '\n'); }
    void Quitter() {
        m_processus.closeWriteChannel();
        m_processus.waitForFinished(5000);
    }
    QStringList Tout() {
        m_processus.waitForFinished(15000);
        return QString::fromUtf8(m_processus.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QProcess m_processus;
    QStringList m_lignes;
};

QString Hex(const QString& texte) {
    return QString::fromLatin1(texte.toUtf8().toHex());
}

QStringList Lignes(QTreeWidget* liste) {
    QStringList lignes;
    for (int i = 0; i < liste->topLevelItemCount(); ++i) {
        lignes.append(liste->topLevelItem(i)->text(0) + u'|' + liste->topLevelItem(i)->text(1));
    }
    return lignes;
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

class TestReseauDnssd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void postesEtCopiesAnnoncees();
    void domaineVideEtListagesRapides();
    void doubleClicPuisConnexion();
    void demonArretePuisRevenu();

private:
    bool DemarrerDemon();
    // Lists the domain at selection until pret holds for the computer list (new listings while
    // the network settles), at most delaiMs.
    bool ListerJusqua(CopieOvan& c, int selection, const std::function<bool(const QStringList&)>& pret,
                      int delaiMs = 20000);

    QProcess m_demon;
    std::unique_ptr<CopieOvan> m_copie;
};

bool TestReseauDnssd::DemarrerDemon() {
    m_demon.setStandardOutputFile(QProcess::nullDevice());
    m_demon.setStandardErrorFile(QProcess::nullDevice());
    m_demon.start(qEnvironmentVariable("OVAN_AVAHI_DEMON"), {qEnvironmentVariable("OVAN_AVAHI_CONF")});
    const Dnssd::Arret arret{false};
    return m_demon.waitForStarted() &&
           QTest::qWaitFor([&] { return !Dnssd::Domaines(arret, 500).isEmpty(); }, 15000);
}

void TestReseauDnssd::initTestCase() {
    if (qEnvironmentVariableIsEmpty("OVAN_AVAHI_DEMON")) {
        QSKIP("needs the private mDNS daemons of avahi/deux_reseaux.sh");
    }
    QVERIFY(DemarrerDemon());
    // Listens on every address, as a copy installed on a computer does.
    m_copie = std::make_unique<CopieOvan>(QStringLiteral("0.0.0.0"), "PSEUDO:Alice\r\n", true);
}

void TestReseauDnssd::cleanupTestCase() {
    m_copie.reset();
    if (m_demon.state() != QProcess::NotRunning) {
        m_demon.terminate();
        m_demon.waitForFinished(5000);
    }
}

bool TestReseauDnssd::ListerJusqua(CopieOvan& c, int selection,
                                    const std::function<bool(const QStringList&)>& pret, int delaiMs) {
    Reseau& reseau = c.ovan().reseau();
    QTreeWidget* liste = c.interface().ListViewhWnd[1];
    return QTest::qWaitFor(
        [&] {
            QSignalSpy fini(&reseau, &Reseau::listageFini);
            reseau.VoirReseau(selection);
            return fini.wait(10000) && pret(Lignes(liste));
        },
        delaiMs);
}

// The other computer's workstation under its name; a messenger there marked with its nickname,
// first, and its nickname changes seen by new listings; what the network says made printable;
// this copy's own announcement seen from the other computer and following the Options; the other
// messenger's announcement withdrawn when it quits.
void TestReseauDnssd::postesEtCopiesAnnoncees() {
    CopieOvan& c = *m_copie;
    Interface& ui = c.interface();
    QTreeWidget* liste = ui.ListViewhWnd[1];
    QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QVERIFY(fini.wait(15000));
    QStringList domaines;
    for (int i = 0; i < ui.ComboBoxhWnd[ListeDomaines]->count(); ++i) {
        domaines.append(ui.ComboBoxhWnd[ListeDomaines]->itemText(i));
    }
    QCOMPARE(domaines, QStringList({QStringLiteral("local"), QStringLiteral("vide.example")}));
    QVERIFY(ListerJusqua(c, 0, [](const QStringList& l) {
        return l.contains(QStringLiteral("poste-b.local|")) && l.contains(QStringLiteral("poste-a.local|Alice"));
    }));
    // This computer's messenger first; the workstation without a nickname, not marked.
    QCOMPARE(Lignes(liste).first(), QStringLiteral("poste-a.local|Alice"));
    const auto ligneB = [&] { return liste->findItems(QStringLiteral("poste-b.local"), Qt::MatchExactly).value(0); };
    QVERIFY(!ligneB()->font(0).bold());
    QVERIFY(ligneB()->toolTip(0).contains(QStringLiteral("10.232.0.2")));

    {
        CoteB b({Hex(QStringLiteral("Bérénice"))});
        QVERIFY(!b.Attendre(QStringLiteral("pret")).isEmpty());
        QVERIFY(ListerJusqua(c, 0, [](const QStringList& l) {
            return l == QStringList({QStringLiteral("poste-a.local|Alice"), QStringLiteral("poste-b.local|Bérénice")});
        }));
        QVERIFY(ligneB()->font(0).bold());

        b.Pseudo(QStringLiteral("Zoé"));
        QVERIFY(!b.Attendre(QStringLiteral("change")).isEmpty());
        QVERIFY(ListerJusqua(c, 0, [](const QStringList& l) { return l.contains(QStringLiteral("poste-b.local|Zoé")); }));

        // Control characters and a direction override dropped, the length bounded.
        b.Pseudo(QStringLiteral("\x01Mal\u202Eveillant\r\n") + QString(40, u'x'));
        QVERIFY(!b.Attendre(QStringLiteral("change")).isEmpty());
        const QString attendu = QStringLiteral("poste-b.local|Malveillant") + QString(19, u'x');
        QVERIFY(ListerJusqua(c, 0, [&](const QStringList& l) { return l.contains(attendu); }));

        // This copy's nickname changed in the Options: the other computer sees the new one.
        ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(QStringLiteral("Alice Martin"));
        c.ovan().ClicBouton(Commande::ValiderOptions);
        QVERIFY(QTest::qWaitFor(
            [] { return CoteB({QStringLiteral("--postes")}).Tout().contains(QStringLiteral("poste-a.local|Alice Martin|1")); },
            20000));
        b.Quitter();
    }
    // The other messenger has quit: its computer is a plain workstation again.
    QVERIFY(ListerJusqua(c, 0, [](const QStringList& l) { return l.contains(QStringLiteral("poste-b.local|")); }));
    QVERIFY(!ligneB()->font(0).bold());

    // A workstation announced for a computer that has no address: it cannot be resolved, the
    // listing still ends, with the others.
    {
        CoteB fantome(QStringLiteral("avahi-publish"), {QStringLiteral("-s"), QStringLiteral("-H"),
                                                        QStringLiteral("fantome.local"), QStringLiteral("Fantome"),
                                                        QStringLiteral("_workstation._tcp"), QStringLiteral("9")});
        QVERIFY(!fantome.Attendre(QStringLiteral("Established")).isEmpty());
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        c.ovan().reseau().VoirReseau(0);
        QVERIFY(fini.wait(15000));
        QVERIFY(Lignes(liste).contains(QStringLiteral("poste-b.local|")));
        QVERIFY(liste->findItems(QStringLiteral("fantome.local"), Qt::MatchExactly).isEmpty());
    }
    QVERIFY(c.dialogues().Appels().isEmpty());
}

// A browse domain with no computer gives an empty list; two listings asked one after the other
// show the later one's result, whichever order.
void TestReseauDnssd::domaineVideEtListagesRapides() {
    CopieOvan& c = *m_copie;
    Interface& ui = c.interface();
    QComboBox* domaines = ui.ComboBoxhWnd[ListeDomaines];
    QTreeWidget* liste = ui.ListViewhWnd[1];
    Reseau& reseau = c.ovan().reseau();
    QSignalSpy fini(&reseau, &Reseau::listageFini);
    reseau.VoirReseau(0);
    QVERIFY(fini.wait(15000));
    QVERIFY(liste->topLevelItemCount() > 0);

    domaines->setCurrentIndex(1);
    emit domaines->activated(1);
    QVERIFY(fini.wait(15000));
    QCOMPARE(domaines->currentText(), QStringLiteral("vide.example"));
    QCOMPARE(liste->topLevelItemCount(), 0);
    QVERIFY(domaines->isEnabled());

    fini.clear();
    reseau.VoirReseau(1);
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QVERIFY(fini.wait(15000));
    QCOMPARE(fini.count(), 1);
    QCOMPARE(domaines->currentIndex(), 0);
    QVERIFY(Lignes(liste).contains(QStringLiteral("poste-b.local|")));

    fini.clear();
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    reseau.VoirReseau(1);
    QVERIFY(fini.wait(15000));
    QCOMPARE(fini.count(), 1);
    QCOMPARE(domaines->currentIndex(), 1);
    QCOMPARE(liste->topLevelItemCount(), 0);
}

// A double click on the other computer puts "poste-b.local" in the box; the connect button then
// finds it through mDNS and calls it.
void TestReseauDnssd::doubleClicPuisConnexion() {
    CopieOvan& c = *m_copie;
    Interface& ui = c.interface();
    QTreeWidget* liste = ui.ListViewhWnd[1];
    CoteB b({Hex(QStringLiteral("Bob"))});
    QVERIFY(!b.Attendre(QStringLiteral("pret")).isEmpty());
    c.ovan().ClicBouton(Commande::OuvrirReseau);
    QVERIFY(ListerJusqua(c, 0, [](const QStringList& l) { return l.contains(QStringLiteral("poste-b.local|Bob")); }));
    QTRY_COMPARE(ui.ReseauhWnd->fondu().Sens(), 0);
    DoubleClic(liste, liste->findItems(QStringLiteral("poste-b.local"), Qt::MatchExactly).value(0));
    QCOMPARE(c.AdresseContact()->text(), QStringLiteral("poste-b.local"));
    QTRY_VERIFY(ui.ReseauhWnd->isHidden());
    c.Pseudo()->setText(QStringLiteral("Alice"));
    c.ovan().ClicBouton(Commande::Connecter);
    QCOMPARE(b.Attendre(QStringLiteral("appel")), QStringLiteral("appel 10.232.0.1"));
    // Connected under the nickname typed in the main window: that one is announced from now on.
    QTRY_COMPARE(c.ovan().Etat(), EtatConnexion::Connecte);
    c.ovan().ClicBouton(Commande::Deconnecter);
}

// This side's daemon stops: listings end empty at once, no box; the announcement waits and comes
// back by itself, with the nickname last used, when the daemon does.
void TestReseauDnssd::demonArretePuisRevenu() {
    CopieOvan& c = *m_copie;
    Interface& ui = c.interface();
    QTRY_VERIFY_WITH_TIMEOUT(c.ovan().annonce()->Etablie(), 10000);
    const int lignes = ui.ListViewhWnd[1]->topLevelItemCount();
    m_demon.terminate();
    QVERIFY(m_demon.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!c.ovan().annonce()->Etablie(), 10000);

    QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
    c.ovan().reseau().VoirReseau(0);
    QVERIFY(fini.wait(5000));
    QCOMPARE(ui.ComboBoxhWnd[ListeDomaines]->count(), 0);
    QCOMPARE(ui.ListViewhWnd[1]->topLevelItemCount(), lignes);
    QVERIFY(ui.ComboBoxhWnd[ListeDomaines]->isEnabled());

    QVERIFY(DemarrerDemon());
    QTRY_VERIFY_WITH_TIMEOUT(c.ovan().annonce()->Etablie(), 15000);
    QVERIFY(QTest::qWaitFor(
        [] { return CoteB({QStringLiteral("--postes")}).Tout().contains(QStringLiteral("poste-a.local|Alice|1")); },
        20000));
    QVERIFY(c.dialogues().Appels().isEmpty());
}

QTEST_MAIN(TestReseauDnssd)
#include "tst_reseau_dnssd.moc"
