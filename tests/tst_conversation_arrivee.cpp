// Incoming frames: several in one read, bad payloads, a refused offer, presence, typing, and when
// the user is told (sound, flash, pop-up) depending on the window.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "FormatsTexte.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/chat/ArriveeDonnees.h"
#include "ui/chat/Presence.h"
#include "ui/conversation/VueConversation.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTextEdit>

class TestConversationArrivee : public QObject {
    Q_OBJECT

private slots:
    void plusieursTramesPuisMauvaisesEntrees();
    void offreRefusee();
    void presence();
    void vidApresReconnexion();
    void notificationsSelonLaFenetre();
};

void TestConversationArrivee::plusieursTramesPuisMauvaisesEntrees() {
    CopieOvan a(QStringLiteral("127.0.0.54"));
    FauxContact b(QStringLiteral("127.0.0.55"));
    QVERIFY(b.Appeler(QStringLiteral("127.0.0.54")));
    QSignalSpy traitees(&a.ovan().conversation(), &Conversation::trameTraitee);
    b.Envoyer(Trame::Log(QStringLiteral("Bob")) + Trame::Tap(true) +
              Trame::Message(0, 5, 0, QStringLiteral("Salut")));
    QTRY_COMPARE(traitees.count(), 3);
    QVERIFY(a.TexteConversation().endsWith(
        QStringLiteral(">>> Bob s'est connecté(e). <<<\nBob dit :\n   Salut\n")));
    QVERIFY(a.Statut(0).startsWith(QStringLiteral("Dernier message reçu le ")));
    QCOMPARE(a.Statut(0), TexteDernierMessage(*a.ovan().conversation().DernierMessage()));
    QCOMPARE(a.interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Présent(e)"));
    QVERIFY(a.sons().Joues().first().endsWith(QLatin1String("Sons/coucou.wav")));
    QVERIFY(a.sons().Joues().first().startsWith(a.Dossier()));

    const int debut = FinConversation(a.Conversation());

    // Decoding is the core's; here what the window makes of it: 9 is no font and no style (index
    // 0), an empty message, an empty nickname.
    b.Envoyer("[TXT]999_u\x03[TXT]\x03[PSE]\x03[TXT]000_fin\x03");
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral(" dit :\n   fin\n")));
    QCOMPARE(a.TexteConversation().mid(debut).split(u'\n').mid(0, 5),
             (QStringList{"Bob dit :", "   u", "Bob dit :", "   ", " dit :"}));
    VerifierFormat(FormatDe(a.Conversation()->document(), QStringLiteral("   u")), QStringLiteral("Arial"),
                   QColor(128, 0, 128), 0);
    QCOMPARE(a.ovan().conversation().SonPseudo(), QString());
    QCOMPARE(traitees.count(), 3 + 4);
}

void TestConversationArrivee::offreRefusee() {
    CopieOvan a(QStringLiteral("127.0.0.56"));
    FauxContact b(QStringLiteral("127.0.0.57"));
    QVERIFY(b.Appeler(QStringLiteral("127.0.0.56")));
    QVERIFY(b.AttendreTrames(1)); // "[ATT]": no nickname typed
    b.Oublier();
    b.Envoyer("[LOG]Bob\x03");
    a.dialogues().Repondre(Dialogues::Reponse::Non);
    b.Envoyer("[DEM]a b.txt\\0\x03");
    QVERIFY(b.AttendreTrames(1));
    QCOMPARE(b.Octets(), QByteArray("[RPS]NON\x03"));
    QVERIFY(a.dialogues().Boite(0,
                                QStringLiteral("Bob veut vous envoyer 'a b.txt'.\r\n0 octets.\r\n"
                                               "Acceptez-vous ce fichier ?"),
                                QStringLiteral("OVAN Messenger"), Dialogues::Icone::Question,
                                a.interface().FenetrehWnd));
    QVERIFY(a.TexteConversation().endsWith(
        QStringLiteral(">>> Vous avez refusé la réception de 'a b.txt'. <<<\n")));
    QCOMPARE(a.ovan().vueConversation().DernierMess(), FinConversation(a.Conversation()));

    // A cancel with no transfer under way is nothing to tell.
    b.Envoyer("[ANN]\x03[TXT]000_fin\x03");
    QTRY_VERIFY(a.TexteConversation().contains(QStringLiteral("fin")));
    QCOMPARE(a.dialogues().Appels().size(), 1);
}

