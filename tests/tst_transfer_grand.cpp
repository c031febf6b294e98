// A file past 4 GiB between two channels: every count is 64-bit, from the offer to the last byte.
// Slow (it writes 4 GiB), so it is labelled as such.
#include "core/transfer/CanalFichier.h"

#include <QFile>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

constexpr qint64 Taille = (4LL << 30) + 12345;
constexpr quint16 Port = 46011;

QHostAddress Ip(int n) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

// Marks, each 4 KiB long, on both sides of every GiB and at the very end; the rest is a hole.
QList<qint64> Marques() {
    QList<qint64> positions;
    for (qint64 gio = 1; gio <= 4; ++gio) {
        positions << (gio << 30) - 4096 << (gio << 30);
    }
    positions << Taille - 4096;
    return positions;
}

QByteArray Marque(qint64 position) {
    QByteArray bloc(4096, Qt::Uninitialized);
    for (int i = 0; i < bloc.size(); ++i) {
        bloc[i] = char((position / 4096 + i) * 37 % 253 + 1);
    }
    return bloc;
}

} // namespace

class TestTransferGrand : public QObject {
    Q_OBJECT
private slots:
    void auDelaDe4Gio();
};

void TestTransferGrand::auDelaDe4Gio() {
    QTemporaryDir racine;
    QVERIFY(racine.isValid());
    if (QStorageInfo(racine.path()).bytesAvailable() < Taille + (1LL << 30)) {
        QSKIP("less than 5 GiB free beside the temporary folder");
    }
    const QString source = racine.filePath(QStringLiteral("source.bin"));
    {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(Taille));
        for (qint64 position : Marques()) {
            QVERIFY(f.seek(position) && f.write(Marque(position)) == 4096);
        }
    }
    CanalFichier a(Ip(140), Port), b(Ip(141), Port);
    QVERIFY(a.Ecouter() && b.Ecouter());
    QSignalSpy finA(&a, &CanalFichier::termine), finB(&b, &CanalFichier::termine);
    QSignalSpy echec(&b, &CanalFichier::echec);
    QSignalSpy progression(&b, &CanalFichier::progression);
    QVERIFY(a.Proposer(Ip(141)));
    QVERIFY(b.Recevoir(Ip(140), racine.path(), QStringLiteral("grand.bin"), Taille));
    QVERIFY(a.Envoyer(Ip(141), source, Taille));
    QTRY_VERIFY_WITH_TIMEOUT((finA.count() == 1 && finB.count() == 1) || !echec.isEmpty(), 500000);
    QCOMPARE(echec.count(), 0);
    QCOMPARE(progression.last().at(0).toLongLong(), Taille);
    QCOMPARE(progression.last().at(1).toLongLong(), Taille);

    // Byte for byte: the marks where they were, zeros everywhere else.
    QFile recu(racine.filePath(QStringLiteral("grand.bin")));
    QVERIFY(recu.open(QIODevice::ReadOnly));
    QCOMPARE(recu.size(), Taille);
    const QList<qint64> marques = Marques();
    QByteArray bloc(4 << 20, Qt::Uninitialized);
    qint64 lu = 0;
    while (lu < Taille) {
        const qint64 n = recu.read(bloc.data(), bloc.size());
        QVERIFY(n > 0);
        for (qint64 debut = 0; debut < n;) {
            const qint64 position = lu + debut;
            if (marques.contains(position)) {
                QVERIFY2(QByteArrayView(bloc).sliced(debut, 4096) == Marque(position),
                         qPrintable(QString::number(position)));
                debut += 4096;
                continue;
            }
            qint64 fin = n;
            for (qint64 m : marques) {
                if (m > position && m < lu + fin) {
                    fin = m - lu;
                }
            }
            const char* p = bloc.constData() + debut;
            QVERIFY2(p[0] == 0 && std::memcmp(p, p + 1, size_t(fin - debut - 1)) == 0,
                     qPrintable(QString::number(position)));
            debut = fin;
        }
        lu += n;
    }
}

QTEST_GUILESS_MAIN(TestTransferGrand)
#include "tst_transfer_grand.moc"
