// Past 4 GiB between two channels: every count is 64-bit (slow: it writes 4 GiB, then 5 GiB). One
// file as the other program sends it, then a batch of copies of ours holding a 5 GiB file, 10,000
// small ones and empty folders.
#include "Fichiers.h"
#include "core/transfer/CanalFichier.h"
#include "core/transfer/Lot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr quint16 Port = 46011;

QHostAddress Ip(int n) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

// 4 KiB marks at the start, on both sides of every GiB and at the very end; the rest is a hole.
QList<qint64> Marques(qint64 taille) {
    QList<qint64> positions{0};
    for (qint64 gio = 1; gio << 30 < taille; ++gio)
        positions << (gio << 30) - 4096 << (gio << 30);
    return positions << taille - 4096;
}

QByteArray Marque(qint64 position) {
    return QByteArray(4096, char(position / 4096 % 251 + 1));
}

} // namespace

class TestTransferGrand : public QObject {
    Q_OBJECT
private slots:
    void auDelaDe4Gio_data() {
        QTest::addColumn<qint64>("taille");
        QTest::addColumn<int>("petits");
        QTest::newRow("un fichier") << (4LL << 30) + 12345 << 0;
        QTest::newRow("un lot") << (5LL << 30) + 12345 << 10000;
    }
    void auDelaDe4Gio() {
        QFETCH(qint64, taille);
        QFETCH(int, petits);
        QTemporaryDir racine;
        QVERIFY(racine.isValid());
        if (QStorageInfo(racine.path()).bytesAvailable() < taille + (1LL << 30))
            QSKIP("not enough room beside the temporary folder");
        const QString dossier = racine.filePath(petits > 0 ? "envoi/Lot" : "envoi");
        QVERIFY(QDir().mkpath(dossier + "/vide/encore") && QDir().mkpath(racine.filePath("recus")));
        const QString source = dossier + "/grand.bin";
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(taille));
            for (qint64 position : Marques(taille))
                QVERIFY(f.seek(position) && f.write(Marque(position)) == 4096);
        }
        for (int i = 0; i < petits; ++i)
            QVERIFY((i % 100 != 0 || QDir().mkpath(dossier + QStringLiteral("/petits/%1").arg(i / 100))) &&
                    Ecrire(dossier + QStringLiteral("/petits/%1/%2.txt").arg(i / 100).arg(i),
                           QByteArray::number(i)));
        CanalFichier a(Ip(140), Port), b(Ip(141), Port);
        QVERIFY(a.Ecouter() && b.Ecouter());
        QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine);
        QSignalSpy echec(&b, &CanalFichier::echec), progression(&b, &CanalFichier::progression);
        QVERIFY(a.Proposer(Ip(141)));
        QString erreur;
        const auto lot = petits > 0 ? Lot::Composer({dossier}, erreur) : std::nullopt;
        if (lot) {
            QVERIFY(b.RecevoirLot(Ip(140), racine.filePath("recus"), lot->NombreFichiers(), lot->total,
                                  {"Alice", "Lot"}));
            QVERIFY(a.EnvoyerLot(Ip(141), std::make_shared<const Lot::Source>(*lot)));
        } else {
            QVERIFY(b.Recevoir(Ip(140), racine.filePath("recus"), QStringLiteral("grand.bin"), taille));
            QVERIFY(a.Envoyer(Ip(141), source, taille));
        }
        QTRY_VERIFY_WITH_TIMEOUT((finA.count() == 1 && finB.count() == 1) || !echec.isEmpty(), 500000);
        QCOMPARE(echec.count(), 0);
        const qint64 total = lot ? lot->total : taille;
        QCOMPARE(progression.last(), (QList<QVariant>{total, total}));
        const QString recus = racine.filePath(petits > 0 ? "recus/Lot" : "recus");
        QFile recu(recus + "/grand.bin");
        QVERIFY(recu.open(QIODevice::ReadOnly));
        QCOMPARE(recu.size(), taille);
        for (qint64 position : Marques(taille))
            QVERIFY(recu.seek(position) && recu.read(4096) == Marque(position));
        if (petits > 0) {
            QVERIFY(QFileInfo(recus + "/vide/encore").isDir());
            for (int i : {0, 4321, petits - 1})
                QCOMPARE(Lire(recus + QStringLiteral("/petits/%1/%2.txt").arg(i / 100).arg(i)),
                         QByteArray::number(i));
            QCOMPARE(EntreesDe(recus + "/petits/42").size(), 100);
        }
    }
};

QTEST_GUILESS_MAIN(TestTransferGrand)
#include "tst_transfer_grand.moc"
