// The conversation history through the running copy: what the view shows is kept with its formats
// and shown back the same after a restart, Ctrl+H, searching with the words highlighted and a
// click on a result, recording off, clearing, and a database that cannot be used.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Fichiers.h"
#include "FormatsTexte.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/history/FenetreHistorique.h"
#include "core/history/Historique.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// The copy's own message, typed and sent as the user does.
void Ecrire(CopieOvan& c, const QString& texte) {
    c.interface().RichEdithWnd[ZoneSaisie]->setPlainText(texte);
    c.ovan().ClicBouton(Commande::EnvoyerMessage);
}

// The view's text after its first line (the conversation's heading in the history, the welcome
// line in the main window).
QString SansPremiereLigne(const QString& texte) {
    return texte.mid(texte.indexOf(u'\n') + 1);
}

// The smiley pictures of the build, in a copy's program folder.
void CopierSmileys(const QString& dossier) {
    const QString programme = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/../OVAN_Messenger/Smileys"));
    QDir().mkpath(dossier + QStringLiteral("Smileys"));
    for (const QString& nom : QDir(programme).entryList(QDir::Files)) {
        QFile::copy(programme + u'/' + nom, dossier + QStringLiteral("Smileys/") + nom);
    }
}

void Cliquer(QWidget* w, QPoint p) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

} // namespace

class TestHistoriqueFenetre : public QObject {
    Q_OBJECT
private slots:
    void conversationGardeeEtMontreeLaMeme();
    void rechercheEtClic();
    void enregistrementCoupeEtEffacement();
    void baseInutilisable_data();
    void baseInutilisable();
};

// Both directions, the formats, a smiley, notices and a hostile text: after a restart the history
// shows the conversation exactly as the view did, and the peer's markup stays text.
void TestHistoriqueFenetre::conversationGardeeEtMontreeLaMeme() {
    CopieOvan a(QStringLiteral("127.0.0.190"), [](const QString& dossier) {
        Ecrire(dossier + QStringLiteral("config.ini"),
               "PSEUDO:Alice\r\nDOSSIER:" + dossier.toUtf8() + "\r\n");
        CopierSmileys(dossier);
    });
    FauxContact bob(QStringLiteral("127.0.0.191"));
    QVERIFY(bob.Appeler(a.Adresse()));
    bob.Envoyer(Trame::Log(QStringLiteral("Bob")) +
                Trame::Message(1, 6, 5, QStringLiteral("Salut (:-)) <b>gras</b>")) +
                Trame::Message(9, 99, 7, QStringLiteral("Deux\r\nlignes")));
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("   Deux\nlignes\n")));
    a.ovan().interface().ComboBoxhWnd[ListePolice]->setCurrentIndex(5);
    a.ovan().interface().ComboBoxhWnd[ListeCouleur]->setCurrentIndex(8);
    a.ovan().interface().CheckBoxhWnd[CaseItalique]->setChecked(true);
    Ecrire(a, QStringLiteral("Très bien, et toi ?"));
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("   Très bien, et toi ?\n")));
    const QString montre = SansPremiereLigne(a.TexteConversation());
    const QList<Morceau> formats =
        Morceaux(a.Conversation()->document(), a.Conversation()->document()->begin().length());
    a.ovan().historique()->Vider();

    a.Redemarrer();
    QVERIFY(a.ovan().fenetreHistorique());
    // Ctrl+H typed in the main window.
    a.interface().FenetrehWnd->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(a.interface().FenetrehWnd));
    QTest::keyClick(a.AdresseContact(), Qt::Key_H, Qt::ControlModifier);
    FenetreHistorique& h = *a.ovan().fenetreHistorique();
    QVERIFY(h.Fenetre()->isVisible());
    QCOMPARE(h.Liste()->topLevelItemCount(), 1);
    QTreeWidgetItem* conversation = h.Liste()->topLevelItem(0);
    QCOMPARE(conversation->text(0), QStringLiteral("Bob (127.0.0.191)"));
    QCOMPARE(conversation->text(1), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    // What the view showed, then the notice of the disconnection that quitting wrote.
    QCOMPARE(SansPremiereLigne(h.Vue()->toPlainText()),
             montre + QStringLiteral(">>> Vous vous êtes déconnecté(e). <<<\n"));
    const QList<Morceau> revus = Morceaux(h.Vue()->document(), h.Vue()->document()->begin().length());
    QCOMPARE(revus.size(), formats.size() + 1);
    for (qsizetype i = 0; i < formats.size(); ++i) {
        QCOMPARE(revus[i].texte, formats[i].texte);
        QCOMPARE(revus[i].format.fontFamilies(), formats[i].format.fontFamilies());
        QCOMPARE(revus[i].format.foreground().color(), formats[i].format.foreground().color());
        QCOMPARE(revus[i].format.fontWeight(), formats[i].format.fontWeight());
        QCOMPARE(revus[i].format.fontItalic(), formats[i].format.fontItalic());
        QCOMPARE(revus[i].format.fontUnderline(), formats[i].format.fontUnderline());
        QCOMPARE(revus[i].format.isImageFormat(), formats[i].format.isImageFormat());
    }
    QVERIFY(h.Vue()->toPlainText().contains(QStringLiteral("<b>gras</b>")));
    QVERIFY(
        std::any_of(revus.begin(), revus.end(), [](const Morceau& m) { return m.format.isImageFormat(); }));
    // Each entry tells its time where the user points.
    QVERIFY(FormatDe(h.Vue()->document(), QStringLiteral("   Très bien, et toi ?")).toolTip().contains(u':'));
}

