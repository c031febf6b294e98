// Two and three copies on loopback: connecting, connecting back, closing, failing.
#include "CopieOvan.h"
#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "chat/ArriveeDonnees.h"
#include "chat/SocketsChat.h"

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

QString Face(CopieOvan& c, int slot) {
    return c.interface().BoutonhWnd[slot]->Face();
}

} // namespace

class TestChatConnexion : public QObject {
    Q_OBJECT

private slots:
    void demarrageEnEcoute();
    void connexionRetourEtDeconnexion();
    void connecterDejaConnecte();
    void champsVidesOuBlancs();
    void troisiemeCopieRefusee();
    void leContactQuitte();
    void deconnexionEnEcouteSeule();
    void connexionRefusee();
    void nomIntrouvable();
    void ecouteImpossible();
};

void TestChatConnexion::demarrageEnEcoute() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    QCOMPARE(a.Statut(), Ecoute);
    QVERIFY(a.ovan().Sockets().EcouteActive());
    QCOMPARE(a.interface().FenetrehWnd->windowTitle(), QStringLiteral("OVAN Messenger"));
    QCOMPARE(a.TexteConversation(), QStringLiteral("Bienvenue sur OVAN Messenger\n"));
    QCOMPARE(Face(a, BoutonConnecter), QStringLiteral("img_conn_e"));
    QCOMPARE(Face(a, BoutonDeconnecter), QStringLiteral("img_deco_d"));
    // Typing stops at each box's limit.
    for (const auto& [zone, limite] : {std::pair{a.Pseudo(), 30}, std::pair{a.AdresseContact(), 50}}) {
        QTest::keyClicks(zone, QString(limite + 10, u'a'));
        QCOMPARE(zone->text().size(), limite);
        zone->clear();
    }
    QVERIFY(a.dialogues().Appels().isEmpty());
}

