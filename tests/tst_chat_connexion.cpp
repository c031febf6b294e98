// Two and three copies on loopback: connecting, connecting back, closing, failing.
#include "CopieOvan.h"
#include "core/chat/SocketsChat.h"
#include "core/transfer/CanalFichier.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/chat/ArriveeDonnees.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTextEdit>

using Icone = Dialogues::Icone;

namespace {

const QString Connecte = QStringLiteral("Connecté(e)");
const QString Ecoute = QStringLiteral("En écoute...");
const QString Bienvenue = QStringLiteral("Bienvenue sur OVAN Messenger\n");
const QString Echec = QStringLiteral("La connexion a échouée !");

// What the user sees of the connection: status, title, faces, and whether the connect command
// and the two boxes answer; the copy's listener last.
QString Apercu(CopieOvan& c) {
    Interface& ui = c.interface();
    QStringList vu{c.Statut(), ui.FenetrehWnd->windowTitle()};
    for (int b : {BoutonConnecter, BoutonDeconnecter, BoutonAbsent, BoutonPresent}) {
        vu << ui.BoutonhWnd[b]->Face();
    }
    vu << (ui.FenetrehWnd->ElementMenu(Menu::Connecter)->isEnabled() ? "menu" : "-")
       << (c.Pseudo()->isEnabled() && c.AdresseContact()->isEnabled() ? "zones" : "-")
       << (c.ovan().Sockets().EcouteActive() ? "ecoute" : "-");
    return vu.join(u'|');
}
const QString EnEcoute =
    "En écoute...|OVAN Messenger|img_conn_e|img_deco_d|img_abst_e|img_prst_d|menu|zones|ecoute";
const QString EnLigne =
    "Connecté(e)|OVAN Messenger - Présent|img_conn_d|img_deco_e|img_abst_e|img_prst_d|-|-|-";

} // namespace

class TestChatConnexion : public QObject {
    Q_OBJECT

private slots:
    void demarrageEnEcoute();
    void connexionRetourEtDeconnexion();
    void leContactQuitte();
    void echecs_data();
    void echecs();
    void ecouteImpossible();
};

void TestChatConnexion::demarrageEnEcoute() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    QCOMPARE(Apercu(a), EnEcoute);
    QCOMPARE(a.TexteConversation(), Bienvenue);
    // Typing stops at each box's limit.
    for (const auto& [zone, limite] : {std::pair{a.Pseudo(), 30}, std::pair{a.AdresseContact(), 50}}) {
        QTest::keyClicks(zone, QString(limite + 10, u'a'));
        QCOMPARE(zone->text().size(), limite);
    }
    // Disconnecting while only listening changes nothing the user sees.
    a.ovan().ClicBouton(Commande::Deconnecter);
    QCOMPARE(Apercu(a), EnEcoute);
    QCOMPARE(a.TexteConversation(), Bienvenue);
    QVERIFY(a.dialogues().Appels().isEmpty());
}

void TestChatConnexion::connexionRetourEtDeconnexion() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    CopieOvan b(QStringLiteral("127.0.0.11"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("  Alice "), b, QStringLiteral("Bob")));
    QTRY_VERIFY(a.TexteConversation().contains(QStringLiteral("Bob s'est connecté(e).")) &&
                b.TexteConversation().contains(QStringLiteral("Alice s'est connecté(e).")));
    for (CopieOvan* c : {&a, &b}) {
        QCOMPARE(Apercu(*c), EnLigne);
        QCOMPARE(c->interface().BoutonhWnd[BoutonEnvoyer]->Face(), QStringLiteral("img_envt_d"));
        QCOMPARE(c->interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Présent(e)"));
        QVERIFY(c->dialogues().Appels().isEmpty());
    }
    // The nickname goes back trimmed; the callee learns the caller's address.
    QCOMPARE(a.Pseudo()->text(), QStringLiteral("Alice"));
    QCOMPARE(b.AdresseContact()->text(), QStringLiteral("127.0.0.10"));
    QCOMPARE(a.TexteConversation(), Bienvenue + ">>> Vous vous êtes connecté(e). <<<\n"
                                                ">>> Bob s'est connecté(e). <<<\n");
    QVERIFY(b.TexteConversation().contains(QStringLiteral(">>> Alice s'est connecté(e). <<<\n")));

    // A's disconnect: B sees the contact leave without any click.
    a.ovan().ClicBouton(Commande::Deconnecter);
    QCOMPARE(Apercu(a), EnEcoute);
    QVERIFY(a.TexteConversation().endsWith(QStringLiteral(">>> Vous vous êtes déconnecté(e). <<<\n")));
    QVERIFY(a.interface().TextBoxhWnd[ZoneSonStatut]->text().isEmpty());
    QTRY_COMPARE(Apercu(b), EnEcoute);
    QVERIFY(b.TexteConversation().endsWith(QStringLiteral(">>> Alice s'est déconnecté(e). <<<\n")));
    QVERIFY(a.dialogues().Appels().isEmpty() && b.dialogues().Appels().isEmpty());
    // The contact is gone: no status of its stays.
    QVERIFY(b.interface().TextBoxhWnd[ZoneSonStatut]->text().isEmpty());

    // Connecting while connected: the box, nothing else.
    QVERIFY(ConnecterCopies(b, QStringLiteral("Bob"), a, QStringLiteral("Alice")));
    QTRY_COMPARE(a.Statut(), Connecte);
    const QString avant = a.TexteConversation();
    a.ovan().ClicBouton(Commande::Connecter);
    QVERIFY(a.dialogues().Boite(0, QStringLiteral("Vous êtes déjà connecté(e) !"),
                                QStringLiteral("Attention !"), Icone::Attention, a.interface().FenetrehWnd));
    QCOMPARE(a.TexteConversation(), avant);
}

