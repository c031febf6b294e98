// Copies on loopback as the user sees them: connecting, failing, closing; incoming frames and
// when the user is told; a contact that misbehaves while a box is open.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "core/chat/SocketsChat.h"
#include "core/transfer/CanalFichier.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/chat/ArriveeDonnees.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>

using Icone = Dialogues::Icone;
using Lien = FauxContact::Lien;

namespace {

const QString Bienvenue = "Bienvenue sur OVAN Messenger\n";
const QString Echec = "La connexion a échouée !";
const QByteArray Offre("[DEM]x\\1\x03");
const QString Question = "A veut vous envoyer 'x'.\r\n1 octets.\r\nAcceptez-vous ce fichier ?";

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

// A copy on 127.0.0.80 called by a raw contact on .81 that says its nickname.
struct Banc {
    CopieOvan c{"127.0.0.80"};
    FauxContact f{"127.0.0.81"};
    bool Relier(const QByteArray& pseudo = "A") {
        c.Pseudo()->setText("Moi");
        if (!f.Appeler(c.Adresse())) {
            return false;
        }
        f.Envoyer("[LOG]" + pseudo + "\x03");
        return QTest::qWaitFor([&] { return c.TexteConversation().contains(" s'est connecté(e)."); }, 5000);
    }
};

} // namespace

class TestChatConnexion : public QObject {
    Q_OBJECT

private slots:
    // Listening at start, and disconnecting then changes nothing; the boxes' limits.
    void demarrageEnEcoute() {
        CopieOvan a("127.0.0.10");
        QVERIFY(Apercu(a) == EnEcoute && a.TexteConversation() == Bienvenue);
        for (const auto& [zone, limite] : {std::pair{a.Pseudo(), 30}, std::pair{a.AdresseContact(), 50}}) {
            QTest::keyClicks(zone, QString(limite + 10, u'a'));
            QCOMPARE(zone->text().size(), limite);
        }
        a.ovan().ClicBouton(Commande::Deconnecter);
        QVERIFY(Apercu(a) == EnEcoute && a.TexteConversation() == Bienvenue);
        QVERIFY(a.dialogues().Appels().isEmpty());
    }

    // Both sides show the connection, the nickname trimmed and the caller's address; connecting
    // while connected raises a box; a disconnect is shown on the other side without one.
    void connexionRetourEtDeconnexion() {
        CopieOvan a("127.0.0.10");
        CopieOvan b("127.0.0.11");
        QVERIFY(ConnecterCopies(a, "  Alice ", b, "Bob"));
        QTRY_VERIFY(b.TexteConversation().contains("Alice s'est connecté(e)."));
        QTRY_COMPARE(a.TexteConversation(), Bienvenue + ">>> Vous vous êtes connecté(e). <<<\n"
                                                        ">>> Bob s'est connecté(e). <<<\n");
        for (CopieOvan* c : {&a, &b}) {
            QCOMPARE(Apercu(*c), EnLigne);
            QCOMPARE(c->interface().BoutonhWnd[BoutonEnvoyer]->Face(), "img_envt_d");
            QCOMPARE(c->interface().TextBoxhWnd[ZoneSonStatut]->text(), "Présent(e)");
        }
        QVERIFY(a.Pseudo()->text() == "Alice" && b.AdresseContact()->text() == "127.0.0.10");

        const QString avant = a.TexteConversation();
        a.ovan().ClicBouton(Commande::Connecter);
        QVERIFY(a.dialogues().Boite(0, "Vous êtes déjà connecté(e) !", "Attention !", Icone::Attention,
                                    a.interface().FenetrehWnd));
        QCOMPARE(a.TexteConversation(), avant);

        a.ovan().ClicBouton(Commande::Deconnecter);
        QCOMPARE(Apercu(a), EnEcoute);
        QVERIFY(a.TexteConversation().endsWith(">>> Vous vous êtes déconnecté(e). <<<\n"));
        QTRY_COMPARE(Apercu(b), EnEcoute);
        QVERIFY(b.TexteConversation().endsWith(">>> Alice s'est déconnecté(e). <<<\n"));
        for (CopieOvan* c : {&a, &b}) {
            QVERIFY(c->interface().TextBoxhWnd[ZoneSonStatut]->text().isEmpty());
        }
        QVERIFY(a.dialogues().Appels().size() == 1 && b.dialogues().Appels().isEmpty());
    }

