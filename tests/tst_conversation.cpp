// The conversation: entries and their formats, sending, every incoming frame, presence and typing,
// and when the user is told.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "app/BoutonImage.h"
#include "app/FenetreOvan.h"
#include "app/FenetrePrincipale.h"
#include "app/Interface.h"
#include "chat/ArriveeDonnees.h"
#include "chat/Presence.h"
#include "chat/SocketsChat.h"
#include "conversation/AjouteTexte.h"
#include "conversation/Texte.h"
#include "platform/Ansi.h"

#include "app/Fondu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

using Trame::Balise;

namespace {

struct Morceau {
    QString texte;
    QTextCharFormat format;
};

// The runs of text of a document from a position on, each with its format.
QList<Morceau> Morceaux(QTextDocument* doc, int depuis = 0) {
    QList<Morceau> liste;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= depuis) {
                continue;
            }
            if (!liste.isEmpty() && liste.last().format == f.charFormat()) {
                liste.last().texte += f.text();
            } else {
                liste.append({f.text(), f.charFormat()});
            }
        }
        if (b.next().isValid() && b.position() + b.length() > depuis) {
            liste.last().texte += u'\n';
        }
    }
    return liste;
}

// The format of the first character after the indent of the last line that reads exactly so.
QTextCharFormat FormatDe(QTextDocument* doc, const QString& ligne) {
    for (QTextBlock b = doc->lastBlock(); b.isValid(); b = b.previous()) {
        if (b.text() == ligne) {
            QTextCursor c(b);
            c.setPosition(b.position() + 4);
            return c.charFormat();
        }
    }
    return {};
}

void VerifierFormat(const QTextCharFormat& f, const QString& police, const QColor& couleur, int effets) {
    QCOMPARE(f.fontFamilies().toStringList().value(0), police);
    QCOMPARE(f.fontPointSize(), 8.5);
    QCOMPARE(f.foreground().color(), couleur);
    QCOMPARE(f.fontWeight() == QFont::Bold, bool(effets & EffetGras));
    QCOMPARE(f.fontItalic(), bool(effets & EffetItalique));
    QCOMPARE(f.fontUnderline(), bool(effets & EffetSouligne));
}

void ChoisirFormat(Interface& ui, int police, int couleur, int style) {
    ui.ComboBoxhWnd[ListePolice]->setCurrentIndex(police);
    ui.ComboBoxhWnd[ListeCouleur]->setCurrentIndex(couleur);
    ui.CheckBoxhWnd[CaseGras]->setChecked(style & 4);
    ui.CheckBoxhWnd[CaseItalique]->setChecked(style & 2);
    ui.CheckBoxhWnd[CaseSouligne]->setChecked(style & 1);
}

QList<Trame::TrameRecue> DeBalise(const QList<Trame::TrameRecue>& trames, Balise balise) {
    QList<Trame::TrameRecue> r;
    for (const auto& t : trames) {
        if (t.balise == balise) {
            r << t;
        }
    }
    return r;
}

} // namespace

class TestConversation : public QObject {
    Q_OBJECT

private slots:
    void entreesExactes();
    void envoiEtAjout();
    void routinesDeTexte();
    void envoiOctetsExacts();
    void reglesDEnvoi();
    void effacer();
    void toutesLesCombinaisons();
    void plusieursTramesDUneLecture();
    void mauvaisesEntrees();
    void offreRefusee();
    void presence();
    void frappe();
    void vidApresReconnexion();
    void notificationsSelonLaFenetre();
    void liens();
};

