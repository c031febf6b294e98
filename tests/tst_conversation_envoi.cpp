// Sending: the exact bytes, what is never sent, every format through two copies, typing
// notices, the input box's limit.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "FormatsTexte.h"
#include "core/chat/SocketsChat.h"
#include "ui/app/BoiteSaisie.h"
#include "ui/app/BoutonImage.h"

#include <QTextEdit>

using Trame::Balise;

class TestConversationEnvoi : public QObject {
    Q_OBJECT

private slots:
    void envoiOctetsExacts();
    void reglesDEnvoi();
    void toutesLesCombinaisons();
    void frappe();
    void saisieLimiteeA200();
};

void TestConversationEnvoi::envoiOctetsExacts() {
    CopieOvan a(QStringLiteral("127.0.0.50"));
    FauxContact b(QStringLiteral("127.0.0.51"));
    a.Connecter(QStringLiteral("Alice"), QStringLiteral("127.0.0.51"));
    QVERIFY(b.AttendreAppel());
    QVERIFY(b.AttendreTrames(1));
    QCOMPARE(b.Octets(), QByteArray("[LOG]Alice\x03"));
    b.Oublier();
    Interface& ui = a.interface();
    QTextEdit* saisie = ui.RichEdithWnd[ZoneSaisie];

    // Tahoma, Rouge, Gras and Souligné; spaces trimmed at both ends, sent with Enter.
    ChoisirFormat(ui, 4, 6, 5);
    saisie->setPlainText(QStringLiteral("  ok  "));
    saisie->setFocus();
    QTest::keyClick(saisie, Qt::Key_Return);
    QVERIFY(b.AttendreTrames(1));
    QCOMPARE(b.Octets(), QByteArray("[TXT]465_ok\x03"));
    QVERIFY(saisie->toPlainText().isEmpty());
    const QList<Morceau> m = Morceaux(ui.RichEdithWnd[ZoneConversation]->document());
    QCOMPARE(m[m.size() - 2].texte, QStringLiteral("Alice dit :\n   "));
    QCOMPARE(m.last().texte, QStringLiteral("ok\n"));
    VerifierFormat(m.last().format, QStringLiteral("Tahoma"), QColor(255, 0, 0), EffetGras | EffetSouligne);
    QCOMPARE(ui.BoutonhWnd[BoutonEnvoyer]->Face(), QStringLiteral("img_envt_d"));

    // Defaults are 000; Ctrl+Enter is a line break, CR LF on the wire; accents in Windows-1252.
    ChoisirFormat(ui, 0, 0, 0);
    b.Oublier();
    saisie->insertPlainText(QStringLiteral("été"));
    QTest::keyClick(saisie, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(saisie, QStringLiteral("x y"));
    ui.BoutonhWnd[BoutonEnvoyer]->click();
    QVERIFY(b.AttendreTrames(2)); // "ecr" then the message
    QCOMPARE(DeBalise(b.Trames(), Balise::TXT).value(0).donnee, QByteArray("000_\xe9t\xe9\r\nx y"));
}

void TestConversationEnvoi::reglesDEnvoi() {
    CopieOvan a(QStringLiteral("127.0.0.50"));
    QTextEdit* saisie = a.interface().RichEdithWnd[ZoneSaisie];
    // Not connected: the box, even for an empty message, and the draft stays.
    for (const QString& texte : {QString(), QStringLiteral("Bonjour")}) {
        a.dialogues().Effacer();
        saisie->setPlainText(texte);
        a.ovan().ClicBouton(Commande::EnvoyerMessage);
        QCOMPARE(a.dialogues().Textes(), QStringList{QStringLiteral("Vous devez d'abord vous connecter !")});
        QCOMPARE(a.dialogues().Appels()[0].titre, QStringLiteral("Erreur"));
        QCOMPARE(saisie->toPlainText(), texte);
    }

    FauxContact b(QStringLiteral("127.0.0.51"));
    a.Connecter(QStringLiteral("Alice"), QStringLiteral("127.0.0.51"));
    QVERIFY(b.AttendreAppel() && b.AttendreTrames(1));
    const QString avant = a.TexteConversation();
    // Blank drafts are kept and nothing goes out.
    for (const QString& blanc :
         {QString(), QStringLiteral("   "), QStringLiteral("éàù"), QStringLiteral(" \n ")}) {
        saisie->setPlainText(blanc);
        a.ovan().ClicBouton(Commande::EnvoyerMessage);
        QCOMPARE(saisie->toPlainText(), blanc);
    }
    // Tabs alone are blank too: they never travel.
    saisie->setPlainText(QStringLiteral("\t\t"));
    a.ovan().ClicBouton(Commande::EnvoyerMessage);
    QCOMPARE(saisie->toPlainText(), QStringLiteral("\t\t"));
    a.ovan().Sockets().Envoyer(Trame::Att()); // a marker: anything sent before it arrives first
    QVERIFY(b.AttendreTrames(2));
    QCOMPARE(b.Trames()[1].balise, Balise::ATT);
    QCOMPARE(a.TexteConversation(), avant);

    // What cannot travel is decided on the bytes, and the echo shows what the frame carries:
    // a tab is dropped, letters outside Windows-1252 become "?".
    b.Oublier();
    saisie->setPlainText(QStringLiteral("a\tbж€"));
    a.ovan().ClicBouton(Commande::EnvoyerMessage);
    QVERIFY(b.AttendreTrames(1));
    QCOMPARE(DeBalise(b.Trames(), Balise::TXT).value(0).donnee, QByteArray("000_ab?\x80"));
    QVERIFY(saisie->toPlainText().isEmpty());
    QVERIFY(a.TexteConversation().endsWith(QStringLiteral("\n   ab?€\n")));
}

void TestConversationEnvoi::toutesLesCombinaisons() {
    CopieOvan a(QStringLiteral("127.0.0.52"));
    CopieOvan b(QStringLiteral("127.0.0.53"));
    QVERIFY(ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")));
    QTRY_VERIFY(b.TexteConversation().contains(QStringLiteral("Alice s'est connecté(e).")));
    Interface& ui = a.interface();
    QTextEdit* saisie = ui.RichEdithWnd[ZoneSaisie];
    const int debut = FinConversation(b.Conversation());
    int nombre = 0;
    for (int p = 0; p < 6; ++p) {
        for (int c = 0; c < 10; ++c) {
            for (int s = 0; s < 8; ++s) {
                ChoisirFormat(ui, p, c, s);
                saisie->setPlainText(QStringLiteral("m%1%2%3").arg(p).arg(c).arg(s));
                a.ovan().ClicBouton(Commande::EnvoyerMessage);
                ++nombre;
            }
        }
    }
    QCOMPARE(nombre, 480);
    QTRY_VERIFY_WITH_TIMEOUT(b.TexteConversation().endsWith(QStringLiteral("m597\n")), 20000);

    // Every message on its own line under its sender line, in the sender's format.
    QTextBlock bloc = b.Conversation()->document()->findBlock(debut);
    for (int i = 0; i < 480; ++i) {
        const int p = i / 80, c = (i / 8) % 10, s = i % 8;
        QCOMPARE(bloc.text(), QStringLiteral("Alice dit :"));
        bloc = bloc.next();
        QCOMPARE(bloc.text(), QStringLiteral("   m%1%2%3").arg(p).arg(c).arg(s));
        QTextCursor lettre(bloc);
        lettre.setPosition(bloc.position() + 4);
        VerifierFormat(lettre.charFormat(), Police(p), Couleur(c), Style(s));
        bloc = bloc.next();
    }
}

void TestConversationEnvoi::frappe() {
    CopieOvan a(QStringLiteral("127.0.0.60"));
    FauxContact b(QStringLiteral("127.0.0.61"));
    QTextEdit* saisie = a.interface().RichEdithWnd[ZoneSaisie];
    BoutonImage* envoyer = a.interface().BoutonhWnd[BoutonEnvoyer];
    saisie->setFocus();

    // Not connected: nothing is sent, the send face stays disabled.
    QTest::keyClicks(saisie, QStringLiteral("ab"));
    QCOMPARE(envoyer->Face(), QStringLiteral("img_envt_d"));
    QVERIFY(!a.ovan().conversation().JEcris());
    saisie->clear();

    a.Connecter(QStringLiteral("Alice"), QStringLiteral("127.0.0.61"));
    QVERIFY(b.AttendreAppel() && b.AttendreTrames(1));
    auto taps = [&] {
        QStringList r;
        for (const auto& t : DeBalise(b.Trames(), Balise::TAP)) {
            r << QString::fromLatin1(t.donnee);
        }
        return r;
    };
    auto marqueur = [&](int n) { // every frame sent before arrives before it
        a.ovan().Sockets().Envoyer(Trame::Att());
        return b.AttendreTrames(n);
    };

    // Spaces and accented letters alone are blank.
    saisie->insertPlainText(QStringLiteral("éé"));
    QTest::keyClicks(saisie, QStringLiteral("  "));
    QVERIFY(marqueur(2));
    QCOMPARE(taps(), QStringList());
    saisie->clear();

    // First letter: "ecr" once; Backspace to empty: "vid".
    QTest::keyClicks(saisie, QStringLiteral("abc"));
    QCOMPARE(envoyer->Face(), QStringLiteral("img_envt_e"));
    QTest::keyClick(saisie, Qt::Key_Backspace);
    QTest::keyClick(saisie, Qt::Key_Backspace);
    QTest::keyClick(saisie, Qt::Key_Backspace);
    QVERIFY(marqueur(5));
    QCOMPARE(taps(), (QStringList{"ecr", "vid"}));
    QCOMPARE(envoyer->Face(), QStringLiteral("img_envt_d"));

    // Sent with Enter: its release finds the box empty and sends "vid".
    QTest::keyClicks(saisie, QStringLiteral("x"));
    QTest::keyClick(saisie, Qt::Key_Return);
    QVERIFY(marqueur(9));
    QCOMPARE(taps(), (QStringList{"ecr", "vid", "ecr", "vid"}));

    // Sent with the mouse: "ecr" stays in force until a key is released in the blank box.
    QTest::keyClicks(saisie, QStringLiteral("y"));
    a.interface().BoutonhWnd[BoutonEnvoyer]->click();
    QVERIFY(a.ovan().conversation().JEcris());
    QTest::keyClick(saisie, Qt::Key_Shift);
    QVERIFY(marqueur(13));
    QCOMPARE(taps(), (QStringList{"ecr", "vid", "ecr", "vid", "ecr", "vid"}));
}

void TestConversationEnvoi::saisieLimiteeA200() {
    CopieOvan a(QStringLiteral("127.0.0.50"));
    auto* saisie = static_cast<BoiteSaisie*>(a.interface().RichEdithWnd[ZoneSaisie]);
    saisie->insertPlainText(QString(250, u'a'));
    QCOMPARE(saisie->Longueur(), 200);
    saisie->setFocus();
    QTest::keyClicks(saisie, QStringLiteral("bc"));
    QCOMPARE(saisie->toPlainText(), QString(200, u'a'));
    // Room again after a deletion.
    QTest::keyClick(saisie, Qt::Key_Backspace);
    QTest::keyClicks(saisie, QStringLiteral("z"));
    QCOMPARE(saisie->toPlainText(), QString(199, u'a') + u'z');
}

QTEST_MAIN(TestConversationEnvoi)
#include "tst_conversation_envoi.moc"
