// This copy's key and certificate: made once, kept readable by its owner only, and made anew, with
// the reason, when they are missing in part, unreadable, damaged or not a pair. Two copies of ours
// encrypt their conversation and their files, and tell a key that changed or went missing.
#include "FauxContact.h"
#include "Fichiers.h"
#include "core/chat/Conversation.h"
#include "core/chat/PoigneeDeMain.h"
#include "core/security/Confiance.h"
#include "core/security/Identite.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

// The cable between A (.220) and B (.222), through .221 (B as A sees it) and .223 (A as B sees it),
// on both ports; it keeps every byte that passes.
class Cable : public QObject {
public:
    Cable() {
        for (const quint16 port : {quint16(60000), quint16(60001)}) {
            Relier("127.0.0.221", "127.0.0.222", "127.0.0.223", port);
            Relier("127.0.0.223", "127.0.0.220", "127.0.0.221", port);
        }
    }
    QByteArray capture;

private:
    void Relier(const char* ecoute, const char* vers, const char* depuis, quint16 port) {
        auto* serveur = new QTcpServer(this);
        QVERIFY(serveur->listen(QHostAddress(ecoute), port));
        connect(serveur, &QTcpServer::newConnection, this, [=, this] {
            QTcpSocket* entrant = serveur->nextPendingConnection();
            auto* sortant = new QTcpSocket(entrant);
            sortant->bind(QHostAddress(depuis), 0);
            const auto passer = [this, entrant, sortant](QTcpSocket* de, QTcpSocket* a) {
                if (sortant->state() == QAbstractSocket::ConnectedState) {
                    const QByteArray octets = de->readAll();
                    capture += octets;
                    a->write(octets);
                }
            };
            const auto brancher = [=](QTcpSocket* de, QTcpSocket* a) {
                connect(de, &QIODevice::readyRead, a, [=] { passer(de, a); });
                connect(de, &QAbstractSocket::disconnected, a, [=] { a->disconnectFromHost(); });
            };
            brancher(entrant, sortant);
            brancher(sortant, entrant);
            connect(sortant, &QAbstractSocket::connected, entrant, [=] { passer(entrant, sortant); });
            sortant->connectToHost(QHostAddress(vers), port);
        });
    }
};

// One copy of ours on its address; an identity unless sansCle.
struct Poste {
    Poste(const char* adresse, const QString& pseudo, bool sansCle = false)
        : confiance(d.filePath("contacts")), c(QHostAddress(adresse)) {
        if (!sansCle) {
            identite = *Identites::Creer();
            c.ReglerChiffrement(identite, &confiance);
        }
        c.ReglerPseudoSaisi(pseudo);
        c.ReglerDossierReception(d.path() + "/");
        QObject::connect(&c, &Conversation::offreRecue, &c, [this] { c.RepondreOffre(true); });
        c.Ecouter();
        c.EcouterFichiers();
    }
    QTemporaryDir d;
    Identite identite;
    Confiance confiance;
    Conversation c;
    QSignalSpy messages{&c, &Conversation::messageRecu};
};

} // namespace

