// A contact that misbehaves: it leaves while a box is open, floods, resets, half-closes, sends
// markup. The copy must neither crash, nor grow, nor lose what came before, nor stay stuck.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Memoire.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/chat/ArriveeDonnees.h"
#include "core/chat/SocketsChat.h"

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

bool SousSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
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
    void finsDeConnexion_data();
    void finsDeConnexion();
    void tramesAvantDeconnexion();
    void connexionSortanteInondee();
    void contactQuiNeLitPlus();
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

void TestChatContactHostile::finsDeConnexion_data() {
    QTest::addColumn<int>("lien");
    QTest::addColumn<int>("fin"); // 0 reset, 1 half-close, 2 close
    QTest::newRow("reset de la connexion du contact") << int(Lien::VersCopie) << 0;
    QTest::newRow("reset de la nôtre") << int(Lien::DepuisCopie) << 0;
    QTest::newRow("demi-fermeture de la connexion du contact") << int(Lien::VersCopie) << 1;
    QTest::newRow("demi-fermeture de la nôtre") << int(Lien::DepuisCopie) << 1;
    QTest::newRow("fermeture de la connexion du contact seule") << int(Lien::VersCopie) << 2;
}

// However one connection ends, the conversation ends: a reset as an error, a close or a
// half-close as the contact leaving; either way the copy listens again.
void TestChatContactHostile::finsDeConnexion() {
    QFETCH(int, lien);
    QFETCH(int, fin);
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    const Lien l = Lien(lien);
    switch (fin) {
    case 0: f.Reinitialiser(l); break;
    case 1: f.FermerEnvoi(l); break;
    default: f.Fermer(l); break;
    }
    QTRY_COMPARE(c.ovan().Etat(), EtatConnexion::Ecoute);
    QCOMPARE(c.Statut(1), QStringLiteral("En écoute..."));
    if (fin == 0) {
        QCOMPARE(c.dialogues().Textes(), QStringList{Echec});
        QCOMPARE(c.dialogues().Appels()[0].titre, QStringLiteral("Erreur de connexion"));
    } else {
        QVERIFY(c.dialogues().Textes().isEmpty());
        QVERIFY(c.TexteConversation().contains(QStringLiteral(">>> A s'est déconnecté(e). <<<")));
    }
    QVERIFY(c.interface().TextBoxhWnd[ZoneAdresse]->isEnabled());
    FauxContact autre(QStringLiteral("127.0.0.82"));
    QVERIFY(autre.Appeler(c.Adresse()));
}

// Frames read before the disconnect command are handled before it, not after.
void TestChatContactHostile::tramesAvantDeconnexion() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    // Enough frames that they cannot all be handled at once, the last one a nickname.
    QList<Trame::TrameRecue> trames(5000, {Trame::Balise::TXT, "[TXT]", "000_bla"});
    trames.append({Trame::Balise::LOG, "[LOG]", "Zed"});
    c.ovan().conversation().Traiter(trames);
    c.ovan().ClicBouton(Commande::Deconnecter);
    const QString texte = c.TexteConversation();
    QVERIFY(texte.indexOf(QStringLiteral("Zed s'est connecté(e).")) >= 0);
    QVERIFY(texte.indexOf(QStringLiteral("Zed s'est connecté(e).")) <
            texte.indexOf(QStringLiteral("Vous vous êtes déconnecté(e).")));
    QCOMPARE(c.interface().TextBoxhWnd[ZoneSonStatut]->text(), QString());
    QCOMPARE(c.ovan().conversation().EnAttente(), qsizetype(0));
}

// The protocol puts nothing on the connection we opened: what comes there is read and dropped.
void TestChatContactHostile::connexionSortanteInondee() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    constexpr qint64 Total = 64 * 1024 * 1024;
    const long avant = MemoireResidente();
    f.Inonder(Lien::DepuisCopie, QByteArray("[TXT]000_x\x03"), Total);
    QTRY_COMPARE_WITH_TIMEOUT(f.Inonde(), Total, 60000);
    const long croissance = MemoireResidente() - avant;
    if (!SousSanitizer()) {
        QVERIFY2(croissance < 16 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(croissance)));
    }
    QCOMPARE(c.ovan().Etat(), EtatConnexion::Connecte);
    QVERIFY(!c.TexteConversation().contains(QStringLiteral("   x")));
    f.Envoyer("[TXT]000_encore\x03");
    QTRY_VERIFY(c.TexteConversation().contains(QStringLiteral("encore")));
}

// A contact that stops reading cannot make us hold our frames for ever: the conversation ends
// with the error box once too much waits.
void TestChatContactHostile::contactQuiNeLitPlus() {
    CopieOvan c(QStringLiteral("127.0.0.80"));
    FauxContact f(QStringLiteral("127.0.0.81"));
    QVERIFY(Relier(c, f));
    const QByteArray grosse = Trame::Message(0, 0, 0, QString(60000, u'a'));
    // No event loop turns meanwhile, so nothing leaves our buffer.
    for (int i = 0; i < 100; ++i) {
        c.ovan().Sockets().Envoyer(grosse);
    }
    QTRY_COMPARE(c.dialogues().Textes(), QStringList{Echec});
    QTRY_COMPARE(c.ovan().Etat(), EtatConnexion::Ecoute);
}

QTEST_MAIN(TestChatContactHostile)
#include "tst_chat_contact_hostile.moc"