void TestChatConnexion::leContactQuitte() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    auto b = std::make_unique<CopieOvan>(QStringLiteral("127.0.0.11"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), *b, QStringLiteral("Bob")));
    QTRY_VERIFY(a.TexteConversation().contains(QStringLiteral("Bob s'est connecté(e).")));

    // Quitting (answered yes): disconnect, then the sockets close.
    QSignalSpy arret(&b->ovan(), &Ovan::arrete);
    b->ovan().ClicBouton(Commande::Quitter);
    QCOMPARE(arret.count(), 1);
    QVERIFY(!b->ovan().Sockets().EcouteActive());
    b.reset();

    QTRY_COMPARE(Apercu(a), EnEcoute);
    QVERIFY(a.TexteConversation().endsWith(QStringLiteral(">>> Bob s'est déconnecté(e). <<<\n")));
    QVERIFY(a.dialogues().Appels().isEmpty());
}

void TestChatConnexion::echecs_data() {
    QTest::addColumn<QString>("pseudo");
    QTest::addColumn<QString>("adresse");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("titre");
    QTest::addColumn<bool>("appel"); // a connection is tried: the status says so, then "Erreur" under the box
    const QString pseudo = QStringLiteral("Il faut rentrer un pseudo !");
    const QString adresse = QStringLiteral("Il faut rentrer une adresse de contact !");
    const QString erreur = QStringLiteral("Erreur");
    const QString reseau = QStringLiteral("Erreur de connexion");
    QTest::newRow("pseudo vide") << QString() << "127.0.0.11" << pseudo << erreur << false;
    QTest::newRow("adresse blanche") << "Alice"
                                     << "  " << adresse << erreur << false;
    QTest::newRow("personne n'ecoute") << "Alice"
                                       << "127.0.0.13" << Echec << reseau << true;
    QTest::newRow("nom introuvable") << "Alice"
                                     << "hote.invalid" << Echec << reseau << false;
    QTest::newRow("0.0.0.0") << "Alice"
                             << "0.0.0.0" << Echec << reseau << false;
}

// Each failure tells its box over the main window and listens again, for real.
void TestChatConnexion::echecs() {
    QFETCH(QString, pseudo);
    QFETCH(QString, adresse);
    QFETCH(QString, texte);
    QFETCH(QString, titre);
    QFETCH(bool, appel);
    CopieOvan a(QStringLiteral("127.0.0.10"));
    QSignalSpy boite(&a.dialogues(), &DialoguesEnregistres::appel);
    QStringList statutsPendantLaBoite;
    QObject::connect(&a.dialogues(), &DialoguesEnregistres::appel,
                     [&] { statutsPendantLaBoite << a.Statut(); });

    a.Connecter(pseudo, adresse);
    if (appel) {
        QCOMPARE(a.Statut(), QStringLiteral("Connexion en cours..."));
    }
    QVERIFY(boite.count() == 1 || boite.wait(20000));
    QVERIFY(a.dialogues().Boite(0, texte, titre, Icone::Erreur, a.interface().FenetrehWnd));
    QCOMPARE(statutsPendantLaBoite, QStringList{appel || texte == Echec ? QStringLiteral("Erreur") : Ecoute});
    QTRY_COMPARE(Apercu(a), EnEcoute);
    QCOMPARE(a.dialogues().Appels().size(), 1);
    QCOMPARE(a.TexteConversation(), Bienvenue);
}

void TestChatConnexion::ecouteImpossible() {
    // Both ports already taken on this address: each failure has its box, chat still calls out.
    QTcpServer chat, fichier;
    QVERIFY(chat.listen(QHostAddress(QStringLiteral("127.0.0.14")), SocketsChat::PortChat));
    QVERIFY(fichier.listen(QHostAddress(QStringLiteral("127.0.0.14")), CanalFichier::PortFichier));
    CopieOvan a(QStringLiteral("127.0.0.14"));
    const QString texte = QStringLiteral("Impossible d'écouter !");
    QVERIFY(
        a.dialogues().Boite(0, texte, QStringLiteral("Erreur"), Icone::Erreur, a.interface().FenetrehWnd));
    QVERIFY(
        a.dialogues().Boite(1, texte, QStringLiteral("Erreur"), Icone::Erreur, a.interface().TransferthWnd));
    QCOMPARE(a.dialogues().Appels().size(), 2);
    QCOMPARE(a.Statut(), QStringLiteral("Deconnecté(e)"));

    CopieOvan b(QStringLiteral("127.0.0.11"));
    b.Pseudo()->setText(QStringLiteral("Bob"));
    a.Connecter(QStringLiteral("Alice"), b.Adresse());
    QTRY_COMPARE(a.Statut(), Connecte);
}

QTEST_MAIN(TestChatConnexion)
#include "tst_chat_connexion.moc"
