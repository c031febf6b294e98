// The chat without a window: the sockets' races, names from the network and no mDNS daemon; two
// conversation cores on loopback, and a core against a raw contact.
#include "FauxContact.h"
#include "Fichiers.h"
#include "Memoire.h"
#include "core/chat/Conversation.h"
#include "core/chat/SocketsChat.h"
#include "core/network/AdressesPoste.h"
#include "core/network/AnnonceDnssd.h"
#include "core/network/Dnssd.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Fin = Conversation::Fin;

const QString A = "127.0.0.20", B = "127.0.0.21";

// The frames of every tramesRecues a spy has seen.
QList<Trame::TrameRecue> Trames(const QSignalSpy& recu) {
    QList<Trame::TrameRecue> trames;
    for (const auto& appel : recu)
        trames += appel[0].value<QList<Trame::TrameRecue>>();
    return trames;
}

// A core listening on its own address, its received files in a folder of its own.
struct Coeur {
    QTemporaryDir dossier;
    Conversation c;
    Coeur(const QString& adresse, const QString& pseudo, int delaiSondeMs = SondePort::DelaiParDefautMs)
        : c(QHostAddress(adresse), CanalFichier::DelaiParDefautMs, delaiSondeMs) {
        c.ReglerPseudoSaisi(pseudo);
        c.ReglerDossierReception(dossier.path() + u'/');
        c.Ecouter();
        c.EcouterFichiers();
    }
    QString Chemin(const QString& nom) const { return dossier.filePath(nom); }
};

// A core named Alice on 127.0.0.n, called by a raw contact on 127.0.0.n+1.
struct Face {
    QString adresse;
    Coeur a;
    FauxContact eve;
    explicit Face(int n)
        : adresse(QStringLiteral("127.0.0.%1").arg(n)), a(adresse, "Alice"),
          eve(QStringLiteral("127.0.0.%1").arg(n + 1)) {}
    bool Relier() {
        return eve.Appeler(adresse) && QTest::qWaitFor([this] { return a.c.Connectee(); });
    }
};

template <typename T> T Arg(const QSignalSpy& spy, int i, int n = 0) {
    return spy.at(i < 0 ? spy.size() + i : i).at(n).value<T>();
}

// The "[OVP]" payloads a conversation handled, from a spy of trameTraitee.
QByteArrayList Resultats(const QSignalSpy& traitees) {
    QByteArrayList r;
    for (const auto& appel : traitees)
        if (const auto t = appel[0].value<Trame::TrameRecue>(); t.balise == Trame::Balise::OVP)
            r << t.donnee;
    return r;
}

// Waits until Alice and Bob know each other's nickname.
bool Paire(const Coeur& a, const Coeur& b) {
    return QTest::qWaitFor([&] { return a.c.SonPseudo() == u"Bob" && b.c.SonPseudo() == u"Alice"; });
}

} // namespace

