// Files between copies as the user sees them: the question, the window, the lines, boxes, drops.
#include "CopieOvan.h"
#include "Fichiers.h"
#include "core/transfer/FluxVerifie.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressBar>

namespace {

// Alice (a) and Bob (b), who receives in "recus/".
struct Paire {
    CopieOvan a{"127.0.0.90"};
    CopieOvan b{"127.0.0.91"};
    QTemporaryDir source;
    QString recus = b.Dossier() + "recus/";
    bool Relier() {
        QDir().mkpath(recus);
        b.ovan().conversation().ReglerDossierReception(recus);
        return ConnecterCopies(a, "Alice", b, "Bob") && QTest::qWaitFor([this] {
                   return a.ovan().conversation().SonPseudo() == "Bob" &&
                          b.ovan().conversation().SonPseudo() == "Alice";
               });
    }
    QString Envoyer(const QString& nom, qint64 taille) {
        const QString chemin = EcrireMotif(source.path() + u'/' + nom, taille);
        a.dialogues().RepondreFichier(chemin);
        a.ovan().ClicBouton(Commande::EnvoyerFichier);
        return chemin;
    }
};

QString Face(CopieOvan& c, int slot) {
    return c.interface().BoutonhWnd[slot]->Face();
}

// Files dropped from the desktop's file manager on a view, as a real drag ends.
bool Deposer(QWidget* cible, const QStringList& chemins) {
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
}

} // namespace

class TestTransferFenetre : public QObject {
    Q_OBJECT
private slots:
    // A refusal is said on both sides. One file dropped is offered as the button would, asked, accepted: both
    // windows end in close mode, with their labels; the received file opens; closing the window (Escape)
    // tells the contact nothing. Offered again at once while the window fades out, it comes back and stays.
    void refusPuisFichierDepose() {
        Paire p;
        QVERIFY(p.Relier());
        p.b.dialogues().Repondre(Dialogues::Reponse::Non);
        p.Envoyer("photo.jpg", 5000);
        QTRY_VERIFY(p.a.TexteConversation().contains("Bob a refusé la réception de 'photo.jpg'."));
        QVERIFY(p.b.TexteConversation().contains("Vous avez refusé la réception de 'photo.jpg'."));
        QVERIFY(!p.a.interface().TransferthWnd->isVisible());
        const QString un = EcrireMotif(p.source.path() + "/données.bin", 70000);
        QVERIFY(Deposer(p.a.interface().RichEdithWnd[ZoneSaisie]->viewport(), {un}));
        QVERIFY(p.a.TexteConversation().contains("Vous désirez envoyer 'données.bin' à Bob."));
        // Between two copies of ours the file is verified, and both lines say so.
        QTRY_VERIFY(p.b.TexteConversation().contains(
            "Vous avez reçu 'données.bin' avec succès ! Le fichier est complet et vérifié."));
        QTRY_VERIFY(p.a.TexteConversation().contains(
            "Vous avez envoyé 'données.bin' avec succès ! Le fichier est complet et vérifié."));
        QCOMPARE(Empreinte(p.recus + "données.bin"), Empreinte(un));
        QVERIFY(p.b.dialogues().Textes().value(1).startsWith("Alice veut vous envoyer 'données.bin'.\r\n"));
        for (CopieOvan* c : {&p.a, &p.b}) {
            Interface& ui = c->interface();
            QCOMPARE(ui.TransferthWnd->windowTitle(), "100 % - données.bin");
            QCOMPARE(ui.ProgressBarhWnd[1]->value(), 1000);
            QVERIFY(Face(*c, BoutonOuvrirFichier) == "img_ouvrir_e" &&
                    Face(*c, BoutonAnnulerTransfert) == "img_fermer");
            QCOMPARE(ui.BoutonhWnd[BoutonAnnulerTransfert]->accessibleName(), "Fermer");
            QCOMPARE(ui.LabelhWnd[LabelDebit]->text(), "Débit : ? octet/seconde");
        }
        QCOMPARE(p.b.interface().LabelhWnd[LabelCorrespondant]->text(), "Expéditeur : Alice");
        QCOMPARE(p.a.interface().LabelhWnd[LabelCorrespondant]->text(), "Destinataire : Bob");
        p.b.ovan().ClicBouton(Commande::OuvrirFichierTransfere);
        QCOMPARE(p.b.shell().Ouverts, QStringList{p.recus + "données.bin"});
        QTest::keyClick(p.b.interface().TransferthWnd, Qt::Key_Escape); // as its Fermer
        QTRY_VERIFY(!p.b.interface().TransferthWnd->isVisible());
        QCOMPARE(Face(p.b, BoutonAnnulerTransfert), "img_annuler2");
        QCOMPARE(p.b.interface().BoutonhWnd[BoutonAnnulerTransfert]->accessibleName(),
                 "Annuler le transfert");
        QVERIFY(!p.a.TexteConversation().contains("Annulation"));
        FenetreOvan* fenetre = p.a.interface().TransferthWnd;
        QTRY_VERIFY(fenetre->fondu().Alpha() == 255 && fenetre->isVisible());
        QSignalSpy entree(&fenetre->fondu(), &Fondu::entre);
        p.a.ovan().ClicBouton(Commande::AnnulerTransfert);
        QTRY_VERIFY(fenetre->fondu().Alpha() < 255);
        const QString deux = p.Envoyer("deux.bin", 3 << 20);
        QVERIFY(entree.count() == 1 || entree.wait());
        QTRY_VERIFY(p.a.TexteConversation().contains("Vous avez envoyé 'deux.bin' avec succès !"));
        QVERIFY(fenetre->isVisible() && fenetre->windowTitle() == "100 % - deux.bin");
        QVERIFY(p.a.interface().ProgressBarhWnd[1]->value() == 1000 &&
                Face(p.a, BoutonAnnulerTransfert) == "img_fermer");
        QTRY_COMPARE(Empreinte(p.recus + "deux.bin"), Empreinte(deux));
    }

