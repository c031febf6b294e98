// Smiley codes in the conversation become pictures: which codes, where the scan starts, what a
// missing picture does, what the clipboard and a copy hold.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "core/chat/Conversation.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/app/VueTexte.h"
#include "ui/conversation/Smileys.h"
#include "ui/conversation/VueConversation.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>

namespace {

QString DossierProgramme() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../OVAN_Messenger")) +
           u'/';
}

// A copy whose program folder holds the smiley pictures of the build.
void CopierSmileys(const QString& dossier) {
    QDir().mkpath(dossier + QStringLiteral("Smileys"));
    for (int k = 1; k <= 25; ++k) {
        const QString nom = QStringLiteral("Smileys/smiley%1.bmp").arg(k);
        QFile::copy(DossierProgramme() + nom, dossier + nom);
    }
}

QString Code(int k) {
    return QString::fromUtf8(CodesSmileys[std::size_t(k)]);
}

int K(const QString& code) {
    for (int k = 1; k <= 25; ++k) {
        if (Code(k) == code) {
            return k;
        }
    }
    return 0;
}

// The smileys of the document in order (their k), one per picture.
QList<int> Images(QTextDocument* doc) {
    QList<int> ks;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat()) {
                for (int i = 0; i < it.fragment().length(); ++i) {
                    ks << K(Smileys::CodeDeImage(f.toImageFormat().name()));
                }
            }
        }
    }
    return ks;
}

struct Vue {
    CopieOvan c{QStringLiteral("127.0.0.150"), CopierSmileys};
    VueConversation& vue() { return c.ovan().vueConversation(); }
    QTextDocument* doc() { return c.Conversation()->document(); }
    // The entry's text as a user copying the whole view gets it.
    QString Copie() {
        c.Conversation()->selectAll();
        return static_cast<VueTexte*>(c.Conversation())->TexteSelectionne();
    }
};

} // namespace

class TestConversationSmileys : public QObject {
    Q_OBJECT
private slots:
    void chaqueCodeUneImage();
    void casLimites();
    void debutDuBalayage();
    void imageManquante();
    void pressePapiersEtCopie();
    void milliersDeCodes();
};

// Each of the 25 codes, in the table's order, becomes its own picture; its lower-case form, where
// it has one, stays text.
void TestConversationSmileys::chaqueCodeUneImage() {
    Vue v;
    QString tous;
    for (int k = 1; k <= 25; ++k) {
        tous += Code(k) + u' ';
    }
    v.vue().Texte(tous, QStringLiteral("Eve"), 0, 0, 0);
    QList<int> attendu;
    for (int k = 1; k <= 25; ++k) {
        attendu << k;
    }
    QCOMPARE(Images(v.doc()), attendu);
    QVERIFY(!v.c.TexteConversation().contains(u'('));
    QCOMPARE(v.vue().DernierMess(), v.doc()->characterCount() - 1);
    // To look at: OVAN_CAPTURES names a folder.
    if (const QString dossier = qEnvironmentVariable("OVAN_CAPTURES"); !dossier.isEmpty()) {
        v.c.interface().FenetrehWnd->grab().save(dossier + QStringLiteral("/smileys.png"));
    }

    QStringList minuscules;
    for (int k = 1; k <= 25; ++k) {
        if (Code(k).toLower() != Code(k)) {
            minuscules << Code(k).toLower();
        }
    }
    QVERIFY(minuscules.contains(QStringLiteral("(lol)")));
    v.vue().Texte(minuscules.join(u' '), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()).size(), 25);
    QVERIFY(v.c.TexteConversation().contains(minuscules.join(u' ')));
}

