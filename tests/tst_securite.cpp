// This copy's key and certificate: made once, kept readable by its owner only, and made anew, with
// the reason, when they are missing in part, unreadable, damaged or not a pair.
#include "Fichiers.h"
#include "core/security/Confiance.h"
#include "core/security/Identite.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class TestSecurite : public QObject {
    Q_OBJECT
private slots:
    void identiteGardeeOuRefaite() {
        QTemporaryDir d;
        const QString cle = d.filePath(Identites::NomCle), certificat = d.filePath(Identites::NomCertificat);
        // Owner's bits and everyone else's (Qt adds the user's own access beside them).
        const auto acces = [&] { return int(QFile::permissions(cle) & 0x7077); };
        const auto premiere = Identites::Charger(d.path());
        QCOMPARE(premiere.etat, Identites::Etat::Creee);
        QCOMPARE(acces(), 0x6000);
        const QSslCertificate lu(Lire(certificat));
        QVERIFY(!lu.isNull() && !QSslKey(Lire(cle), QSsl::Ec).isNull());
        QCOMPARE(premiere.identite.empreinte, lu.digest(QCryptographicHash::Sha256));
        QVERIFY(lu.expiryDate().date().year() > 2100 && lu.isSelfSigned());
        QCOMPARE(lu.subjectInfo(QSslCertificate::CommonName), QStringList{"OVAN Messenger"});
        // Kept: the same identity at every start; a key left open to others is closed again.
        QVERIFY(QFile::setPermissions(cle, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const auto encore = Identites::Charger(d.path());
        QCOMPARE(encore.etat, Identites::Etat::Chargee);
        QCOMPARE(encore.identite.empreinte, premiere.identite.empreinte);
        QCOMPARE(acces(), 0x6000);
        const Identite autre = *Identites::Creer();
        QVERIFY(autre.empreinte != premiere.identite.empreinte);
        const std::initializer_list<std::pair<std::function<bool()>, const char*>> cas = {
            {[&] { return Ecrire(cle, Lire(cle).chopped(40)); }, "la clé de ce poste était abîmée"},
            {[&] { return Ecrire(certificat, autre.certificat); }, "la clé de ce poste était abîmée"},
            {[&] { return QFile::remove(certificat); }, "une partie de la clé de ce poste manquait"},
            {[&] { return QFile::remove(cle) && QDir().mkdir(cle); },
             "la clé de ce poste ne pouvait pas être lue"},
        };
        QByteArray avant = encore.identite.empreinte;
        for (const auto& [abimer, pourquoi] : cas) {
            QVERIFY(abimer());
            const auto refaite = Identites::Charger(d.path());
            if (QFileInfo(cle).isDir()) {
                // A folder in its place is not removed: nothing can be kept.
                QCOMPARE(refaite.etat, Identites::Etat::Impossible);
                QVERIFY(refaite.pourquoi.startsWith("la clé de ce poste ne peut pas être enregistrée"));
                continue;
            }
            QCOMPARE(refaite.etat, Identites::Etat::Remplacee);
            QCOMPARE(refaite.pourquoi, QString::fromUtf8(pourquoi));
            QVERIFY(refaite.identite.empreinte != avant);
            QCOMPARE(Identites::Charger(d.path()).identite.empreinte, refaite.identite.empreinte);
            avant = refaite.identite.empreinte;
        }
    }

    // A key is trusted the first time; a known nickname or address with another key is a change,
    // until the user accepts the new key in its place. What is kept survives a restart; damaged
    // lines are dropped and counted.
    void confianceAuPremierUsage() {
        QTemporaryDir d;
        const QString fichier = d.filePath("contacts");
        const QByteArray k1(32, '1'), k2(32, '2'), k3(32, '3');
        {
            Confiance c(fichier);
            QCOMPARE(c.Examiner(k1, "Paul", "10.0.0.2"), Confiance::Avis::Nouveau);
            QVERIFY(c.Retenir(k1, "Pa\tul", "10.0.0.2") && c.Retenir(k3, "Eve", "10.0.0.7"));
            QVERIFY(c.MarquerVerifie(k1) && !c.MarquerVerifie(k2));
        }
        QVERIFY(Ecrire(fichier, Lire(fichier) + "zz\tx\ty\t1\n\n"));
        Confiance c(fichier);
        QCOMPARE(c.LignesIllisibles(), 2);
        QCOMPARE(c.Contacts().size(), 2);
        ContactConnu ancien;
        QCOMPARE(c.Examiner(k1, "Autre", "10.0.0.99"), Confiance::Avis::Connu);
        QCOMPARE(c.Examiner(k2, "Pa ul", "10.0.0.9", &ancien), Confiance::Avis::Change);
        QVERIFY(ancien.empreinte == k1 && ancien.verifie);
        QCOMPARE(c.Examiner(k2, "Marie", "10.0.0.7", &ancien), Confiance::Avis::Change);
        QCOMPARE(ancien.pseudo, "Eve");
        QCOMPARE(c.Examiner(k2, "Marie", "10.0.0.3"), Confiance::Avis::Nouveau);
        QVERIFY(c.ConnuChiffre("Eve", "") && !c.ConnuChiffre("Marie", "10.0.0.3"));
        // Accepted in place of Paul's: the old key goes, the new one is not yet checked.
        QVERIFY(c.Retenir(k2, "Pa ul", "10.0.0.5"));
        QCOMPARE(Confiance(fichier).Contacts(),
                 (QList<ContactConnu>{{k3, "Eve", "10.0.0.7", false}, {k2, "Pa ul", "10.0.0.5", false}}));
        QCOMPARE(c.Examiner(k1, "Paul", ""), Confiance::Avis::Nouveau);
        // The same code on both screens, six groups of five digits, another for another pair.
        const QString code = Confiance::CodeDeSurete(k1, k2);
        QCOMPARE(code, Confiance::CodeDeSurete(k2, k1));
        QVERIFY(QRegularExpression("^\\d{5}( \\d{5}){5}$").match(code).hasMatch());
        QVERIFY(code != Confiance::CodeDeSurete(k1, k3));
    }
};

QTEST_GUILESS_MAIN(TestSecurite)
#include "tst_securite.moc"