    // A folder dropped goes as one batch: one question, one window naming the file under way, the
    // tree in Bob's received files, verified; it opens as a folder. Several files chosen at once
    // in the dialog go the same way, and a name taken in Bob's folder is not overwritten.
    void dossierEtFichiersEnUnLot() {
        Paire p;
        QVERIFY(p.Relier());
        const QString dossier = p.source.path() + "/Vacances";
        QVERIFY(QDir().mkpath(dossier + "/plage") && QDir().mkpath(dossier + "/vide"));
        const QString grand = EcrireMotif(dossier + "/plage/mer.jpg", 3 << 20);
        EcrireMotif(dossier + "/plage/sable.jpg", 1000);
        QVERIFY(Deposer(p.a.Conversation()->viewport(), {dossier}));
        QVERIFY(p.a.TexteConversation().contains(
            "Vous désirez envoyer 2 fichiers (3,00 Mo) : 'Vacances' à Bob."));
        QTRY_VERIFY(p.b.TexteConversation().contains(
            "Vous avez reçu 'Vacances' avec succès ! Les fichiers sont complets et vérifiés."));
        QTRY_VERIFY(p.a.TexteConversation().contains("Vous avez envoyé 'Vacances' avec succès !"));
        QCOMPARE(
            p.b.dialogues().Textes().value(0),
            "Alice veut vous envoyer 2 fichiers (3,00 Mo) : 'Vacances'.\r\nAcceptez-vous ces fichiers ?");
        QCOMPARE(Empreinte(p.recus + "Vacances/plage/mer.jpg"), Empreinte(grand));
        QVERIFY(QFileInfo(p.recus + "Vacances/vide").isDir());
        for (CopieOvan* c : {&p.a, &p.b})
            QVERIFY(c->interface().LabelhWnd[LabelNomFichier]->text().startsWith("Vacances : plage/"));
        for (CopieOvan* c : {&p.a, &p.b})
            c->ovan().ClicBouton(Commande::OuvrirFichierTransfere);
        QCOMPARE(p.a.shell().Ouverts, QStringList{dossier});
        QCOMPARE(p.b.shell().Ouverts, QStringList{p.recus + "Vacances"});
        QVERIFY(Ecrire(p.recus + "note.txt", "déjà là"));
        p.a.dialogues().RepondreFichier(EcrireMotif(p.source.path() + "/note.txt", 10) + '\n' + grand);
        p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
        QTRY_VERIFY(p.b.TexteConversation().contains("Vous avez reçu 'note.txt' avec succès !"));
        QVERIFY(p.b.dialogues().Textes().value(1).startsWith(
            "Alice veut vous envoyer 2 fichiers (3,00 Mo) : 'note.txt'."));
        QCOMPARE(Lire(p.recus + "note.txt"), "déjà là");
        QCOMPARE(Empreinte(p.recus + "mer.jpg"), Empreinte(grand));
        QCOMPARE(Lire(p.recus + "note_1.txt").size(), 10);
    }

