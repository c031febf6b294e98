// The conversation view and the input box: entries, formats, sending, typing, links, smileys.
#include "CopieOvan.h"
#include "Fichiers.h"
#include "core/history/Historique.h"
#include "ui/app/BoiteSaisie.h"
#include "ui/app/VueTexte.h"
#include "ui/conversation/Smileys.h"
#include "ui/conversation/VueConversation.h"

#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTextImageFormat>

namespace {

QString Code(int k) {
    return QString::fromUtf8(CodesSmileys[std::size_t(k)]);
}

// The smileys of the document in order (their k), one per picture.
QList<int> Images(QTextDocument* doc) {
    QList<int> ks;
    for (const auto& [texte, f] : Morceaux(doc)) {
        int k = 25;
        while (f.isImageFormat() && k > 0 && Code(k) != Smileys::CodeDeImage(f.toImageFormat().name()))
            --k;
        ks << QList<int>(f.isImageFormat() ? texte.count(QChar::ObjectReplacementCharacter) : 0, k);
    }
    return ks;
}

} // namespace

class TestConversationEnvoi : public QObject {
    Q_OBJECT

private slots:
    // Entries go at the end in their formats; CR, LF, CR LF break lines. The input box's format.
    void entrees() {
        QTextEdit vue;
        vue.setPlainText("Bienvenue sur OVAN Messenger\n");
        QTextCursor selection(vue.document());
        selection.setPosition(3);
        selection.setPosition(8, QTextCursor::KeepAnchor);
        vue.setTextCursor(selection);
        const int debut = FinConversation(&vue);
        AjouteTexte(&vue, "Bonjour", "Paul", "Tahoma", Couleur(6), 5, "Texte");
        AjouteTexte(&vue, "Connexion", QString(), "Courier", CouleurMessageSysteme, 0, "Message");
        const QList<Morceau> m = Morceaux(vue.document(), debut);
        QCOMPARE(m.size(), 3);
        QCOMPARE(m[0].texte + m[1].texte + m[2].texte, "Paul dit :\n   Bonjour\n>>> Connexion <<<\n");
        VerifierFormat(m[0].format, "MS Sans Serif", Qt::black, 0);
        VerifierFormat(m[1].format, "Tahoma", QColor(255, 0, 0), EffetGras | EffetSouligne);
        VerifierFormat(m[2].format, "MS Sans Serif", QColor(200, 0, 100), 0);
        QCOMPARE(vue.verticalScrollBar()->value(), vue.verticalScrollBar()->maximum());
        AjouteTexte(&vue, "a\r\nb\rc\nd", "Zoé", Police(0), Couleur(5), 0, "Texte");
        QVERIFY(vue.toPlainText().endsWith("Zoé dit :\n   a\nb\nc\nd\n"));
        QTextEdit saisie;
        AjouteTexte(&saisie, QString(), QString(), "Courier", Couleur(8), Style(2), "Envoi");
        QVERIFY(saisie.toPlainText().isEmpty());
        QTest::keyClicks(&saisie, "Salut");
        VerifierFormat(Morceaux(saisie.document()).value(0).format, "Courier", QColor(0, 150, 0),
                       EffetItalique);
        saisie.setTextCursor(QTextCursor(saisie.document()));
        AjouteTexte(&saisie, "(:-))", QString(), "Tahoma", Couleur(6), 0, "Ajout");
        QCOMPARE(saisie.toPlainText(), "Salut(:-))");
        VerifierFormat(Morceaux(saisie.document()).last().format, "Tahoma", QColor(255, 0, 0), 0);
    }

