// A contact that misbehaves while a box is open, floods behind it, sends
// markup. The copy must neither crash, nor grow, nor lose what came before, nor stay stuck.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "core/chat/SocketsChat.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/chat/ArriveeDonnees.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

using Lien = FauxContact::Lien;

namespace {

// An offer opens a question box.
const QByteArray Offre("[DEM]x\\1\x03");
const QString Question =
    QStringLiteral("A veut vous envoyer 'x'.\r\n1 octets.\r\nAcceptez-vous ce fichier ?");
const QString Echec = QStringLiteral("La connexion a échouée !");

// The copy listens on 127.0.0.80, the contact on .81; the contact calls and says who it is.
bool Relier(CopieOvan& copie, FauxContact& contact, const QByteArray& pseudo = "A") {
    copie.Pseudo()->setText(QStringLiteral("Moi"));
    if (!contact.Appeler(copie.Adresse())) {
        return false;
    }
    if (!QTest::qWaitFor([&] { return copie.ovan().Etat() == EtatConnexion::Connecte; }, 5000)) {
        return false;
    }
    contact.Envoyer("[LOG]" + pseudo + "\x03");
    return QTest::qWaitFor([&] { return copie.TexteConversation().contains(" s'est connecté(e)."); }, 5000);
}

} // namespace

class TestChatContactHostile : public QObject {
    Q_OBJECT
private slots:
    void partPendantUneBoite_data();
    void partPendantUneBoite();
    void aucuneBoiteDansUnSignalDeSocket();
    void memeBoitePasEmpilee();
    void boitesBornees();
    void fileBorneeSousUneBoite();
    void texteDuContactEnClair();
};

void TestChatContactHostile::partPendantUneBoite_data() {
    QTest::addColumn<bool>("reinitialise");
    QTest::newRow("fermetures") << false;
    QTest::newRow("resets") << true;
}

// The box of a frame is open when the contact closes both connections: the sockets go away under
// the box, and the copy must come back to listening once it is answered. The offer read behind the
// first one belongs to a contact who has left: no question for it.
void TestChatContactHostile::partPendantUneBoite() {
    QFETCH(bool, reinitialise);
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    SocketsChat& sockets = c.ovan().Sockets();
    QSignalSpy fins(&sockets, &SocketsChat::fermeture);
    QSignalSpy erreurs(&sockets, &SocketsChat::erreur);
    bool vu = false;
    c.dialogues().PendantBoite([&] {
        for (Lien lien : {Lien::VersCopie, Lien::DepuisCopie}) {
            reinitialise ? f.Reinitialiser(lien) : f.FermerEnvoi(lien);
        }
        // Under the box, until the copy has let both connections go.
        vu = QTest::qWaitFor(
            [&] {
                return fins.count() + erreurs.count() > 0 && f.Ferme(Lien::VersCopie) &&
                       f.Ferme(Lien::DepuisCopie);
            },
            5000);
    });
    f.Envoyer(Offre + "[DEM]y\\1\x03");
    QTRY_COMPARE(c.ovan().Etat(), EtatConnexion::Ecoute);
    QVERIFY(vu);
    QCOMPARE(c.dialogues().Textes().join(u'|'),
             (reinitialise ? (QStringList{Question, Echec}) : (QStringList{Question})).join(u'|'));
    QCOMPARE(c.TexteConversation().contains(QStringLiteral(">>> A s'est déconnecté(e). <<<")), !reinitialise);
    // Listening again: a new contact gets through.
    FauxContact autre(QStringLiteral("127.0.0.82"));
    QVERIFY(autre.Appeler(c.Adresse()));
}

// A box runs its own event loop, during which the socket that reported the frame or the error can
// be deleted: the reaction comes after the socket's signal has returned, never inside it.
void TestChatContactHostile::aucuneBoiteDansUnSignalDeSocket() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    SocketsChat& sockets = c.ovan().Sockets();
    c.dialogues().Repondre(Dialogues::Reponse::Non);
    emit sockets.tramesRecues({{Trame::Balise::DEM, "[DEM]", "x\\1"}});
    QVERIFY(c.dialogues().Textes().isEmpty());
    QTRY_COMPARE(c.dialogues().Textes(), QStringList{Question});
    emit sockets.erreur();
    QCOMPARE(c.dialogues().Textes().size(), 1);
    QTRY_COMPARE(c.dialogues().Textes(), (QStringList{Question, Echec}));
    QTRY_COMPARE(c.ovan().Etat(), EtatConnexion::Ecoute);
}

