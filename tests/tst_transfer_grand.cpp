// A file past 4 GiB between two channels: every count is 64-bit (slow: it writes 4 GiB).
#include "core/transfer/CanalFichier.h"

#include <QFile>
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

// Marks, each 4 KiB long, on both sides of every GiB and at the very end; the rest is a hole.
QList<qint64> Marques() {
    QList<qint64> positions;
    for (qint64 gio = 1; gio <= 4; ++gio)
        positions << (gio << 30) - 4096 << (gio << 30);
    return positions << Taille - 4096;
}

QByteArray Marque(qint64 position) {
    QByteArray bloc(4096, Qt::Uninitialized);
    for (int i = 0; i < bloc.size(); ++i)
        bloc[i] = char((position / 4096 + i) * 37 % 253 + 1);
    return bloc;
}

// What the file holds from debut on, n bytes: zeros but where the marks are.
QByteArray Attendu(qint64 debut, qint64 n) {
    QByteArray octets(n, '\0');
    for (qint64 m : Marques()) {
        const qint64 de = std::max(m, debut), a = std::min(m + 4096, debut + n);
        if (de < a)
            octets.replace(de - debut, a - de, Marque(m).sliced(de - m, a - de));
    }
    return octets;
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
                QVERIFY(f.seek(position) && f.write(Marque(position)) == 4096);
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
        // Byte for byte: the marks where they were, zeros everywhere else.
        QFile recu(racine.filePath(QStringLiteral("grand.bin")));
        QVERIFY(recu.open(QIODevice::ReadOnly));
        QCOMPARE(recu.size(), Taille);
        for (qint64 lu = 0; lu < Taille;) {
            const QByteArray bloc = recu.read(4 << 20);
            QVERIFY(!bloc.isEmpty());
            QVERIFY2(bloc == Attendu(lu, bloc.size()), qPrintable(QString::number(lu)));
            lu += bloc.size();
        }
    }
};

QTEST_GUILESS_MAIN(TestTransferGrand)
#include "tst_transfer_grand.moc"
