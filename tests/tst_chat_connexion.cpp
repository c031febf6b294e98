// Copies on loopback as the user sees them: connecting, failing, notices, a contact under a box.
#include "CopieOvan.h"
#include "core/chat/SocketsChat.h"
#include "core/transfer/CanalFichier.h"
#include "ui/chat/ArriveeDonnees.h"

#include <QAction>
#include <QTcpServer>

using Icone = Dialogues::Icone;
using Lien = FauxContact::Lien;

namespace {

const QString Bienvenue = "Bienvenue sur OVAN Messenger\n";
const QString Echec = "La connexion a échouée !";
const QByteArray Offre("[DEM]x\\1\x03");
const QString Question = "A veut vous envoyer 'x'.\r\n1 octets.\r\nAcceptez-vous ce fichier ?";

// The connection as the user sees it: status, title, faces, the connect menu and boxes; the listener.
QString Apercu(CopieOvan& c) {
    Interface& ui = c.interface();
    QStringList vu{c.Statut(), ui.FenetrehWnd->windowTitle()};
    for (int b : {BoutonConnecter, BoutonDeconnecter, BoutonAbsent, BoutonPresent})
        vu << ui.BoutonhWnd[b]->Face();
    vu << (ui.FenetrehWnd->ElementMenu(Menu::Connecter)->isEnabled() ? "menu" : "-")
       << (c.Pseudo()->isEnabled() && c.AdresseContact()->isEnabled() ? "zones" : "-")
       << (c.ovan().Sockets().EcouteActive() ? "ecoute" : "-");
    return vu.join(u'|');
}
const QString EnEcoute =
    "En écoute...|OVAN Messenger|img_conn_e|img_deco_d|img_abst_e|img_prst_d|menu|zones|ecoute";
const QString EnLigne =
    "Connecté(e)|OVAN Messenger - Présent|img_conn_d|img_deco_e|img_abst_e|img_prst_d|-|-|-";

// A copy called by a raw contact named A.
struct Banc {
    CopieOvan c{"127.0.0.80"};
    FauxContact f{"127.0.0.81"};
    bool Relier(const QByteArray& pseudo = "A") { return c.AppelePar(f, pseudo); }
};

} // namespace

class TestChatConnexion : public QObject {
    Q_OBJECT

private slots:
    // Both sides show the connection, presence and its end; what needs no entry makes none.
    void connexionRetourEtDeconnexion() {
        CopieOvan a("127.0.0.10"), b("127.0.0.11");
        a.ovan().ClicBouton(Commande::Deconnecter);
        QVERIFY(Apercu(a) == EnEcoute && a.TexteConversation() == Bienvenue);
        for (const auto& [zone, limite] : {std::pair{a.Pseudo(), 30}, std::pair{a.AdresseContact(), 50}}) {
            QTest::keyClicks(zone, QString(limite + 10, u'a'));
            QCOMPARE(zone->text().size(), limite);
        }
        Interface& ui = a.interface();
        const auto presence = [&] {
            return ui.FenetrehWnd->windowTitle() + ui.BoutonhWnd[BoutonAbsent]->Face() +
                   ui.BoutonhWnd[BoutonPresent]->Face() + b.interface().TextBoxhWnd[ZoneSonStatut]->text();
        };
        a.ovan().ClicBouton(Commande::Absent);
        QCOMPARE(presence(), "OVAN Messenger - Absentimg_abst_dimg_prst_e");
        a.ovan().ClicBouton(Commande::Present);
        QVERIFY(ConnecterCopies(a, "  Alice ", b, "Bob"));
        QTRY_VERIFY(b.TexteConversation().contains("Alice s'est connecté(e)."));
        QTRY_VERIFY(a.TexteConversation().startsWith(Bienvenue + ">>> Vous vous êtes connecté(e). <<<\n"
                                                                 ">>> Bob s'est connecté(e). <<<\n"
                                                                 ">>> La conversation est chiffrée. Code"));
        for (CopieOvan* c : {&a, &b}) {
            QCOMPARE(Apercu(*c), EnLigne);
            QCOMPARE(c->interface().BoutonhWnd[BoutonEnvoyer]->Face(), "img_envt_d");
            QCOMPARE(c->interface().TextBoxhWnd[ZoneSonStatut]->text(), "Présent(e)");
        }
        QVERIFY(a.Pseudo()->text() == "Alice" && b.AdresseContact()->text() == "127.0.0.10");
        a.ovan().ClicBouton(Commande::Absent);
        QTRY_VERIFY(b.TexteConversation().endsWith(">>> Alice s'est absenté(e). <<<\n"));
        QCOMPARE(presence(), "OVAN Messenger - Absentimg_abst_dimg_prst_eAbsent(e)");
        a.ovan().ClicBouton(Commande::Present);
        QTRY_VERIFY(b.TexteConversation().endsWith(">>> Alice est en ligne. <<<\n"));
        QCOMPARE(presence(), "OVAN Messenger - Présentimg_abst_eimg_prst_dPrésent(e)");
        const QString avant = a.TexteConversation(), avantB = b.TexteConversation();
        a.ovan().ClicBouton(Commande::Connecter);
        QVERIFY(a.dialogues().Boite(0, "Vous êtes déjà connecté(e) !", "Attention !", Icone::Attention,
                                    ui.FenetrehWnd));
        a.ovan().conversation().ReglerMonPseudo("Alicia");
        a.ovan().conversation().AnnoncerPseudo();
        QTRY_COMPARE(b.ovan().conversation().SonPseudo(), "Alicia");
        QVERIFY(a.TexteConversation() == avant && b.TexteConversation() == avantB); // no entry
        a.ovan().ClicBouton(Commande::Deconnecter);
        QCOMPARE(Apercu(a), EnEcoute);
        QVERIFY(a.TexteConversation().endsWith(">>> Vous vous êtes déconnecté(e). <<<\n"));
        QTRY_COMPARE(Apercu(b), EnEcoute);
        QVERIFY(b.TexteConversation().endsWith(">>> Alicia s'est déconnecté(e). <<<\n"));
        for (CopieOvan* c : {&a, &b})
            QVERIFY(c->interface().TextBoxhWnd[ZoneSonStatut]->text().isEmpty());
        QVERIFY(a.dialogues().Appels().size() == 1 && b.dialogues().Appels().isEmpty());
    }