void TestChatContactHostile::memeBoitePasEmpilee() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    Conversation& arrivee = c.ovan().conversation();
    c.dialogues().Repondre(Dialogues::Reponse::Non);
    c.dialogues().Repondre(Dialogues::Reponse::Non);
    c.dialogues().PendantBoite([&] {
        // While the box is open, more of the same box, then a message behind them.
        f.Envoyer(Offre.repeated(50) + "[TXT]000_fin\x03");
        QVERIFY(QTest::qWaitFor([&] { return arrivee.EnAttente() > 0; }, 5000));
        QCOMPARE(arrivee.EnAttente(), qsizetype(1));
    });
    f.Envoyer(Offre.repeated(50));
    QTRY_VERIFY(c.TexteConversation().contains(QStringLiteral("fin")));
    QCOMPARE(c.dialogues().Textes(), QStringList{Question});
    // Once answered, the next offer is asked again.
    f.Envoyer(Offre);
    QTRY_COMPARE(c.dialogues().Textes(), (QStringList{Question, Question}));
}

// Frames that would each raise a box: a cancel with no transfer raises none, whatever it carries;
// offers read while a question is open are refused without one, and said once.
void TestChatContactHostile::boitesBornees() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    Conversation& arrivee = c.ovan().conversation();
    int traitees = 0;
    connect(&arrivee, &Conversation::trameTraitee, this, [&] { ++traitees; });
    QByteArray annulations;
    for (int i = 0; i < 1000; ++i) {
        annulations += "[ANN]" + QByteArray::number(i) + "\x03";
    }
    f.Envoyer(annulations + "[ANN]\x03");
    QTRY_COMPARE(traitees, 1001);
    QVERIFY(c.dialogues().Textes().isEmpty());

    f.Oublier();
    c.dialogues().Repondre(Dialogues::Reponse::Non);
    c.dialogues().PendantBoite([&] {
        QByteArray offres;
        for (int i = 0; i < 20; ++i) {
            offres += "[DEM]autre" + QByteArray::number(i) + "\\1\x03";
        }
        f.Envoyer(offres);
        QVERIFY(QTest::qWaitFor([&] { return arrivee.EnAttente() == 21; }, 5000));
    });
    f.Envoyer(Offre + "[DEM]derriere\\1\x03");
    QVERIFY(f.AttendreTrames(22));
    for (const auto& t : f.Trames()) {
        QCOMPARE(t.entete + t.donnee, QByteArray("[RPS]NON"));
    }
    QCOMPARE(c.dialogues().Textes(), QStringList{Question});
    QCOMPARE(c.TexteConversation().count(QStringLiteral("propose pendant ce temps sont refusés")), 1);
}

// A box is open and the contact floods: the copy holds it back instead of queuing everything,
// and handles every frame, in order, once the box is answered.
void TestChatContactHostile::fileBorneeSousUneBoite() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    Conversation& arrivee = c.ovan().conversation();
    const QByteArray motif("[TAP]ecr\x03");
    constexpr qint64 Total = 1024 * 1024 / 9 * 9;
    int traitees = 0;
    connect(&arrivee, &Conversation::trameTraitee, this, [&] { ++traitees; });
    qsizetype plusLongue = 0;
    c.dialogues().PendantBoite([&] {
        f.Inonder(Lien::VersCopie, motif, Total);
        QVERIFY(QTest::qWaitFor(
            [&] {
                plusLongue = std::max(plusLongue, arrivee.EnAttente());
                return f.Inonde() >= 256 * 1024;
            },
            10000));
        QVERIFY(c.ovan().Sockets().LectureSuspendue());
    });
    c.dialogues().Repondre(Dialogues::Reponse::Non);
    f.Envoyer(Offre);
    QTRY_COMPARE_WITH_TIMEOUT(traitees, int(1 + Total / motif.size()), 60000);
    // A slice read past the limit at most: 4 KiB of the smallest frames.
    QVERIFY2(plusLongue <= Conversation::LimiteFile + 4096 / 6, qPrintable(QString::number(plusLongue)));
    QVERIFY(!c.ovan().Sockets().LectureSuspendue());
    QCOMPARE(c.Statut(0), QStringLiteral("A est en train de taper un message..."));
}

void TestChatContactHostile::texteDuContactEnClair() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    const QByteArray pseudo = "<img src=\"/usr/share/pixmaps/debian-logo.png\" width=60>";
    QVERIFY(Relier(c, f, pseudo));
    Interface& ui = c.interface();
    QLabel* titre = ui.LabelhWnd[LabelTitrePopup];
    QLabel* corps = ui.LabelhWnd[LabelCorpsPopup];
    ui.FenetrehWnd->hide();
    f.Envoyer("[TXT]000_<font size=6>gros</font>\x03[TAP]ecr\x03");
    const QString nom = QString::fromLatin1(pseudo);
    QTRY_COMPARE(c.Statut(0), nom + QStringLiteral(" est en train de taper un message..."));
    QCOMPARE(titre->text(), nom + QStringLiteral(" dit :"));
    QCOMPARE(corps->text(), QStringLiteral("<font size=6>gros</font>"));
    for (QLabel* l : {titre, corps, ui.BarreStatuthWnd[0], ui.BarreStatuthWnd[1]}) {
        QCOMPARE(l->textFormat(), Qt::PlainText);
    }
}

QTEST_MAIN(TestChatContactHostile)
#include "tst_chat_contact_hostile.moc"
