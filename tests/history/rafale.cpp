// Writes entries into the history file given as fast as it takes them and prints each committed
// total on a line of its own, until it is killed: the tests kill it in mid-write.
#include "core/history/Historique.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    BaseHistorique base(QString::fromLocal8Bit(argv[1]));
    QObject::connect(&base, &BaseHistorique::ecrit, [](qint64 total) {
        std::printf("%lld\n", static_cast<long long>(total));
        std::fflush(stdout);
    });
    QObject::connect(&base, &BaseHistorique::horsService, [](const QString& raison) {
        std::printf("hors service : %s\n", raison.toUtf8().constData());
        std::fflush(stdout);
        QCoreApplication::exit(1);
    });
    const QDateTime debut = QDateTime::currentDateTime().addDays(-3);
    qint64 n = 0;
    QTimer rafale;
    QObject::connect(&rafale, &QTimer::timeout, [&] {
        for (int i = 0; i < 200; ++i, ++n) {
            EntreeHistorique e;
            // Three contacts over a few days, so that the summary changes in every batch.
            e.Moment = debut.addSecs(n * 7);
            e.Genre = EntreeHistorique::Sorte(n % 3);
            e.Adresse = QStringLiteral("10.0.0.%1").arg(n % 3 + 1);
            e.PseudoContact = QStringLiteral("Contact %1").arg(n % 3);
            e.Auteur = n % 2 ? e.PseudoContact : QStringLiteral("Moi");
            e.Texte = QStringLiteral("rafale numéro %1, un message assez long pour remplir des pages : %2")
                          .arg(n)
                          .arg(QString(40, QChar(char16_t(u'a' + n % 26))));
            base.Ajouter(e);
        }
    });
    rafale.start(0);
    return app.exec();
}