    // Bob holds 60 % of the file from an earlier try, one byte of it wrong: the transfer resumes
    // there on both sides, the digest catches the damage and nothing is kept; Alice is asked to send
    // it again, and the whole file comes, verified.
    void repriseAbimeePuisRenvoi() {
        Paire p;
        QVERIFY(p.Relier());
        const qint64 taille = 5 << 20;
        const QString chemin = EcrireMotif(p.source.path() + "/film.bin", taille);
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto empreinte = FluxVerifie::Empreinte(f.handle(), taille);
        QVERIFY(empreinte);
        QByteArray debut = Lire(chemin).left(taille * 6 / 10);
        debut[1000] = char(debut[1000] ^ 1);
        QVERIFY(Ecrire(p.recus + FluxVerifie::NomPartiel("Alice", "film.bin", taille, *empreinte), debut));
        p.a.dialogues().RepondreFichier(chemin);
        p.a.ovan().ClicBouton(Commande::EnvoyerFichier);
        for (CopieOvan* c : {&p.a, &p.b})
            QTRY_VERIFY(c->TexteConversation().contains("Reprise à 60 % du transfert de 'film.bin'"));
        QTRY_VERIFY(
            p.b.TexteConversation().contains("Le transfert de 'film.bin' a échoué : le fichier arrivé "
                                             "diffère du fichier envoyé (vérification SHA-256)"));
        QTRY_VERIFY(p.a.dialogues().Textes().join('\n').contains(
            "Le fichier 'film.bin' est arrivé différent chez Bob : rien n'a été gardé."));
        QTRY_VERIFY(p.a.TexteConversation().contains(
            "Vous avez envoyé 'film.bin' avec succès ! Le fichier est complet et vérifié."));
        QTRY_COMPARE(Empreinte(p.recus + "film.bin"), Empreinte(chemin));
        QCOMPARE(EntreesDe(p.recus), QStringList{"film.bin"});
        QCOMPARE(p.a.TexteConversation().count("Reprise à"), 1);
    }

    // Against a raw contact: an unusable name is refused with its reason and no box. No one on the
    // contact's file port, or the file gone when sending starts: a box beside the line, the volume
    // "0 / total". Offers while a file goes out: one box, one line. This side's cancel (not Escape):
    // a line, no box.
    void boitesEtLignes() {
        CopieOvan c("127.0.0.96");
        FauxContact f("127.0.0.97");
        QVERIFY(c.AppelePar(f));
        f.Oublier();
        f.Envoyer("[DEM]../\\5\x03");
        QVERIFY(f.AttendreTrames(1));
        QVERIFY(c.dialogues().Appels().isEmpty());
        QVERIFY(c.TexteConversation().contains(
            "La réception de '../' est refusée : ce nom ne peut pas servir de nom de fichier."));
        QTemporaryDir source;
        // Several files or a folder, to a contact that takes one file per offer: explained, nothing sent.
        const QString explication = "Vous ne pouvez envoyer qu'un seul fichier à la fois, et pas un dossier.";
        QVERIFY(Deposer(c.Conversation()->viewport(),
                        {EcrireMotif(source.path() + "/a", 1), source.path() + "/a"}));
        QVERIFY(Deposer(c.Conversation()->viewport(), {source.path()}));
        QCOMPARE(c.dialogues().Textes(), (QStringList{explication, explication}));
        c.dialogues().Effacer();
        const QString chemin = EcrireMotif(source.path() + "/parti.bin", 5000);
        QSignalSpy boites(&c.dialogues(), &DialoguesEnregistres::appel);
        c.dialogues().RepondreFichier(chemin);
        c.ovan().ClicBouton(Commande::EnvoyerFichier);
        f.Envoyer("[RPS]OUI\x03");
        QVERIFY(boites.wait(10000));
        QVERIFY(c.dialogues().Boite(0, "Erreur de connexion !", "Problème d'envoi de fichier !",
                                    Dialogues::Icone::Erreur, c.interface().TransferthWnd));
        QVERIFY(c.TexteConversation().contains("Le transfert de 'parti.bin' a échoué"));
        QCOMPARE(c.interface().LabelhWnd[LabelVolume]->text(), "Volume de données envoyées : 0 / 4,88 Ko");
        c.ovan().ClicBouton(Commande::AnnulerTransfert);
        QTRY_VERIFY(!c.interface().TransferthWnd->isVisible());
        QVERIFY(f.EcouterFichier());
        c.dialogues().RepondreFichier(chemin);
        c.ovan().ClicBouton(Commande::EnvoyerFichier);
        QVERIFY(QFile::remove(chemin));
        f.Envoyer("[RPS]OUI\x03");
        QVERIFY(boites.wait(10000));
        QVERIFY(c.dialogues().Boite(1, "Ouverture Fichier Impossible !", QString(), Dialogues::Icone::Aucune,
                                    c.interface().FenetrehWnd));
        QVERIFY(c.TexteConversation().contains("le fichier ne peut pas être ouvert"));
        // TCP holds the copy back mid-file: the contact reads nothing.
        f.Oublier();
        c.dialogues().RepondreFichier(EcrireMotif(source.path() + "/gros.bin", 64LL << 20));
        c.ovan().ClicBouton(Commande::EnvoyerFichier);
        QTRY_VERIFY(f.Octets().contains("[DEM]gros.bin\\"));
        QVERIFY(f.ConnecterFichier(c.Adresse()));
        f.Oublier();
        f.Envoyer("[RPS]OUI\x03");
        QTRY_VERIFY(c.interface().ProgressBarhWnd[1]->value() > 0);
        f.Envoyer("[DEM]u\\1\x03[DEM]v\\1\x03[DEM]w\\1\x03");
        QVERIFY(f.AttendreTrames(3));
        QCOMPARE(c.dialogues().Textes().filter("déjà en cours").size(), 1);
        QCOMPARE(c.TexteConversation().count("sont refusés sans question"), 1);
        QTest::keyClick(c.interface().TransferthWnd, Qt::Key_Escape); // cancels nothing while it runs
        QVERIFY(c.ovan().conversation().TransfertEnCours());
        c.ovan().ClicBouton(Commande::AnnulerTransfert);
        QTRY_VERIFY(c.TexteConversation().contains("Annulation du transfert de 'gros.bin' !"));
        QVERIFY(!c.dialogues().Textes().contains("Le transfert a été annulé !")); // the other side's box
        QCOMPARE(Face(c, BoutonOuvrirFichier), "img_ouvrir_d");
    }