void TestConversation::entreesExactes() {
    QTextEdit vue;
    vue.setPlainText(QStringLiteral("Bienvenue sur OVAN Messenger\n"));
    // The user's selection in the middle does not matter: entries go at the end.
    QTextCursor selection(vue.document());
    selection.setPosition(3);
    selection.setPosition(8, QTextCursor::KeepAnchor);
    vue.setTextCursor(selection);
    const int debut = FinConversation(&vue);

    AjouteTexte(&vue, QStringLiteral("Bonjour"), QStringLiteral("Paul"), QStringLiteral("Tahoma"), Couleur(6),
                5, QStringLiteral("Texte"));
    AjouteTexte(&vue, QStringLiteral("Connexion"), QString(), QStringLiteral("Courier"),
                CouleurMessageSysteme, 0, QStringLiteral("Message"));
    AjouteTexte(&vue, QStringLiteral("rien"), QString(), QString(), Qt::black, 0, QStringLiteral("Inconnu"));

    const QList<Morceau> m = Morceaux(vue.document(), debut);
    QCOMPARE(m.size(), 3);
    QCOMPARE(m[0].texte, QStringLiteral("Paul dit :\n   "));
    VerifierFormat(m[0].format, QStringLiteral("MS Sans Serif"), Qt::black, 0);
    QCOMPARE(m[1].texte, QStringLiteral("Bonjour\n"));
    VerifierFormat(m[1].format, QStringLiteral("Tahoma"), QColor(255, 0, 0), EffetGras | EffetSouligne);
    QCOMPARE(m[2].texte, QStringLiteral(">>> Connexion <<<\n"));
    VerifierFormat(m[2].format, QStringLiteral("MS Sans Serif"), QColor(200, 0, 100), 0);
    QCOMPARE(vue.verticalScrollBar()->value(), vue.verticalScrollBar()->maximum());

    // A received CR, LF or CR LF is a line break.
    AjouteTexte(&vue, QStringLiteral("a\r\nb\rc\nd"), QStringLiteral("Zoé"), Police(0), Couleur(5), 0,
                QStringLiteral("Texte"));
    QVERIFY(vue.toPlainText().endsWith(QStringLiteral("Zoé dit :\n   a\nb\nc\nd\n")));

    // Tables, with index 0 for anything outside them.
    QCOMPARE(Police(1), QStringLiteral("Comic Sans MS"));
    QCOMPARE(Police(6), QStringLiteral("Arial"));
    QCOMPARE(Police(-1), QStringLiteral("Arial"));
    QCOMPARE(Couleur(4), QColor(210, 210, 20));
    QCOMPARE(Couleur(10), QColor(0, 0, 255));
    QCOMPARE(Style(3), EffetItalique | EffetSouligne);
    QCOMPARE(Style(8), 0);
}

void TestConversation::envoiEtAjout() {
    QTextEdit saisie;
    // On an empty box nothing shows, but the next character takes the format.
    AjouteTexte(&saisie, QString(), QString(), QStringLiteral("Courier"), Couleur(8), Style(2),
                QStringLiteral("Envoi"));
    QVERIFY(saisie.toPlainText().isEmpty());
    saisie.setFocus();
    QTest::keyClicks(&saisie, QStringLiteral("Salut"));
    VerifierFormat(Morceaux(saisie.document()).value(0).format, QStringLiteral("Courier"), QColor(0, 150, 0),
                   EffetItalique);

    // On a box with text, all of it changes.
    AjouteTexte(&saisie, QString(), QString(), QStringLiteral("Arial"), Couleur(1), Style(7),
                QStringLiteral("Envoi"));
    QCOMPARE(Morceaux(saisie.document()).size(), 1);
    VerifierFormat(Morceaux(saisie.document())[0].format, QStringLiteral("Arial"), QColor(0, 0, 128), 7);

    // "Ajout" goes at the very end, no line break, whatever the caret.
    QTextCursor debut(saisie.document());
    saisie.setTextCursor(debut);
    AjouteTexte(&saisie, QStringLiteral("(:-))"), QString(), QStringLiteral("Tahoma"), Couleur(6), 0,
                QStringLiteral("Ajout"));
    QCOMPARE(saisie.toPlainText(), QStringLiteral("Salut(:-))"));
    VerifierFormat(Morceaux(saisie.document()).last().format, QStringLiteral("Tahoma"), QColor(255, 0, 0), 0);
}