class TestChatConversation : public QObject {
    Q_OBJECT
private slots:
    // The contact's call back can be seen before our own connection's completion.
    void retourPendantSaPropreConnexion() {
        // The contact's listener only accepts and records.
        QTcpServer contact;
        QVERIFY(contact.listen(QHostAddress(B), SocketsChat::PortChat));
        QList<QTcpSocket*> acceptes;
        connect(&contact, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* s = contact.nextPendingConnection())
                acceptes.append(s);
        });
        SocketsChat a((QHostAddress(A)));
        QVERIFY(a.Ecouter());
        QSignalSpy etablie(&a, &SocketsChat::connexionEtablie);
        a.Connecter(B, SocketsChat::Origine::Commande);
        a.Connecter(B, SocketsChat::Origine::Retour);
        QVERIFY(etablie.wait(5000));
        // A frame through W_Client: any connection made before it has been accepted by then.
        a.Envoyer(Trame::Att());
        QTRY_VERIFY(!acceptes.isEmpty() && acceptes.last()->bytesAvailable() > 0);
        QCOMPARE(acceptes.size(), 1);
        QCOMPARE(acceptes.first()->state(), QAbstractSocket::ConnectedState);
        QCOMPARE(etablie.count(), 1);
        // Listening again, as after a connection error: the old W_Client must not linger, open,
        // beside the new one.
        QSignalSpy fermee(acceptes.first(), &QAbstractSocket::disconnected);
        QVERIFY(a.Ecouter());
        QVERIFY(fermee.count() == 1 || fermee.wait(5000));
        QCOMPARE(a.Etat(), EtatConnexion::Ecoute);
    }

    // Both users click at once: each accepts the other's call and keeps its own connection.
    void appelsCroises() {
        SocketsChat a((QHostAddress(A))), b((QHostAddress(B)));
        QVERIFY(a.Ecouter() && b.Ecouter());
        for (SocketsChat* s : {&a, &b}) {
            connect(s, &SocketsChat::connexionEtablie, s, [s] { s->ReglEtat(EtatConnexion::Connecte); });
            connect(s, &SocketsChat::appelAccepte, s, [s](const QString& adresse) {
                if (s->Etat() != EtatConnexion::Connecte)
                    s->Connecter(adresse, SocketsChat::Origine::Retour);
            });
        }
        QSignalSpy erreursA(&a, &SocketsChat::erreur), erreursB(&b, &SocketsChat::erreur);
        QSignalSpy fermeturesA(&a, &SocketsChat::fermeture), fermeturesB(&b, &SocketsChat::fermeture);
        a.Connecter(B, SocketsChat::Origine::Commande);
        b.Connecter(A, SocketsChat::Origine::Commande);
        QTRY_COMPARE(a.Etat(), EtatConnexion::Connecte);
        QTRY_COMPARE(b.Etat(), EtatConnexion::Connecte);
        // The conversation works both ways.
        QSignalSpy recuA(&a, &SocketsChat::tramesRecues), recuB(&b, &SocketsChat::tramesRecues);
        a.Envoyer(Trame::Log("Alice"));
        b.Envoyer(Trame::Log("Bob"));
        QTRY_VERIFY(recuA.count() == 1 && recuB.count() == 1);
        QCOMPARE(Trames(recuB).first().donnee, QByteArray("Alice"));
        QCOMPARE(Trames(recuA).first().donnee, QByteArray("Bob"));
        QCOMPARE(erreursA.count() + erreursB.count() + fermeturesA.count() + fermeturesB.count(), 0);
    }

    // Printable text of bounded length; a name that would not resolve is reached by its address.
    void nomsVenusDuReseau() {
        for (auto [brut, lisible] : {std::pair<QByteArray, QString>{"Zo\xc3\xa9", "Zoé"},
                                     {"A\001B\r\nC\tD\177E", "ABCDE"},
                                     {"abc\342\200\256def", "abcdef"}, // a right-to-left override
                                     {"\xff\xfeok", "\uFFFD\uFFFDok"},
                                     {QByteArray(29, 'x') + "\xf0\x9f\x98\x80", QString(29, u'x')}})
            QCOMPARE(Dnssd::PseudoLisible(brut), lisible);
        QCOMPARE(Dnssd::PseudoLisible(QByteArray(200, 'x')).size(), 30);
        QCOMPARE(Dnssd::NomLisible(QByteArray(400, 'n')).size(), 255);
        for (auto [nom, adresse, pour] : {std::tuple{"poste-b.local", "10.0.0.2", "poste-b.local"},
                                          {"-x.local", "10.0.0.2", "10.0.0.2"},
                                          {"poste\\032b.local", "10.0.0.2", "10.0.0.2"},
                                          {"-x.local", "", ""}}) {
            const Dnssd::Poste poste{nom, adresse, false, {}};
            QCOMPARE(poste.PourContacter(50), pour);
        }
    }

    // What the network window tells the user to give the contact: the addresses of the cards that
    // are up, never loopback nor link-local ones. A card is added in this program's own namespace.
    void adressesDuPoste() {
        if (qEnvironmentVariable("OVAN_RESEAU_PRIVE") != "1")
            QSKIP("needs the private network namespace");
        QVERIFY(AdressesDuPoste().isEmpty());
        const auto ip = [](const QString& commande) {
            return QProcess::execute("ip", commande.split(u' ')) == 0;
        };
        QVERIFY(ip("link add ovan0 type veth peer name ovan1") && ip("addr add 10.77.0.5/24 dev ovan0") &&
                ip("addr add 169.254.7.7/16 dev ovan0") && ip("link set ovan0 up") &&
                ip("link set ovan1 up"));
        QTRY_COMPARE(AdressesDuPoste(), QStringList{"10.77.0.5"});
        QVERIFY(ip("link set ovan0 down"));
        QTRY_VERIFY(AdressesDuPoste().isEmpty());
        QVERIFY(ip("link del ovan0"));
    }

    // Listings end at once and empty, no announcement, a ".local" name fails as an unknown one.
    void sansDemon() {
        const Dnssd::Arret arret{false};
        QElapsedTimer chrono;
        chrono.start();
        QVERIFY(Dnssd::Domaines(arret).isEmpty() && Dnssd::Postes("local", arret).isEmpty());
        QVERIFY(Dnssd::AdresseIPv4("poste.local", arret).isEmpty());
        QVERIFY2(chrono.elapsed() < 2000, "no daemon should not mean waiting");
        AnnonceDnssd annonce(SocketsChat::PortChat, "Zoé");
        annonce.Pseudo("Bob");
        QVERIFY(!annonce.Etablie());
        SocketsChat sockets{QHostAddress(QHostAddress::Any)};
        QSignalSpy erreur(&sockets, &SocketsChat::erreur);
        sockets.Connecter("absent.local", SocketsChat::Origine::Commande);
        QVERIFY(erreur.wait(15000));
    }

    // Connect, nicknames, a message with its format, presence, typing, a new nickname, disconnect.
    void deuxCoeurs() {
        Coeur a("127.0.0.200", "  Alice "), b("127.0.0.201", QString());
        QCOMPARE(b.c.Connecter("127.0.0.200"), Conversation::Appel::SansPseudo);
        b.c.ReglerPseudoSaisi("Bob");
        QCOMPARE(a.c.Connecter("  "), Conversation::Appel::SansAdresse);
        QSignalSpy etatsA(&a.c, &Conversation::etatChange), connecteeA(&a.c, &Conversation::connectee);
        QSignalSpy appelsB(&b.c, &Conversation::appelRecu), contactB(&b.c, &Conversation::contactConnecte);
        QCOMPARE(a.c.Connecter(" 127.0.0.201 "), Conversation::Appel::Lance);
        QVERIFY(Paire(a, b));
        QVERIFY(a.c.Etat() == EtatConnexion::Connecte &&
                Arg<EtatConnexion>(etatsA, -1) == EtatConnexion::Connecte);
        QCOMPARE(Arg<QString>(etatsA, -1, 1), "Connecté(e)");
        QVERIFY(!Arg<bool>(connecteeA, 0) && contactB.count() == 1);
        QCOMPARE(a.c.SaPresence(), Conversation::PresenceContact::Presente);
        QCOMPARE((QStringList{a.c.MonPseudo(), a.c.PseudoSaisi(), b.c.PseudoDeCetteConversation(),
                              Arg<QString>(appelsB, 0), b.c.AdresseSaisie()}),
                 (QStringList{"Alice", "Alice", "Alice", "127.0.0.200", "127.0.0.200"}));
        QCOMPARE(a.c.Connecter("127.0.0.201"), Conversation::Appel::DejaConnecte);
        // Two copies of ours know each other and speak every extension.
        QTRY_VERIFY(a.c.PoigneeRecue() && b.c.PoigneeRecue());
        QCOMPARE(a.c.ExtensionsCommunes(), a.c.NosExtensions());
        // What Windows-1252 cannot hold goes as "?", and the echo says what the contact reads.
        QSignalSpy messages(&b.c, &Conversation::messageRecu);
        QCOMPARE(a.c.EnvoyerMessage(1, 2, 5, "  Salut é €\nça va ✓ ?  "),
                 std::optional<QString>("Salut é €\nça va ? ?"));
        QVERIFY(!a.c.EnvoyerMessage(0, 0, 0, " \n\t "));
        QVERIFY(messages.wait());
        QCOMPARE(messages.at(0), (QList<QVariant>{1, 2, 5, "Salut é €\r\nça va ? ?"}));
        QVERIFY(b.c.DernierMessage() && !a.c.DernierMessage());
        QSignalSpy presences(&b.c, &Conversation::presenceChange), frappes(&b.c, &Conversation::frappeChange);
        a.c.ReglerAbsent(true);
        QTRY_COMPARE(b.c.SaPresence(), Conversation::PresenceContact::Absente);
        QVERIFY(a.c.Absent());
        a.c.ReglerAbsent(false);
        a.c.Frappe(true);
        QTRY_VERIFY(b.c.IlEcrit());
        QCOMPARE(b.c.SaPresence(), Conversation::PresenceContact::Presente);
        QVERIFY(a.c.JEcris());
        a.c.Frappe(false);
        QTRY_VERIFY(!b.c.IlEcrit());
        QCOMPARE((QList<qsizetype>{presences.count(), frappes.count()}), (QList<qsizetype>{2, 2}));
        a.c.ReglerMonPseudo("Alicia");
        a.c.AnnoncerPseudo();
        QTRY_COMPARE(b.c.SonPseudo(), "Alicia");
        QCOMPARE(b.c.PseudoDeCetteConversation(), "Alicia");
        // Either side's disconnect ends both; both listen again, and the contact's nickname stays.
        QSignalSpy finA(&a.c, &Conversation::terminee), finB(&b.c, &Conversation::terminee);
        a.c.Deconnecter();
        QVERIFY(finA.count() == 1 && Arg<Fin>(finA, 0) == Fin::ParNous && Arg<bool>(finA, 0, 1));
        QTRY_COMPARE(finB.count(), 1);
        QCOMPARE(Arg<Fin>(finB, 0), Fin::ParContact);
        QTRY_VERIFY(a.c.Etat() == EtatConnexion::Ecoute && b.c.Etat() == EtatConnexion::Ecoute);
        QCOMPARE(b.c.SaPresence(), Conversation::PresenceContact::Inconnue);
        QCOMPARE(b.c.SonPseudo(), "Alicia");
        QVERIFY(!a.c.EnvoyerMessage(0, 0, 0, "plus personne"));
        a.c.Deconnecter();
        QVERIFY(!Arg<bool>(finA, 1, 1)); // was not connected
        // Called back the other way, without a nickname: "[ATT]" and the question for one.
        a.c.ReglerPseudoSaisi(QString());
        QSignalSpy attentes(&b.c, &Conversation::attentePseudo), connecteeA2(&a.c, &Conversation::connectee);
        QCOMPARE(b.c.Connecter("127.0.0.200"), Conversation::Appel::Lance);
        QVERIFY(attentes.wait());
        QVERIFY(Arg<bool>(connecteeA2, 0));
        QCOMPARE(b.c.PseudoDeCetteConversation(), QString());
        a.c.DonnerPseudo("Alice");
        QTRY_COMPARE(b.c.PseudoDeCetteConversation(), "Alice");
        QCOMPARE(a.c.MonPseudo(), "Alice");
    }

    // Offered the moment the connection is up, the two file ports' checks still on their way: it
    // arrives, "[OVP]1" goes each way and nothing is said. Then an offer refused.
    void fichiersEntreDeuxCoeurs() {
        Coeur a("127.0.0.202", "Alice"), b("127.0.0.203", "Bob");
        const QString source = EcrireMotif(a.Chemin("photo été.jpg"), 300001);
        connect(&a.c, &Conversation::connectee, &a.c,
                [&] { QCOMPARE(a.c.OffrirFichier(source), Conversation::Offre::Faite); });
        bool oui = true;
        QSignalSpy questions(&b.c, &Conversation::offreRecue);
        connect(&b.c, &Conversation::offreRecue, &b.c, [&] {
            QVERIFY(b.c.QuestionOuverte());
            b.c.RepondreOffre(oui);
            QVERIFY(!b.c.QuestionOuverte());
        });
        QSignalSpy finA(&a.c, &Conversation::transfertFini), finB(&b.c, &Conversation::transfertFini);
        QSignalSpy debutsA(&a.c, &Conversation::transfertCommence),
            reponsesA(&a.c, &Conversation::reponseRecue);
        QSignalSpy lignesA(&a.c, &Conversation::portFichiersInjoignable),
            lignesB(&b.c, &Conversation::portFichiersInjoignable);
        QSignalSpy traiteesA(&a.c, &Conversation::trameTraitee), traiteesB(&b.c, &Conversation::trameTraitee);
        QCOMPARE(a.c.Connecter("127.0.0.203"), Conversation::Appel::Lance);
        QTRY_VERIFY(finA.count() == 1 && finB.count() == 1);
        QCOMPARE((QList{Arg<IssueTransfert>(finA, 0), Arg<IssueTransfert>(finB, 0)}),
                 QList<IssueTransfert>(2, IssueTransfert::Termine));
        QCOMPARE(questions.at(0), (QList<QVariant>{"photo été.jpg", qint64(300001), -1}));
        const Conversation::Fichier recu = b.c.FichierCourant();
        QVERIFY(recu.sens == Conversation::Sens::Reception && recu.nom == "photo été.jpg");
        QCOMPARE(Lire(recu.chemin), Lire(source));
        QVERIFY(b.c.FichierOuvrable() && a.c.FichierOuvrable());
        QCOMPARE(a.c.FichierCourant().chemin, source);
        QVERIFY(Arg<bool>(reponsesA, 0));
        QTRY_VERIFY(Resultats(traiteesA) == QByteArrayList{"1"} &&
                    Resultats(traiteesB) == QByteArrayList{"1"});
        QCOMPARE(lignesA.count() + lignesB.count(), 0);
        QCOMPARE(a.c.OffrirFichier(a.Chemin("absent.jpg")), Conversation::Offre::OuvertureImpossible);
        oui = false;
        QSignalSpy refusB(&b.c, &Conversation::offreRefusee);
        QCOMPARE(a.c.OffrirFichier(source), Conversation::Offre::Faite);
        QTRY_COMPARE(reponsesA.count(), 2);
        QVERIFY(!Arg<bool>(reponsesA, 1));
        QCOMPARE(Arg<QString>(reponsesA, 1, 1), "photo été.jpg");
        QCOMPARE(Arg<Conversation::Refus>(refusB, 0, 1), Conversation::Refus::ParVous);
        QCOMPARE(debutsA.count(), 1);
        QCOMPARE(QDir(b.dossier.path()).entryList(QDir::Files).size(), 1);
    }

    // Against a copy of ours by hand whose file port is closed: told at once; its own result is
    // read once, and only after its handshake.
    void portFichiersFerme() {
        Face t(210);
        QSignalSpy lignes(&t.a.c, &Conversation::portFichiersInjoignable),
            messages(&t.a.c, &Conversation::messageRecu);
        QVERIFY(t.Relier() && t.eve.AttendreTrames(2));
        t.eve.Envoyer(Trame::Ovp(false) + "[OVX]1;port-fichiers\x03");
        // A refusal is told at once, not when the check's time (4 s) runs out.
        QVERIFY(t.eve.AttendreTrames(3, 2000) && t.eve.Octets().endsWith("[OVP]0\x03"));
        QVERIFY(lignes.count() == 1 && Arg<bool>(lignes, 0));
        QTest::ignoreMessage(QtWarningMsg, "ovan: file port check ignored, malformed: 01");
        t.eve.Envoyer("[OVP]01\x03" + Trame::Ovp(false) + Trame::Ovp(false) + Trame::Message(0, 0, 0, "fin"));
        QVERIFY(messages.wait());
        QVERIFY(lignes.count() == 2 && !Arg<bool>(lignes, 1));
    }

    // A firewall drops one side's file port: each side reads its own line, within the check's time.
    void portFichiersFiltre() {
        if (qEnvironmentVariable("OVAN_RESEAU_PRIVE") != "1" ||
            QProcess::execute("nft",
                              {"add table ip ovan_sonde { chain entree { type filter hook input priority "
                               "0; ip daddr 127.0.0.213 tcp dport 60001 drop; }; }"}) != 0)
            QSKIP("needs a network namespace of its own and nft");
        const auto retirer = qScopeGuard([] { QProcess::execute("nft", {"delete table ip ovan_sonde"}); });
        Coeur a("127.0.0.212", "Alice", 500), b("127.0.0.213", "Bob", 500);
        QSignalSpy lignesA(&a.c, &Conversation::portFichiersInjoignable),
            lignesB(&b.c, &Conversation::portFichiersInjoignable);
        QCOMPARE(a.c.Connecter("127.0.0.213"), Conversation::Appel::Lance);
        QTRY_VERIFY_WITH_TIMEOUT(lignesA.count() == 1 && lignesB.count() == 1, 2000);
        QVERIFY(Arg<bool>(lignesA, 0) && !Arg<bool>(lignesB, 0));
    }

    // The raw contact holds our stream unread, so the transfer runs for as long as the test wants.
    void annulationsEtOffresPendantUnTransfert() {
        Face t(204);
        Coeur& a = t.a;
        FauxContact& eve = t.eve;
        QVERIFY(eve.EcouterFichier());
        // A contact speaking only the base protocol: the handshake is the one frame it did not know,
        // and no check comes to its file port (the first call there is the transfer's, below).
        QVERIFY(t.Relier() && eve.AttendreTrames(2));
        QCOMPARE(eve.Octets(), QByteArray("[LOG]Alice\x03[OVX]1;sha256,reprise,port-fichiers,lot\x03"));
        // A malformed handshake is ignored and the conversation goes on.
        QTest::ignoreMessage(QtWarningMsg, "ovan: handshake ignored, malformed: 1;..%2F");
        eve.Envoyer(Trame::Construire(Trame::Balise::OVX, QByteArray("1;../")));
        eve.Envoyer(Trame::Log("Eve"));
        QTRY_COMPARE(a.c.SonPseudo(), "Eve");
        QVERIFY(!a.c.PoigneeRecue());
        const QString source = a.Chemin("gros.bin");
        QVERIFY(QFile::resize(EcrireMotif(source, 0), 64 << 20));
        QSignalSpy fin(&a.c, &Conversation::transfertFini),
            annulations(&a.c, &Conversation::annulationDuContact);
        QSignalSpy dejaEnCours(&a.c, &Conversation::dejaEnCours),
            sansQuestion(&a.c, &Conversation::offresRefuseesSansQuestion);
        QSignalSpy questions(&a.c, &Conversation::offreRecue), messages(&a.c, &Conversation::messageRecu);
        const auto demarrer = [&](int appel) {
            eve.Oublier();
            QCOMPARE(a.c.OffrirFichier(source), Conversation::Offre::Faite);
            QVERIFY(eve.AttendreTrames(1));
            QCOMPARE(eve.Octets(), QByteArray("[DEM]gros.bin\\67108864\x03"));
            // The receiver's empty connection comes before its yes; then the stream.
            QVERIFY(eve.ConnecterFichier("127.0.0.204"));
            eve.Envoyer(Trame::Rps(true));
            QTRY_COMPARE(eve.AppelsFichier(), appel);
            QVERIFY(a.c.TransfertEnCours());
        };
        // Offers during a transfer: the first is told once and refused, the next without a word.
        demarrer(1);
        eve.Oublier();
        eve.Envoyer(Trame::Dem("un.txt", 3) + Trame::Dem("deux.txt", 3));
        QVERIFY(eve.AttendreTrames(2));
        QCOMPARE(eve.Octets(), QByteArray("[RPS]NON\x03[RPS]NON\x03"));
        QCOMPARE((QList<qsizetype>{dejaEnCours.count(), sansQuestion.count(), questions.count()}),
                 (QList<qsizetype>{1, 1, 0}));
        // This side cancels: the contact is told.
        eve.Oublier();
        a.c.AnnulerTransfert();
        QVERIFY(fin.wait());
        QCOMPARE(Arg<IssueTransfert>(fin, 0), IssueTransfert::Annule);
        QVERIFY(eve.AttendreTrames(1));
        QCOMPARE(eve.Octets(), QByteArray("[ANN]\x03"));
        QVERIFY(!a.c.TransfertEnCours() && !a.c.FichierOuvrable());
        // A cancel with nothing under way is nothing; one during a transfer ends it once.
        eve.Envoyer(Trame::Ann() + Trame::Message(0, 0, 0, "ok"));
        QVERIFY(messages.wait());
        QCOMPARE(annulations.count(), 0);
        eve.FermerFichier();
        demarrer(2);
        eve.Envoyer(Trame::Ann() + Trame::Ann());
        QVERIFY(fin.wait());
        QCOMPARE(Arg<IssueTransfert>(fin, 1), IssueTransfert::Annule);
        QCOMPARE(annulations.count(), 1);
        QCOMPARE(fin.count(), 2);
    }

    // An open question holds: the same offer twice asks once, others are refused, said once; a yes
    // after the contact has gone starts nothing.
    void offresPendantUneQuestion() {
        Face t(206);
        QVERIFY(t.Relier() && t.eve.AttendreTrames(1));
        t.eve.Oublier();
        QSignalSpy questions(&t.a.c, &Conversation::offreRecue);
        QSignalSpy sansQuestion(&t.a.c, &Conversation::offresRefuseesSansQuestion);
        t.eve.Envoyer(Trame::Dem("../a.txt", 5) + Trame::Dem("../a.txt", 5));
        QVERIFY(questions.wait());
        QCOMPARE(Arg<QString>(questions, 0), "a.txt");
        t.eve.Envoyer(Trame::Dem("b.txt", 5) + Trame::Dem("c.txt", 5));
        QVERIFY(t.eve.AttendreTrames(2));
        QCOMPARE(t.eve.Octets(), QByteArray("[RPS]NON\x03[RPS]NON\x03"));
        QCOMPARE((QList<qsizetype>{sansQuestion.count(), questions.count()}), (QList<qsizetype>{1, 1}));
        QVERIFY(t.a.c.QuestionOuverte());
        QSignalSpy fin(&t.a.c, &Conversation::terminee), debuts(&t.a.c, &Conversation::transfertCommence);
        t.eve.Fermer(FauxContact::Lien::VersCopie);
        QVERIFY(fin.wait());
        t.a.c.RepondreOffre(true);
        QCOMPARE(debuts.count(), 0);
        QVERIFY(!t.a.c.QuestionOuverte() && !t.a.c.TransfertEnCours());
        QCOMPARE(QDir(t.a.dossier.path()).entryList(QDir::Files), QStringList());
    }

    // However the contact's connection ends, we listen again; only a reset is a failure, told in that state.
    void finsDeConnexion_data() {
        QTest::addColumn<int>("maniere");
        QTest::newRow("reset") << 0;
        QTest::newRow("close") << 1;
        QTest::newRow("half-close") << 2;
    }
    void finsDeConnexion() {
        QFETCH(int, maniere);
        Face t(208);
        QVERIFY(t.Relier());
        QSignalSpy fin(&t.a.c, &Conversation::terminee), echecs(&t.a.c, &Conversation::echecConnexion);
        EtatConnexion pendantEchec = EtatConnexion::Connecte;
        connect(&t.a.c, &Conversation::echecConnexion, &t.a.c, [&] { pendantEchec = t.a.c.Etat(); });
        switch (maniere) {
        case 0: t.eve.Reinitialiser(FauxContact::Lien::VersCopie); break;
        case 1: t.eve.Fermer(FauxContact::Lien::VersCopie); break;
        default: t.eve.FermerEnvoi(FauxContact::Lien::VersCopie); break;
        }
        QVERIFY(fin.wait());
        QCOMPARE(Arg<Fin>(fin, 0), maniere == 0 ? Fin::Erreur : Fin::ParContact);
        QCOMPARE(echecs.count(), maniere == 0 ? 1 : 0);
        QCOMPARE(pendantEchec, maniere == 0 ? EtatConnexion::Erreur : EtatConnexion::Connecte);
        QTRY_COMPARE(t.a.c.Etat(), EtatConnexion::Ecoute);
        QCOMPARE(fin.count(), 1);
    }

    // Frames read before the disconnect command are handled before it, in order.
    void tramesAvantDeconnexion() {
        Face t(210);
        QVERIFY(t.Relier());
        QList<Trame::TrameRecue> trames(5000, {Trame::Balise::TXT, "[TXT]", "000_bla"});
        trames.append({Trame::Balise::LOG, "[LOG]", "Zed"});
        QStringList ordre;
        connect(&t.a.c, &Conversation::contactConnecte, &t.a.c, [&] { ordre << t.a.c.SonPseudo(); });
        connect(&t.a.c, &Conversation::terminee, &t.a.c, [&] { ordre << "fin"; });
        t.a.c.Traiter(trames);
        t.a.c.Deconnecter();
        QCOMPARE(ordre, (QStringList{"Zed", "fin"}));
        QCOMPARE(t.a.c.EnAttente(), qsizetype(0));
    }

    // Nothing is due on the connection we opened: what comes there is read and dropped, unstored.
    void connexionsInondees() {
        Face t(212);
        QVERIFY(t.Relier());
        QSignalSpy messages(&t.a.c, &Conversation::messageRecu);
        constexpr qint64 Total = 64 * 1024 * 1024;
        const long avant = MemoireResidente();
        t.eve.Inonder(FauxContact::Lien::DepuisCopie, QByteArray("[TXT]000_x\x03"), Total);
        QTRY_COMPARE_WITH_TIMEOUT(t.eve.Inonde(), Total, 60000);
        [[maybe_unused]] const long croissance = MemoireResidente() - avant;
#if !defined(__SANITIZE_ADDRESS__)
        QVERIFY2(croissance < 16 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(croissance)));