// A code at the very end, one overlapping the next character, the same code twice, a code cut by
// a line end, and a code in a system notice and in the contact's disconnection notice.
void TestConversationSmileys::casLimites() {
    Vue v;
    v.vue().Texte(QStringLiteral("fin (:-D)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), QList<int>{2});
    v.vue().Texte(QStringLiteral("(:-)))"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), (QList<int>{2, 1}));
    QVERIFY(v.c.TexteConversation().endsWith(QStringLiteral("\uFFFC)\n")));
    v.vue().Texte(QStringLiteral("(LOL)(LOL)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), (QList<int>{2, 1, 3, 3}));
    v.vue().Texte(QStringLiteral("(:-\n))"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()).size(), 4);
    v.vue().Message(QStringLiteral("Eve est (Zzz)"));
    QCOMPARE(Images(v.doc()).last(), 23);
    v.c.ovan().conversation().Traiter({{Trame::Balise::PSE, "[PSE]", "Eve (X-D)"}});
    QTRY_COMPARE(v.c.ovan().conversation().SonPseudo(), QStringLiteral("Eve (X-D)"));
    emit v.c.ovan().Sockets().fermeture();
    QTRY_COMPARE(Images(v.doc()).last(), 24);
}

// Only what was written since the last scan is read: a code typed before the scan start stays
// text; clearing starts again from the top.
void TestConversationSmileys::debutDuBalayage() {
    Vue v;
    v.vue().MessageFin(QStringLiteral("Vous désirez envoyer '(LOL).txt' à Eve."));
    QCOMPARE(Images(v.doc()), QList<int>());
    const int apres = v.vue().DernierMess();
    QCOMPARE(apres, v.doc()->characterCount() - 1);
    v.vue().Texte(QStringLiteral("ok (AIE)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), QList<int>{14});
    QVERIFY(v.c.TexteConversation().contains(QStringLiteral("(LOL).txt")));
    QVERIFY(v.vue().DernierMess() > apres);

    v.c.ovan().ClicBouton(Commande::EffacerConversation);
    QCOMPARE(v.vue().DernierMess(), 0);
    v.vue().Texte(QStringLiteral("(X-D)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), QList<int>{24});
}

// A picture file that cannot be read leaves its code as text, silently; put back, it is used by
// the next scan, which looks again at that code, however far back.
void TestConversationSmileys::imageManquante() {
    Vue v;
    const QString chemin = v.c.Dossier() + QStringLiteral("Smileys/smiley3.bmp");
    const QString cache = chemin + QStringLiteral(".cache");
    QVERIFY(QFile::rename(chemin, cache));
    v.c.ovan().smileys().RechargerSmileys(3);
    v.vue().Texte(QStringLiteral("(LOL) (:-P)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), QList<int>{4});
    QVERIFY(v.c.TexteConversation().contains(QStringLiteral("(LOL)")));
    QVERIFY(v.c.dialogues().Appels().isEmpty());

    v.vue().Texte(QStringLiteral("plus loin"), QStringLiteral("Eve"), 0, 0, 0);
    QFile::remove(chemin);
    QVERIFY(QFile::rename(cache, chemin));
    v.vue().Texte(QStringLiteral("(LOL)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), (QList<int>{3, 4, 3}));

    // A file that is not a picture at all.
    QFile faux(chemin);
    QVERIFY(faux.open(QIODevice::WriteOnly | QIODevice::Truncate) && faux.write("pas une image") > 0);
    faux.close();
    v.c.ovan().smileys().RechargerSmileys(3);
    v.vue().Texte(QStringLiteral("(LOL)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()).size(), 3);
}

// The clipboard is the user's: showing pictures leaves it alone. Copying part of the view gives
// the codes back.
void TestConversationSmileys::pressePapiersEtCopie() {
    Vue v;
    QClipboard* pp = QApplication::clipboard();
    pp->setText(QStringLiteral("à garder"));
    v.vue().Texte(QStringLiteral("salut (:-)) et (õ Ô)"), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()), (QList<int>{1, 17}));
    QCOMPARE(pp->text(), QStringLiteral("à garder"));
    const QString copie = v.Copie();
    QVERIFY2(copie.contains(QStringLiteral("salut (:-)) et (õ Ô)")), qPrintable(copie));
    QVERIFY(!copie.contains(QChar::ObjectReplacementCharacter));
    v.c.Conversation()->copy();
    QCOMPARE(pp->text(), copie);
    QVERIFY(!pp->mimeData()->hasHtml());
}

// Thousands of codes in one message: every one a picture, in one pass over the text.
void TestConversationSmileys::milliersDeCodes() {
    Vue v;
    v.vue().Texte(Code(16).repeated(10000), QStringLiteral("Eve"), 0, 0, 0);
    QCOMPARE(Images(v.doc()).size(), 10000);
    QCOMPARE(Images(v.doc()).count(16), 10000);
}

QTEST_MAIN(TestConversationSmileys)
#include "tst_conversation_smileys.moc"
