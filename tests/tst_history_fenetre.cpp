// The conversation history through the running copy: what the view shows kept with its formats and
// shown back the same, searching, the entries' nicknames, recording off, clearing, an unusable file.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Fichiers.h"
#include "FormatsTexte.h"
#include "core/history/Historique.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/history/FenetreHistorique.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
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

// A view's runs after its first line (the conversation's heading in the history, the welcome line
// in the main window), each with what the view shows of its format.
QStringList Vue(QTextEdit* vue) {
    QStringList morceaux;
    for (const Morceau& m : Morceaux(vue->document(), vue->document()->begin().length())) {
        const QTextCharFormat& f = m.format;
        morceaux << QStringLiteral("%1|%2|%3|%4%5%6%7")
                        .arg(m.texte, f.fontFamilies().toStringList().join(u','),
                             f.foreground().color().name())
                        .arg(f.fontWeight())
                        .arg(f.fontItalic())
                        .arg(f.fontUnderline())
                        .arg(f.isImageFormat());
    }
    return morceaux;
}

} // namespace

class TestHistoriqueFenetre : public QObject {
    Q_OBJECT
private slots:
    // After a restart the history shows the conversation as the view did (formats, a smiley, markup
    // as text); a click on a search result opens its conversation, still marked.
    void conversationGardeeEtMontreeLaMeme() {
        CopieOvan a("127.0.0.190", [](const QString& dossier) {
            Ecrire(dossier + "config.ini", "PSEUDO:Alice\r\nDOSSIER:" + dossier.toUtf8() + "\r\n");
            const QString smileys = QCoreApplication::applicationDirPath() + "/../OVAN_Messenger/Smileys/";
            QDir().mkpath(dossier + "Smileys");
            for (const QString& nom : QDir(smileys).entryList(QDir::Files)) {
                QFile::copy(smileys + nom, dossier + "Smileys/" + nom);
            }
        });
        FauxContact bob("127.0.0.191");
        QVERIFY(bob.Appeler(a.Adresse()));
        bob.Envoyer(Trame::Log("Bob") + Trame::Message(1, 6, 5, "Salut (:-)) <b>gras</b>") +
                    Trame::Message(9, 99, 7, "Deux\r\nlignes"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   Deux\nlignes\n"));
        a.interface().ComboBoxhWnd[ListePolice]->setCurrentIndex(5);
        a.interface().ComboBoxhWnd[ListeCouleur]->setCurrentIndex(8);
        a.interface().CheckBoxhWnd[CaseItalique]->setChecked(true);
        Ecrire(a, "Très bien, et toi ?");
        QTRY_VERIFY(a.TexteConversation().endsWith("   Très bien, et toi ?\n"));
        const QStringList montre = Vue(a.Conversation());
        QVERIFY(std::any_of(montre.begin(), montre.end(), [](const QString& m) { return m.endsWith("1"); }));
        a.ovan().historique()->Vider();

        a.Redemarrer();
        a.ovan().CommandeMenu(Menu::Historique);
        FenetreHistorique& h = *a.ovan().fenetreHistorique();
        QVERIFY(h.Fenetre()->isVisible() && h.Liste()->topLevelItemCount() == 1);
        QCOMPARE(h.Liste()->topLevelItem(0)->text(0), "Bob (127.0.0.191)");
        QCOMPARE(h.Liste()->topLevelItem(0)->text(1), QDate::currentDate().toString("dd/MM/yyyy"));
        // What the view showed, then the notice of the disconnection that quitting wrote.
        const QStringList revu = Vue(h.Vue());
        QCOMPARE(revu.first(montre.size()), montre);
        QVERIFY(revu.last().startsWith(">>> Vous vous êtes déconnecté(e). <<<\n"));
        QVERIFY(h.Vue()->toPlainText().contains("<b>gras</b>"));
        QVERIFY(FormatDe(h.Vue()->document(), "   Très bien, et toi ?").toolTip().contains(u':'));

        QSignalSpy affiche(&h, &FenetreHistorique::affiche);
        QTest::keyClicks(h.Recherche(), "TRES bien");
        QVERIFY(affiche.wait(5000));
        QVERIFY(h.Surlignes() == (QStringList{"Très", "bien"}) && !h.Vue()->toPlainText().contains("Deux"));
        const QTextBlock ligne = h.Vue()->document()->findBlockByNumber(2);
        QVERIFY(ligne.text().contains("Très"));
        QTest::mouseClick(h.Vue()->viewport(), Qt::LeftButton, {},
                          h.Vue()->cursorRect(QTextCursor(ligne)).center());
        QVERIFY(h.Vue()->toPlainText().contains("Deux") && h.Surlignes() == (QStringList{"Très", "bien"}));
    }

    // Entries under the nickname once known; the conversation shown follows new entries; recording
    // off is kept and shown after a restart; clearing asks first.
    void enregistrementEtEffacement() {
        CopieOvan a("127.0.0.194", "PSEUDO:Alice\r\n", true);
        {
            FauxContact carole("127.0.0.191");
            QVERIFY(carole.Appeler(a.Adresse()));
            carole.Envoyer(Trame::Log("Carole"));
            QTRY_VERIFY(a.TexteConversation().endsWith("Carole s'est connecté(e). <<<\n"));
        }
        QTRY_VERIFY(a.TexteConversation().endsWith("Carole s'est déconnecté(e). <<<\n"));
        FauxContact bob("127.0.0.195");
        QVERIFY(bob.Appeler(a.Adresse()));
        bob.Envoyer(Trame::Message(0, 0, 0, "avant"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   avant\n"));
        bob.Envoyer(Trame::Log("Bob") + Trame::Message(0, 0, 0, "gardé"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   gardé\n"));
        a.ovan().historique()->Vider();
        QStringList pseudos;
        for (const EntreeHistorique& e :
             a.ovan().historique()->Entrees("127.0.0.195", QDate::currentDate())) {
            pseudos << e.PseudoContact;
        }
        QCOMPARE(pseudos, (QStringList{"", "", "Bob", "Bob"}));

        a.ovan().CommandeMenu(Menu::Historique);
        FenetreHistorique& h = *a.ovan().fenetreHistorique();
        QVERIFY(h.Vue()->toPlainText().endsWith("   gardé\n"));
        bob.Envoyer(Trame::Message(0, 0, 0, "encore"));
        QTRY_VERIFY(h.Vue()->toPlainText().endsWith("   encore\n"));
        h.CaseEnregistrer()->click();
        QVERIFY(!a.ovan().historique()->Enregistrer());

        a.Redemarrer();
        a.ovan().CommandeMenu(Menu::Historique);
        FenetreHistorique& h2 = *a.ovan().fenetreHistorique();
        QVERIFY(!h2.CaseEnregistrer()->isChecked() && !h2.Etat()->text().isEmpty());
        a.dialogues().Repondre(Dialogues::Reponse::Non);
        h2.BoutonEffacer()->click();
        QVERIFY(a.dialogues().Boite(0,
                                    "Voulez-vous effacer tout l'historique des conversations ?\r\n"
                                    "Ce qui est effacé ne peut pas être retrouvé.",
                                    "OVAN Messenger", Dialogues::Icone::Question, h2.Fenetre()));
        QCOMPARE(a.ovan().historique()->Conversations().size(), 2);
        h2.BoutonEffacer()->click();
        QVERIFY(a.ovan().historique()->Conversations().isEmpty() && h2.Liste()->topLevelItemCount() == 0);
    }

    // A history that cannot be opened: said once in the status bar and in its window, and the
    // conversation goes on.
    void baseInutilisable() {
        CopieOvan a("127.0.0.196", [&](const QString& programme) {
            Ecrire(programme + "historique.db", QByteArray("ceci n'est pas une base").repeated(200));
        });
        QSignalSpy hors(a.ovan().historique(), &BaseHistorique::horsService);
        QTRY_COMPARE(hors.count(), 1);
        QVERIFY(a.Statut(0).startsWith("L'historique est désactivé : "));
        FauxContact bob("127.0.0.197");
        QVERIFY(bob.Appeler(a.Adresse()));
        bob.Envoyer(Trame::Log("Bob") + Trame::Message(0, 0, 0, "toujours là"));
        QTRY_VERIFY(a.TexteConversation().endsWith("   toujours là\n"));
        QCOMPARE(hors.count(), 1);
        a.ovan().CommandeMenu(Menu::Historique);
        QVERIFY(a.ovan().fenetreHistorique()->Etat()->text().startsWith("L'historique est désactivé : "));
    }
};

QTEST_MAIN(TestHistoriqueFenetre)
#include "tst_history_fenetre.moc"
