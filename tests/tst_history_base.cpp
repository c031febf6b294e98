// The conversation history's database without a window, unusable files and a writer killed mid-write.
#include "Fichiers.h"
#include "core/history/Historique.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

using Sorte = EntreeHistorique::Sorte;

namespace {

const QString Zoe = QStringLiteral("10.0.0.1");

EntreeHistorique Entree(Sorte sorte, const QString& adresse, const QString& pseudo, const QString& auteur,
                        const QString& texte, const QDateTime& moment, int police = 0, int couleur = 0,
                        int style = 0) {
    return {0, moment, sorte, adresse, pseudo, auteur, police, couleur, style, texte};
}

EntreeHistorique Message(const QString& texte, const QDateTime& moment) {
    return Entree(Sorte::Recu, Zoe, QStringLiteral("Zoé"), QStringLiteral("Zoé"), texte, moment);
}

QDateTime Le(int jour, int heure, int minute = 0) {
    return QDateTime(QDate(2024, 3, jour), QTime(heure, minute));
}

// Everything but the id, one line per entry, so that a failure shows the difference.
QStringList Decrire(const QList<EntreeHistorique>& entrees) {
    QStringList lignes;
    for (const EntreeHistorique& e : entrees)
        lignes << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                      .arg(QString::number(e.Moment.toMSecsSinceEpoch()), QString::number(int(e.Genre)),
                           e.Adresse, e.PseudoContact, e.Auteur, QString::number(e.Police),
                           QString::number(e.Couleur), QString::number(e.Style), e.Texte);
    return lignes;
}

QStringList Textes(const QList<EntreeHistorique>& entrees) {
    QStringList textes;
    for (const EntreeHistorique& e : entrees)
        textes << e.Texte;
    return textes;
}

// Runs each statement on the test's own connection to the file: its first value, "" without one.
QStringList Valeurs(const QString& chemin, const QStringList& requetes) {
    static int s_connexions = 0;
    const QString nom = QStringLiteral("tst-lecteur-%1").arg(++s_connexions);
    QStringList valeurs;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(chemin);
        base.open();
        for (const QString& sql : requetes) {
            QSqlQuery q(base);
            valeurs << (!q.exec(sql) ? "<erreur> " + q.lastError().text()
                        : q.next()   ? q.value(0).toString()
                                     : QString());
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return valeurs;
}

// Twenty entries on March 1st, closed: the file is whole, without its log.
QString BaseEcrite(const QString& chemin) {
    BaseHistorique base(chemin);
    for (int i = 0; i < 20; ++i)
        base.Ajouter(Message(QStringLiteral("ancien message %1").arg(i), Le(1, 9, i)));
    base.Vider();
    return chemin;
}

// Starts a helper program on the file and gathers its output until vu accepts it or it ends.
template <typename Condition>
bool Lancer(QProcess& programme, const QString& executable, const QString& chemin, QByteArray& sortie,
            Condition vu, int ms = 10'000) {
    programme.start(executable, {chemin});
    const auto fini = [&] {
        sortie += programme.readAllStandardOutput();
        return vu(sortie) || programme.state() == QProcess::NotRunning;
    };
    return programme.waitForStarted() && QTest::qWaitFor(fini, ms) && vu(sortie);
}

// The last total a writer printed on a whole line.
qint64 DernierTotal(const QByteArray& sortie) {
    const qsizetype fin = sortie.lastIndexOf('\n');
    return fin < 0 ? 0 : sortie.first(fin).split('\n').last().toLongLong();
}

enum class Cas { DansUnFichier, Tronque, Aleatoire, AutreProgramme, Verrouillee };

} // namespace

Q_DECLARE_METATYPE(Cas)

class TestHistoryBase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    // Entries come back the same and in order, before and after a restart; two histories coexist.
    void entreesRelues() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        const QDate jour(2024, 3, 5);
        const QList<EntreeHistorique> ecrites = {
            Entree(Sorte::Envoye, Zoe, "Zoé", "Moi", "Bonjour, ça va ?", Le(5, 10), 2, 7, 1),
            Entree(Sorte::Recu, Zoe, "Zoé", "Zoé", "Très bien !\nEt toi ?\r\n\ttabulé", Le(5, 10, 1), -5, 999,
                   3),
            Entree(Sorte::Systeme, Zoe, "Zoé", "", "Zoé est maintenant « Zoë 🎉 »", Le(5, 10, 2)),
            Entree(Sorte::Recu, Zoe, "Zoë 🎉", "Zoë 🎉",
                   "👍🏽 漢字 ﷽ e\u0301te\u0301 'quote' \"double\"", Le(5, 10, 3), INT_MIN, INT_MAX,
                   -1),
        };
        {
            BaseHistorique base(chemin);
            BaseHistorique autre(d.filePath("autre.db"));
            for (const EntreeHistorique& e : ecrites)
                base.Ajouter(e);
            autre.Ajouter(ecrites.first());
            base.Vider();
            autre.Vider();
            QCOMPARE(Decrire(base.Entrees(Zoe, jour)), Decrire(ecrites));
            QCOMPARE(Decrire(autre.Entrees(Zoe, jour)), Decrire({ecrites.first()}));
            // Read again after the other history's read: still its own file.
            QCOMPARE(Decrire(base.Entrees(Zoe, jour)), Decrire(ecrites));
            QVERIFY(base.Disponible() && base.Raison().isEmpty());
        }
        {
            BaseHistorique base(chemin);
            QSignalSpy ecrit(&base, &BaseHistorique::ecrit);
            const QList<EntreeHistorique> lues = base.Entrees(Zoe, jour);
            QCOMPARE(Decrire(lues), Decrire(ecrites));
            // Dated when added; written a moment later though nobody waits, counted from this start.
            const QDateTime avant = QDateTime::currentDateTime();
            base.Ajouter(Entree(Sorte::Systeme, Zoe, "Zoë", "", "Connexion perdue", QDateTime()));
            const QDateTime apres = QDateTime::currentDateTime();
            QTRY_COMPARE(ecrit.size(), 1);
            QCOMPARE(ecrit.first().first().toLongLong(), 1);
            const QList<EntreeHistorique> nouvelle = base.Entrees(Zoe, avant.date());
            QCOMPARE(nouvelle.size(), 1);
            QVERIFY(nouvelle.first().Moment >= avant.addMSecs(-1) && nouvelle.first().Moment <= apres);
            QVERIFY(nouvelle.first().Id > lues.last().Id);
        }
        QCOMPARE(Valeurs(chemin, {"PRAGMA integrity_check", "PRAGMA user_version", "PRAGMA journal_mode"}),
                 QStringList({"ok", "1", "wal"}));
    }

    // One row per contact and local day, newest first, with its count and latest nickname.
    void conversations() {
        QTemporaryDir d;
        BaseHistorique base(d.filePath("historique.db"));
        const QString a = Zoe, b = QStringLiteral("10.0.0.2");
        base.Ajouter(Entree(Sorte::Recu, a, "Anne", "Anne", "un", Le(1, 9)));
        base.Ajouter(Entree(Sorte::Envoye, a, "Anne", "Moi", "deux", Le(1, 9, 5)));
        base.Ajouter(Entree(Sorte::Recu, b, "Bruno", "Bruno", "trois", Le(1, 10)));
        base.Vider();
        base.Ajouter(Entree(Sorte::Recu, a, "Anne", "Anne", "tard le soir", Le(2, 23, 30)));
        base.Ajouter(Entree(Sorte::Recu, a, "Annette", "Annette", "après minuit", Le(3, 0, 30)));
        base.Ajouter(Entree(Sorte::Systeme, a, "Annie", "", "Anne est maintenant Annie", Le(1, 11)));
        base.Ajouter(Entree(Sorte::Systeme, a, "", "", "Connexion perdue", Le(1, 12)));
        base.Vider();
        QStringList vues;
        for (const ConversationHistorique& c : base.Conversations()) {
            vues << QStringLiteral("%1 %2 %3 %4")
                        .arg(c.Adresse, c.Jour.toString(Qt::ISODate), c.Pseudo)
                        .arg(c.Entrees);
            const QList<EntreeHistorique> entrees = base.Entrees(c.Adresse, c.Jour);
            QCOMPARE(entrees.size(), c.Entrees);
            QCOMPARE(c.Derniere, entrees.last().Id);
        }
        QCOMPARE(vues, QStringList({"10.0.0.1 2024-03-01 Annie 4", "10.0.0.1 2024-03-03 Annette 1",
                                    "10.0.0.1 2024-03-02 Anne 1", "10.0.0.2 2024-03-01 Bruno 1"}));
        const QList<EntreeHistorique> premier = base.Entrees(a, QDate(2024, 3, 1));
        QCOMPARE(Textes(premier),
                 QStringList({"un", "deux", "Anne est maintenant Annie", "Connexion perdue"}));
        QCOMPARE(Textes(base.Entrees(a, QDate(2024, 3, 1), premier.at(1).Id)), Textes(premier.mid(2)));
        QVERIFY(base.Entrees(QStringLiteral("10.0.0.9"), QDate(2024, 3, 1)).isEmpty());
        QVERIFY(base.Entrees(a, QDate()).isEmpty());
    }

    // Reads made while the writer is still creating the file see what it writes afterwards.
    void lecturesDesLeDebut() {
        for (int i = 0; i < 20; ++i) {
            QTemporaryDir d;
            BaseHistorique base(d.filePath("historique.db"));
            QVERIFY(base.Conversations().isEmpty() && base.Chercher("premier").isEmpty());
            QVERIFY(base.Enregistrer());
            base.Ajouter(Message("premier message", Le(1, 9)));
            base.Vider();
            QCOMPARE(base.Conversations().size(), 1);
            QCOMPARE(base.Chercher("premier").size(), 1);
        }
    }

    // Case and accents ignored, prefixes, every word required, newest first, at most max; text is only words.
    void recherche() {
        QTemporaryDir d;
        BaseHistorique base(d.filePath("historique.db"));
        const QStringList corpus = {"L'été sera chaud à Noël",
                                    "ETE indien, noel blanc",
                                    "Les étoiles de l'été",
                                    "Robert'); DROP TABLE entrees;-- \"guillemets\" et * étoile",
                                    "NEAR(chat chien) OR chat AND chien NOT souris",
                                    "Ça coûte 100 € pour 3 œufs",
                                    "日本語のテキスト"};
        for (int i = 0; i < corpus.size(); ++i)
            base.Ajouter(Message(corpus.at(i), Le(4, 8, i)));
        base.Vider();
        const auto trouves = [&](const QString& mots, int max = 200) {
            QStringList numeros;
            for (const EntreeHistorique& e : base.Chercher(mots, max))
                numeros << QString::number(corpus.indexOf(e.Texte) + 1);
            return mots.left(40) + QStringLiteral(": ") + numeros.join(u' ');
        };
        // The words sought, "|", the entries found; one per line.
        const QStringList attendus =
            QStringLiteral(
                "ETE|3 2 1\nÉté NOËL|2 1\ne\u0301te\u0301|3 2 1\nét|4 3 2 1\nchaud indien|\nCOUTE 100|6\n"
                "日本|7\nRobert'); DROP TABLE entrees;--|4\n\"guillemets\"|4\nNEAR(chat chien)|5\n"
                "chat OR souris|5\nOR|5\nNOT|5\ntexte: chat|\n') OR 1=1 --|\nchat*|5\n^chat|5\n"
                "{chat} : (chien)|5\n|\n   |\n* \" ' ; -- ( ) : ^ + 🎉|\n\u0301\u0301|")
                .split(u'\n') +
            QStringList{QStringLiteral("été ").repeated(2500) + "|3 2 1", QString(10'000, u'a') + '|'};
        for (const QString& ligne : attendus) {
            const QString mots = ligne.first(ligne.lastIndexOf(u'|'));
            QCOMPARE(trouves(mots), mots.left(40) + QStringLiteral(": ") + ligne.sliced(mots.size() + 1));
        }
        QCOMPARE(trouves("ete", 2), QStringLiteral("ete: 3 2"));
        QCOMPARE(trouves("ete", 0), QStringLiteral("ete: "));
        QCOMPARE(trouves("ete", -1), QStringLiteral("ete: "));
        QString bruit;
        for (QRandomGenerator hasard(7); bruit.size() < 10'000;) {
            const char32_t c = hasard.bounded(1u, 0x30000u);
            bruit += QChar::isSurrogate(c) ? QString() : QString::fromUcs4(&c, 1);
        }
        QVERIFY(base.Chercher(bruit).size() <= 200);
        QVERIFY(base.Chercher(QStringLiteral("été ") + QChar(0xD800) + QStringLiteral("chaud")).size() <= 1);
        QCOMPARE(base.Conversations().size(), 1);
        QCOMPARE(base.Conversations().first().Entrees, int(corpus.size()));
        QCOMPARE(BaseHistorique::Mots("  L'été, NOËL!  ÉTÉ noël"), QStringList({"L", "été", "NOËL"}));
        QCOMPARE(BaseHistorique::Mots("x86_64 = 3,14"), QStringList({"x86", "64", "3", "14"}));
        QCOMPARE(BaseHistorique::Mots("e\u0301te\u0301 \u0301"), QStringList({"e\u0301te\u0301"}));
        QStringList cent;
        for (int i = 0; i < 100; ++i)
            cent << QStringLiteral("mot%1").arg(i);
        const QStringList bornes = BaseHistorique::Mots(cent.join(u' '));
        QVERIFY(!bornes.isEmpty() && bornes.size() < 100 && bornes.first() == cent.first());
    }

    // Off: nothing more is written, until turned on again, across restarts; what was shown is kept.
    void enregistrementCoupe() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        const QDate jour(2024, 3, 1);
        {
            BaseHistorique base(chemin);
            QVERIFY(base.Enregistrer());
            base.Ajouter(Message("gardé", Le(1, 9)));
            base.ReglerEnregistrer(false);
            QVERIFY(!base.Enregistrer());
            base.Ajouter(Message("oublié", Le(1, 10)));
            base.Vider();
            QCOMPARE(Textes(base.Entrees(Zoe, jour)), QStringList({"gardé"}));
            // Null strings are stored as empty ones.
            base.ReglerEnregistrer(true);
            EntreeHistorique vide;
            vide.Moment = Le(2, 9);
            base.Ajouter(vide);
            base.Vider();
            QCOMPARE(base.Entrees(QString(), QDate(2024, 3, 2)).size(), 1);
            base.ReglerEnregistrer(false);
        }
        {
            BaseHistorique base(chemin);
            QVERIFY(!base.Enregistrer());
            base.Ajouter(Message("oublié aussi", Le(1, 11)));
            base.Vider();
            QVERIFY(!base.Enregistrer());
        }
        {
            // Added while the file is read: follows the old value.
            BaseHistorique base(chemin);
            base.Ajouter(Message("oublié encore", Le(1, 12)));
            base.ReglerEnregistrer(true);
            base.Ajouter(Message("repris", Le(1, 13)));
            base.Vider();
            QVERIFY(base.Enregistrer());
            QCOMPARE(Textes(base.Entrees(Zoe, jour)), QStringList({"gardé", "repris"}));
        }
        QVERIFY(BaseHistorique(chemin).Enregistrer());
    }

    // Every entry goes, the queued ones too, and its text leaves the files; the history goes on.
    void effacer() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        BaseHistorique base(chemin);
        for (int i = 0; i < 3000; ++i)
            base.Ajouter(
                Message(QStringLiteral("zorglubmarqueur secret numéro %1").arg(i), Le(1 + i % 5, 9)));
        base.Vider();
        QVERIFY(Lire(chemin).contains("zorglub") || Lire(chemin + "-wal").contains("zorglub"));
        for (int i = 0; i < 5; ++i)
            base.Ajouter(Message(QStringLiteral("zorglubmarqueur en attente %1").arg(i), Le(2, 9)));
        QVERIFY(base.Effacer());
        base.Vider();
        QVERIFY(base.Conversations().isEmpty() && base.Entrees(Zoe, QDate(2024, 3, 2)).isEmpty());
        QVERIFY(base.Chercher("zorglubmarqueur").isEmpty());
        QVERIFY(!Lire(chemin).contains("zorglub") && !Lire(chemin + "-wal").contains("zorglub"));
        base.Ajouter(Message("après l'effacement", Le(2, 10)));
        base.Vider();
        QCOMPARE(Textes(base.Chercher("effacement")), QStringList({"après l'effacement"}));
        QCOMPARE(base.Conversations().size(), 1);
        QVERIFY(base.Disponible());
        // Another program reading keeps the log: the erasing is not whole.
        {
            QSqlDatabase lecteur =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lecteur"));
            lecteur.setDatabaseName(chemin);
            QVERIFY(lecteur.open());
            QSqlQuery q(lecteur);
            QVERIFY(q.exec("BEGIN") && q.exec("SELECT count(*) FROM entrees") && q.next());
            QVERIFY(!base.Effacer());
            QVERIFY(base.Disponible());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("lecteur"));
    }

    // An unusable or locked file: nobody waits, entries dropped, the reason told once, reads empty, file
    // intact.
    void fichierInutilisable_data() {
        QTest::addColumn<Cas>("cas");
        QTest::addColumn<QString>("raison");
        const QString fichier = QStringLiteral("le fichier de l'historique ");
        QTest::newRow("dans un fichier") << Cas::DansUnFichier << fichier + "ne peut pas être ouvert";
        QTest::newRow("tronqué") << Cas::Tronque << fichier + "est endommagé";
        QTest::newRow("octets au hasard") << Cas::Aleatoire << fichier + "est endommagé";
        QTest::newRow("autre programme") << Cas::AutreProgramme << fichier + "n'est pas reconnu";
        QTest::newRow("verrouillée") << Cas::Verrouillee
                                     << "la base de l'historique est verrouillée par un autre programme";
    }
    void fichierInutilisable() {
        QFETCH(Cas, cas);
        QFETCH(QString, raison);
        QTemporaryDir d;
        QString chemin = d.filePath("historique.db");
        QString garde = chemin;
        QProcess verrou;
        QByteArray sortie;
        switch (cas) {
        case Cas::DansUnFichier:
            garde = d.filePath("fichier");
            QVERIFY(Ecrire(garde, "un fichier, pas un dossier"));
            chemin = garde + "/historique.db";
            break;
        case Cas::Tronque: QVERIFY(Ecrire(chemin, Lire(BaseEcrite(chemin)).left(1000))); break;
        case Cas::Aleatoire: QVERIFY(Ecrire(chemin, OctetsAuHasard(64 * 1024))); break;
        case Cas::AutreProgramme:
            QCOMPARE(
                Valeurs(chemin, {"CREATE TABLE notes (texte TEXT)", "INSERT INTO notes VALUES ('à garder')"}),
                QStringList({"", ""}));
            break;
        case Cas::Verrouillee:
            QVERIFY(Lancer(verrou, QStringLiteral(OVAN_VERROU), BaseEcrite(chemin), sortie,
                           [](const QByteArray& s) { return s.contains("verrou"); }));
            break;
        }
        const QByteArray avant = Lire(garde);
        QVERIFY(avant != "<absent>");
        QElapsedTimer montre;
        montre.start();
        auto base = std::make_unique<BaseHistorique>(chemin);
        QSignalSpy hors(base.get(), &BaseHistorique::horsService);
        QSignalSpy ecrit(base.get(), &BaseHistorique::ecrit);
        for (int i = 0; i < 1000; ++i)
            base->Ajouter(Message(QStringLiteral("perdu %1").arg(i), Le(1, 9)));
        QVERIFY(montre.elapsed() < 500);
        QVERIFY(hors.wait(10'000));
        QCOMPARE(hors.first().first().toString(), raison);
        QVERIFY(!base->Disponible());
        QCOMPARE(base->Raison(), raison);
        base->Ajouter(Message("perdu aussi", Le(1, 10)));
        base->Vider();
        QVERIFY(!base->Effacer());
        base->ReglerEnregistrer(false);
        QVERIFY(base->Conversations().isEmpty() && base->Entrees(Zoe, QDate(2024, 3, 1)).isEmpty());
        QVERIFY(base->Chercher("message").isEmpty());
        base.reset();
        QCOMPARE(hors.size(), 1);
        QVERIFY(ecrit.isEmpty());
        QCOMPARE(Lire(garde), avant);
        if (cas == Cas::Verrouillee) {
            verrou.closeWriteChannel();
            QVERIFY(verrou.waitForFinished(10'000));
            QCOMPARE(verrou.exitCode(), 0);
            BaseHistorique libre(chemin);
            libre.Ajouter(Message("libre", Le(1, 11)));
            libre.Vider();
            QCOMPARE(libre.Entrees(Zoe, QDate(2024, 3, 1)).size(), 21);
        }
    }

    // A file that may not grow any more: the history stops once, what was written stays.
    void fichierQuiNeGranditPlus() {
        QTemporaryDir d;
        const QString chemin = BaseEcrite(d.filePath("historique.db"));
        auto base = std::make_unique<BaseHistorique>(chemin);
        QSignalSpy hors(base.get(), &BaseHistorique::horsService);
        base->Ajouter(Message("avant", Le(1, 8)));
        base->Vider();
        rlimit ancienne{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &ancienne), 0);
        const rlimit petite{256 * 1024, ancienne.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &petite), 0);
        for (int i = 0; i < 200; ++i)
            base->Ajouter(Message(QString(4000, QChar(u'a' + i % 26)), Le(1, 10)));
        base->Vider();
        ::setrlimit(RLIMIT_FSIZE, &ancienne);
        QTRY_COMPARE(hors.size(), 1);
        QCOMPARE(hors.first().first().toString(),
                 QStringLiteral("le fichier de l'historique ne peut pas être écrit"));
        QVERIFY(!base->Disponible());
        base.reset();
        QCOMPARE(hors.size(), 1);
        BaseHistorique apres(chemin);
        apres.Ajouter(Message("après", Le(1, 12)));
        apres.Vider();
        QCOMPARE(Textes(apres.Entrees(Zoe, QDate(2024, 3, 1))).mid(19),
                 QStringList({"ancien message 19", "avant", "après"}));
    }

    // Killed mid-burst: the file is whole, holds every entry reported written, index and summary agree.
    void arretBrutal() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        QProcess rafale;
        QByteArray sortie;
        QVERIFY(Lancer(
            rafale, QStringLiteral(OVAN_RAFALE), chemin, sortie,
            [](const QByteArray& s) { return DernierTotal(s) >= 5000; }, 60'000));
        QCOMPARE(rafale.state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(rafale.processId()), SIGKILL), 0);
        QVERIFY(rafale.waitForFinished(10'000));
        QCOMPARE(rafale.exitStatus(), QProcess::CrashExit);
        sortie += rafale.readAllStandardOutput();
        QVERIFY2(!sortie.contains("hors service"), sortie.right(200).constData());
        const qint64 dernier = DernierTotal(sortie);
        const QStringList v =
            Valeurs(chemin, {"PRAGMA integrity_check",
                             "INSERT INTO entrees_mots (entrees_mots) VALUES ('integrity-check')",
                             "SELECT count(*) FROM entrees", "SELECT sum(entrees) FROM conversations",
                             "SELECT max(id) FROM entrees", "SELECT max(derniere) FROM conversations"});
        QCOMPARE(v.first(2), QStringList({"ok", ""}));
        QVERIFY2(v.at(2).toLongLong() >= dernier,
                 qPrintable(QStringLiteral("%1 < %2").arg(v.at(2)).arg(dernier)));
        QCOMPARE(v.at(3), v.at(2));
        QCOMPARE(v.at(5), v.at(4));
        BaseHistorique base(chemin);
        base.Ajouter(Message("reprise", QDateTime()));
        base.Vider();
        QVERIFY(base.Disponible());
        QCOMPARE(base.Chercher("rafale numero").size(), 200);
        QVERIFY(!base.Conversations().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHistoryBase)
#include "tst_history_base.moc"