// Typing searches after a pause, case and accents ignored, the words highlighted in the results;
// a click on a result opens its conversation there.
void TestHistoriqueFenetre::rechercheEtClic() {
    CopieOvan a(QStringLiteral("127.0.0.192"), "PSEUDO:Alice\r\n", true);
    FauxContact bob(QStringLiteral("127.0.0.193"));
    QVERIFY(bob.Appeler(a.Adresse()));
    bob.Envoyer(Trame::Log(QStringLiteral("Bob")) +
                Trame::Message(0, 0, 0, QStringLiteral("Rendez-vous à Noël")) +
                Trame::Message(0, 0, 0, QStringLiteral("Un été chaud")) +
                Trame::Message(0, 0, 0, QStringLiteral("Rien à voir")));
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("   Rien à voir\n")));
    a.ovan().historique()->Vider();

    a.ovan().CommandeMenu(Menu::Historique);
    FenetreHistorique& h = *a.ovan().fenetreHistorique();
    QSignalSpy affiche(&h, &FenetreHistorique::affiche);
    QTest::keyClicks(h.Recherche(), QStringLiteral("ETE"));
    QVERIFY(affiche.wait(5000));
    // "été", and the start of "êtes" in the connection notice.
    QCOMPARE(h.Surlignes(), QStringList({QStringLiteral("été"), QStringLiteral("ête")}));
    QVERIFY(h.Vue()->toPlainText().contains(QStringLiteral("Un été chaud")));
    QVERIFY(!h.Vue()->toPlainText().contains(QStringLiteral("Rien à voir")));
    QCOMPARE(h.Liste()->topLevelItemCount(), 1);

    h.Recherche()->setText(QStringLiteral("noel rendez"));
    h.Chercher();
    QCOMPARE(h.Surlignes(), QStringList({QStringLiteral("Noël"), QStringLiteral("Rendez")}));
    // The result's line, clicked: its whole conversation, the words still highlighted.
    const QTextBlock ligne = h.Vue()->document()->findBlockByNumber(2);
    QVERIFY(ligne.text().contains(QStringLiteral("Noël")));
    const QPoint p = h.Vue()->cursorRect(QTextCursor(ligne)).center();
    QVERIFY(h.EntreeEn(p) != 0);
    Cliquer(h.Vue()->viewport(), p);
    QVERIFY(h.Vue()->toPlainText().contains(QStringLiteral("Rien à voir")));
    QCOMPARE(h.Surlignes(), QStringList({QStringLiteral("Noël"), QStringLiteral("Rendez")}));
    QVERIFY(h.Liste()->currentItem());

    // Nothing found, and words that are no words.
    h.Recherche()->setText(QStringLiteral("introuvable"));
    h.Chercher();
    QCOMPARE(h.Vue()->toPlainText(), QString());
    h.Recherche()->setText(QStringLiteral("\" OR * ) ; DROP TABLE"));
    h.Chercher();
    QVERIFY(h.Surlignes().isEmpty());
    h.Recherche()->clear();
    h.Chercher();
    QCOMPARE(h.Liste()->topLevelItemCount(), 1);
}

