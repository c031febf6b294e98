// The network window against real mDNS daemons, ours and "poste-b"'s in a second namespace
// (avahi/deux_reseaux.sh), where a small program plays its messenger.
#include "CopieOvan.h"
#include "core/network/AnnonceDnssd.h"
#include "core/network/Dnssd.h"
#include "ui/network/Reseau.h"

#include <QProcess>
#include <QTreeWidget>

namespace {

// A program on the other computer, by default its messenger (the nickname in hex UTF-8 as argument).
class CoteB {
public:
    explicit CoteB(const QStringList& arguments, const QString& programme = OVAN_ANNONCEUR) {
        QStringList commande = qEnvironmentVariable("OVAN_COTE_B").split(u' ', Qt::SkipEmptyParts);
        m_processus.setProcessChannelMode(QProcess::MergedChannels);
        const QString prefixe = commande.takeFirst();
        m_processus.start(prefixe, commande + QStringList{programme} + arguments);
    }
    ~CoteB() {
        m_processus.closeWriteChannel();
        if (!m_processus.waitForFinished(5000))
            m_processus.kill();
        m_processus.waitForFinished();
    }
    // The first line of output from now on that starts with debut; empty after 15 s.
    QString Attendre(const QString& debut) {
        QString trouvee;
        (void)QTest::qWaitFor(
            [&] {
                while (trouvee.isEmpty() && m_processus.canReadLine()) {
                    trouvee = QString::fromUtf8(m_processus.readLine()).trimmed();
                    trouvee = trouvee.startsWith(debut) ? trouvee : QString();
                }
                return !trouvee.isEmpty() || m_processus.state() == QProcess::NotRunning;
            },
            15000);
        return trouvee;
    }
    void Pseudo(const QString& pseudo) { m_processus.write(pseudo.toUtf8().toHex() + '\n'); }
    // The other computer's listing of "local" holds this line.
    static bool Voit(const QString& ligne) {
        CoteB b({"--postes"});
        b.m_processus.waitForFinished(15000);
        return QString::fromUtf8(b.m_processus.readAll()).split(u'\n').contains(ligne);
    }

private:
    QProcess m_processus;
};

QStringList Lignes(QTreeWidget* liste) {
    QStringList lignes;
    for (QTreeWidgetItem* i : liste->findItems("*", Qt::MatchWildcard))
        lignes.append(i->text(0) + u'|' + i->text(1));
    return lignes;
}

} // namespace