    // A name too long for its label slides; a short one, even right after, stays still. The contact
    // cancels it.
    void defilementDuNom() {
        CopieOvan c("127.0.0.130");
        FauxContact f("127.0.0.131");
        QVERIFY(f.EcouterFichier() && c.AppelePar(f));
        QLabel* etiquette = c.interface().LabelhWnd[LabelNomFichier];
        const auto recevoirLentement = [&](const QByteArray& nom) {
            f.Oublier();
            f.Envoyer("[DEM]" + nom + "\\2000\x03");
            QVERIFY(f.AttendreTrames(1));
            QVERIFY(f.ConnecterFichier(c.Adresse()));
            f.EnvoyerFichier(QByteArray(1000, 'n'));
            QTRY_COMPARE(c.interface().ProgressBarhWnd[1]->value(), 500);
        };
        QByteArray long_ = "un_nom_plutot_long";
        while (etiquette->fontMetrics().horizontalAdvance(QString::fromLatin1(long_)) < 185) {
            long_ += 'x';
        }
        recevoirLentement(long_);
        QTRY_VERIFY(etiquette->x() < 5);
        QTRY_VERIFY_WITH_TIMEOUT(etiquette->x() == 5, 15000);
        f.EnvoyerFichier(QByteArray(1000, 'n'));
        f.FermerFichier();
        QTRY_VERIFY(c.TexteConversation().contains("avec succès"));
        recevoirLentement("court.txt"); // the window closes and comes straight back
        // The rate's first figure comes after half a second, ten steps of a sliding name.
        QLabel* debit = c.interface().LabelhWnd[LabelDebit];
        const QString avant = debit->text();
        QTRY_VERIFY(debit->text() != avant);
        QCOMPARE(etiquette->x(), 5);
        f.Envoyer("[ANN]\x03"); // the contact's cancel: a line, a box, no failure
        QTRY_VERIFY(c.TexteConversation().contains("Annulation du transfert de 'court.txt' !"));
        QCOMPARE(c.dialogues().Textes().last(), "Le transfert a été annulé !");
        QVERIFY(!c.TexteConversation().contains("a échoué"));
    }
};

QTEST_MAIN(TestTransferFenetre)
#include "tst_transfer_fenetre.moc"
