// Files for the tests: whole contents, a pattern of a given size, random bytes, a folder's entries, a
// SHA-256. Qt Core only, so the core tests use it too.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>

// The whole file, or "<absent>" when it cannot be read.
inline QByteArray Lire(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

inline bool Ecrire(const QString& chemin, const QByteArray& octets) {
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(octets) == octets.size();
}

// taille bytes of a pattern that differs from block to block; returns chemin.
inline QString EcrireMotif(const QString& chemin, qint64 taille) {
    QFile f(chemin);
    if (f.open(QIODevice::WriteOnly)) {
        QByteArray bloc(64 * 1024, Qt::Uninitialized);
        for (qint64 fait = 0; fait < taille; fait += bloc.size()) {
            for (int i = 0; i < bloc.size(); ++i)
                bloc[i] = char((fait + i) * 131 % 251);
            f.write(bloc.constData(), std::min<qint64>(bloc.size(), taille - fait));
        }
    }
    return chemin;
}

// taille bytes that do not compress, the same for the same size.
inline QByteArray OctetsAuHasard(qint64 taille) {
    QList<quint32> mots((taille + 3) / 4);
    QRandomGenerator{quint32(taille)}.fillRange(mots.data(), mots.size());
    return QByteArray(reinterpret_cast<const char*>(mots.constData()), taille);
}

// Every entry of a folder, hidden ones and special files too.
inline QStringList EntreesDe(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// SHA-256 of the file, empty when it cannot be read.
inline QByteArray Empreinte(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}