void TestConversationArrivee::presence() {
    CopieOvan a(QStringLiteral("127.0.0.58"));
    CopieOvan b(QStringLiteral("127.0.0.59"));
    // Absent while not connected still changes the title and faces.
    a.ovan().ClicBouton(Commande::Absent);
    QCOMPARE(a.interface().FenetrehWnd->windowTitle(), QStringLiteral("OVAN Messenger - Absent"));
    QCOMPARE(a.interface().BoutonhWnd[BoutonAbsent]->Face(), QStringLiteral("img_abst_d"));
    QCOMPARE(a.interface().BoutonhWnd[BoutonPresent]->Face(), QStringLiteral("img_prst_e"));

    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    QTRY_VERIFY(b.TexteConversation().contains(QStringLiteral("Alice s'est connecté(e).")));
    a.ovan().ClicBouton(Commande::Absent);
    QTRY_VERIFY(b.TexteConversation().endsWith(QStringLiteral(">>> Alice s'est absenté(e). <<<\n")));
    QCOMPARE(b.interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Absent(e)"));
    a.ovan().ClicBouton(Commande::Present);
    QTRY_VERIFY(b.TexteConversation().endsWith(QStringLiteral(">>> Alice est en ligne. <<<\n")));
    QCOMPARE(b.interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Présent(e)"));
    QCOMPARE(a.interface().FenetrehWnd->windowTitle(), QStringLiteral("OVAN Messenger - Présent"));
    QCOMPARE(a.interface().BoutonhWnd[BoutonPresent]->Face(), QStringLiteral("img_prst_d"));

    // A new nickname, told without an entry; later messages come under it.
    const QString avant = b.TexteConversation();
    a.ovan().conversation().ReglerMonPseudo(QStringLiteral("Alicia"));
    a.ovan().conversation().AnnoncerPseudo();
    QTRY_COMPARE(b.ovan().conversation().SonPseudo(), QStringLiteral("Alicia"));
    QCOMPARE(b.TexteConversation(), avant);
}

void TestConversationArrivee::vidApresReconnexion() {
    CopieOvan a(QStringLiteral("127.0.0.62"));
    auto b = std::make_unique<FauxContact>(QStringLiteral("127.0.0.63"));
    QVERIFY(b->Appeler(QStringLiteral("127.0.0.62")));
    QSignalSpy traitees(&a.ovan().conversation(), &Conversation::trameTraitee);
    // "vid" before any message empties part 0; "ecr" shows the typing text.
    b->Envoyer(Trame::Log(QStringLiteral("Bob")) + Trame::Tap(true));
    QTRY_COMPARE(a.Statut(0), QStringLiteral("Bob est en train de taper un message..."));
    b->Envoyer(Trame::Tap(false));
    QTRY_COMPARE(traitees.count(), 3);
    QCOMPARE(a.Statut(0), QString());
    b->Envoyer(Trame::Message(0, 0, 0, QStringLiteral("coucou")));
    QTRY_COMPARE(traitees.count(), 4);
    const QString heure = a.Statut(0);

    // Contact gone and back: "vid" still shows the time of the earlier message.
    b.reset();
    QTRY_COMPARE(a.Statut(), QStringLiteral("En écoute..."));
    FauxContact c(QStringLiteral("127.0.0.63"));
    QVERIFY(c.Appeler(QStringLiteral("127.0.0.62")));
    c.Envoyer(Trame::Log(QStringLiteral("Bob")) + Trame::Tap(true) + Trame::Tap(false));
    QTRY_COMPARE(traitees.count(), 7);
    QCOMPARE(a.Statut(0), heure);
}

void TestConversationArrivee::notificationsSelonLaFenetre() {
    CopieOvan a(QStringLiteral("127.0.0.64"));
    FauxContact b(QStringLiteral("127.0.0.65"));
    QVERIFY(b.Appeler(QStringLiteral("127.0.0.64")));
    Interface& ui = a.interface();
    QSignalSpy traitees(&a.ovan().conversation(), &Conversation::trameTraitee);
    b.Envoyer(Trame::Log(QStringLiteral("Bob")));
    QTRY_COMPARE(traitees.count(), 1);
    // A connection always raises the pop-up.
    QVERIFY(ui.PopuphWnd->isVisible());
    QCOMPARE(ui.LabelhWnd[LabelTitrePopup]->text(), QStringLiteral("Bob\r\nvient de\r\nse connecter"));
    QCOMPARE(ui.LabelhWnd[LabelTitrePopup]->geometry(), QRect(0, 50, 183, 50));
    ui.PopuphWnd->hide();
    a.sons().Effacer();

    // In front: no sound, no flash.
    QTRY_COMPARE(ui.FenetrehWnd->fondu().Sens(), 0);
    ui.FenetrehWnd->activateWindow();
    QTRY_VERIFY(ui.FenetrehWnd->isActiveWindow());
    b.Envoyer(Trame::Message(0, 0, 0, QStringLiteral("un")));
    QTRY_COMPARE(traitees.count(), 2);
    QVERIFY(a.sons().Joues().isEmpty());
    QVERIFY(!a.ovan().Clignote());

    // Behind another window: flash and sound, no pop-up.
    ui.CompressionhWnd->show();
    ui.CompressionhWnd->activateWindow();
    QTRY_VERIFY(!ui.FenetrehWnd->isActiveWindow());
    b.Envoyer(Trame::Message(0, 0, 0, QStringLiteral("deux")));
    QTRY_COMPARE(traitees.count(), 3);
    QCOMPARE(a.sons().Joues().size(), 1);
    QVERIFY(a.sons().Joues()[0].endsWith(QLatin1String("Sons/msg.wav")));
    QVERIFY(a.ovan().Clignote());
    QVERIFY(!ui.PopuphWnd->isVisible());

    // Hidden: shown minimised, flashing, the pop-up over the message, the sound.
    ui.FenetrehWnd->hide();
    b.Envoyer(Trame::Message(0, 0, 0, QStringLiteral("trois")));
    QTRY_COMPARE(traitees.count(), 4);
    QVERIFY(ui.FenetrehWnd->isVisible());
    QVERIFY(ui.FenetrehWnd->isMinimized());
    QVERIFY(ui.PopuphWnd->isVisible());
    QCOMPARE(ui.LabelhWnd[LabelTitrePopup]->text(), QStringLiteral("Bob dit :"));
    QCOMPARE(ui.LabelhWnd[LabelCorpsPopup]->text(), QStringLiteral("trois"));
    QCOMPARE(ui.LabelhWnd[LabelTitrePopup]->geometry(), QRect(0, 50, 183, 20));
    QCOMPARE(a.sons().Joues().size(), 2);
}

QTEST_MAIN(TestConversationArrivee)
#include "tst_conversation_arrivee.moc"
