// The conversation history's database without a window: entries read back as written and after a
// restart, conversations by contact and day, searches that ignore case and accents and accept any
// text, the setting and the clearing; then files that cannot be used (the chat goes on, the user's
// file is left as it was), another program holding the lock, and a writer killed mid-write.
#include "Fichiers.h"
#include "history/Historique.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <csignal>
#include <memory>
#include <optional>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using Sorte = EntreeHistorique::Sorte;

namespace {

EntreeHistorique Entree(Sorte sorte, const QString& adresse, const QString& pseudo, const QString& auteur,
                        const QString& texte, const QDateTime& moment, int police = 0, int couleur = 0,
                        int style = 0) {
    EntreeHistorique e;
    e.Genre = sorte;
    e.Adresse = adresse;
    e.PseudoContact = pseudo;
    e.Auteur = auteur;
    e.Texte = texte;
    e.Moment = moment;
    e.Police = police;
    e.Couleur = couleur;
    e.Style = style;
    return e;
}

EntreeHistorique Message(const QString& adresse, const QString& texte, const QDateTime& moment) {
    return Entree(Sorte::Recu, adresse, QStringLiteral("Zoé"), QStringLiteral("Zoé"), texte, moment);
}

QDateTime Le(int jour, int heure, int minute = 0) {
    return QDateTime(QDate(2024, 3, jour), QTime(heure, minute));
}

// Everything but the id, one line per entry, so that a difference shows in the failure message.
QStringList Decrire(const QList<EntreeHistorique>& entrees) {
    QStringList lignes;
    for (const EntreeHistorique& e : entrees) {
        lignes << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                      .arg(e.Moment.toMSecsSinceEpoch())
                      .arg(int(e.Genre))
                      .arg(e.Adresse, e.PseudoContact, e.Auteur)
                      .arg(e.Police)
                      .arg(e.Couleur)
                      .arg(e.Style)
                      .arg(e.Texte);
    }
    return lignes;
}

QStringList Textes(const QList<EntreeHistorique>& entrees) {
    QStringList textes;
    for (const EntreeHistorique& e : entrees) {
        textes << e.Texte;
    }
    return textes;
}

// The test's own connection to a file, to look at it from outside.
class Lecteur {
public:
    explicit Lecteur(const QString& chemin) : m_nom(QStringLiteral("tst-lecteur-%1").arg(++s_lecteurs)) {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nom);
        base.setDatabaseName(chemin);
        base.open();
    }
    ~Lecteur() {
        QSqlDatabase::database(m_nom, false).close();
        QSqlDatabase::removeDatabase(m_nom);
    }
    Lecteur(const Lecteur&) = delete;
    Lecteur& operator=(const Lecteur&) = delete;

    QVariant Valeur(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database(m_nom, false));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant(QStringLiteral("<erreur>"));
    }
    bool Executer(const QString& sql) const { return QSqlQuery(QSqlDatabase::database(m_nom, false)).exec(sql); }

private:
    static inline int s_lecteurs = 0;
    QString m_nom;
};

