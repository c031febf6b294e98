#include "core/transfer/NomsFichiers.h"

#include <QFileInfo>

namespace {

// A number past this stops counting instead of overflowing.
constexpr qint64 MaxNumero = Q_INT64_C(999999999999999);
// An extension longer than this is cut with the rest rather than kept whole.
constexpr qsizetype MaxOctetsExtension = 32;

qsizetype OctetsUtf8(QStringView texte) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        if (c < 0x80)
            n += 1;
        else if (c < 0x800)
            n += 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < texte.size() && texte[i + 1].isLowSurrogate()) {
            n += 4;
            ++i;
        } else
            n += 3;
    }
    return n;
}

// The longest start of texte that takes at most maxOctets bytes of UTF-8, never half a character.
QString DebutUtf8(QStringView texte, qsizetype maxOctets) {
    qsizetype n = 0;
    qsizetype i = 0;
    while (i < texte.size()) {
        const bool paire =
            texte[i].isHighSurrogate() && i + 1 < texte.size() && texte[i + 1].isLowSurrogate();
        const qsizetype taille = OctetsUtf8(texte.mid(i, paire ? 2 : 1));
        if (n + taille > maxOctets)
            break;
        n += taille;
        i += paire ? 2 : 1;
    }
    return texte.first(i).toString();
}

// atoi on a name's text: leading white space, a sign, digits; held within +-MaxNumero.
qint64 Atoi64(QStringView texte) {
    qsizetype i = 0;
    while (i < texte.size() && (texte[i] == u' ' || (texte[i] >= u'\t' && texte[i] <= u'\r')))
        ++i;
    bool negatif = false;
    if (i < texte.size() && (texte[i] == u'-' || texte[i] == u'+'))
        negatif = texte[i++] == u'-';
    qint64 valeur = 0;
    for (; i < texte.size() && texte[i] >= u'0' && texte[i] <= u'9'; ++i)
        valeur = qMin(valeur * 10 + (texte[i].unicode() - u'0'), MaxNumero);
    return negatif ? -valeur : valeur;
}

} // namespace

namespace NomsFichiers {

bool FichExist(const QString& chemin) {
    if (chemin.isEmpty())
        return false;
    const QFileInfo info(chemin);
    return info.exists() || info.isSymLink();
}

bool DossExist(const QString& chemin) {
    QString c = chemin;
    if (c.size() > 1 && c.endsWith(u'/'))
        c.chop(1);
    return !c.isEmpty() && QFileInfo(c).isDir();
}

QString NomNumero(const QString& nom, qint64 numero) {
    const qsizetype point = nom.lastIndexOf(u'.');
    const QString extension = point < 0 ? QString() : nom.sliced(point);
    const QString suffixe = QStringLiteral("_") + QString::number(numero) + extension;
    const qsizetype place = MaxOctetsNom - OctetsUtf8(suffixe);
    if (place < 1)
        return {};
    return DebutUtf8(point < 0 ? nom : nom.first(point), place) + suffixe;
}

QString ChangeNom(const QString& chemin) {
    const qsizetype barre = chemin.lastIndexOf(u'/');
    const QString dossier = chemin.first(barre + 1);
    const QString nom = chemin.sliced(barre + 1);
    const qsizetype point = nom.lastIndexOf(u'.');
    const QString extension = point < 0 ? QString() : nom.sliced(point);
    const QString souche = point < 0 ? nom : nom.first(point);

    // The "_" is looked for in the stem only, so that one inside the extension never counts.
    QString base = souche;
    qint64 numero = 1;
    QString candidat;
    const qsizetype tiret = souche.lastIndexOf(u'_');
    const qint64 present = tiret < 0 ? 0 : Atoi64(QStringView(souche).sliced(tiret + 1));
    // A number too large to count on from gets "_1" like a name without one.
    if (present != 0 && qAbs(present) < MaxNumero) {
        base = souche.first(tiret);
        numero = present;
        candidat = chemin;
    }
    const auto fabrique = [&](qint64 n) -> QString {
        const QString suite = NomNumero(base + extension, n);
        return suite.isEmpty() ? QString() : dossier + suite;
    };
    if (candidat.isEmpty())
        candidat = fabrique(numero);

    while (!candidat.isEmpty() && FichExist(candidat)) {
        if (numero >= MaxNumero)
            return {};
        candidat = fabrique(++numero);
    }
    return candidat;
}

QString NomSur(const QString& nom) {
    const qsizetype barre = qMax(nom.lastIndexOf(u'/'), nom.lastIndexOf(u'\\'));
    const QStringView reste = QStringView(nom).sliced(barre + 1);

    QString propre;
    propre.reserve(reste.size());
    for (qsizetype i = 0; i < reste.size(); ++i) {
        const QChar c = reste[i];
        if (c.isHighSurrogate() && i + 1 < reste.size() && reste[i + 1].isLowSurrogate()) {
            propre += c;
            propre += reste[++i];
        } else if (!c.isSurrogate() && c.category() != QChar::Other_Control) {
            propre += c;
        }
    }
    if (propre == u"." || propre == u"..")
        return {};
    if (OctetsUtf8(propre) <= MaxOctetsNom)
        return propre;

    // Too long: the stem is cut so that the file keeps its type.
    const qsizetype point = propre.lastIndexOf(u'.');
    const QStringView extension = point > 0 ? QStringView(propre).sliced(point) : QStringView();
    const qsizetype octetsExtension = OctetsUtf8(extension);
    if (octetsExtension == 0 || octetsExtension > MaxOctetsExtension)
        return DebutUtf8(propre, MaxOctetsNom);
    return DebutUtf8(QStringView(propre).first(point), MaxOctetsNom - octetsExtension) + extension.toString();
}

} // namespace NomsFichiers
