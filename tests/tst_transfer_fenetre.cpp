// Files between two copies: the offer, the question, the answer, the bytes, the window and the log.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Fichiers.h"
#include "core/chat/SocketsChat.h"
#include "core/transfer/CanalFichier.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

namespace {

// Alice (A) and Bob (B) connected; B's received files go to its own folder "recus/".
struct Paire {
    CopieOvan a{QStringLiteral("127.0.0.90")};
    CopieOvan b{QStringLiteral("127.0.0.91")};
    QString recus;
    bool Relier() {
        recus = b.Dossier() + QStringLiteral("recus/");
        QDir().mkpath(recus);
        b.ovan().conversation().ReglerDossierReception(recus);
        return ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")) &&
               QTest::qWaitFor([this] {
                   return a.ovan().conversation().SonPseudo() == QStringLiteral("Bob") &&
                          b.ovan().conversation().SonPseudo() == QStringLiteral("Alice");
               });
    }
    QString Face(CopieOvan& c, int slot) { return c.interface().BoutonhWnd[slot]->Face(); }
};

// Counts the moves of a widget and keeps its leftmost position.
struct Mouvements : QObject {
    int n = 0;
    int gauche = 1000;
    bool eventFilter(QObject* objet, QEvent* event) override {
        if (event->type() == QEvent::Move) {
            ++n;
            gauche = std::min(gauche, static_cast<QWidget*>(objet)->x());
        }
        return false;
    }
};

bool Executer(const QString& programme, const QString& arguments) {
    QProcess p;
    p.start(programme, QProcess::splitCommand(arguments));
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

class TestTransferFenetre : public QObject {
    Q_OBJECT
private slots:
    void fichierEntier_data();
    void fichierEntier();
    void refusEtCollision();
    void annulationPendantLeFlux();
    void nomInutilisable();
    void fichiersDeposes();
    void defilementDuNom();
    void ouiPendantLaSortieDuFondu();
    void finsVuesDesDeuxCotes();
    void boitesDEchec();
};

void TestTransferFenetre::fichierEntier_data() {
    QTest::addColumn<qint64>("taille");
    for (qint64 t : {qint64(0), qint64(1), qint64(64 * 1024 - 1), qint64(64 * 1024 + 1), qint64(10 << 20)}) {
        QTest::newRow(qPrintable(QString::number(t))) << t;
    }
}

// Sent with the button, accepted with Yes: the same bytes arrive, both windows end in close mode,
// the received file opens, and closing the window tells the contact nothing.
void TestTransferFenetre::fichierEntier() {
    QFETCH(qint64, taille);
    Paire p;
    QVERIFY(p.Relier());
    QTemporaryDir source;
    const QString chemin = EcrireMotif(source.path() + QStringLiteral("/données.bin"), taille);
    p.a.dialogues().RepondreFichier(chemin);
    p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
    QVERIFY(p.a.TexteConversation().contains(QStringLiteral("Vous désirez envoyer 'données.bin' à Bob.")));
    QTRY_VERIFY_WITH_TIMEOUT(
        p.b.TexteConversation().contains(QStringLiteral("Vous avez reçu 'données.bin' avec succès !")),
        30000);
    QTRY_VERIFY(
        p.a.TexteConversation().contains(QStringLiteral("Vous avez envoyé 'données.bin' avec succès !")));
    QCOMPARE(Empreinte(p.recus + QStringLiteral("données.bin")), Empreinte(chemin));
    QCOMPARE(QDir(p.recus).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("données.bin")});
    QVERIFY(p.b.dialogues().Textes().value(0).startsWith(
        QStringLiteral("Alice veut vous envoyer 'données.bin'.\r\n")));
    for (CopieOvan* c : {&p.a, &p.b}) {
        Interface& ui = c->interface();
        QCOMPARE(ui.TransferthWnd->windowTitle(), QStringLiteral("100 % - données.bin"));
        QCOMPARE(ui.ProgressBarhWnd[1]->value(), 1000);
        QCOMPARE(p.Face(*c, BoutonOuvrirFichier), QStringLiteral("img_ouvrir_e"));
        QCOMPARE(p.Face(*c, BoutonAnnulerTransfert), QStringLiteral("img_fermer"));
        QCOMPARE(ui.LabelhWnd[LabelDebit]->text(), QStringLiteral("Débit : ? octet/seconde"));
    }
    QCOMPARE(p.b.interface().LabelhWnd[LabelCorrespondant]->text(), QStringLiteral("Expéditeur : Alice"));
    QCOMPARE(p.a.interface().LabelhWnd[LabelCorrespondant]->text(), QStringLiteral("Destinataire : Bob"));
    p.b.ovan().ClicBouton(Commande::OuvrirFichierTransfere);
    QCOMPARE(p.b.shell().Ouverts(), QStringList{p.recus + QStringLiteral("données.bin")});
    p.b.ovan().ClicBouton(Commande::AnnulerTransfert);
    QTRY_VERIFY(!p.b.interface().TransferthWnd->isVisible());
    QCOMPARE(p.Face(p.b, BoutonAnnulerTransfert), QStringLiteral("img_annuler2"));
    QVERIFY(!p.a.TexteConversation().contains(QStringLiteral("Annulation")));
}

// A refusal is logged on both sides and sends nothing; a name already in the folder is kept and
// the file comes under the next free "_N" name, while the log shows the offered name.
void TestTransferFenetre::refusEtCollision() {
    Paire p;
    QVERIFY(p.Relier());
    QTemporaryDir source;
    const QString chemin = EcrireMotif(source.path() + QStringLiteral("/photo.jpg"), 5000);
    p.b.dialogues().Repondre(Dialogues::Reponse::Non);
    p.a.dialogues().RepondreFichier(chemin);
    p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
    QTRY_VERIFY(
        p.a.TexteConversation().contains(QStringLiteral("Bob a refusé la réception de 'photo.jpg'.")));
    QVERIFY(
        p.b.TexteConversation().contains(QStringLiteral("Vous avez refusé la réception de 'photo.jpg'.")));
    QVERIFY(!p.a.interface().TransferthWnd->isVisible());

    EcrireMotif(p.recus + QStringLiteral("photo.jpg"), 3);
    p.a.dialogues().RepondreFichier(chemin);
    p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
    QTRY_VERIFY(p.b.TexteConversation().contains(QStringLiteral("Vous avez reçu 'photo.jpg' avec succès !")));
    QCOMPARE(QFileInfo(p.recus + QStringLiteral("photo.jpg")).size(), 3);
    QCOMPARE(Empreinte(p.recus + QStringLiteral("photo_1.jpg")), Empreinte(chemin));
}

// Offers while a file goes out, then this side's cancel: what the window says of each.
void TestTransferFenetre::annulationPendantLeFlux() {
    // Sending to a contact that reads nothing: TCP holds the copy back mid-file.
    {
        CopieOvan c(QStringLiteral("127.0.0.96"));
        FauxContact f(QStringLiteral("127.0.0.97"));
        QVERIFY(f.EcouterFichier());
        c.Pseudo()->setText(QStringLiteral("Moi"));
        QVERIFY(f.Appeler(c.Adresse()));
        f.Envoyer("[LOG]Eve\x03");
        QTRY_COMPARE(c.ovan().conversation().SonPseudo(), QStringLiteral("Eve"));
        QTemporaryDir source;
        c.dialogues().RepondreFichier(EcrireMotif(source.path() + QStringLiteral("/gros.bin"), 64LL << 20));
        c.ovan().ClicBouton(Commande::EnvoyerFichier);
        QVERIFY(f.AttendreTrames(2));
        QVERIFY(f.Trames().last().donnee.startsWith("gros.bin\\"));
        QVERIFY(f.ConnecterFichier(c.Adresse()));
        f.Oublier();
        f.Envoyer("[RPS]OUI\x03");
        QTRY_VERIFY(c.interface().ProgressBarhWnd[1]->value() > 0);
        // Offers during the transfer: one box says a transfer runs, the others get none.
        f.Envoyer("[DEM]u\\1\x03[DEM]v\\1\x03[DEM]w\\1\x03");
        QVERIFY(f.AttendreTrames(3));
        QCOMPARE(c.dialogues().Textes().filter(QStringLiteral("déjà en cours")).size(), 1);
        QCOMPARE(c.TexteConversation().count(QStringLiteral("sont refusés sans question")), 1);
        f.Oublier();
        c.ovan().ClicBouton(Commande::AnnulerTransfert);
        QVERIFY(f.AttendreTrames(1));
        QCOMPARE(f.Trames()[0].balise, Trame::Balise::ANN);
        QTRY_VERIFY(
            c.TexteConversation().contains(QStringLiteral("Annulation du transfert de 'gros.bin' !")));
        QCOMPARE(c.interface().BoutonhWnd[BoutonOuvrirFichier]->Face(), QStringLiteral("img_ouvrir_d"));
    }
}

// A name that leaves nothing usable once its folder parts and control characters are gone is
// refused, and the log says why.
void TestTransferFenetre::nomInutilisable() {
    CopieOvan c(QStringLiteral("127.0.0.92"));
    FauxContact f(QStringLiteral("127.0.0.93"));
    c.Pseudo()->setText(QStringLiteral("Moi"));
    QVERIFY(f.Appeler(c.Adresse()));
    QTRY_COMPARE(c.ovan().Etat(), EtatConnexion::Connecte);
    f.Envoyer("[LOG]Eve\x03");
    QVERIFY(f.AttendreTrames(1));
    f.Oublier();
    f.Envoyer("[DEM]../\\5\x03");
    QVERIFY(f.AttendreTrames(1));
    QCOMPARE(f.Octets(), QByteArray("[RPS]NON\x03"));
    QVERIFY(c.dialogues().Appels().isEmpty());
    QVERIFY(c.TexteConversation().contains(
        QStringLiteral("La réception de '../' est refusée : ce nom ne peut pas servir de nom de fichier.")));
}

// Files dropped from the desktop's file manager: one file is offered as the button would; several,
// or a folder, are explained and nothing goes out.
void TestTransferFenetre::fichiersDeposes() {
    Paire p;
    QVERIFY(p.Relier());
    QTemporaryDir source;
    const QString un = EcrireMotif(source.path() + QStringLiteral("/depot.txt"), 3000);
    const QString deux = EcrireMotif(source.path() + QStringLiteral("/autre.txt"), 10);
    const auto deposer = [](QWidget* cible, const QStringList& chemins) {
        QMimeData donnees;
        QList<QUrl> urls;
        for (const QString& c : chemins) {
            urls << QUrl::fromLocalFile(c);
        }
        donnees.setUrls(urls);
        QDragEnterEvent entree(QPoint(20, 20), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(cible, &entree);
        QDropEvent depot(QPointF(20, 20), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(cible, &depot);
        return entree.isAccepted() && depot.isAccepted();
    };
    QWidget* conversation = p.a.Conversation()->viewport();
    const QString explication =
        QStringLiteral("Vous ne pouvez envoyer qu'un seul fichier à la fois, et pas un dossier.");
    QVERIFY(deposer(conversation, {un, deux}));
    QVERIFY(deposer(conversation, {source.path()}));
    QCOMPARE(p.a.dialogues().Textes(), (QStringList{explication, explication}));
    QVERIFY(!p.a.TexteConversation().contains(QStringLiteral("Vous désirez envoyer")));

    QVERIFY(deposer(p.a.interface().RichEdithWnd[ZoneSaisie]->viewport(), {un}));
    QTRY_VERIFY(p.b.TexteConversation().contains(QStringLiteral("Vous avez reçu 'depot.txt' avec succès !")));
    QCOMPARE(Empreinte(p.recus + QStringLiteral("depot.txt")), Empreinte(un));
}

// A name of 171 pixels or more slides left until it has gone 1.7 times its overflow, then back;
// a short name, even right after a long one, stays still.
void TestTransferFenetre::defilementDuNom() {
    CopieOvan c(QStringLiteral("127.0.0.130"));
    FauxContact f(QStringLiteral("127.0.0.131"));
    QVERIFY(f.EcouterFichier());
    c.ovan().conversation().ReglerDossierReception(c.Dossier());
    c.Pseudo()->setText(QStringLiteral("Moi"));
    QVERIFY(f.Appeler(c.Adresse()));
    f.Envoyer("[LOG]Eve\x03");
    QTRY_COMPARE(c.ovan().conversation().SonPseudo(), QStringLiteral("Eve"));
    QLabel* etiquette = c.interface().LabelhWnd[LabelNomFichier];
    QString long_ = QStringLiteral("un_nom_plutot_long");
    while (etiquette->fontMetrics().horizontalAdvance(long_) < 185) {
        long_ += u'x';
    }
    const int largeur = etiquette->fontMetrics().horizontalAdvance(long_);
    Mouvements mouvements;
    etiquette->installEventFilter(&mouvements);
    const auto recevoirLentement = [&](const QString& nom) {
        f.Oublier();
        f.Envoyer("[DEM]" + nom.toLatin1() + "\\2000\x03");
        QVERIFY(f.AttendreTrames(1));
        QVERIFY(f.ConnecterFichier(c.Adresse()));
        f.EnvoyerFichier(QByteArray(1000, 'n'));
        QTRY_COMPARE(c.interface().ProgressBarhWnd[1]->value(), 500);
    };

    recevoirLentement(long_);
    QTRY_VERIFY(etiquette->x() < 5);
    QTRY_VERIFY_WITH_TIMEOUT(mouvements.gauche < 5 && etiquette->x() == 5, 15000);
    QCOMPARE(mouvements.gauche, 5 - (int((largeur - 170) * 1.7) + 1));
    QCOMPARE(etiquette->width(), 285);
    f.EnvoyerFichier(QByteArray(1000, 'n'));
    f.FermerFichier();
    QTRY_VERIFY(c.TexteConversation().contains(QStringLiteral("avec succès")));

    // The next offer closes the window, which comes straight back.
    recevoirLentement(QStringLiteral("court.txt"));
    mouvements.n = 0;
    // The rate's first figure comes after half a second, ten steps of a sliding name.
    QLabel* debit = c.interface().LabelhWnd[LabelDebit];
    const QString avant = debit->text();
    QTRY_VERIFY(debit->text() != avant);
    QCOMPARE(mouvements.n, 0);
    QCOMPARE(etiquette->x(), 5);
}

// Closing the window of one transfer and offering the next at once: the yes comes while the
// window still fades out, and the window comes back for the new transfer and stays.
void TestTransferFenetre::ouiPendantLaSortieDuFondu() {
    Paire p;
    QVERIFY(p.Relier());
    QTemporaryDir source;
    const QString un = EcrireMotif(source.path() + QStringLiteral("/un.bin"), 1000);
    const QString deux = EcrireMotif(source.path() + QStringLiteral("/deux.bin"), 3 << 20);
    p.a.dialogues().RepondreFichier(un);
    p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
    QTRY_VERIFY(p.a.TexteConversation().contains(QStringLiteral("Vous avez envoyé 'un.bin' avec succès !")));
    FenetreOvan* fenetre = p.a.interface().TransferthWnd;
    QSignalSpy entree(&fenetre->fondu(), &Fondu::entre);
    QTRY_VERIFY(fenetre->fondu().Alpha() == 255 && fenetre->isVisible());
    entree.clear();

    p.a.ovan().ClicBouton(Commande::AnnulerTransfert);
    QTRY_VERIFY(fenetre->fondu().Alpha() < 255);
    p.a.dialogues().RepondreFichier(deux);
    p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
    QTRY_VERIFY(p.b.TexteConversation().contains(QStringLiteral("Vous avez reçu 'deux.bin' avec succès !")));
    QVERIFY(entree.count() == 1 || entree.wait());
    QTRY_VERIFY(
        p.a.TexteConversation().contains(QStringLiteral("Vous avez envoyé 'deux.bin' avec succès !")));
    QVERIFY(fenetre->isVisible());
    QCOMPARE(fenetre->windowTitle(), QStringLiteral("100 % - deux.bin"));
    QCOMPARE(p.a.interface().ProgressBarhWnd[1]->value(), 1000);
    QCOMPARE(p.Face(p.a, BoutonAnnulerTransfert), QStringLiteral("img_fermer"));
    QCOMPARE(Empreinte(p.recus + QStringLiteral("deux.bin")), Empreinte(deux));
}

// On a slow link (this test's own network, shaped), a cancel from either side reads as a cancel on
// the other, whichever of the "[ANN]" and the stream's reset comes first; a stream reset on the
// way to the receiver (only the sender sees it) ends both windows at once.
void TestTransferFenetre::finsVuesDesDeuxCotes() {
    if (!Executer(QStringLiteral("tc"),
                  QStringLiteral("qdisc add dev lo root tbf rate 16mbit burst 256kb limit 1mb"))) {
        QSKIP("The loopback link cannot be shaped here (tc, as root in the tests' own network).");
    }
    const auto retablir = qScopeGuard([] {
        Executer(QStringLiteral("tc"), QStringLiteral("qdisc del dev lo root"));
        Executer(QStringLiteral("nft"), QStringLiteral("delete table inet ovan_rupture"));
    });
    QTemporaryDir source;
    const QString chemin = EcrireMotif(source.path() + QStringLiteral("/lent.bin"), 8 << 20);
    const QString annule = QStringLiteral("Annulation du transfert de 'lent.bin' !");
    for (const bool recepteurAnnule : {true, false}) {
        Paire p;
        QVERIFY(p.Relier());
        p.a.dialogues().RepondreFichier(chemin);
        p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
        QTRY_VERIFY(p.b.interface().ProgressBarhWnd[1]->value() > 0);
        CopieOvan& annuleur = recepteurAnnule ? p.b : p.a;
        CopieOvan& autre = recepteurAnnule ? p.a : p.b;
        annuleur.ovan().ClicBouton(Commande::AnnulerTransfert);
        QTRY_VERIFY(autre.TexteConversation().contains(annule));
        QVERIFY(annuleur.TexteConversation().contains(annule));
        QVERIFY2(!autre.TexteConversation().contains(QStringLiteral("a échoué")),
                 qPrintable(autre.TexteConversation()));
        QCOMPARE(autre.dialogues().Textes().filter(QStringLiteral("annulé")),
                 QStringList{QStringLiteral("Le transfert a été annulé !")});
        QVERIFY(annuleur.dialogues().Textes().filter(QStringLiteral("annulé")).isEmpty());
    }

    Paire p;
    QVERIFY(p.Relier());
    p.a.dialogues().RepondreFichier(chemin);
    p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
    QTRY_VERIFY(p.b.interface().ProgressBarhWnd[1]->value() > 0);
    // The sender's next segment meets a reset made on its way: the receiver hears nothing.
    QVERIFY(Executer(QStringLiteral("nft"), QStringLiteral("add table inet ovan_rupture")));
    QVERIFY(Executer(
        QStringLiteral("nft"),
        QStringLiteral("add chain inet ovan_rupture sortie { type filter hook output priority 0 ; }")));
    QVERIFY(Executer(QStringLiteral("nft"),
                     QStringLiteral("add rule inet ovan_rupture sortie ip daddr 127.0.0.91 "
                                    "tcp dport 60001 reject with tcp reset")));
    for (CopieOvan* c : {&p.a, &p.b}) {
        QTRY_VERIFY_WITH_TIMEOUT(p.Face(*c, BoutonAnnulerTransfert) == QStringLiteral("img_fermer"),
                                 CanalFichier::DelaiAnnulationMs + 8000);
    }
    QVERIFY(p.a.TexteConversation().contains(QStringLiteral("Le transfert de 'lent.bin' a échoué")));
    QVERIFY(p.b.TexteConversation().contains(annule));
    QVERIFY(QDir(p.recus).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// The connection to the contact's file port cannot be made, or the file is gone when sending
// starts: a box says so beside the line in the conversation. Until a byte moves the volume
// reads "0 / total".
void TestTransferFenetre::boitesDEchec() {
    CopieOvan c(QStringLiteral("127.0.0.98"));
    FauxContact f(QStringLiteral("127.0.0.99"));
    c.Pseudo()->setText(QStringLiteral("Moi"));
    QVERIFY(f.Appeler(c.Adresse()));
    f.Envoyer("[LOG]Eve\x03");
    QTRY_COMPARE(c.ovan().conversation().SonPseudo(), QStringLiteral("Eve"));
    QTemporaryDir source;
    const QString chemin = EcrireMotif(source.path() + QStringLiteral("/parti.bin"), 5000);
    QSignalSpy boites(&c.dialogues(), &DialoguesEnregistres::appel);

    // Nobody listens on the contact's file port.
    c.dialogues().RepondreFichier(chemin);
    c.ovan().ClicBouton(Commande::EnvoyerFichier);
    f.Envoyer("[RPS]OUI\x03");
    QVERIFY(boites.wait(10000));
    QVERIFY(c.dialogues().Boite(0, QStringLiteral("Erreur de connexion !"),
                                QStringLiteral("Problème d'envoi de fichier !"), Dialogues::Icone::Erreur,
                                c.interface().TransferthWnd));
    QVERIFY(c.TexteConversation().contains(QStringLiteral("Le transfert de 'parti.bin' a échoué")));
    QCOMPARE(c.interface().LabelhWnd[LabelVolume]->text(),
             QStringLiteral("Volume de données envoyées : 0 / 4,88 Ko"));
    c.ovan().ClicBouton(Commande::AnnulerTransfert);
    QTRY_VERIFY(!c.interface().TransferthWnd->isVisible());

    // The file is removed between the offer and the yes.
    QVERIFY(f.EcouterFichier());
    c.dialogues().RepondreFichier(chemin);
    c.ovan().ClicBouton(Commande::EnvoyerFichier);
    QVERIFY(QFile::remove(chemin));
    f.Envoyer("[RPS]OUI\x03");
    QVERIFY(boites.wait(10000));
    QVERIFY(c.dialogues().Boite(1, QStringLiteral("Ouverture Fichier Impossible !"), QString(),
                                Dialogues::Icone::Aucune, c.interface().FenetrehWnd));
    QVERIFY(c.TexteConversation().contains(QStringLiteral("le fichier ne peut pas être ouvert")));
}

QTEST_MAIN(TestTransferFenetre)
#include "tst_transfer_fenetre.moc"