// Root passes over file permissions. The capabilities that let it are set aside for the calling
// thread, and the threads it starts meanwhile, so that a read-only file is one for the code tested.
class SansPasseDroits {
public:
    SansPasseDroits() {
        if (::syscall(SYS_capget, &m_entete, m_avant) != 0) {
            return;
        }
        __user_cap_data_struct apres[2] = {m_avant[0], m_avant[1]};
        apres[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        m_fait = ::syscall(SYS_capset, &m_entete, apres) == 0;
    }
    ~SansPasseDroits() {
        if (m_fait) {
            ::syscall(SYS_capset, &m_entete, m_avant);
        }
    }
    SansPasseDroits(const SansPasseDroits&) = delete;
    SansPasseDroits& operator=(const SansPasseDroits&) = delete;

private:
    __user_cap_header_struct m_entete{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_avant[2]{};
    bool m_fait = false;
};

// A history of a few entries, closed: the file is whole, without its log.
QString BaseEcrite(const QString& chemin) {
    BaseHistorique base(chemin);
    for (int i = 0; i < 20; ++i) {
        base.Ajouter(Message(QStringLiteral("10.0.0.1"), QStringLiteral("ancien message %1").arg(i), Le(1, 9, i)));
    }
    base.Vider();
    return chemin;
}

// The last total a writer printed on a whole line.
qint64 DernierTotal(const QByteArray& sortie) {
    const qsizetype fin = sortie.lastIndexOf('\n');
    if (fin < 0) {
        return 0;
    }
    const qsizetype debut = sortie.lastIndexOf('\n', fin - 1) + 1;
    return sortie.mid(debut, fin - debut).toLongLong();
}

enum class Cas { DansUnFichier, LectureSeule, Tronque, Aleatoire, AutreProgramme };

} // namespace

Q_DECLARE_METATYPE(Cas)

class TestHistoryBase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    // The three kinds with any format indexes, several lines, accents and emoji come back the same
    // and in order, from the same object and after a restart; two histories live side by side.
    void entreesRelues() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        const QString adresse = QStringLiteral("192.168.1.20");
        const QList<EntreeHistorique> ecrites = {
            Entree(Sorte::Envoye, adresse, "Zoé", "Moi", "Bonjour, ça va ?", Le(5, 10), 2, 7, 1),
            Entree(Sorte::Recu, adresse, "Zoé", "Zoé", "Très bien !\nEt toi ?\r\n\ttabulé", Le(5, 10, 1), -5, 999, 3),
            Entree(Sorte::Systeme, adresse, "Zoé", "", "Zoé est maintenant « Zoë 🎉 »", Le(5, 10, 2)),
            Entree(Sorte::Recu, adresse, "Zoë 🎉", "Zoë 🎉", "👍🏽 漢字 ﷽ e\u0301te\u0301 'quote' \"double\"",
                   Le(5, 10, 3), INT_MIN, INT_MAX, -1),
        };
        qint64 premier = 0;
        {
            BaseHistorique base(chemin);
            BaseHistorique autre(d.filePath("autre.db"));
            QSignalSpy ecrit(&base, &BaseHistorique::ecrit);
            for (const EntreeHistorique& e : ecrites) {
                base.Ajouter(e);
            }
            autre.Ajouter(ecrites.first());
            base.Vider();
            autre.Vider();
            QTRY_VERIFY(!ecrit.isEmpty());
            QCOMPARE(ecrit.last().first().toLongLong(), 4);

            const QList<EntreeHistorique> lues = base.Entrees(adresse, QDate(2024, 3, 5));
            QCOMPARE(Decrire(lues), Decrire(ecrites));
            QCOMPARE(lues.at(1).Genre, Sorte::Recu);
            QVERIFY(lues.first().Id > 0);
            for (int i = 1; i < lues.size(); ++i) {
                QVERIFY(lues.at(i).Id > lues.at(i - 1).Id);
            }
            premier = lues.first().Id;
            QCOMPARE(Decrire(autre.Entrees(adresse, QDate(2024, 3, 5))), Decrire({ecrites.first()}));
            QVERIFY(base.Disponible());
            QVERIFY(base.Raison().isEmpty());
        }
        {
            BaseHistorique base(chemin);
            QSignalSpy ecrit(&base, &BaseHistorique::ecrit);
            const QList<EntreeHistorique> lues = base.Entrees(adresse, QDate(2024, 3, 5));
            QCOMPARE(Decrire(lues), Decrire(ecrites));
            QCOMPARE(lues.first().Id, premier);
            // Without a moment, the entry is dated when it is added.
            const QDateTime avant = QDateTime::currentDateTime();
            base.Ajouter(Entree(Sorte::Systeme, adresse, "Zoë", "", "Connexion perdue", QDateTime()));
            const QDateTime apres = QDateTime::currentDateTime();
            base.Vider();
            QTRY_COMPARE(ecrit.size(), 1);
            // Counted from this object's start.
            QCOMPARE(ecrit.first().first().toLongLong(), 1);
            const QList<EntreeHistorique> aujourdhui = base.Entrees(adresse, avant.date());
            QCOMPARE(aujourdhui.size(), 1);
            QVERIFY(aujourdhui.first().Moment >= avant.addMSecs(-1) && aujourdhui.first().Moment <= apres);
            QVERIFY(aujourdhui.first().Id > lues.last().Id);
        }
        Lecteur l(chemin);
        QCOMPARE(l.Valeur("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        QCOMPARE(l.Valeur("PRAGMA user_version").toInt(), 1);
        QCOMPARE(l.Valeur("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
    }

    // One row per contact and local day, the newest first, with its count and the latest nickname
    // (a notice without one keeps it), summed over several batches.
    void conversations() {
        QTemporaryDir d;
        BaseHistorique base(d.filePath("historique.db"));
        const QString a = QStringLiteral("10.0.0.1"), b = QStringLiteral("10.0.0.2");
        base.Ajouter(Entree(Sorte::Recu, a, "Anne", "Anne", "un", Le(1, 9)));
        base.Ajouter(Entree(Sorte::Envoye, a, "Anne", "Moi", "deux", Le(1, 9, 5)));
        base.Ajouter(Entree(Sorte::Recu, b, "Bruno", "Bruno", "trois", Le(1, 10)));
        base.Vider();
        base.Ajouter(Entree(Sorte::Recu, a, "Anne", "Anne", "tard le soir", Le(2, 23, 30)));
        base.Ajouter(Entree(Sorte::Recu, a, "Annette", "Annette", "après minuit", Le(3, 0, 30)));
        base.Ajouter(Entree(Sorte::Systeme, a, "Annie", "", "Anne est maintenant Annie", Le(1, 11)));
        base.Ajouter(Entree(Sorte::Systeme, a, "", "", "Connexion perdue", Le(1, 12)));
        base.Vider();

        const QList<ConversationHistorique> liste = base.Conversations();
        QStringList vues;
        for (const ConversationHistorique& c : liste) {
            vues << QStringLiteral("%1 %2 %3 %4").arg(c.Adresse, c.Jour.toString(Qt::ISODate), c.Pseudo).arg(c.Entrees);
            const QList<EntreeHistorique> entrees = base.Entrees(c.Adresse, c.Jour);
            QCOMPARE(entrees.size(), c.Entrees);
            QCOMPARE(c.Derniere, entrees.last().Id);
        }
        QCOMPARE(vues, QStringList({"10.0.0.1 2024-03-01 Annie 4", "10.0.0.1 2024-03-03 Annette 1",
                                    "10.0.0.1 2024-03-02 Anne 1", "10.0.0.2 2024-03-01 Bruno 1"}));
        QCOMPARE(Textes(base.Entrees(a, QDate(2024, 3, 1))),
                 QStringList({"un", "deux", "Anne est maintenant Annie", "Connexion perdue"}));
        QVERIFY(base.Entrees(QStringLiteral("10.0.0.9"), QDate(2024, 3, 1)).isEmpty());
        QVERIFY(base.Entrees(a, QDate()).isEmpty());
    }

    // Reads made while the writer is still creating the file see what it writes afterwards.
    void lecturesDesLeDebut() {
        for (int i = 0; i < 20; ++i) {
            QTemporaryDir d;
            BaseHistorique base(d.filePath("historique.db"));
            QVERIFY(base.Conversations().isEmpty());
            QVERIFY(base.Chercher("premier").isEmpty());
            QVERIFY(base.Enregistrer());
            base.Ajouter(Message(QStringLiteral("10.0.0.1"), "premier message", Le(1, 9)));
            base.Vider();
            QCOMPARE(base.Conversations().size(), 1);
            QCOMPARE(base.Chercher("premier").size(), 1);
        }
    }

    // Case and accents ignored, words matched as prefixes, every word required, newest first, at
    // most max; any text the user types is only ever words to look for.
    void recherche() {
        QTemporaryDir d;
        BaseHistorique base(d.filePath("historique.db"));
        const QStringList corpus = {
            "L'été sera chaud à Noël",
            "ETE indien, noel blanc",
            "Les étoiles de l'été",
            "Robert'); DROP TABLE entrees;-- \"guillemets\" et * étoile",
            "NEAR(chat chien) OR chat AND chien NOT souris",
            "Ça coûte 100 € pour 3 œufs",
            "日本語のテキスト",
        };
        for (int i = 0; i < corpus.size(); ++i) {
            base.Ajouter(Message(QStringLiteral("10.0.0.1"), corpus.at(i), Le(4, 8, i)));
        }
        base.Vider();
        const auto trouves = [&](const QString& mots) {
            QStringList numeros;
            for (const EntreeHistorique& e : base.Chercher(mots)) {
                numeros << QString::number(corpus.indexOf(e.Texte) + 1);
            }
            return numeros.join(u' ');
        };
        QCOMPARE(trouves("ETE"), QStringLiteral("3 2 1"));
        QCOMPARE(trouves("noel"), QStringLiteral("2 1"));
        QCOMPARE(trouves("Été NOËL"), QStringLiteral("2 1"));
        QCOMPARE(trouves("e\u0301te\u0301"), QStringLiteral("3 2 1"));
        QCOMPARE(trouves("ét"), QStringLiteral("4 3 2 1"));
        QCOMPARE(trouves("étoi"), QStringLiteral("4 3"));
        QCOMPARE(trouves("chaud indien"), QString());
        QCOMPARE(trouves("COUTE 100"), QStringLiteral("6"));
        QCOMPARE(trouves("日本"), QStringLiteral("7"));

        // Quotes, operators, column filters and SQL are words like any other.
        QCOMPARE(trouves("Robert'); DROP TABLE entrees;--"), QStringLiteral("4"));
        QCOMPARE(trouves("\"guillemets\""), QStringLiteral("4"));
        QCOMPARE(trouves("NEAR(chat chien)"), QStringLiteral("5"));
        QCOMPARE(trouves("chat OR souris"), QStringLiteral("5"));
        QCOMPARE(trouves("OR"), QStringLiteral("5"));
        QCOMPARE(trouves("NOT"), QStringLiteral("5"));
        QCOMPARE(trouves("texte: chat"), QString());
        QCOMPARE(trouves("') OR 1=1 --"), QString());
        QCOMPARE(trouves("chat*"), QStringLiteral("5"));
        QCOMPARE(trouves("^chat"), QStringLiteral("5"));
        QCOMPARE(trouves("{chat} : (chien)"), QStringLiteral("5"));
        for (const QString& rien : {QString(), QStringLiteral("   "), QStringLiteral("* \" ' ; -- ( ) : ^ + 🎉"),
                                    QStringLiteral("\u0301\u0301")}) {
            QCOMPARE(trouves(rien), QString());
        }
        QString page;
        while (page.size() < 10'000) {
            page += QStringLiteral("été ");
        }
        QCOMPARE(trouves(page), QStringLiteral("3 2 1"));
        QString bruit;
        QRandomGenerator hasard(7);
        while (bruit.size() < 10'000) {
            const char32_t c = hasard.bounded(1u, 0x30000u);
            if (!QChar::isSurrogate(c)) {
                bruit += QString::fromUcs4(&c, 1);
            }
        }
        QVERIFY(base.Chercher(bruit).size() <= 200);
        QVERIFY(base.Chercher(QString(10'000, u'a')).isEmpty());
        QVERIFY(base.Chercher(QStringLiteral("été ") + QChar(0xD800) + QStringLiteral("chaud")).size() <= 1);

        QCOMPARE(Textes(base.Chercher("ete", 2)), QStringList({corpus.at(2), corpus.at(1)}));
        QVERIFY(base.Chercher("ete", 0).isEmpty());
        // Nothing was changed by all that.
        QCOMPARE(base.Conversations().size(), 1);
        QCOMPARE(base.Conversations().first().Entrees, int(corpus.size()));

        QCOMPARE(BaseHistorique::Mots("  L'été, NOËL!  ÉTÉ noël"), QStringList({"L", "été", "NOËL"}));
        QCOMPARE(BaseHistorique::Mots("x86_64 = 3,14"), QStringList({"x86", "64", "3", "14"}));
        QCOMPARE(BaseHistorique::Mots("e\u0301te\u0301 \u0301"), QStringList({"e\u0301te\u0301"}));
        QString cent;
        for (int i = 0; i < 100; ++i) {
            cent += QStringLiteral("mot%1 ").arg(i);
        }
        const QStringList bornes = BaseHistorique::Mots(cent);
        QVERIFY(!bornes.isEmpty() && bornes.size() < 100);
        QCOMPARE(bornes.first(), QStringLiteral("mot0"));
    }

    // Off: nothing more is written, and it stays off after a restart until it is turned on again.
    void enregistrementCoupe() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        const QString a = QStringLiteral("10.0.0.1");
        {
            BaseHistorique base(chemin);
            QVERIFY(base.Enregistrer());
            base.Vider();
            // Shown before the switch, still waiting for its batch: kept.
            base.Ajouter(Message(a, "gardé", Le(1, 9)));
            base.ReglerEnregistrer(false);
            QVERIFY(!base.Enregistrer());
            base.Ajouter(Message(a, "oublié", Le(1, 10)));
            base.Vider();
            QCOMPARE(Textes(base.Entrees(a, QDate(2024, 3, 1))), QStringList({"gardé"}));
            // Fields never set (null strings) are stored as empty ones and found again.
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
            QSignalSpy ecrit(&base, &BaseHistorique::ecrit);
            QVERIFY(!base.Enregistrer());
            base.Ajouter(Message(a, "oublié aussi", Le(1, 11)));
            base.Vider();
            QVERIFY(!base.Enregistrer());
            QCOMPARE(Textes(base.Entrees(a, QDate(2024, 3, 1))), QStringList({"gardé"}));
            QVERIFY(base.Chercher("oublié").isEmpty());
            base.ReglerEnregistrer(true);
            base.Ajouter(Message(a, "repris", Le(1, 12)));
            base.Vider();
            QCOMPARE(Textes(base.Entrees(a, QDate(2024, 3, 1))), QStringList({"gardé", "repris"}));
            QTRY_COMPARE(ecrit.size(), 1);
        }
        BaseHistorique base(chemin);
        base.Vider();
        QVERIFY(base.Enregistrer());
        Lecteur l(chemin);
        QCOMPARE(l.Valeur("SELECT count(*) FROM entrees").toInt(), 3);
    }

    // Every entry goes, the queued ones too, and their text is nowhere in the files; the history
    // goes on afterwards.
    void effacer() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        const QString a = QStringLiteral("10.0.0.1");
        BaseHistorique base(chemin);
        for (int i = 0; i < 3000; ++i) {
            base.Ajouter(Message(a, QStringLiteral("zorglubmarqueur secret numéro %1").arg(i), Le(1 + i % 5, 9)));
        }
        base.Vider();
        QCOMPARE(base.Chercher("zorglubmarqueur", 5000).size(), 3000);
        QVERIFY(Lire(chemin).contains("zorglub") || Lire(chemin + "-wal").contains("zorglub"));
        for (int i = 0; i < 5; ++i) {
            base.Ajouter(Message(a, QStringLiteral("zorglubmarqueur en attente %1").arg(i), Le(2, 9)));
        }
        QVERIFY(base.Effacer());
        base.Vider();
        QVERIFY(base.Conversations().isEmpty());
        QVERIFY(base.Chercher("zorglubmarqueur").isEmpty());
        QVERIFY(base.Entrees(a, QDate(2024, 3, 2)).isEmpty());
        QVERIFY(!Lire(chemin).contains("zorglub"));
        QVERIFY(!Lire(chemin + "-wal").contains("zorglub"));

        base.Ajouter(Message(a, "après l'effacement", Le(2, 10)));
        base.Vider();
        QCOMPARE(Textes(base.Chercher("effacement")), QStringList({"après l'effacement"}));
        QCOMPARE(base.Conversations().size(), 1);
        QCOMPARE(base.Conversations().first().Entrees, 1);
        QVERIFY(base.Disponible());
    }

    // A file that cannot be used: the reason is given once, entries are dropped without waiting,
    // reads are empty, and the user's file keeps every byte.
    void fichierInutilisable_data() {
        QTest::addColumn<Cas>("cas");
        QTest::addColumn<QString>("raison");
        const QString ecrire = QStringLiteral("le fichier de l'historique ne peut pas être écrit");
        const QString endommage = QStringLiteral("le fichier de l'historique est endommagé");
        QTest::newRow("dans un fichier") << Cas::DansUnFichier
                                         << QStringLiteral("le fichier de l'historique ne peut pas être ouvert");
        QTest::newRow("lecture seule") << Cas::LectureSeule << ecrire;
        QTest::newRow("tronqué") << Cas::Tronque << endommage;
        QTest::newRow("octets au hasard") << Cas::Aleatoire << endommage;
        QTest::newRow("autre programme")
            << Cas::AutreProgramme << QStringLiteral("le fichier de l'historique n'est pas reconnu");
    }
    void fichierInutilisable() {
        QFETCH(Cas, cas);
        QFETCH(QString, raison);
        QTemporaryDir d;
        QString chemin = d.filePath("historique.db");
        QString garde = chemin;
        switch (cas) {
        case Cas::DansUnFichier:
            garde = d.filePath("fichier");
            QVERIFY(Ecrire(garde, "un fichier, pas un dossier"));
            chemin = garde + "/historique.db";
            break;
        case Cas::LectureSeule:
            BaseEcrite(chemin);
            QVERIFY(QFile::setPermissions(chemin, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            break;
        case Cas::Tronque: {
            QByteArray octets = Lire(BaseEcrite(chemin));
            QVERIFY(octets.size() > 4096);
            QVERIFY(Ecrire(chemin, octets.left(1000)));
            break;
        }
        case Cas::Aleatoire: {
            QByteArray octets(64 * 1024, Qt::Uninitialized);
            QRandomGenerator(3).fillRange(reinterpret_cast<quint32*>(octets.data()), octets.size() / 4);
            QVERIFY(Ecrire(chemin, octets));
            break;
        }
        case Cas::AutreProgramme: {
            Lecteur l(chemin);
            QVERIFY(l.Executer("CREATE TABLE notes (texte TEXT)"));
            QVERIFY(l.Executer("INSERT INTO notes VALUES ('à garder')"));
            break;
        }
        }
        const QByteArray avant = Lire(garde);
        QVERIFY(avant != "<absent>");

        std::optional<SansPasseDroits> sansDroits;
        if (cas == Cas::LectureSeule) {
            sansDroits.emplace();
            if (QFile(chemin).open(QIODevice::ReadWrite)) {
                QSKIP("a read-only file cannot be made here");
            }
        }
        auto base = std::make_unique<BaseHistorique>(chemin);
        sansDroits.reset();
        QSignalSpy hors(base.get(), &BaseHistorique::horsService);
        QSignalSpy ecrit(base.get(), &BaseHistorique::ecrit);
        QVERIFY(hors.wait(10'000));
        QCOMPARE(hors.first().first().toString(), raison);
        QVERIFY(!base->Disponible());
        QCOMPARE(base->Raison(), raison);

        QElapsedTimer montre;
        montre.start();
        for (int i = 0; i < 100; ++i) {
            base->Ajouter(Message(QStringLiteral("10.0.0.1"), QStringLiteral("perdu %1").arg(i), Le(1, 9)));
        }
        base->Vider();
        QVERIFY(montre.elapsed() < 1000);
        QVERIFY(!base->Effacer());
        base->ReglerEnregistrer(false);
        QVERIFY(base->Conversations().isEmpty());
        QVERIFY(base->Entrees(QStringLiteral("10.0.0.1"), QDate(2024, 3, 1)).isEmpty());
        QVERIFY(base->Chercher("message").isEmpty());
        base.reset();
        QCOMPARE(hors.size(), 1);
        QVERIFY(ecrit.isEmpty());
        QCOMPARE(Lire(garde), avant);
    }

    // A file that may not grow any more while the chat goes on (the disk is full): the batch fails,
    // the history stops once, what was written before stays.
    void fichierQuiNeGranditPlus() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        auto base = std::make_unique<BaseHistorique>(chemin);
        QSignalSpy hors(base.get(), &BaseHistorique::horsService);
        base->Ajouter(Message(QStringLiteral("10.0.0.1"), "avant", Le(1, 9)));
        base->Vider();
        QVERIFY(base->Disponible());

        rlimit ancienne{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &ancienne), 0);
        rlimit petite = ancienne;
        petite.rlim_cur = 256 * 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &petite), 0);
        for (int i = 0; i < 200; ++i) {
            base->Ajouter(Message(QStringLiteral("10.0.0.1"), QString(4000, QChar(u'a' + i % 26)), Le(1, 10)));
        }
        base->Vider();
        ::setrlimit(RLIMIT_FSIZE, &ancienne);

        QTRY_COMPARE(hors.size(), 1);
        QCOMPARE(hors.first().first().toString(), QStringLiteral("le fichier de l'historique ne peut pas être écrit"));
        QVERIFY(!base->Disponible());
        base->Ajouter(Message(QStringLiteral("10.0.0.1"), "perdu", Le(1, 11)));
        base->Vider();
        base.reset();
        QCOMPARE(hors.size(), 1);

        BaseHistorique apres(chemin);
        QCOMPARE(Textes(apres.Entrees(QStringLiteral("10.0.0.1"), QDate(2024, 3, 1))), QStringList({"avant"}));
        apres.Vider();
        QVERIFY(apres.Disponible());
    }

    // Another program holds the lock: the window never waits for it, the reason comes once, the
    // file is untouched, and once the lock is gone the history opens with everything in it.
    void verrouilleeParUnAutre() {
        QTemporaryDir d;
        const QString chemin = BaseEcrite(d.filePath("historique.db"));
        const QByteArray avant = Lire(chemin);
        QProcess verrou;
        verrou.start(QStringLiteral(OVAN_VERROU), {chemin});
        QVERIFY(verrou.waitForStarted());
        QByteArray sortie;
        QVERIFY(QTest::qWaitFor(
            [&] {
                sortie += verrou.readAllStandardOutput();
                return sortie.contains("verrou") || verrou.state() == QProcess::NotRunning;
            },
            10'000));
        QVERIFY(sortie.contains("verrou"));

        QElapsedTimer montre;
        montre.start();
        auto base = std::make_unique<BaseHistorique>(chemin);
        QSignalSpy hors(base.get(), &BaseHistorique::horsService);
        for (int i = 0; i < 1000; ++i) {
            base->Ajouter(Message(QStringLiteral("10.0.0.1"), QStringLiteral("pendant %1").arg(i), Le(2, 9)));
        }
        // The lock is waited for on the writer's side, for seconds.
        QVERIFY(montre.elapsed() < 500);
        QVERIFY(hors.wait(10'000));
        QCOMPARE(hors.first().first().toString(),
                 QStringLiteral("la base de l'historique est verrouillée par un autre programme"));
        base->Vider();
        QVERIFY(base->Conversations().isEmpty());
        base.reset();
        QCOMPARE(hors.size(), 1);
        QCOMPARE(Lire(chemin), avant);

        verrou.closeWriteChannel();
        QVERIFY(verrou.waitForFinished(10'000));
        QCOMPARE(verrou.exitCode(), 0);
        BaseHistorique libre(chemin);
        libre.Vider();
        QVERIFY(libre.Disponible());
        QCOMPARE(libre.Entrees(QStringLiteral("10.0.0.1"), QDate(2024, 3, 1)).size(), 20);
    }

    // Killed in the middle of a burst: the file is whole, holds at least every entry reported as
    // written, and its index and summary agree with its entries.
    void arretBrutal() {
        QTemporaryDir d;
        const QString chemin = d.filePath("historique.db");
        QProcess rafale;
        rafale.start(QStringLiteral(OVAN_RAFALE), {chemin});
        QVERIFY(rafale.waitForStarted());
        QByteArray sortie;
        QVERIFY(QTest::qWaitFor(
            [&] {
                sortie += rafale.readAllStandardOutput();
                return DernierTotal(sortie) >= 5000 || rafale.state() == QProcess::NotRunning;
            },
            60'000));
        QCOMPARE(rafale.state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(rafale.processId()), SIGKILL), 0);
        QVERIFY(rafale.waitForFinished(10'000));
        QCOMPARE(rafale.exitStatus(), QProcess::CrashExit);
        sortie += rafale.readAllStandardOutput();
        QVERIFY2(!sortie.contains("hors service"), sortie.right(200).constData());
        const qint64 dernier = DernierTotal(sortie);
        QVERIFY(dernier >= 5000);
        {
            Lecteur l(chemin);
            QCOMPARE(l.Valeur("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
            QVERIFY(l.Executer("INSERT INTO entrees_mots (entrees_mots) VALUES ('integrity-check')"));
            const qint64 entrees = l.Valeur("SELECT count(*) FROM entrees").toLongLong();
            QVERIFY2(entrees >= dernier, qPrintable(QStringLiteral("%1 < %2").arg(entrees).arg(dernier)));
            QCOMPARE(l.Valeur("SELECT sum(entrees) FROM conversations").toLongLong(), entrees);
            QCOMPARE(l.Valeur("SELECT max(derniere) FROM conversations").toLongLong(),
                     l.Valeur("SELECT max(id) FROM entrees").toLongLong());
        }
        BaseHistorique base(chemin);
        base.Vider();
        QVERIFY(base.Disponible());
        QCOMPARE(base.Chercher("rafale numero").size(), 200);
        QVERIFY(!base.Conversations().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHistoryBase)
#include "tst_history_base.moc"
