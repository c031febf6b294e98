// A file past 4 GiB between two channels: every count is 64-bit (slow: it writes 4 GiB).
#include "Fichiers.h"
#include "core/transfer/CanalFichier.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint64 Taille = (4LL << 30) + 12345;
constexpr quint16 Port = 46011;

QHostAddress Ip(int n) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

// 4 KiB marks at the start, on both sides of every GiB and at the very end; the rest is a hole.
QList<qint64> Marques() {
    QList<qint64> positions{0};
    for (qint64 gio = 1; gio <= 4; ++gio)
        positions << (gio << 30) - 4096 << (gio << 30);
    return positions << Taille - 4096;
}

} // namespace

class TestTransferGrand : public QObject {
    Q_OBJECT
private slots:
    void auDelaDe4Gio() {
        QTemporaryDir racine;
        QVERIFY(racine.isValid());
        if (QStorageInfo(racine.path()).bytesAvailable() < Taille + (1LL << 30))
            QSKIP("less than 5 GiB free beside the temporary folder");
        const QString source = racine.filePath(QStringLiteral("source.bin"));
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(Taille));
            for (qint64 position : Marques())
                QVERIFY(f.seek(position) &&
                        f.write(QByteArray(4096, char(position / 4096 % 251 + 1))) == 4096);
        }
        CanalFichier a(Ip(140), Port), b(Ip(141), Port);
        QVERIFY(a.Ecouter() && b.Ecouter());
        QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine);
        QSignalSpy echec(&b, &CanalFichier::echec), progression(&b, &CanalFichier::progression);
        QVERIFY(a.Proposer(Ip(141)));
        QVERIFY(b.Recevoir(Ip(140), racine.path(), QStringLiteral("grand.bin"), Taille));
        QVERIFY(a.Envoyer(Ip(141), source, Taille));
        QTRY_VERIFY_WITH_TIMEOUT((finA.count() == 1 && finB.count() == 1) || !echec.isEmpty(), 500000);
        QCOMPARE(echec.count(), 0);
        QCOMPARE(progression.last(), (QList<QVariant>{Taille, Taille}));
        const QString recu = racine.filePath(QStringLiteral("grand.bin"));
        QCOMPARE(QFileInfo(recu).size(), Taille);
        QCOMPARE(Empreinte(recu), Empreinte(source));
    }
};

QTEST_GUILESS_MAIN(TestTransferGrand)
#include "tst_transfer_grand.moc"
