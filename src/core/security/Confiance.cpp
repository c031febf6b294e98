#include "core/security/Confiance.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>

namespace {

// Tabs and line ends cannot be part of a nickname or an address we keep.
QString Propre(QString texte) {
    return texte.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
}

} // namespace

Confiance::Confiance(const QString& fichier) : m_fichier(fichier) {
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly)) {
        return;
    }
    while (!f.atEnd()) {
        const QList<QByteArray> champs = f.readLine().trimmed().split('\t');
        const QByteArray empreinte = champs.size() == 4 ? QByteArray::fromHex(champs[0]) : QByteArray();
        if (empreinte.size() != 32 || champs[0].size() != 64 || (champs[3] != "0" && champs[3] != "1")) {
            ++m_illisibles;
            continue;
        }
        m_contacts.append(
            {empreinte, QString::fromUtf8(champs[1]), QString::fromUtf8(champs[2]), champs[3] == "1"});
    }
}

Confiance::Avis Confiance::Examiner(const QByteArray& empreinte, const QString& pseudo,
                                    const QString& adresse, ContactConnu* ancien) const {
    for (const ContactConnu& c : m_contacts) {
        if (c.empreinte == empreinte) {
            return Avis::Connu;
        }
    }
    for (const ContactConnu& c : m_contacts) {
        if ((!pseudo.isEmpty() && c.pseudo == pseudo) || (!adresse.isEmpty() && c.adresse == adresse)) {
            if (ancien) {
                *ancien = c;
            }
            return Avis::Change;
        }
    }
    return Avis::Nouveau;
}

bool Confiance::Retenir(const QByteArray& empreinte, const QString& pseudo, const QString& adresse) {
    const QString p = Propre(pseudo), a = Propre(adresse);
    bool verifie = false;
    // One key per nickname and per address: an accepted new key takes the old one's place.
    for (qsizetype i = m_contacts.size() - 1; i >= 0; --i) {
        const ContactConnu& c = m_contacts[i];
        if (c.empreinte == empreinte) {
            verifie = c.verifie;
        }
        if (c.empreinte == empreinte || (!p.isEmpty() && c.pseudo == p) || (!a.isEmpty() && c.adresse == a)) {
            m_contacts.removeAt(i);
        }
    }
    m_contacts.append({empreinte, p, a, verifie});
    return Enregistrer();
}

bool Confiance::MarquerVerifie(const QByteArray& empreinte) {
    for (ContactConnu& c : m_contacts) {
        if (c.empreinte == empreinte) {
            c.verifie = true;
            return Enregistrer();
        }
    }
    return false;
}

bool Confiance::ConnuChiffre(const QString& pseudo, const QString& adresse) const {
    ContactConnu ancien;
    return Examiner(QByteArray(), pseudo, adresse, &ancien) == Avis::Change;
}

bool Confiance::Enregistrer() const {
    QSaveFile f(m_fichier);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (const ContactConnu& c : m_contacts) {
        f.write(c.empreinte.toHex() + '\t' + c.pseudo.toUtf8() + '\t' + c.adresse.toUtf8() + '\t' +
                (c.verifie ? "1" : "0") + '\n');
    }
    return f.commit();
}

QString Confiance::CodeDeSurete(const QByteArray& nous, const QByteArray& lui) {
    const QByteArray condensat =
        QCryptographicHash::hash(std::min(nous, lui) + std::max(nous, lui), QCryptographicHash::Sha256);
    QStringList groupes;
    for (int i = 0; i < 6; ++i) {
        quint64 valeur = 0;
        for (int k = 0; k < 5; ++k) {
            valeur = valeur << 8 | quint8(condensat[i * 5 + k]);
        }
        groupes << QStringLiteral("%1").arg(valeur % 100000, 5, 10, QChar(u'0'));
    }
    return groupes.join(u' ');
}