void TestChatConnexion::connexionRetourEtDeconnexion() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    CopieOvan b(QStringLiteral("127.0.0.11"));
    QSignalSpy tramesA(&a.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);
    QSignalSpy tramesB(&b.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);

    QVERIFY(ConnecterCopies(a, QStringLiteral("  Alice "), b, QStringLiteral("Bob")));
    QTRY_COMPARE(tramesA.count(), 1);
    QTRY_COMPARE(tramesB.count(), 1);
    QCOMPARE(tramesA[0][0].value<Trame::TrameRecue>().donnee, QByteArray("Bob"));
    QCOMPARE(tramesB[0][0].value<Trame::TrameRecue>().balise, Trame::Balise::LOG);
    QCOMPARE(tramesB[0][0].value<Trame::TrameRecue>().donnee, QByteArray("Alice"));

    for (CopieOvan* c : {&a, &b}) {
        QCOMPARE(c->Statut(), Connecte);
        QCOMPARE(c->interface().FenetrehWnd->windowTitle(), QStringLiteral("OVAN Messenger - Présent"));
        QVERIFY(!c->interface().FenetrehWnd->ElementMenu(Menu::Connecter)->isEnabled());
        QVERIFY(!c->Pseudo()->isEnabled());
        QVERIFY(!c->AdresseContact()->isEnabled());
        QCOMPARE(Face(*c, BoutonConnecter), QStringLiteral("img_conn_d"));
        QCOMPARE(Face(*c, BoutonDeconnecter), QStringLiteral("img_deco_e"));
        QCOMPARE(Face(*c, BoutonEnvoyer), QStringLiteral("img_envt_d"));
        QCOMPARE(c->interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Présent(e)"));
        QVERIFY(c->dialogues().Appels().isEmpty());
    }
    // The nickname goes back trimmed; the callee learns the caller's address.
    QCOMPARE(a.Pseudo()->text(), QStringLiteral("Alice"));
    QCOMPARE(b.AdresseContact()->text(), QStringLiteral("127.0.0.10"));
    QCOMPARE(a.TexteConversation(), QStringLiteral("Bienvenue sur OVAN Messenger\n"
                                                   ">>> Vous vous êtes connecté(e). <<<\n"
                                                   ">>> Bob s'est connecté(e). <<<\n"));
    QVERIFY(b.TexteConversation().contains(QStringLiteral(">>> Alice s'est connecté(e). <<<\n")));

    // A's disconnect: B sees the contact leave without any click.
    a.ovan().ClicBouton(Commande::Deconnecter);
    QCOMPARE(a.Statut(), Ecoute);
    QVERIFY(a.TexteConversation().endsWith(QStringLiteral(">>> Vous vous êtes déconnecté(e). <<<\n")));
    QVERIFY(a.interface().TextBoxhWnd[ZoneSonStatut]->text().isEmpty());
    QTRY_COMPARE(b.Statut(), Ecoute);
    QVERIFY(b.TexteConversation().endsWith(QStringLiteral(">>> Alice s'est déconnecté(e). <<<\n")));
    for (CopieOvan* c : {&a, &b}) {
        QCOMPARE(c->interface().FenetrehWnd->windowTitle(), QStringLiteral("OVAN Messenger"));
        QVERIFY(c->interface().FenetrehWnd->ElementMenu(Menu::Connecter)->isEnabled());
        QVERIFY(c->Pseudo()->isEnabled());
        QVERIFY(c->AdresseContact()->isEnabled());
        QCOMPARE(Face(*c, BoutonConnecter), QStringLiteral("img_conn_e"));
        QCOMPARE(Face(*c, BoutonDeconnecter), QStringLiteral("img_deco_d"));
        QCOMPARE(Face(*c, BoutonAbsent), QStringLiteral("img_abst_e"));
        QCOMPARE(Face(*c, BoutonPresent), QStringLiteral("img_prst_d"));
        QVERIFY(c->ovan().Sockets().EcouteActive());
        QVERIFY(c->dialogues().Appels().isEmpty());
    }
    // The contact's status stays until this side's own disconnect.
    QCOMPARE(b.interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Présent(e)"));

    // Both listen again: B can now call A.
    QVERIFY(ConnecterCopies(b, QStringLiteral("Bob"), a, QStringLiteral("Alice")));
}

void TestChatConnexion::connecterDejaConnecte() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    CopieOvan b(QStringLiteral("127.0.0.11"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    QTRY_VERIFY(b.TexteConversation().contains(QStringLiteral("Alice s'est connecté(e).")));
    QSignalSpy tramesB(&b.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);
    const QString avant = a.TexteConversation();

    a.ovan().ClicBouton(Commande::Connecter);
    QCOMPARE(a.dialogues().Appels().size(), 1);
    const auto& appel = a.dialogues().Appels().first();
    QCOMPARE(appel.texte, QStringLiteral("Vous êtes déjà connecté(e) !"));
    QCOMPARE(appel.titre, QStringLiteral("Attention !"));
    QCOMPARE(appel.icone, Icone::Attention);
    QCOMPARE(appel.proprietaire.data(), a.interface().FenetrehWnd);
    QCOMPARE(a.Statut(), Connecte);
    QCOMPARE(a.TexteConversation(), avant);
    // Nothing reaches the contact: a frame sent now would arrive before this one.
    a.ovan().Sockets().Envoyer(Trame::Pse(QStringLiteral("Témoin")));
    QTRY_COMPARE(tramesB.count(), 1);
    QCOMPARE(tramesB[0][0].value<Trame::TrameRecue>().balise, Trame::Balise::PSE);
}

void TestChatConnexion::champsVidesOuBlancs() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    QSignalSpy etats(&a.ovan().Sockets(), &SocketsChat::etatChange);
    struct Cas {
        QString pseudo, adresse, texte;
    } cas[] = {
        {QString(), QStringLiteral("127.0.0.11"), QStringLiteral("Il faut rentrer un pseudo !")},
        {QStringLiteral("   "), QStringLiteral("127.0.0.11"), QStringLiteral("Il faut rentrer un pseudo !")},
        {QStringLiteral("Alice"), QString(), QStringLiteral("Il faut rentrer une adresse de contact !")},
        {QStringLiteral("Alice"), QStringLiteral("  "),
         QStringLiteral("Il faut rentrer une adresse de contact !")},
    };
    for (const Cas& c : cas) {
        a.dialogues().Effacer();
        a.Connecter(c.pseudo, c.adresse);
        QCOMPARE(a.dialogues().Textes(), QStringList{c.texte});
        QCOMPARE(a.dialogues().Appels().first().titre, QStringLiteral("Erreur"));
        QCOMPARE(a.dialogues().Appels().first().icone, Icone::Erreur);
        QCOMPARE(a.dialogues().Appels().first().proprietaire.data(), a.interface().FenetrehWnd);
    }
    QCOMPARE(etats.count(), 0);
    QCOMPARE(a.Statut(), Ecoute);
    QCOMPARE(a.TexteConversation(), QStringLiteral("Bienvenue sur OVAN Messenger\n"));
}

void TestChatConnexion::troisiemeCopieRefusee() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    CopieOvan b(QStringLiteral("127.0.0.11"));
    CopieOvan c(QStringLiteral("127.0.0.12"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    QTRY_VERIFY(b.TexteConversation().contains(QStringLiteral("Alice s'est connecté(e).")));
    QTRY_VERIFY(a.TexteConversation().contains(QStringLiteral("Bob s'est connecté(e).")));
    const QString conversationA = a.TexteConversation();
    const QString conversationB = b.TexteConversation();

    for (CopieOvan* appele : {&a, &b}) {
        c.dialogues().Effacer();
        QSignalSpy boite(&c.dialogues(), &DialoguesEnregistres::appel);
        c.Connecter(QStringLiteral("Carole"), appele->Adresse());
        QVERIFY(boite.wait(10000));
        QCOMPARE(c.dialogues().Textes(), QStringList{QStringLiteral("La connexion a échouée !")});
        QTRY_COMPARE(c.Statut(), Ecoute);
    }
    for (CopieOvan* x : {&a, &b}) {
        QCOMPARE(x->Statut(), Connecte);
        QVERIFY(x->dialogues().Appels().isEmpty());
    }
    QCOMPARE(a.TexteConversation(), conversationA);
    QCOMPARE(b.TexteConversation(), conversationB);
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

    QTRY_COMPARE(a.Statut(), Ecoute);
    QVERIFY(a.TexteConversation().endsWith(QStringLiteral(">>> Bob s'est déconnecté(e). <<<\n")));
    QVERIFY(a.dialogues().Appels().isEmpty());
    QVERIFY(a.ovan().Sockets().EcouteActive());
}

void TestChatConnexion::deconnexionEnEcouteSeule() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    QSignalSpy etats(&a.ovan().Sockets(), &SocketsChat::etatChange);
    a.ovan().ClicBouton(Commande::Deconnecter);
    QCOMPARE(a.Statut(), Ecoute);
    QCOMPARE(etats.count(), 3); // 0 by the command, 0 then 2 by the new listener
    QCOMPARE(etats.last()[0].toInt(), int(EtatEcoute));
    QVERIFY(a.ovan().Sockets().EcouteActive());
    QCOMPARE(a.TexteConversation(), QStringLiteral("Bienvenue sur OVAN Messenger\n"));
    QVERIFY(a.dialogues().Appels().isEmpty());

    // Still reachable afterwards, the file port included.
    CopieOvan b(QStringLiteral("127.0.0.11"));
    QVERIFY(ConnecterCopies(b, QStringLiteral("Bob"), a, QStringLiteral("Alice")));
}

void TestChatConnexion::connexionRefusee() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    QStringList etatsPendantLaBoite;
    QObject::connect(&a.dialogues(), &DialoguesEnregistres::appel,
                     [&] { etatsPendantLaBoite << a.Statut(); });
    QSignalSpy boite(&a.dialogues(), &DialoguesEnregistres::appel);

    a.Connecter(QStringLiteral("Alice"), QStringLiteral("127.0.0.13")); // nobody listens there
    QCOMPARE(a.Statut(), QStringLiteral("Connexion en cours..."));
    QVERIFY(boite.wait(10000));
    const auto& appel = a.dialogues().Appels().first();
    QCOMPARE(appel.texte, QStringLiteral("La connexion a échouée !"));
    QCOMPARE(appel.titre, QStringLiteral("Erreur de connexion"));
    QCOMPARE(appel.icone, Icone::Erreur);
    QCOMPARE(appel.proprietaire.data(), a.interface().FenetrehWnd);
    QCOMPARE(etatsPendantLaBoite, QStringList{QStringLiteral("Erreur")});
    QCOMPARE(a.Statut(), Ecoute);
    QVERIFY(a.ovan().Sockets().EcouteActive());
    QCOMPARE(Face(a, BoutonConnecter), QStringLiteral("img_conn_e"));
    QCOMPARE(a.dialogues().Appels().size(), 1);

    // Listening again for real.
    CopieOvan b(QStringLiteral("127.0.0.11"));
    QVERIFY(ConnecterCopies(b, QStringLiteral("Bob"), a, QStringLiteral("Alice")));
}

