// What the test process holds in memory, for the tests and benchmarks that measure it.
#pragma once

#include <QFile>

// Resident memory in KiB (VmRSS), 0 where /proc cannot be read.
inline long MemoireResidente() {
    QFile statut(QStringLiteral("/proc/self/status"));
    if (!statut.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& ligne : statut.readAll().split('\n'))
        if (ligne.startsWith("VmRSS:"))
            return ligne.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}