class TestReseauDnssd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("OVAN_AVAHI_DEMON"))
            QSKIP("needs the private mDNS daemons of avahi/deux_reseaux.sh");
        QVERIFY(DemarrerDemon());
        // Listens on every address, as a copy installed on a computer does.
        m_copie = std::make_unique<CopieOvan>("0.0.0.0", "PSEUDO:Alice\r\n", true);
    }

    void cleanupTestCase() {
        m_copie.reset();
        m_demon.terminate();
        m_demon.waitForFinished(5000);
    }

    // Nicknames and their changes seen across; a computer without an address does not hold it up.
    void postesEtCopiesAnnoncees() {
        CopieOvan& c = *m_copie;
        Interface& ui = c.interface();
        QTreeWidget* liste = ui.ListViewhWnd[1];
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        c.ovan().ClicBouton(Commande::OuvrirReseau);
        QVERIFY(fini.wait(15000));
        QCOMPARE(ui.ComboBoxhWnd[ListeDomaines]->itemText(1), "vide.example");
        QVERIFY(ListerJusqua({"poste-a.local|Alice", "poste-b.local|"}));
        QVERIFY(
            liste->findItems("poste-b.local", Qt::MatchExactly).value(0)->toolTip(0).contains("10.232.0.2"));
        {
            CoteB b({QString::fromLatin1(QString("Bérénice").toUtf8().toHex())});
            QVERIFY(!b.Attendre("pret").isEmpty());
            QVERIFY(ListerJusqua({"poste-a.local|Alice", "poste-b.local|Bérénice"}));
            b.Pseudo("\x01Mal\u202Eveillant\r\n" + QString(40, u'x'));
            QVERIFY(!b.Attendre("change").isEmpty());
            QVERIFY(ListerJusqua({"poste-a.local|Alice", "poste-b.local|Malveillant" + QString(19, u'x')}));
            ui.TextBoxhWnd[ZoneOptionsPseudo]->setText("Alice Martin");
            c.ovan().ClicBouton(Commande::ValiderOptions);
            QVERIFY(QTest::qWaitFor([] { return CoteB::Voit("poste-a.local|Alice Martin|1"); }, 20000));
        }
        QVERIFY(ListerJusqua({"poste-a.local|Alice Martin", "poste-b.local|"}));
        {
            CoteB fantome({"-s", "-H", "fantome.local", "Fantome", "_workstation._tcp", "9"},
                          "avahi-publish");
            QVERIFY(!fantome.Attendre("Established").isEmpty());
            c.ovan().reseau().VoirReseau(0);
            QVERIFY(fini.wait(15000));
            QCOMPARE(Lignes(liste), (QStringList{"poste-a.local|Alice Martin", "poste-b.local|"}));
        }
        QVERIFY(c.dialogues().Appels().isEmpty());
    }

    // A ".local" name is found through mDNS and called. This side's daemon stops: listings end
    // empty, no box; the announcement comes back by itself with the nickname last used.
    void connexionPuisDemonArrete() {
        CopieOvan& c = *m_copie;
        CoteB b({"426f62"}); // "Bob"
        QVERIFY(!b.Attendre("pret").isEmpty());
        c.Connecter("Alice", "poste-b.local");
        QCOMPARE(b.Attendre("appel"), "appel 10.232.0.1");
        QTRY_COMPARE(c.ovan().Etat(), EtatConnexion::Connecte);
        c.ovan().ClicBouton(Commande::Deconnecter);
        QTRY_VERIFY_WITH_TIMEOUT(c.ovan().annonce()->Etablie(), 10000);
        m_demon.terminate();
        QVERIFY(m_demon.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!c.ovan().annonce()->Etablie(), 10000);
        QSignalSpy fini(&c.ovan().reseau(), &Reseau::listageFini);
        c.ovan().reseau().VoirReseau(0);
        QVERIFY(fini.wait(5000));
        QCOMPARE(c.interface().ComboBoxhWnd[ListeDomaines]->count(), 0);
        QVERIFY(DemarrerDemon());
        QTRY_VERIFY_WITH_TIMEOUT(c.ovan().annonce()->Etablie(), 15000);
        QVERIFY(QTest::qWaitFor([] { return CoteB::Voit("poste-a.local|Alice|1"); }, 20000));
        QVERIFY(c.dialogues().Appels().isEmpty());
    }

private:
    bool DemarrerDemon() {
        m_demon.setStandardOutputFile(QProcess::nullDevice());
        m_demon.setStandardErrorFile(QProcess::nullDevice());
        m_demon.start(qEnvironmentVariable("OVAN_AVAHI_DEMON"), {qEnvironmentVariable("OVAN_AVAHI_CONF")});
        const Dnssd::Arret arret{false};
        return m_demon.waitForStarted() &&
               QTest::qWaitFor([&] { return !Dnssd::Domaines(arret, 500).isEmpty(); }, 15000);
    }
    // Lists "local" again while the network settles, until the computer list is attendu.
    bool ListerJusqua(const QStringList& attendu) {
        QSignalSpy fini(&m_copie->ovan().reseau(), &Reseau::listageFini);
        return QTest::qWaitFor(
            [&] {
                m_copie->ovan().reseau().VoirReseau(0);
                return fini.wait(10000) && Lignes(m_copie->interface().ListViewhWnd[1]) == attendu;
            },
            20000);
    }

    QProcess m_demon;
    std::unique_ptr<CopieOvan> m_copie;
};

QTEST_MAIN(TestReseauDnssd)
#include "tst_reseau_dnssd.moc"
