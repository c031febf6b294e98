// This copy's key and certificate: made once, kept readable by its owner only, and made anew, with
// the reason, when they are missing in part, unreadable, damaged or not a pair.
#include "Fichiers.h"
#include "core/security/Identite.h"

#include <QCryptographicHash>
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
        QVERIFY(lu.expiryDate().date().year() > 2100);
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
};

QTEST_GUILESS_MAIN(TestSecurite)
#include "tst_securite.moc"