class TestSecurite : public QObject {
    Q_OBJECT
private slots:
    void identiteGardeeOuRefaite() {
        QTemporaryDir d;
        const QString cle = d.filePath(Identites::NomCle), certificat = d.filePath(Identites::NomCertificat);
        // Owner's bits and everyone else's (Qt adds the user's own access beside them).
        const auto acces = [&] { return int(QFile::permissions(cle) & 0x7077); };
        const auto premiere = Identites::Charger(d.path());
        QCOMPARE(premiere.etat, Identites::Etat::Creee);
        QCOMPARE(acces(), 0x6000);
        const QSslCertificate lu(Lire(certificat));
        QVERIFY(!lu.isNull() && !QSslKey(Lire(cle), QSsl::Ec).isNull());
        QCOMPARE(premiere.identite.empreinte, lu.digest(QCryptographicHash::Sha256));
        QVERIFY(lu.expiryDate().date().year() > 2100 && lu.isSelfSigned());
        QCOMPARE(lu.subjectInfo(QSslCertificate::CommonName), QStringList{"OVAN Messenger"});
        // Kept: the same identity at every start; a key left open to others is closed again.
        QVERIFY(QFile::setPermissions(cle, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const auto encore = Identites::Charger(d.path());
        QCOMPARE(encore.etat, Identites::Etat::Chargee);
        QCOMPARE(encore.identite.empreinte, premiere.identite.empreinte);
        QCOMPARE(acces(), 0x6000);
        const Identite autre = *Identites::Creer();
        QVERIFY(autre.empreinte != premiere.identite.empreinte);
        const std::initializer_list<std::pair<std::function<bool()>, const char*>> cas = {
            {[&] { return Ecrire(cle, Lire(cle).chopped(40)); }, "la clé de ce poste était abîmée"},
            {[&] { return Ecrire(certificat, autre.certificat); }, "la clé de ce poste était abîmée"},
            {[&] { return QFile::remove(certificat); }, "une partie de la clé de ce poste manquait"},
            {[&] { return QFile::remove(cle) && QDir().mkdir(cle); },
             "la clé de ce poste ne pouvait pas être lue"},
        };
        QByteArray avant = encore.identite.empreinte;
        for (const auto& [abimer, pourquoi] : cas) {
            QVERIFY(abimer());
            const auto refaite = Identites::Charger(d.path());
            if (QFileInfo(cle).isDir()) {
                // A folder in its place is not removed: nothing can be kept.
                QCOMPARE(refaite.etat, Identites::Etat::Impossible);
                QVERIFY(refaite.pourquoi.startsWith("la clé de ce poste ne peut pas être enregistrée"));
                continue;
            }
            QCOMPARE(refaite.etat, Identites::Etat::Remplacee);
            QCOMPARE(refaite.pourquoi, QString::fromUtf8(pourquoi));
            QVERIFY(refaite.identite.empreinte != avant);
            QCOMPARE(Identites::Charger(d.path()).identite.empreinte, refaite.identite.empreinte);
            avant = refaite.identite.empreinte;
        }
    }

    // A key is trusted the first time; a known nickname or address with another key is a change,
    // until the user accepts the new key in its place. What is kept survives a restart; damaged
    // lines are dropped and counted.
    void confianceAuPremierUsage() {
        QTemporaryDir d;
        const QString fichier = d.filePath("contacts");
        const QByteArray k1(32, '1'), k2(32, '2'), k3(32, '3');
        {
            Confiance c(fichier);
            QCOMPARE(c.Examiner(k1, "Paul", "10.0.0.2"), Confiance::Avis::Nouveau);
            QVERIFY(c.Retenir(k1, "Pa\tul", "10.0.0.2") && c.Retenir(k3, "Eve", "10.0.0.7"));
            QVERIFY(c.MarquerVerifie(k1) && !c.MarquerVerifie(k2));
        }
        QVERIFY(Ecrire(fichier, Lire(fichier) + "zz\tx\ty\t1\n\n"));
        Confiance c(fichier);
        QCOMPARE(c.LignesIllisibles(), 2);
        QCOMPARE(c.Contacts().size(), 2);
        ContactConnu ancien;
        QCOMPARE(c.Examiner(k1, "Autre", "10.0.0.99"), Confiance::Avis::Connu);
        QCOMPARE(c.Examiner(k2, "Pa ul", "10.0.0.9", &ancien), Confiance::Avis::Change);
        QVERIFY(ancien.empreinte == k1 && ancien.verifie);
        QCOMPARE(c.Examiner(k2, "Marie", "10.0.0.7", &ancien), Confiance::Avis::Change);
        QCOMPARE(ancien.pseudo, "Eve");
        QCOMPARE(c.Examiner(k2, "Marie", "10.0.0.3"), Confiance::Avis::Nouveau);
        QVERIFY(c.ConnuChiffre("Eve", "") && !c.ConnuChiffre("Marie", "10.0.0.3"));
        // Accepted in place of Paul's: the old key goes, the new one is not yet checked.
        QVERIFY(c.Retenir(k2, "Pa ul", "10.0.0.5"));
        QCOMPARE(Confiance(fichier).Contacts(),
                 (QList<ContactConnu>{{k3, "Eve", "10.0.0.7", false}, {k2, "Pa ul", "10.0.0.5", false}}));
        QCOMPARE(c.Examiner(k1, "Paul", ""), Confiance::Avis::Nouveau);
        // The same code on both screens, six groups of five digits, another for another pair.
        const QString code = Confiance::CodeDeSurete(k1, k2);
        QCOMPARE(code, Confiance::CodeDeSurete(k2, k1));
        QVERIFY(QRegularExpression("^\\d{5}( \\d{5}){5}$").match(code).hasMatch());
        QVERIFY(code != Confiance::CodeDeSurete(k1, k3));
    }

    // On the cable nothing is read but the first nickname and the handshakes: not a message, not
    // a later nickname, not an offered name, not a file's bytes. Both screens show the same code.
    void chiffreeSurLeCable() {
        Cable cable;
        Poste a("127.0.0.220", "Alice");
        {
            Poste b("127.0.0.222", "Bob");
            QCOMPARE(a.c.Connecter("127.0.0.221"), Conversation::Appel::Lance);
            // Sent at once: held until the conversation is encrypted and the key accepted.
            QTRY_VERIFY(a.c.Connectee());
            QVERIFY(a.c.EnvoyerMessage(0, 0, 0, "premier-mot-secret"));
            QTRY_COMPARE(b.c.EtatSecurite(), Conversation::Securite::Chiffree);
            QTRY_COMPARE(a.c.EtatSecurite(), Conversation::Securite::Chiffree);
            QCOMPARE(a.c.CodeDeSurete(), b.c.CodeDeSurete());
            QCOMPARE(a.c.EmpreinteContact(), b.identite.empreinte);
            b.c.ReglerMonPseudo("Zorglub");
            b.c.AnnoncerPseudo();
            QTRY_COMPARE(a.c.SonPseudo(), "Zorglub");
            QTRY_COMPARE(b.messages.size(), 1);
            QCOMPARE(b.messages[0][3], "premier-mot-secret");
            const QString chemin = a.d.filePath("plan-confidentiel.txt");
            QVERIFY(Ecrire(chemin, QByteArray(300000, 'Q') + "contenu-secret"));
            QSignalSpy fini(&b.c, &Conversation::transfertFini);
            QCOMPARE(a.c.OffrirFichier(chemin), Conversation::Offre::Faite);
            QVERIFY(fini.wait(10000));
            QCOMPARE(fini[0][0].value<IssueTransfert>(), IssueTransfert::Termine);
            QCOMPARE(Lire(b.d.filePath("plan-confidentiel.txt")), Lire(chemin));
            QVERIFY(a.c.MarquerVerifie() && a.c.ContactVerifie() && !b.c.ContactVerifie());
            for (const char* mot :
                 {"premier-mot-secret", "Zorglub", "plan-confidentiel", "QQQQ", "contenu-secret"}) {
                QVERIFY2(!cable.capture.contains(mot), mot);
            }
            QVERIFY(cable.capture.contains("[LOG]Alice") && cable.capture.contains("[OVT]"));
            a.c.Deconnecter();
        }

        // Another copy at Bob's address: stopped before anything of it is shown or of ours sent.
        Poste c("127.0.0.222", "Bob");
        QSignalSpy changee(&a.c, &Conversation::cleChangee);
        cable.capture.clear();
        a.c.Connecter("127.0.0.221");
        QVERIFY(changee.wait());
        QCOMPARE(changee[0][0].value<ContactConnu>().pseudo, "Zorglub");
        QCOMPARE(changee[0][1].toByteArray(), c.identite.empreinte);
        QTRY_COMPARE(c.c.EtatSecurite(), Conversation::Securite::Chiffree);
        QVERIFY(c.c.EnvoyerMessage(0, 0, 0, "intrus"));
        QTRY_VERIFY(a.c.EnAttente() > 0);
        QVERIFY(a.c.EnvoyerMessage(0, 0, 0, "pour-bob"));
        QSignalSpy finC(&c.c, &Conversation::terminee);
        a.c.RepondreCle(false);
        QVERIFY(finC.wait());
        QCOMPARE(a.messages.size() + c.messages.size(), 0);
        QVERIFY(!a.c.Connectee() && !cable.capture.contains("pour-bob"));
    }

    // A copy known to encrypt comes back without it: the user is asked; a contact that never sent
    // a handshake chats in clear, our frames held only until its first one.
    void chiffrementPerduEtContactBrut() {
        Cable cable;
        Poste a("127.0.0.220", "Alice");
        QVERIFY(a.confiance.Retenir(QByteArray(32, 'k'), "Bob", "127.0.0.1"));
        Poste b("127.0.0.222", "Bob", true);
        QSignalSpy perdu(&a.c, &Conversation::chiffrementPerdu);
        a.c.Connecter("127.0.0.221");
        QVERIFY(perdu.wait());
        QVERIFY(a.c.Connectee() && a.c.EtatSecurite() == Conversation::Securite::Inconnue);
        a.c.EnvoyerMessage(0, 0, 0, "apres-accord");
        QVERIFY(!QTest::qWaitFor([&] { return b.messages.size() > 0; }, 300));
        a.c.RepondreCle(true);
        QTRY_COMPARE(b.messages.size(), 1);
        QCOMPARE(a.c.EtatSecurite(), Conversation::Securite::Claire);
        a.c.Deconnecter();
        {
            // Held frames are bounded as unread ones are: past 4 MiB the conversation ends unsent.
            FauxContact muet("127.0.0.227");
            QVERIFY(muet.Appeler("127.0.0.220"));
            QSignalSpy fin(&a.c, &Conversation::terminee), erreur(&a.c.Sockets(), &SocketsChat::erreur);
            for (int i = 0; i < 50; ++i)
                a.c.EnvoyerMessage(0, 0, 0, QString(100000, u'x'));
            QCOMPARE(erreur.size(), 1);
            QVERIFY(fin.wait());
            QCOMPARE(fin[0][0].value<Conversation::Fin>(), Conversation::Fin::Erreur);
            QVERIFY(!muet.Octets().contains("xxxx"));
        }

        FauxContact brut("127.0.0.224");
        QVERIFY(brut.Appeler("127.0.0.220"));
        QTRY_COMPARE(a.c.EtatSecurite(), Conversation::Securite::Inconnue);
        a.c.EnvoyerMessage(0, 0, 0, "en-clair");
        brut.Envoyer("[LOG]Win\x03[STA]prs\x03");
        QVERIFY(brut.AttendreTrames(3));
        QCOMPARE(brut.Octets(), Trame::Log("Alice") + PoigneeDeMain::Construire(a.c.NosExtensions()) +
                                    Trame::Message(0, 0, 0, "en-clair"));
        QCOMPARE(a.c.EtatSecurite(), Conversation::Securite::Claire);
    }
};

QTEST_GUILESS_MAIN(TestSecurite)
#include "tst_securite.moc"