    void echecs_data() {
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<QString>("adresse");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("appel"); // a connection is tried: the status says so
        QTest::newRow("pseudo vide") << ""
                                     << "127.0.0.11"
                                     << "Il faut rentrer un pseudo !" << false;
        QTest::newRow("adresse blanche") << "Alice"
                                         << "  "
                                         << "Il faut rentrer une adresse de contact !" << false;
        QTest::newRow("personne n'ecoute") << "Alice"
                                           << "127.0.0.13" << Echec << true;
        QTest::newRow("nom introuvable") << "Alice"
                                         << "hote.invalid" << Echec << false;
        QTest::newRow("0.0.0.0") << "Alice"
                                 << "0.0.0.0" << Echec << false;
    }

    // Each failure tells its box over the main window, "Erreur" in the status under a network
    // failure's, and listens again, for real.
    void echecs() {
        QFETCH(QString, pseudo);
        QFETCH(QString, adresse);
        QFETCH(QString, texte);
        QFETCH(bool, appel);
        CopieOvan a("127.0.0.10");
        QSignalSpy boite(&a.dialogues(), &DialoguesEnregistres::appel);
        QStringList statuts;
        connect(&a.dialogues(), &DialoguesEnregistres::appel, this, [&] { statuts << a.Statut(); });
        a.Connecter(pseudo, adresse);
        QVERIFY(!appel || a.Statut() == "Connexion en cours...");
        QVERIFY(boite.count() == 1 || boite.wait(20000));
        QVERIFY(a.dialogues().Boite(0, texte, texte == Echec ? "Erreur de connexion" : "Erreur",
                                    Icone::Erreur, a.interface().FenetrehWnd));
        QCOMPARE(statuts, QStringList{texte == Echec ? "Erreur" : "En écoute..."});
        QTRY_COMPARE(Apercu(a), EnEcoute);
        QVERIFY(a.dialogues().Appels().size() == 1 && a.TexteConversation() == Bienvenue);
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

    // Absent even while alone changes the title and faces; the contact's presence in its box and
    // in the view; a new nickname makes no entry.
    void presence() {
        CopieOvan a("127.0.0.58"), b("127.0.0.59");
        Interface& ui = a.interface();
        a.ovan().ClicBouton(Commande::Absent);
        QCOMPARE(ui.FenetrehWnd->windowTitle(), "OVAN Messenger - Absent");
        QVERIFY(ui.BoutonhWnd[BoutonAbsent]->Face() == "img_abst_d" &&
                ui.BoutonhWnd[BoutonPresent]->Face() == "img_prst_e");
        QVERIFY(ConnecterCopies(a, "Alice", b, "Bob"));
        QTRY_VERIFY(b.TexteConversation().contains("Alice s'est connecté(e)."));
        a.ovan().ClicBouton(Commande::Absent);
        QTRY_VERIFY(b.TexteConversation().endsWith(">>> Alice s'est absenté(e). <<<\n"));
        QCOMPARE(b.interface().TextBoxhWnd[ZoneSonStatut]->text(), "Absent(e)");
        a.ovan().ClicBouton(Commande::Present);
        QTRY_VERIFY(b.TexteConversation().endsWith(">>> Alice est en ligne. <<<\n"));
        QCOMPARE(b.interface().TextBoxhWnd[ZoneSonStatut]->text(), "Présent(e)");
        QCOMPARE(ui.FenetrehWnd->windowTitle(), "OVAN Messenger - Présent");
        QCOMPARE(ui.BoutonhWnd[BoutonPresent]->Face(), "img_prst_d");
        const QString avant = b.TexteConversation();
        a.ovan().conversation().ReglerMonPseudo("Alicia");
        a.ovan().conversation().AnnoncerPseudo();
        QTRY_COMPARE(b.ovan().conversation().SonPseudo(), "Alicia");
        QCOMPARE(b.TexteConversation(), avant);
    }

    // Status part 0: the typing text, nothing before any message, then the last message's time,
    // which "vid" brings back even after a reconnection. The connection's sound. What the view
    // makes of a format out of its tables (no font, no style), an empty message and nickname.
    void arriveeEtBarreDeStatut() {
        CopieOvan a("127.0.0.62");
        auto b = std::make_unique<FauxContact>("127.0.0.63");
        QVERIFY(b->Appeler(a.Adresse()));
        QSignalSpy traitees(&a.ovan().conversation(), &Conversation::trameTraitee);
        b->Envoyer(Trame::Log("Bob") + Trame::Tap(true));
        QTRY_COMPARE(a.Statut(0), "Bob est en train de taper un message...");
        QCOMPARE(a.interface().TextBoxhWnd[ZoneSonStatut]->text(), "Présent(e)");
        QCOMPARE(a.sons().Joues.value(0), a.Dossier() + "Sons/coucou.wav");
        b->Envoyer(Trame::Tap(false));
        QTRY_COMPARE(traitees.count(), 3);
        QCOMPARE(a.Statut(0), QString());
        b->Envoyer(Trame::Message(0, 5, 0, "Salut") + "[TXT]999_u\x03[TXT]\x03[PSE]\x03[TXT]000_fin\x03");
        QTRY_COMPARE(traitees.count(), 8);
        const QString heure = a.Statut(0);
        QVERIFY(heure == TexteDernierMessage(*a.ovan().conversation().DernierMessage()) &&
                heure.startsWith("Dernier message reçu le "));
        QVERIFY(
            a.TexteConversation().endsWith(">>> Bob s'est connecté(e). <<<\nBob dit :\n   Salut\nBob dit :\n"
                                           "   u\nBob dit :\n   \n dit :\n   fin\n"));
        VerifierFormat(FormatDe(a.Conversation()->document(), "   u"), "Arial", QColor(128, 0, 128), 0);
        b.reset();
        QTRY_COMPARE(a.Statut(), "En écoute...");
        FauxContact c("127.0.0.63");
        QVERIFY(c.Appeler(a.Adresse()));
        c.Envoyer(Trame::Log("Bob") + Trame::Tap(true) + Trame::Tap(false));
        QTRY_COMPARE(traitees.count(), 11);
        QCOMPARE(a.Statut(0), heure);
    }

    // A connection always raises the pop-up. In front, a message makes no sound and no flash;
    // behind another window, both and no pop-up; hidden, shown minimised with all three.
    void notificationsSelonLaFenetre() {
        CopieOvan a("127.0.0.64");
        FauxContact b("127.0.0.65");
        QVERIFY(b.Appeler(a.Adresse()));
        Interface& ui = a.interface();
        QLabel* titre = ui.LabelhWnd[LabelTitrePopup];
        QSignalSpy traitees(&a.ovan().conversation(), &Conversation::trameTraitee);
        b.Envoyer(Trame::Log("Bob"));
        QTRY_COMPARE(traitees.count(), 1);
        QVERIFY(ui.PopuphWnd->isVisible());
        QVERIFY(titre->text() == "Bob\r\nvient de\r\nse connecter" &&
                titre->geometry() == QRect(0, 50, 183, 50));
        ui.PopuphWnd->hide();
        a.sons().Joues.clear();

        QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0);
        ui.FenetrehWnd->activateWindow();
        QTRY_VERIFY(ui.FenetrehWnd->isActiveWindow());
        b.Envoyer(Trame::Message(0, 0, 0, "un"));
        QTRY_COMPARE(traitees.count(), 2);
        QVERIFY(a.sons().Joues.isEmpty() && !a.ovan().Clignote());

        ui.CompressionhWnd->show();
        ui.CompressionhWnd->activateWindow();
        QTRY_VERIFY(!ui.FenetrehWnd->isActiveWindow());
        b.Envoyer(Trame::Message(0, 0, 0, "deux"));
        QTRY_COMPARE(traitees.count(), 3);
        QCOMPARE(a.sons().Joues, QStringList{a.Dossier() + "Sons/msg.wav"});
        QVERIFY(a.ovan().Clignote() && !ui.PopuphWnd->isVisible());

        ui.FenetrehWnd->hide();
        b.Envoyer(Trame::Message(0, 0, 0, "trois"));
        QTRY_COMPARE(traitees.count(), 4);
        QVERIFY(ui.FenetrehWnd->isVisible() && ui.FenetrehWnd->isMinimized() && ui.PopuphWnd->isVisible());
        QCOMPARE(titre->text() + u'|' + ui.LabelhWnd[LabelCorpsPopup]->text(), "Bob dit :|trois");
        QVERIFY(titre->geometry() == QRect(0, 50, 183, 20) && a.sons().Joues.size() == 2);
    }

