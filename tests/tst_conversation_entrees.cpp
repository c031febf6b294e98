// Conversation entries: their lines and formats, the input box's formats, clearing, links.
#include "CopieOvan.h"
#include "FormatsTexte.h"
#include "core/history/Historique.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/conversation/VueConversation.h"

#include <QScrollBar>
#include <QTextEdit>

class TestConversationEntrees : public QObject {
    Q_OBJECT

private slots:
    void entreesExactes();
    void envoiEtAjout();
    void effacer();
    void liens();
};

void TestConversationEntrees::entreesExactes() {
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
}

void TestConversationEntrees::envoiEtAjout() {
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

// A long conversation: the view keeps the latest entries, the history every one; clearing still
// empties the view.
void TestConversationEntrees::effacer() {
    CopieOvan a(QStringLiteral("127.0.0.66"));
    Interface& ui = a.interface();
    constexpr int gardees = VueConversation::EntreesGardees;
    const int n = gardees + VueConversation::EntreesEnPlus + 1;
    for (int i = 0; i < n; ++i) {
        a.ovan().vueConversation().Message(QString::number(i));
    }
    QCOMPARE(a.Conversation()->document()->blockCount(), gardees + 1);
    QVERIFY(a.TexteConversation().startsWith(QStringLiteral(">>> %1 <<<\n").arg(n - gardees)));
    QCOMPARE(a.ovan().vueConversation().DernierMess(), FinConversation(a.Conversation()));
    a.ovan().historique()->Vider();
    QCOMPARE(a.ovan().historique()->Entrees(QString(), QDate::currentDate()).size(), n);
    a.ovan().vueConversation().ReglerDernierMess(17);
    a.ovan().ClicBouton(Commande::EffacerConversation);
    QVERIFY(a.TexteConversation().isEmpty());
    QCOMPARE(a.ovan().vueConversation().DernierMess(), 0);
    QCOMPARE(ui.BoutonhWnd[BoutonEffacer]->Face(), QStringLiteral("img_effa_d"));
    // An empty view keeps the scan point.
    a.ovan().vueConversation().ReglerDernierMess(5);
    a.ovan().ClicBouton(Commande::EffacerConversation);
    QCOMPARE(a.ovan().vueConversation().DernierMess(), 5);
}

void TestConversationEntrees::liens() {
    CopieOvan a(QStringLiteral("127.0.0.66"));
    QTextEdit* vue = a.Conversation();
    AjouteMessage(vue, QStringLiteral("voir www.exemple.org et mailto:moi@exemple.org"));
    QTextCursor c(vue->document());
    c.setPosition(vue->document()->find(QStringLiteral("exemple.org")).selectionStart() + 2);
    QCOMPARE(c.charFormat().anchorHref(), QStringLiteral("www.exemple.org"));
    QVERIFY(c.charFormat().fontUnderline());
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, vue->cursorRect(c).center() + QPoint(2, 0));
    QCOMPARE(a.shell().Ouverts(), QStringList{QStringLiteral("www.exemple.org")});
    // Elsewhere in the text: nothing.
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {},
                      vue->cursorRect(QTextCursor(vue->document())).center());
    QCOMPARE(a.shell().Ouverts().size(), 1);

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

QTEST_MAIN(TestConversationEntrees)
#include "tst_conversation_entrees.moc"