    // Each failure's box; "Erreur" in the status under a network failure's; listening again.
    void echecs() {
        for (const auto& [pseudo, adresse, texte, appel] :
             {std::tuple{"", "127.0.0.11", QString("Il faut rentrer un pseudo !"), false},
              {"Alice", "  ", "Il faut rentrer une adresse de contact !", false},
              {"Alice", "127.0.0.13", Echec, true}, // no one listens: the status says it tries
              {"Alice", "hote.invalid", Echec, false},
              {"Alice", "0.0.0.0", Echec, false}}) {
            CopieOvan a("127.0.0.10");
            QSignalSpy boite(&a.dialogues(), &DialoguesEnregistres::appel);
            QStringList statuts;
            connect(&a.dialogues(), &DialoguesEnregistres::appel, this, [&] { statuts << a.Statut(); });
            a.Connecter(pseudo, adresse);
            QVERIFY(!appel || a.Statut() == "Connexion en cours...");
            QVERIFY(boite.count() == 1 || boite.wait(20000));
            QVERIFY2(a.dialogues().Boite(0, texte, texte == Echec ? "Erreur de connexion" : "Erreur",
                                         Icone::Erreur, a.interface().FenetrehWnd),
                     adresse);
            QCOMPARE(statuts, QStringList{texte == Echec ? "Erreur" : "En écoute..."});
            QTRY_COMPARE(Apercu(a), EnEcoute);
            QVERIFY(a.dialogues().Appels().size() == 1 && a.TexteConversation() == Bienvenue);
        }
    }

    // Both ports already taken on this address: each failure has its box, chat still calls out.
    void ecouteImpossible() {
        QTcpServer chat, fichier;
        QVERIFY(chat.listen(QHostAddress("127.0.0.14"), SocketsChat::PortChat));
        QVERIFY(fichier.listen(QHostAddress("127.0.0.14"), CanalFichier::PortFichier));
        CopieOvan a("127.0.0.14");
        Interface& ui = a.interface();
        QVERIFY(a.dialogues().Boite(0, "Impossible d'écouter !", "Erreur", Icone::Erreur, ui.FenetrehWnd));
        QVERIFY(a.dialogues().Boite(1, "Impossible d'écouter !", "Erreur", Icone::Erreur, ui.TransferthWnd));
        QVERIFY(a.dialogues().Appels().size() == 2 && a.Statut() == "Deconnecté(e)");
        CopieOvan b("127.0.0.11");
        b.Pseudo()->setText("Bob");
        a.Connecter("Alice", b.Adresse());
        QTRY_COMPARE(a.Statut(), "Connecté(e)");
    }

