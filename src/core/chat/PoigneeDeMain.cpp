#include "core/chat/PoigneeDeMain.h"

#include "core/chat/Trame.h"

namespace PoigneeDeMain {

namespace {
bool NomValide(QByteArrayView nom) {
    if (nom.isEmpty() || nom.size() > 16) {
        return false;
    }
    for (char c : nom) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) {
            return false;
        }
    }
    return true;
}
} // namespace

QByteArray Construire(const QStringList& extensions) {
    QByteArray donnee = QByteArray::number(Version) + ';';
    bool premiere = true;
    for (const QString& e : extensions) {
        const QByteArray nom = e.toLatin1();
        // Tag (5), separator, terminator: what the payload may still take.
        if (!NomValide(nom) || donnee.size() + nom.size() + 1 + 5 + 1 > TailleMax) {
            continue;
        }
        donnee += (premiere ? "" : ",") + nom;
        premiere = false;
    }
    return Trame::Construire(Trame::Balise::OVX, donnee);
}

std::optional<Annonce> Lire(const QByteArray& donnee) {
    if (donnee.size() + 5 + 1 > TailleMax) {
        return std::nullopt;
    }
    const qsizetype point = donnee.indexOf(';');
    const QByteArrayView version = QByteArrayView(donnee).first(point < 0 ? 0 : point);
    if (point < 1 || version.size() > 3 || version.front() == '0') {
        return std::nullopt;
    }
    Annonce a;
    for (char c : version) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        a.version = a.version * 10 + (c - '0');
    }
    const QByteArray liste = donnee.sliced(point + 1);
    if (liste.isEmpty()) {
        return a;
    }
    for (const QByteArray& nom : liste.split(',')) {
        if (!NomValide(nom)) {
            return std::nullopt;
        }
        if (!a.extensions.contains(QString::fromLatin1(nom))) {
            a.extensions << QString::fromLatin1(nom);
        }
    }
    return a;
}

QStringList Communes(const QStringList& nous, const QStringList& contact) {
    QStringList communes;
    for (const QString& e : nous) {
        if (contact.contains(e)) {
            communes << e;
        }
    }
    return communes;
}

} // namespace PoigneeDeMain