    // What goes on the wire, what the echo shows and what a second copy shows agree, format included;
    // a draft that sends nothing stays.
    void envoiEtFormats() {
        CopieOvan a("127.0.0.50");
        Interface& ui = a.interface();
        QTextEdit* saisie = ui.RichEdithWnd[ZoneSaisie];
        saisie->setPlainText("Bonjour");
        a.ovan().ClicBouton(Commande::EnvoyerMessage);
        QVERIFY(a.dialogues().Boite(0, "Vous devez d'abord vous connecter !", "Erreur",
                                    Dialogues::Icone::Erreur, ui.FenetrehWnd));
        QCOMPARE(saisie->toPlainText(), "Bonjour");
        FauxContact b("127.0.0.51");
        a.Connecter("Alice", "127.0.0.51");
        QVERIFY(b.AttendreAppel() && b.AttendreTrames(1));
        // A contact without a handshake: said once we stop waiting for one.
        QTRY_VERIFY(a.TexteConversation().endsWith(">>> La conversation n'est pas chiffrée. <<<\n"));
        b.Oublier();
        ChoisirFormat(ui, 4, 6, 5); // Tahoma, Rouge, Gras and Souligné
        saisie->setPlainText("  ok  ");
        saisie->setFocus();
        QTest::keyClick(saisie, Qt::Key_Return);
        QVERIFY(b.AttendreTrames(1));
        QCOMPARE(b.Octets(), QByteArray("[TXT]465_ok\x03"));
        QVERIFY(saisie->toPlainText().isEmpty());
        const QList<Morceau> m = Morceaux(a.Conversation()->document());
        QCOMPARE(m[m.size() - 2].texte + m.last().texte, "Alice dit :\n   ok\n");
        VerifierFormat(m.last().format, "Tahoma", QColor(255, 0, 0), EffetGras | EffetSouligne);
        ChoisirFormat(ui, 0, 0, 0);
        const QString avant = a.TexteConversation();
        for (const QString blanc : {"   ", "éàù", " \n ", "\t\t"}) {
            saisie->setPlainText(blanc);
            a.ovan().ClicBouton(Commande::EnvoyerMessage);
            QCOMPARE(saisie->toPlainText(), blanc);
        }
        QCOMPARE(a.TexteConversation(), avant);
        b.Oublier();
        saisie->clear();
        saisie->insertPlainText("a\tbж€");
        QTest::keyClick(saisie, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(saisie, "x");
        ui.BoutonhWnd[BoutonEnvoyer]->click();
        QVERIFY(b.AttendreTrames(2)); // "ecr" then the message
        QCOMPARE(b.Trames().last().donnee, QByteArray("000_ab?\x80\r\nx"));
        QVERIFY(a.TexteConversation().endsWith("\n   ab?€\nx\n"));
        CopieOvan c("127.0.0.52"), d("127.0.0.53");
        QVERIFY(ConnecterCopies(c, "Carole", d, "Denis"));
        QTRY_VERIFY(d.TexteConversation().contains("Carole s'est connecté(e)."));
        // Copies of ours: the notice that the conversation is encrypted comes before the messages read.
        QTRY_VERIFY(d.TexteConversation().contains("La conversation est chiffrée."));
        const int debut = FinConversation(d.Conversation());
        for (int i = 0; i < 10; ++i) {
            ChoisirFormat(c.interface(), i % 6, i, i % 8);
            c.interface().RichEdithWnd[ZoneSaisie]->setPlainText("m" + QString::number(i));
            c.ovan().ClicBouton(Commande::EnvoyerMessage);
        }
        QTRY_VERIFY(d.TexteConversation().endsWith("   m9\n"));
        QTextBlock bloc = d.Conversation()->document()->findBlock(debut);
        for (int i = 0; i < 10; bloc = bloc.next().next(), ++i) {
            QCOMPARE(bloc.text() + bloc.next().text(), "Carole dit :   m" + QString::number(i));
            VerifierFormat(FormatDe(d.Conversation()->document(), "   m" + QString::number(i)), Police(i % 6),
                           Couleur(i), Style(i % 8));
        }
    }

    // "ecr" and "vid" follow whether the box is blank, on key releases; the box holds 200 characters.
    void frappeEtLimite() {
        CopieOvan a("127.0.0.60");
        auto* saisie = static_cast<BoiteSaisie*>(a.interface().RichEdithWnd[ZoneSaisie]);
        BoutonImage* envoyer = a.interface().BoutonhWnd[BoutonEnvoyer];
        saisie->setFocus();
        QTest::keyClicks(saisie, "ab");
        QVERIFY(envoyer->Face() == "img_envt_d" && !a.ovan().conversation().JEcris());
        saisie->clear();
        FauxContact b("127.0.0.61");
        a.Connecter("Alice", "127.0.0.61");
        QVERIFY(b.AttendreAppel() && b.AttendreTrames(1));
        const auto taps = [&](int n) { // every frame sent before the marker arrives before it
            a.ovan().Sockets().Envoyer(Trame::Att());
            QStringList r{b.AttendreTrames(n) ? "" : "trop peu"};
            for (const auto& t : b.Trames())
                r << (t.balise == Trame::Balise::TAP ? QString::fromLatin1(t.donnee) : QString());
            r.removeAll(QString());
            return r.join(u' ');
        };
        saisie->insertPlainText("éé");
        QTest::keyClicks(saisie, "  ");
        QCOMPARE(taps(2), "");
        saisie->clear();
        QTest::keyClicks(saisie, "abc");
        QCOMPARE(envoyer->Face(), "img_envt_e");
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(saisie, Qt::Key_Backspace);
        QCOMPARE(taps(5), "ecr vid");
        QCOMPARE(envoyer->Face(), "img_envt_d");
        QTest::keyClicks(saisie, "x");
        QTest::keyClick(saisie, Qt::Key_Return);
        QCOMPARE(taps(9), "ecr vid ecr vid");
        QTest::keyClicks(saisie, "y");
        envoyer->click();
        QVERIFY(a.ovan().conversation().JEcris());
        QTest::keyClick(saisie, Qt::Key_Shift);
        QCOMPARE(taps(13), "ecr vid ecr vid ecr vid");
        saisie->insertPlainText(QString(250, u'a'));
        QCOMPARE(saisie->Longueur(), 200);
        QTest::keyClicks(saisie, "bc");
        QCOMPARE(saisie->toPlainText(), QString(200, u'a'));
        QTest::keyClick(saisie, Qt::Key_Backspace);
        QTest::keyClicks(saisie, "z");
        QCOMPARE(saisie->toPlainText(), QString(199, u'a') + u'z');
    }

    // The view keeps the latest entries, the history every one; clearing empties it and restarts
    // the smiley scan, but an empty view keeps it. A link in either box opens, the rest not.
    void effacerEtLiens() {
        CopieOvan a("127.0.0.66");
        VueConversation& vue = a.ovan().vueConversation();
        const int n = VueConversation::EntreesGardees + VueConversation::EntreesEnPlus + 1;
        for (int i = 0; i < n; ++i)
            vue.Message(QString::number(i));
        QCOMPARE(a.Conversation()->document()->blockCount(), VueConversation::EntreesGardees + 1);
        QVERIFY(a.TexteConversation().startsWith(
            QString(">>> %1 <<<\n").arg(n - VueConversation::EntreesGardees)));
        QCOMPARE(vue.DernierMess(), FinConversation(a.Conversation()));
        a.ovan().historique()->Vider();
        QCOMPARE(a.ovan().historique()->Entrees(QString(), QDate::currentDate()).size(), n);
        a.ovan().ClicBouton(Commande::EffacerConversation);
        QVERIFY(a.TexteConversation().isEmpty() && vue.DernierMess() == 0);
        QCOMPARE(a.interface().BoutonhWnd[BoutonEffacer]->Face(), "img_effa_d");
        vue.ReglerDernierMess(5);
        a.ovan().ClicBouton(Commande::EffacerConversation);
        QCOMPARE(vue.DernierMess(), 5);
        QTextEdit* texte = a.Conversation();
        AjouteMessage(texte, "voir www.exemple.org et mailto:moi@exemple.org");
        QTextCursor c(texte->document());
        c.setPosition(texte->document()->find("exemple.org").selectionStart() + 2);
        QVERIFY(c.charFormat().anchorHref() == "www.exemple.org" && c.charFormat().fontUnderline());
        QTest::mouseClick(texte->viewport(), Qt::LeftButton, {},
                          texte->cursorRect(c).center() + QPoint(2, 0));
        QTest::mouseClick(texte->viewport(), Qt::LeftButton, {},
                          texte->cursorRect(QTextCursor(texte->document())).center());
        QTextEdit* saisie = a.interface().RichEdithWnd[ZoneSaisie];
        a.interface().FenetrehWnd->resize(720, 580);
        saisie->setPlainText("lien https://exemple.org/x fin");
        QTextCursor milieu(saisie->document());
        milieu.setPosition(saisie->document()->find("exemple").selectionStart() + 2);
        QTest::mouseClick(saisie->viewport(), Qt::LeftButton, {}, saisie->cursorRect(milieu).center());
        QCOMPARE(a.shell().Ouverts, (QStringList{"www.exemple.org", "https://exemple.org/x"}));
    }

    // Each code becomes its picture, its lower-case form stays text; codes at the end, overlapping,
    // twice, in notices and in a nickname; one cut by a line end stays text.
    void smileys() {
        CopieOvan c("127.0.0.150", CopierSmileys);
        VueConversation& vue = c.ovan().vueConversation();
        QTextDocument* doc = c.Conversation()->document();
        QStringList codes, minuscules;
        QList<int> attendu;
        for (int k = 1; k <= 25; ++k) {
            codes << Code(k);
            attendu << k;
            if (Code(k).toLower() != Code(k))
                minuscules << Code(k).toLower();
        }
        vue.Texte(codes.join(u' '), "Eve", 0, 0, 0);
        QCOMPARE(Images(doc), attendu);
        QCOMPARE(vue.DernierMess(), doc->characterCount() - 1);
        vue.Texte(minuscules.join(u' '), "Eve", 0, 0, 0);
        QVERIFY(minuscules.contains("(lol)") && c.TexteConversation().contains(minuscules.join(u' ')));
        c.ovan().ClicBouton(Commande::EffacerConversation);
        vue.Texte("fin (:-D)", "Eve", 0, 0, 0);
        vue.Texte("(:-)))", "Eve", 0, 0, 0);
        vue.Texte("(LOL)(LOL)", "Eve", 0, 0, 0);
        vue.Texte("(:-\n))", "Eve", 0, 0, 0);
        vue.Message("Eve est (Zzz)");
        QCOMPARE(Images(doc), (QList<int>{2, 1, 3, 3, 23}));
        QVERIFY(c.TexteConversation().contains("\uFFFC)\n"));
        c.ovan().conversation().Traiter({{Trame::Balise::PSE, "[PSE]", "Eve (X-D)"}});
        QTRY_COMPARE(c.ovan().conversation().SonPseudo(), "Eve (X-D)");
        emit c.ovan().Sockets().fermeture();
        QTRY_COMPARE(Images(doc).last(), 24);
        // A picture that cannot be read leaves its code as text, silently; the clipboard is the user's.
        c.ovan().ClicBouton(Commande::EffacerConversation);
        vue.MessageFin("Vous désirez envoyer '(LOL).txt' à Eve.");
        QCOMPARE(vue.DernierMess(), doc->characterCount() - 1);
        const QString chemin = c.Dossier() + "Smileys/smiley3.bmp";
        QVERIFY(QFile::rename(chemin, chemin + ".cache"));
        c.ovan().smileys().RechargerSmileys(3);
        vue.Texte("(LOL) (:-P)", "Eve", 0, 0, 0);
        QCOMPARE(Images(doc), QList<int>{4});
        QVERIFY(c.dialogues().Appels().isEmpty());
        vue.Texte("plus loin", "Eve", 0, 0, 0);
        QVERIFY(QFile::rename(chemin + ".cache", chemin));
        vue.Texte("(LOL)", "Eve", 0, 0, 0);
        QCOMPARE(Images(doc), (QList<int>{3, 4, 3}));
        QVERIFY(c.TexteConversation().contains("(LOL).txt"));
        QVERIFY(Ecrire(chemin, "pas une image")); // read but not a picture: text as well
        c.ovan().smileys().RechargerSmileys(3);
        vue.Texte("(LOL)", "Eve", 0, 0, 0);
        QCOMPARE(Images(doc).size(), 3);
        QClipboard* pp = QApplication::clipboard();
        pp->setText("à garder");
        vue.Texte("salut (:-)) et (õ Ô)", "Eve", 0, 0, 0);
        QCOMPARE(pp->text(), "à garder");
        c.Conversation()->selectAll();
        const QString copie = static_cast<VueTexte*>(c.Conversation())->TexteSelectionne();
        QVERIFY2(copie.contains("salut (:-)) et (õ Ô)") && !copie.contains(QChar::ObjectReplacementCharacter),
                 qPrintable(copie));
        c.Conversation()->copy();
        QVERIFY(pp->text() == copie && !pp->mimeData()->hasHtml());
        c.ovan().ClicBouton(Commande::EffacerConversation);
        vue.Texte(Code(16).repeated(10000), "Eve", 0, 0, 0);
        QCOMPARE(Images(doc), QList<int>(10000, 16));
    }
};

QTEST_MAIN(TestConversationEnvoi)
#include "tst_conversation_envoi.moc"