void TestChatConnexion::nomIntrouvable() {
    CopieOvan a(QStringLiteral("127.0.0.10"));
    for (const QString& adresse : {QStringLiteral("hote.invalid"), QStringLiteral("0.0.0.0")}) {
        a.dialogues().Effacer();
        QSignalSpy etats(&a.ovan().Sockets(), &SocketsChat::etatChange);
        QSignalSpy boite(&a.dialogues(), &DialoguesEnregistres::appel);
        a.Connecter(QStringLiteral("Alice"), adresse);
        QVERIFY(boite.count() == 1 || boite.wait(20000));
        QCOMPARE(a.dialogues().Textes(), QStringList{QStringLiteral("La connexion a échouée !")});
        QTRY_COMPARE(a.Statut(), Ecoute);
        // It never tried to connect anywhere.
        for (const auto& e : etats) {
            QVERIFY(e[0].toInt() != EtatEnConnexion);
        }
    }
}

void TestChatConnexion::ecouteImpossible() {
    // Both ports already taken on this address: each failure has its box, chat still calls out.
    QTcpServer chat, fichier;
    QVERIFY(chat.listen(QHostAddress(QStringLiteral("127.0.0.14")), SocketsChat::PortChat));
    QVERIFY(fichier.listen(QHostAddress(QStringLiteral("127.0.0.14")), SocketsChat::PortFichier));
    CopieOvan a(QStringLiteral("127.0.0.14"));
    const auto& appels = a.dialogues().Appels();
    QCOMPARE(appels.size(), 2);
    for (const auto& appel : appels) {
        QCOMPARE(appel.texte, QStringLiteral("Impossible d'écouter !"));
        QCOMPARE(appel.titre, QStringLiteral("Erreur"));
        QCOMPARE(appel.icone, Icone::Erreur);
    }
    QCOMPARE(appels[0].proprietaire.data(), a.interface().FenetrehWnd);
    QCOMPARE(appels[1].proprietaire.data(), a.interface().TransferthWnd);
    QCOMPARE(a.Statut(), QStringLiteral("Deconnecté(e)"));

    CopieOvan b(QStringLiteral("127.0.0.11"));
    b.Pseudo()->setText(QStringLiteral("Bob"));
    a.Connecter(QStringLiteral("Alice"), b.Adresse());
    QTRY_COMPARE(a.Statut(), Connecte);
}

QTEST_MAIN(TestChatConnexion)
#include "tst_chat_connexion.moc"