#endif
        QVERIFY(t.a.c.Connectee());
        t.eve.Envoyer("[TXT]000_encore\x03");
        QVERIFY(messages.wait());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.at(0).at(3).toString(), "encore");
        // A contact that stops reading: once too much waits, the conversation ends in failure.
        QSignalSpy fin(&t.a.c, &Conversation::terminee);
        for (int i = 0; i < 100; ++i) // no event loop turns, so nothing leaves our buffer
            QVERIFY(t.a.c.EnvoyerMessage(0, 0, 0, QString(60000, u'a')));
        QVERIFY(fin.wait());
        QCOMPARE(Arg<Fin>(fin, 0), Fin::Erreur);
        QTRY_COMPARE(t.a.c.Etat(), EtatConnexion::Ecoute);
    }

    // A connected pair holds no listener: a third party calling either fails, unnoticed by the pair.
    void troisiemeRefuse() {
        Coeur a("127.0.0.216", "Alice"), b("127.0.0.217", "Bob");
        Coeur c("127.0.0.218", "Carole");
        QCOMPARE(a.c.Connecter("127.0.0.217"), Conversation::Appel::Lance);
        QVERIFY(Paire(a, b));
        QSignalSpy finA(&a.c, &Conversation::terminee), finB(&b.c, &Conversation::terminee);
        QSignalSpy contactA(&a.c, &Conversation::contactConnecte),
            contactB(&b.c, &Conversation::contactConnecte);
        QSignalSpy finC(&c.c, &Conversation::terminee);
        for (const char* appele : {"127.0.0.216", "127.0.0.217"}) {
            QCOMPARE(c.c.Connecter(appele), Conversation::Appel::Lance);
            QVERIFY(finC.wait(10000));
            QCOMPARE(Arg<Fin>(finC, -1), Fin::Erreur);
            QTRY_COMPARE(c.c.Etat(), EtatConnexion::Ecoute);
        }
        QVERIFY(a.c.Connectee() && b.c.Connectee());
        QCOMPARE(finA.count() + finB.count() + contactA.count() + contactB.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChatConversation)
#include "tst_chat_conversation.moc"
