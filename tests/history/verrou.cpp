// Another program that holds a history file's write lock: opens the file given, takes the lock,
// prints "verrou" and keeps it until its standard input closes.
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString nom = QStringLiteral("verrou");
    int code = 1;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(QString::fromLocal8Bit(argv[1]));
        QSqlQuery q(base);
        if (base.open() && q.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
            std::puts("verrou");
            std::fflush(stdout);
            while (std::fgetc(stdin) != EOF) {
            }
            q.exec(QStringLiteral("ROLLBACK"));
            code = 0;
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return code;
}