// Each conversation under its own contact's nickname, none until it is known. The window opens
// on the latest conversation, the arrow keys show another, the one shown follows new entries.
// Recording off: nothing new is kept, and it stays off after a restart. Clearing asks first;
// "Non" keeps everything, "Oui" leaves nothing.
void TestHistoriqueFenetre::enregistrementCoupeEtEffacement() {
    CopieOvan a(QStringLiteral("127.0.0.194"), "PSEUDO:Alice\r\n", true);
    {
        FauxContact carole(QStringLiteral("127.0.0.191"));
        QVERIFY(carole.Appeler(a.Adresse()));
        carole.Envoyer(Trame::Log(QStringLiteral("Carole")));
        QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("Carole s'est connecté(e). <<<\n")));
    }
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("Carole s'est déconnecté(e). <<<\n")));
    FauxContact bob(QStringLiteral("127.0.0.195"));
    QVERIFY(bob.Appeler(a.Adresse()));
    bob.Envoyer(Trame::Message(0, 0, 0, QStringLiteral("avant")));
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("   avant\n")));
    bob.Envoyer(Trame::Log(QStringLiteral("Bob")) + Trame::Message(0, 0, 0, QStringLiteral("gardé")));
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("   gardé\n")));
    a.ovan().historique()->Vider();
    QStringList pseudos;
    for (const EntreeHistorique& e :
         a.ovan().historique()->Entrees(QStringLiteral("127.0.0.195"), QDate::currentDate())) {
        pseudos << e.PseudoContact;
    }
    QCOMPARE(pseudos, QStringList({"", "", "Bob", "Bob"}));

    a.ovan().CommandeMenu(Menu::Historique);
    FenetreHistorique& h = *a.ovan().fenetreHistorique();
    QVERIFY(h.Vue()->toPlainText().endsWith(QStringLiteral("   gardé\n")));
    QTest::keyClick(h.Liste(), Qt::Key_Down);
    QVERIFY(h.Vue()->toPlainText().contains(QStringLiteral("Carole s'est connecté(e).")));
    QTest::keyClick(h.Liste(), Qt::Key_Up);
    bob.Envoyer(Trame::Message(0, 0, 0, QStringLiteral("encore")));
    QTRY_VERIFY(h.Vue()->toPlainText().endsWith(QStringLiteral("   encore\n")));
    QVERIFY(h.CaseEnregistrer()->isChecked());
    h.CaseEnregistrer()->click();
    QVERIFY(!a.ovan().historique()->Enregistrer());
    bob.Envoyer(Trame::Message(0, 0, 0, QStringLiteral("oublié")));
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("   oublié\n")));
    a.ovan().historique()->Vider();
    QCOMPARE(a.ovan().historique()->Chercher(QStringLiteral("oublié")).size(), 0);
    QCOMPARE(a.ovan().historique()->Chercher(QStringLiteral("gardé")).size(), 1);

    a.Redemarrer();
    a.ovan().CommandeMenu(Menu::Historique);
    FenetreHistorique& h2 = *a.ovan().fenetreHistorique();
    QVERIFY(!h2.CaseEnregistrer()->isChecked());
    QVERIFY(!h2.Etat()->text().isEmpty());
    h2.CaseEnregistrer()->click();
    QVERIFY(a.ovan().historique()->Enregistrer());

    a.dialogues().Repondre(Dialogues::Reponse::Non);
    h2.BoutonEffacer()->click();
    QVERIFY(a.dialogues().Boite(0,
                                QStringLiteral("Voulez-vous effacer tout l'historique des conversations "
                                               "?\r\nCe qui est effacé ne peut pas être retrouvé."),
                                QStringLiteral("OVAN Messenger"), Dialogues::Icone::Question, h2.Fenetre()));
    QCOMPARE(a.ovan().historique()->Conversations().size(), 2);
    a.dialogues().Repondre(Dialogues::Reponse::Oui);
    h2.BoutonEffacer()->click();
    QCOMPARE(a.ovan().historique()->Conversations().size(), 0);
    QCOMPARE(h2.Liste()->topLevelItemCount(), 0);
    QCOMPARE(a.dialogues().Appels().size(), 2);
}

void TestHistoriqueFenetre::baseInutilisable_data() {
    QTest::addColumn<int>("cas");
    QTest::newRow("a folder in the way") << 0;
    QTest::newRow("not a database") << 1;
}

// A history that cannot be opened: said once in the status bar, the file left as it was, and the
// conversation goes on as before.
void TestHistoriqueFenetre::baseInutilisable() {
    QFETCH(int, cas);
    const QByteArray dechets = QByteArray("ceci n'est pas une base").repeated(200);
    CopieOvan a(QStringLiteral("127.0.0.196"), [&](const QString& dossier) {
        if (cas == 0) {
            QDir(dossier).mkdir(QStringLiteral("historique.db"));
        } else {
            QFile f(dossier + QStringLiteral("historique.db"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(dechets);
        }
    });
    QSignalSpy hors(a.ovan().historique(), &BaseHistorique::horsService);
    QTRY_COMPARE(hors.count(), 1);
    QVERIFY(a.Statut(0).startsWith(QStringLiteral("L'historique est désactivé : ")));
    FauxContact bob(QStringLiteral("127.0.0.197"));
    QVERIFY(bob.Appeler(a.Adresse()));
    bob.Envoyer(Trame::Log(QStringLiteral("Bob")) + Trame::Message(0, 0, 0, QStringLiteral("toujours là")));
    QTRY_VERIFY(a.TexteConversation().endsWith(QStringLiteral("   toujours là\n")));
    Ecrire(a, QStringLiteral("moi aussi"));
    QTRY_VERIFY(bob.Octets().contains("moi aussi"));
    QCOMPARE(hors.count(), 1);
    a.ovan().CommandeMenu(Menu::Historique);
    QVERIFY(a.ovan().fenetreHistorique()->Etat()->text().startsWith(
        QStringLiteral("L'historique est désactivé : ")));
    QVERIFY(!a.ovan().fenetreHistorique()->BoutonEffacer()->isEnabled());
    if (cas == 1) {
        QFile f(a.Dossier() + QStringLiteral("historique.db"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), dechets);
    }
}

QTEST_MAIN(TestHistoriqueFenetre)
#include "tst_history_fenetre.moc"