void TestConversation::routinesDeTexte() {
    QCOMPARE(Trim(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    QCOMPARE(Trim(QStringLiteral("\ta \t")), QStringLiteral("\ta \t"));
    QCOMPARE(LTrim(QStringLiteral("  a ")), QStringLiteral("a "));
    QCOMPARE(RTrim(QStringLiteral("  a ")), QStringLiteral("  a"));
    QVERIFY(RetourChariot(QStringLiteral("   \r\n")));
    QVERIFY(RetourChariot(QStringLiteral("é")));
    QVERIFY(RetourChariot(QString()));
    QVERIFY(!RetourChariot(QStringLiteral("a")));
    QCOMPARE(NbreRetChar(QStringLiteral("un\r\ndeux\r\n")), 4);
    QLineEdit vide;
    QCOMPARE(PrendreTexte(&vide), QString());
}

void TestConversation::envoiOctetsExacts() {
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

void TestConversation::reglesDEnvoi() {
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
    const QList<QPair<QString, QByteArray>> cas = {
        {QStringLiteral("a\tb"), QByteArray("ab")},
        {QStringLiteral("жж€"), QByteArray("??\x80")},
    };
    for (const auto& [brouillon, octets] : cas) {
        b.Oublier();
        saisie->setPlainText(brouillon);
        a.ovan().ClicBouton(Commande::EnvoyerMessage);
        QVERIFY(b.AttendreTrames(1));
        QCOMPARE(DeBalise(b.Trames(), Balise::TXT).value(0).donnee, QByteArray("000_") + octets);
        QVERIFY(saisie->toPlainText().isEmpty());
        QCOMPARE(a.TexteConversation().split(u'\n', Qt::SkipEmptyParts).last(),
                 QStringLiteral("   ") + Ansi::DepuisAnsi(octets));
    }
}

void TestConversation::effacer() {
    CopieOvan a(QStringLiteral("127.0.0.50"));
    Interface& ui = a.interface();
    a.ovan().session().DernierMess = 17;
    a.ovan().ClicBouton(Commande::EffacerConversation);
    QVERIFY(a.TexteConversation().isEmpty());
    QCOMPARE(a.ovan().session().DernierMess, 0);
    QCOMPARE(ui.BoutonhWnd[BoutonEffacer]->Face(), QStringLiteral("img_effa_d"));
    // An empty view keeps the scan point.
    a.ovan().session().DernierMess = 5;
    a.ovan().ClicBouton(Commande::EffacerConversation);
    QCOMPARE(a.ovan().session().DernierMess, 5);
}

void TestConversation::toutesLesCombinaisons() {
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

void TestConversation::plusieursTramesDUneLecture() {
    CopieOvan a(QStringLiteral("127.0.0.54"));
    FauxContact b(QStringLiteral("127.0.0.55"));
    QVERIFY(b.Appeler(QStringLiteral("127.0.0.54")));
    QSignalSpy traitees(&a.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);
    b.Envoyer(Trame::Log(QStringLiteral("Bob")) + Trame::Tap(true) +
              Trame::Message(0, 5, 0, QStringLiteral("Salut")));
    QTRY_COMPARE(traitees.count(), 3);
    QVERIFY(a.TexteConversation().endsWith(
        QStringLiteral(">>> Bob s'est connecté(e). <<<\nBob dit :\n   Salut\n")));
    QVERIFY(a.Statut(0).startsWith(QStringLiteral("Dernier message reçu le ")));
    QCOMPARE(a.Statut(0), TexteDernierMessage(*a.ovan().session().Date2));
    QCOMPARE(a.interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Présent(e)"));
    QVERIFY(a.sons().Joues().first().endsWith(QLatin1String("Sons/coucou.wav")));
    QVERIFY(a.sons().Joues().first().startsWith(a.Dossier()));
}

void TestConversation::mauvaisesEntrees() {
    CopieOvan a(QStringLiteral("127.0.0.54"));
    FauxContact b(QStringLiteral("127.0.0.55"));
    QVERIFY(b.Appeler(QStringLiteral("127.0.0.54")));
    QSignalSpy traitees(&a.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);
    b.Envoyer(Trame::Log(QStringLiteral("Bob")));
    QTRY_COMPARE(traitees.count(), 1);
    const int debut = FinConversation(a.Conversation());

    QByteArray flux;
    flux += "[TXT]x9-_t\x03"; // a non-digit counts 0
    flux += "[TXT]999_u\x03"; // 9 is no font and no style: index 0
    flux += "[TXT]\x03";      // empty payload
    flux += QByteArray("[STA]zzz\x03[TAP]???\x03[STA]\x03");
    flux += QByteArray("[TXT]000_avant\0apres\x03", 21); // 0x00 inside a read
    flux += "[PSE]\x03[TXT]000_fin\x03";
    b.Envoyer(flux);
    QTRY_VERIFY_WITH_TIMEOUT(a.TexteConversation().endsWith(QStringLiteral(" dit :\n   fin\n")), 10000);

    QTextDocument* doc = a.Conversation()->document();
    const QStringList lignes = a.TexteConversation().mid(debut).split(u'\n');
    QCOMPARE(lignes.mid(0, 6), (QStringList{"Bob dit :", "   t", "Bob dit :", "   u", "Bob dit :", "   "}));
    VerifierFormat(FormatDe(doc, QStringLiteral("   t")), QStringLiteral("Arial"), QColor(128, 0, 128), 0);
    VerifierFormat(FormatDe(doc, QStringLiteral("   u")), QStringLiteral("Arial"), QColor(128, 0, 128), 0);
    QCOMPARE(lignes[7], QStringLiteral("   avantapres"));
    // The other payloads of "[STA]" and "[TAP]" did nothing; "[PSE]" emptied the nickname.
    QCOMPARE(lignes[8], QStringLiteral(" dit :"));
    QCOMPARE(a.interface().TextBoxhWnd[ZoneSonStatut]->text(), QStringLiteral("Présent(e)"));
    QCOMPARE(a.ovan().session().SonPseudo, QString());
    QCOMPARE(traitees.count(), 1 + 9);
}

void TestConversation::offreRefusee() {
    CopieOvan a(QStringLiteral("127.0.0.56"));
    FauxContact b(QStringLiteral("127.0.0.57"));
    QVERIFY(b.Appeler(QStringLiteral("127.0.0.56")));
    QVERIFY(b.AttendreTrames(1)); // "[ATT]": no nickname typed
    b.Oublier();
    b.Envoyer("[DEM]a b.txt\\0\x03");
    QVERIFY(b.AttendreTrames(1));
    QCOMPARE(b.Octets(), QByteArray("[RPS]NON\x03"));
    QVERIFY(a.TexteConversation().endsWith(
        QStringLiteral(">>> Vous avez refusé la réception de 'a b.txt'. <<<\n")));
    QCOMPARE(a.ovan().session().DernierMess, FinConversation(a.Conversation()));

    b.Envoyer("[ANN]\x03");
    QTRY_COMPARE(a.dialogues().Textes(), QStringList{QStringLiteral("Le transfert a été annulé !")});
    QCOMPARE(a.dialogues().Appels()[0].titre, QStringLiteral("Annulation"));
    QCOMPARE(a.dialogues().Appels()[0].proprietaire.data(), a.interface().TransferthWnd);
}

void TestConversation::presence() {
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
    a.ovan().session().MonPseudo = QStringLiteral("Alicia");
    a.ovan().presence().AnnoncerPseudo();
    QTRY_COMPARE(b.ovan().session().SonPseudo, QStringLiteral("Alicia"));
    QCOMPARE(b.TexteConversation(), avant);
}

void TestConversation::frappe() {
    CopieOvan a(QStringLiteral("127.0.0.60"));
    FauxContact b(QStringLiteral("127.0.0.61"));
    QTextEdit* saisie = a.interface().RichEdithWnd[ZoneSaisie];
    BoutonImage* envoyer = a.interface().BoutonhWnd[BoutonEnvoyer];
    saisie->setFocus();

    // Not connected: nothing is sent, the send face stays disabled.
    QTest::keyClicks(saisie, QStringLiteral("ab"));
    QCOMPARE(envoyer->Face(), QStringLiteral("img_envt_d"));
    QVERIFY(!a.ovan().session().Ecr);
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
    QVERIFY(a.ovan().session().Ecr);
    QTest::keyClick(saisie, Qt::Key_Shift);
    QVERIFY(marqueur(13));
    QCOMPARE(taps(), (QStringList{"ecr", "vid", "ecr", "vid", "ecr", "vid"}));
}

void TestConversation::vidApresReconnexion() {
    CopieOvan a(QStringLiteral("127.0.0.62"));
    auto b = std::make_unique<FauxContact>(QStringLiteral("127.0.0.63"));
    QVERIFY(b->Appeler(QStringLiteral("127.0.0.62")));
    QSignalSpy traitees(&a.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);
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

void TestConversation::notificationsSelonLaFenetre() {
    CopieOvan a(QStringLiteral("127.0.0.64"));
    FauxContact b(QStringLiteral("127.0.0.65"));
    QVERIFY(b.Appeler(QStringLiteral("127.0.0.64")));
    Interface& ui = a.interface();
    QSignalSpy traitees(&a.ovan().Arrivee(), &ArriveeDonnees::trameTraitee);
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

void TestConversation::liens() {
    CopieOvan a(QStringLiteral("127.0.0.50"));
    QTextEdit* vue = a.Conversation();
    AjouteMessage(vue, QStringLiteral("voir www.exemple.org et mailto:moi@exemple.org"));
    QTextCursor c(vue->document());
    c.setPosition(vue->document()->find(QStringLiteral("exemple.org")).selectionStart() + 2);
    QCOMPARE(c.charFormat().anchorHref(), QStringLiteral("www.exemple.org"));
    QVERIFY(c.charFormat().fontUnderline());
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, vue->cursorRect(c).center() + QPoint(2, 0));
    QCOMPARE(a.shell().Ouverts(), QStringList{QStringLiteral("www.exemple.org")});

    // A link typed in the input box opens too.
    QTextEdit* saisie = a.interface().RichEdithWnd[ZoneSaisie];
    a.interface().FenetrehWnd->resize(720, 580);
    saisie->setPlainText(QStringLiteral("lien https://exemple.org/x fin"));
    QTextCursor dans = saisie->document()->find(QStringLiteral("exemple"));
    QTextCursor milieu(saisie->document());
    milieu.setPosition(dans.selectionStart() + 2);
    QTest::mouseClick(saisie->viewport(), Qt::LeftButton, {}, saisie->cursorRect(milieu).center());
    QCOMPARE(a.shell().Ouverts().last(), QStringLiteral("https://exemple.org/x"));
}

QTEST_MAIN(TestConversation)
#include "tst_conversation.moc"