    // Sound, flash and pop-up only where the user would miss the message; the typing text gives
    // way to the last message's time, across a reconnection too.
    void arriveeEtNotifications() {
        CopieOvan a("127.0.0.62");
        Interface& ui = a.interface();
        QLabel* titre = ui.LabelhWnd[LabelTitrePopup];
        auto b = std::make_unique<FauxContact>("127.0.0.63");
        QVERIFY(b->Appeler(a.Adresse()));
        QSignalSpy traitees(&a.ovan().conversation(), &Conversation::trameTraitee);
        b->Envoyer(Trame::Log("Bob") + Trame::Tap(true));
        QTRY_COMPARE(a.Statut(0), "Bob est en train de taper un message...");
        QVERIFY(ui.PopuphWnd->isVisible() && titre->text() == "Bob\r\nvient de\r\nse connecter");
        QCOMPARE(ui.TextBoxhWnd[ZoneSonStatut]->text(), "Présent(e)");
        QCOMPARE(a.sons().Joues.value(0), a.Dossier() + "Sons/coucou.wav");
        b->Envoyer(Trame::Tap(false));
        QTRY_COMPARE(traitees.count(), 3);
        QCOMPARE(a.Statut(0), QString());
        ui.PopuphWnd->hide();
        a.sons().Joues.clear();
        QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0);
        ui.FenetrehWnd->activateWindow();
        QTRY_VERIFY(ui.FenetrehWnd->isActiveWindow());
        b->Envoyer(Trame::Message(0, 0, 0, "un"));
        QTRY_COMPARE(traitees.count(), 4);
        QVERIFY(a.sons().Joues.isEmpty() && !a.ovan().Clignote());
        ui.CompressionhWnd->show();
        ui.CompressionhWnd->activateWindow();
        QTRY_VERIFY(!ui.FenetrehWnd->isActiveWindow());
        b->Envoyer(Trame::Message(0, 0, 0, "deux"));
        QTRY_COMPARE(traitees.count(), 5);
        QCOMPARE(a.sons().Joues, QStringList{a.Dossier() + "Sons/msg.wav"});
        QVERIFY(a.ovan().Clignote() && !ui.PopuphWnd->isVisible());
        ui.FenetrehWnd->hide();
        b->Envoyer(Trame::Message(0, 0, 0, "trois"));
        QTRY_COMPARE(traitees.count(), 6);
        QVERIFY(ui.FenetrehWnd->isVisible() && ui.FenetrehWnd->isMinimized() && ui.PopuphWnd->isVisible());
        QCOMPARE(titre->text() + u'|' + ui.LabelhWnd[LabelCorpsPopup]->text(), "Bob dit :|trois");
        QCOMPARE(a.sons().Joues.size(), 2);
        b->Envoyer(Trame::Message(0, 5, 0, "Salut") + "[TXT]999_u\x03[TXT]\x03[PSE]\x03[TXT]000_fin\x03");
        QTRY_COMPARE(traitees.count(), 11);
        const QString heure = a.Statut(0);
        QVERIFY(heure == TexteDernierMessage(*a.ovan().conversation().DernierMessage()) &&
                heure.startsWith("Dernier message reçu le "));
        QVERIFY(a.TexteConversation().endsWith(
            "   trois\nBob dit :\n   Salut\nBob dit :\n   u\nBob dit :\n   \n dit :\n   fin\n"));
        VerifierFormat(FormatDe(a.Conversation()->document(), "   u"), "Arial", QColor(128, 0, 128), 0);
        b.reset();
        QTRY_COMPARE(a.Statut(), "En écoute...");
        FauxContact c("127.0.0.63");
        QVERIFY(c.Appeler(a.Adresse()));
        c.Envoyer(Trame::Log("Bob") + Trame::Tap(true) + Trame::Tap(false));
        QTRY_COMPARE(traitees.count(), 14);
        QCOMPARE(a.Statut(0), heure);
    }

    void partPendantUneBoite_data() {
        QTest::addColumn<bool>("reinitialise");
        QTest::newRow("fermetures") << false;
        QTest::newRow("resets") << true;
    }
    // The contact leaves while a question is open: once answered the copy listens again, and the
    // offer read behind it asks nothing.
    void partPendantUneBoite() {
        QFETCH(bool, reinitialise);
        Banc b;
        QVERIFY(b.Relier());
        QSignalSpy fins(&b.c.ovan().Sockets(), &SocketsChat::fermeture);
        QSignalSpy erreurs(&b.c.ovan().Sockets(), &SocketsChat::erreur);
        bool vu = false;
        b.c.dialogues().PendantBoite([&] {
            for (Lien lien : {Lien::VersCopie, Lien::DepuisCopie})
                reinitialise ? b.f.Reinitialiser(lien) : b.f.FermerEnvoi(lien);
            vu = QTest::qWaitFor(
                [&] {
                    return fins.count() + erreurs.count() > 0 && b.f.Ferme(Lien::VersCopie) &&
                           b.f.Ferme(Lien::DepuisCopie);
                },
                5000);
        });
        b.f.Envoyer(Offre + "[DEM]y\\1\x03");
        QTRY_COMPARE(b.c.ovan().Etat(), EtatConnexion::Ecoute);
        QVERIFY(vu);
        QVERIFY(b.c.dialogues().Boite(0, Question, "OVAN Messenger", Icone::Question,
                                      b.c.interface().FenetrehWnd));
        QCOMPARE(b.c.dialogues().Textes(),
                 (reinitialise ? QStringList{Question, Echec} : QStringList{Question}));
        QCOMPARE(b.c.TexteConversation().contains(">>> A s'est déconnecté(e). <<<"), !reinitialise);
        FauxContact autre("127.0.0.82");
        QVERIFY(autre.Appeler(b.c.Adresse()));
    }

    // The contact floods under a box: reading stops at the queue's limit, every frame is handled after.
    // The same offer sent again meanwhile is dropped, not queued; once answered, it is asked again.
    void fileBorneeSousUneBoite() {
        Banc b;
        QVERIFY(b.Relier());
        Conversation& arrivee = b.c.ovan().conversation();
        const QByteArray motif("[TAP]ecr\x03");
        constexpr qint64 Total = 1024 * 1024 / 9 * 9;
        QSignalSpy traitees(&arrivee, &Conversation::trameTraitee);
        qsizetype plusLongue = 0;
        b.c.dialogues().PendantBoite([&] {
            b.f.Envoyer(Offre.repeated(50));
            b.f.Inonder(Lien::VersCopie, motif, Total);
            QVERIFY(QTest::qWaitFor(
                [&] {
                    plusLongue = std::max(plusLongue, arrivee.EnAttente());
                    return b.f.Inonde() >= 256 * 1024;
                },
                10000));
            QVERIFY(b.c.ovan().Sockets().LectureSuspendue());
        });
        for (int i = 0; i < 2; ++i)
            b.c.dialogues().Repondre(Dialogues::Reponse::Non);
        traitees.clear();
        b.f.Oublier();
        b.f.Envoyer(Offre);
        QTRY_COMPARE_WITH_TIMEOUT(traitees.count(), int(1 + Total / motif.size()), 60000);
        // A slice read past the limit at most: 4 KiB of the smallest frames.
        QVERIFY2(plusLongue <= Conversation::LimiteFile + 4096 / 6, qPrintable(QString::number(plusLongue)));
        QVERIFY(!b.c.ovan().Sockets().LectureSuspendue());
        QCOMPARE(b.c.Statut(0), "A est en train de taper un message...");
        QCOMPARE(b.f.Octets(), QByteArray("[RPS]NON\x03")); // the question's answer alone
        b.f.Envoyer(Offre);
        QTRY_COMPARE(b.c.dialogues().Textes(), (QStringList{Question, Question}));
    }

    // Markup in a nickname or a message is shown as text in the pop-up and the status bar.
    void texteDuContactEnClair() {
        Banc b;
        const QByteArray pseudo = "<img src=\"/usr/share/pixmaps/debian-logo.png\" width=60>";
        QVERIFY(b.Relier(pseudo));
        Interface& ui = b.c.interface();
        ui.FenetrehWnd->hide();
        b.f.Envoyer("[TXT]000_<font size=6>gros</font>\x03[TAP]ecr\x03");
        const QString nom = QString::fromLatin1(pseudo);
        QTRY_COMPARE(b.c.Statut(0), nom + " est en train de taper un message...");
        QCOMPARE(ui.LabelhWnd[LabelTitrePopup]->text() + ui.LabelhWnd[LabelCorpsPopup]->text(),
                 nom + " dit :<font size=6>gros</font>");
        for (QLabel* l :
             {ui.LabelhWnd[LabelTitrePopup], ui.LabelhWnd[LabelCorpsPopup], ui.BarreStatuthWnd[0]}) {
            QCOMPARE(l->textFormat(), Qt::PlainText);
        }
    }
};

QTEST_MAIN(TestChatConnexion)
#include "tst_chat_connexion.moc"
