#include "core/chat/Trame.h"

#include "core/platform/Ansi.h"

#include <algorithm>
#include <array>

namespace Trame {

namespace {

constexpr qsizetype TailleBalise = 5;

// In the order a received tag is tried.
constexpr std::array<Balise, 14> BalisesConnues = {
    Balise::LOG, Balise::PSE, Balise::ANN, Balise::TXT, Balise::DEM, Balise::RPS, Balise::STA,
    Balise::TAP, Balise::ATT, Balise::OVX, Balise::OVP, Balise::OVA, Balise::OVL, Balise::OVT,
};

QByteArrayView TexteVue(Balise balise) {
    switch (balise) {
    case Balise::LOG: return "[LOG]";
    case Balise::PSE: return "[PSE]";
    case Balise::ANN: return "[ANN]";
    case Balise::TXT: return "[TXT]";
    case Balise::DEM: return "[DEM]";
    case Balise::RPS: return "[RPS]";
    case Balise::STA: return "[STA]";
    case Balise::TAP: return "[TAP]";
    case Balise::ATT: return "[ATT]";
    case Balise::OVX: return "[OVX]";
    case Balise::OVP: return "[OVP]";
    case Balise::OVA: return "[OVA]";
    case Balise::OVL: return "[OVL]";
    case Balise::OVT: return "[OVT]";
    case Balise::Inconnue: break;
    }
    return {};
}

Balise Reconnaitre(QByteArrayView entete) {
    for (Balise b : BalisesConnues) {
        if (entete == TexteVue(b))
            return b;
    }
    return Balise::Inconnue;
}

bool Interdit(char c) {
    const auto o = uchar(c);
    return o < 0x20 && o != '\r' && o != '\n';
}

char Chiffre(int valeur) {
    return (valeur >= 0 && valeur <= 9) ? char('0' + valeur) : '0';
}

int ValeurChiffre(const QByteArray& donnee, qsizetype i) {
    if (i >= donnee.size())
        return 0;
    const char c = donnee[i];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

// Appends a read without its 0x00 bytes; the usual read has none and is not copied byte by byte.
void AjouterSansNul(QByteArray& cible, const QByteArray& lu) {
    if (!lu.contains('\0')) {
        cible.append(lu);
        return;
    }
    cible.reserve(cible.size() + lu.size());
    for (char c : lu) {
        if (c != '\0')
            cible.append(c);
    }
}

} // namespace

QByteArray Texte(Balise balise) {
    return TexteVue(balise).toByteArray();
}

QByteArray Construire(Balise balise, const QByteArray& donnee) {
    const QByteArrayView entete = TexteVue(balise);
    if (entete.isEmpty())
        return {};
    QByteArray trame;
    trame.reserve(entete.size() + donnee.size() + 1);
    trame.append(entete);
    if (std::none_of(donnee.begin(), donnee.end(), Interdit)) {
        trame.append(donnee);
    } else {
        for (char c : donnee) {
            if (!Interdit(c))
                trame.append(c);
        }
    }
    trame.append(Terminateur);
    return trame;
}

QByteArray Construire(Balise balise, const QString& donnee) {
    return Construire(balise, Ansi::VersAnsi(donnee));
}

QByteArray Message(int police, int couleur, int style, const QString& texte) {
    QByteArray donnee;
    donnee.append(Chiffre(police)).append(Chiffre(couleur)).append(Chiffre(style)).append('_');
    donnee.append(Ansi::VersAnsi(texte));
    return Construire(Balise::TXT, donnee);
}

QByteArray SurLeFil(const QString& texte) {
    QByteArray octets = Ansi::VersAnsi(texte);
    octets.removeIf(Interdit);
    return octets;
}

QByteArray Log(const QString& pseudo) {
    return Construire(Balise::LOG, pseudo);
}

QByteArray Att() {
    return Construire(Balise::ATT, QByteArray());
}

QByteArray Pse(const QString& pseudo) {
    return Construire(Balise::PSE, pseudo);
}

QByteArray Sta(bool absent) {
    return Construire(Balise::STA, QByteArray(absent ? "abs" : "prs"));
}

QByteArray Tap(bool ecrit) {
    return Construire(Balise::TAP, QByteArray(ecrit ? "ecr" : "vid"));
}

QByteArray Dem(const QString& nomFichier, qint64 taille) {
    // The peer cuts at the first "\": one inside the name would shift the size.
    QByteArray donnee = Ansi::VersAnsi(nomFichier).replace('\\', '_');
    donnee.append('\\').append(QByteArray::number(std::max<qint64>(taille, 0)));
    return Construire(Balise::DEM, donnee);
}

QByteArray Rps(bool oui) {
    return Construire(Balise::RPS, QByteArray(oui ? "OUI" : "NON"));
}

QByteArray Ann() {
    return Construire(Balise::ANN, QByteArray());
}

QByteArray Ovp(bool atteint) {
    return Construire(Balise::OVP, QByteArray(atteint ? "1" : "0"));
}

QByteArray Ovl(int fichiers) {
    return Construire(Balise::OVL, QByteArray::number(fichiers));
}

QByteArray Ova() {
    return Construire(Balise::OVA, QByteArray());
}

QByteArray Ovt() {
    return Construire(Balise::OVT, QByteArray());
}

CoupeMarque CouperAuMarqueur(const QList<TrameRecue>& trames, qsizetype enAttente) {
    CoupeMarque coupe;
    for (qsizetype i = 0; i < trames.size(); ++i) {
        if (trames[i].balise == Balise::OVT) {
            coupe.marque = true;
            coupe.suite = i + 1 < trames.size() || enAttente > 0;
            return coupe;
        }
        coupe.avant << trames[i];
    }
    return coupe;
}

QList<TrameRecue> LecteurTrames::Ajouter(const QByteArray& lu) {
    QList<TrameRecue> trames;
    // The tail kept so far has no 0x03: the search starts in the new bytes, which
    // keeps a frame arriving in many small reads linear.
    const qsizetype dejaVu = m_attente.size();
    AjouterSansNul(m_attente, lu);

    qsizetype debut = 0;
    qsizetype fin = m_attente.indexOf(Terminateur, dejaVu);
    if (m_jette) {
        if (fin < 0) {
            m_attente.clear();
            return trames;
        }
        debut = fin + 1;
        fin = m_attente.indexOf(Terminateur, debut);
        m_jette = false;
    }

    while (fin >= 0) {
        const QByteArrayView trame(m_attente.constData() + debut, fin - debut);
        if (trame.size() >= TailleBalise) {
            const QByteArrayView entete = trame.first(TailleBalise);
            const Balise balise = Reconnaitre(entete);
            if (balise != Balise::Inconnue)
                trames.append({balise, entete.toByteArray(), trame.sliced(TailleBalise).toByteArray()});
        }
        debut = fin + 1;
        fin = m_attente.indexOf(Terminateur, debut);
    }

    if (m_attente.size() - debut > TailleMaxEnAttente) {
        // A peer must not make us keep an endless frame.
        m_attente.clear();
        m_jette = true;
    } else if (debut == m_attente.size()) {
        m_attente.clear();
    } else if (debut > 0) {
        m_attente = m_attente.sliced(debut);
    }
    return trames;
}

MessageTxt LireMessage(const QByteArray& donnee) {
    MessageTxt message;
    message.police = ValeurChiffre(donnee, 0);
    message.couleur = ValeurChiffre(donnee, 1);
    message.style = ValeurChiffre(donnee, 2);
    if (donnee.size() > 4)
        message.texte = donnee.sliced(4);
    return message;
}

OffreFichier LireOffre(const QByteArray& donnee) {
    const qsizetype separateur = donnee.indexOf('\\');
    if (separateur < 0)
        return {donnee, {}};
    return {donnee.first(separateur), donnee.sliced(separateur + 1)};
}

qint64 LireTaille(const QByteArray& texte) {
    // Digits only: a leading sign or space is not a digit, so "+5", "-5" and " 5" give 0.
    qint64 taille = 0;
    for (char c : texte) {
        if (c < '0' || c > '9')
            break;
        // taille <= TailleMaxFichier (2^50) here, so taille * 10 + 9 cannot overflow.
        taille = taille * 10 + (c - '0');
        if (taille > TailleMaxFichier)
            return -1;
    }
    return taille;
}

int StyleVersEffets(int style) {
    static constexpr std::array<int, 8> Effets = {0, 4, 2, 6, 1, 5, 3, 7};
    return (style >= 0 && style < int(Effets.size())) ? Effets[std::size_t(style)] : 0;
}

} // namespace Trame