    void partPendantUneBoite_data() {
        QTest::addColumn<bool>("reinitialise");
        QTest::newRow("fermetures") << false;
        QTest::newRow("resets") << true;
    }

    // The contact closes both connections while a question is open: the sockets go under the box,
    // and once it is answered the copy listens again. The offer read behind belongs to a contact
    // who has left: no question for it.
    void partPendantUneBoite() {
        QFETCH(bool, reinitialise);
        Banc b;
        QVERIFY(b.Relier());
        QSignalSpy fins(&b.c.ovan().Sockets(), &SocketsChat::fermeture);
        QSignalSpy erreurs(&b.c.ovan().Sockets(), &SocketsChat::erreur);
        bool vu = false;
        b.c.dialogues().PendantBoite([&] {
            for (Lien lien : {Lien::VersCopie, Lien::DepuisCopie}) {
                reinitialise ? b.f.Reinitialiser(lien) : b.f.FermerEnvoi(lien);
            }
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

    // A box runs its own event loop, during which the socket that reported the frame or the error
    // can be deleted: the reaction comes after the socket's signal has returned, never inside it.
    void aucuneBoiteDansUnSignalDeSocket() {
        Banc b;
        QVERIFY(b.Relier());
        b.c.dialogues().Repondre(Dialogues::Reponse::Non);
        emit b.c.ovan().Sockets().tramesRecues({{Trame::Balise::DEM, "[DEM]", "x\\1"}});
        QVERIFY(b.c.dialogues().Textes().isEmpty());
        QTRY_COMPARE(b.c.dialogues().Textes(), QStringList{Question});
        emit b.c.ovan().Sockets().erreur();
        QCOMPARE(b.c.dialogues().Textes().size(), 1);
        QTRY_COMPARE(b.c.dialogues().Textes(), (QStringList{Question, Echec}));
        QTRY_COMPARE(b.c.ovan().Etat(), EtatConnexion::Ecoute);
    }

    // Under an open question the same offer again is dropped, not queued; other offers are
    // refused without a box, said once; the message behind them still comes. Once answered, the
    // same offer is asked again.
    void uneSeuleQuestion() {
        Banc b;
        QVERIFY(b.Relier());
        Conversation& arrivee = b.c.ovan().conversation();
        b.c.dialogues().Repondre(Dialogues::Reponse::Non);
        b.c.dialogues().PendantBoite([&] {
            QByteArray offres = Offre.repeated(50);
            for (int i = 0; i < 20; ++i) {
                offres += "[DEM]autre" + QByteArray::number(i) + "\\1\x03";
            }
            b.f.Envoyer(offres + "[TXT]000_fin\x03");
            QVERIFY(QTest::qWaitFor([&] { return arrivee.EnAttente() == 22; }, 5000));
        });
        b.f.Oublier();
        b.f.Envoyer(Offre.repeated(50) + "[DEM]derriere\\1\x03");
        QVERIFY(b.f.AttendreTrames(22));
        QCOMPARE(b.f.Octets(), QByteArray("[RPS]NON\x03").repeated(22));
        QTRY_VERIFY(b.c.TexteConversation().contains("   fin\n"));
        QCOMPARE(b.c.dialogues().Textes(), QStringList{Question});
        QCOMPARE(b.c.TexteConversation().count("propose pendant ce temps sont refusés"), 1);
        b.f.Envoyer(Offre);
        QTRY_COMPARE(b.c.dialogues().Textes(), (QStringList{Question, Question}));
    }

    // A box is open and the contact floods: the copy holds it back instead of queuing everything,
    // and handles every frame, in order, once the box is answered.
    void fileBorneeSousUneBoite() {
        Banc b;
        QVERIFY(b.Relier());
        Conversation& arrivee = b.c.ovan().conversation();
        const QByteArray motif("[TAP]ecr\x03");
        constexpr qint64 Total = 1024 * 1024 / 9 * 9;
        QSignalSpy traitees(&arrivee, &Conversation::trameTraitee);
        qsizetype plusLongue = 0;
        b.c.dialogues().PendantBoite([&] {
            b.f.Inonder(Lien::VersCopie, motif, Total);
            QVERIFY(QTest::qWaitFor(
                [&] {
                    plusLongue = std::max(plusLongue, arrivee.EnAttente());
                    return b.f.Inonde() >= 256 * 1024;
                },
                10000));
            QVERIFY(b.c.ovan().Sockets().LectureSuspendue());
        });
        b.c.dialogues().Repondre(Dialogues::Reponse::Non);
        traitees.clear();
        b.f.Envoyer(Offre);
        QTRY_COMPARE_WITH_TIMEOUT(traitees.count(), int(1 + Total / motif.size()), 60000);
        // A slice read past the limit at most: 4 KiB of the smallest frames.
        QVERIFY2(plusLongue <= Conversation::LimiteFile + 4096 / 6, qPrintable(QString::number(plusLongue)));
        QVERIFY(!b.c.ovan().Sockets().LectureSuspendue());
        QCOMPARE(b.c.Statut(0), "A est en train de taper un message...");
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
        QCOMPARE(ui.LabelhWnd[LabelTitrePopup]->text(), nom + " dit :");
        QCOMPARE(ui.LabelhWnd[LabelCorpsPopup]->text(), "<font size=6>gros</font>");
        for (QLabel* l : {ui.LabelhWnd[LabelTitrePopup], ui.LabelhWnd[LabelCorpsPopup], ui.BarreStatuthWnd[0],
                          ui.BarreStatuthWnd[1]}) {
            QCOMPARE(l->textFormat(), Qt::PlainText);
        }
    }
};

QTEST_MAIN(TestChatConnexion)
#include "tst_chat_connexion.moc"
