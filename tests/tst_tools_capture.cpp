// The capture command: not while alone, converted to the Options format under the next free
// name, offered on yes, kept on no, and the raw file never left behind.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "core/chat/SocketsChat.h"
#include "ui/tools/Capture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QTest>

namespace {

struct Banc {
    CopieOvan c{QStringLiteral("127.0.0.198")};
    FauxContact f{QStringLiteral("127.0.0.199")};
    bool Relier() {
        c.Pseudo()->setText(QStringLiteral("Moi"));
        if (!f.Appeler(c.Adresse())) {
            return false;
        }
        f.Envoyer("[LOG]Eve\x03");
        return QTest::qWaitFor(
            [this] { return c.ovan().conversation().SonPseudo() == QStringLiteral("Eve"); });
    }
    // The Options window's capture settings.
    void Reglages(int format, int qualite, bool envoyer) {
        Interface& ui = c.interface();
        ui.ComboBoxhWnd[ListeOptionsFormat]->setCurrentIndex(format);
        ui.ComboBoxhWnd[ListeOptionsQualite]->setCurrentIndex(qualite);
        ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(envoyer);
    }
    QStringList Captures() {
        return QDir(c.Dossier()).entryList({QStringLiteral("CaptEcran*")}, QDir::Files, QDir::Name);
    }
};

} // namespace

class TestToolsCapture : public QObject {
    Q_OBJECT
private slots:
    void pasConnecte();
    void refuseepuisOfferte();
};

void TestToolsCapture::pasConnecte() {
    Banc b;
    b.c.ovan().ClicBouton(Commande::CaptureEcran);
    QVERIFY(b.c.dialogues().Boite(0, QStringLiteral("Vous devez d'abord vous connecter !"),
                                  QStringLiteral("OVAN Messenger"), Dialogues::Icone::Attention,
                                  b.c.interface().FenetrehWnd));
    QCOMPARE(b.Captures(), QStringList());
}

// Two captures in PNG: the first declined and kept, the second offered with its own size.
void TestToolsCapture::refuseepuisOfferte() {
    Banc b;
    QVERIFY(b.Relier());
    if (Capture::Ecran().isNull()) {
        QSKIP("this platform gives no picture of the screen");
    }
    b.Reglages(2, 0, true);
    b.c.dialogues().Repondre(Dialogues::Reponse::Non);
    b.f.Oublier();
    b.c.ovan().ClicBouton(Commande::CaptureEcran);
    QCOMPARE(b.c.dialogues().Textes(), QStringList{QStringLiteral("Voulez-vous envoyer la capture d'écran ?")});
    QCOMPARE(b.Captures(), QStringList{QStringLiteral("CaptEcran_1.png")});
    QImageReader lecteur(b.c.Dossier() + QStringLiteral("CaptEcran_1.png"));
    QVERIFY(lecteur.size().width() > 0);

    b.c.ovan().ClicBouton(Commande::CaptureEcran);
    QCOMPARE(b.Captures(), (QStringList{QStringLiteral("CaptEcran_1.png"), QStringLiteral("CaptEcran_2.png")}));
    QVERIFY(b.f.AttendreTrames(1));
    const qint64 taille = QFileInfo(b.c.Dossier() + QStringLiteral("CaptEcran_2.png")).size();
    QCOMPARE(b.f.Octets(), "[DEM]CaptEcran_2.png\\" + QByteArray::number(taille) + '\x03');
    QVERIFY(b.c.TexteConversation().contains(QStringLiteral("Vous désirez envoyer 'CaptEcran_2.png' à Eve.")));

    // Not asked when the box is not ticked.
    b.Reglages(0, 0, false);
    b.c.ovan().ClicBouton(Commande::CaptureEcran);
    QCOMPARE(b.c.dialogues().Textes().size(), 2);
    QVERIFY(b.Captures().contains(QStringLiteral("CaptEcran_1.bmp")));
    QVERIFY(!QFileInfo::exists(b.c.Dossier() + QStringLiteral("CaptEcran1.bmp")));
}

QTEST_MAIN(TestToolsCapture)
#include "tst_tools_capture.moc"
