// Bytes of the chat frames: building each tag, cutting reads into frames, reading payloads.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace Trame {

inline constexpr char Terminateur = 0x03;
// A pending tail without terminator that grows past this is dropped.
inline constexpr qsizetype TailleMaxEnAttente = 64 * 1024;

// OVX: the handshake between two copies of ours, a tag the other program skips; OVP: whether
// our file port answered the contact, sent only to a copy that speaks it; OVA: the "[ANN]" that
// follows is the user's cancel, not a stream that broke (to a copy that resumes transfers); OVL:
// the "[DEM]" that follows offers a batch of that many files (to a copy that speaks "lot"); OVT:
// the last clear byte of its connection, before TLS (to a copy that speaks "tls").
enum class Balise { Inconnue, LOG, PSE, ANN, TXT, DEM, RPS, STA, TAP, ATT, OVX, OVP, OVA, OVL, OVT };

// "[LOG]", "[PSE]"...; empty for Inconnue.
QByteArray Texte(Balise balise);

// Tag, payload, 0x03. The payload is Windows-1252 already; 0x00, 0x03 and every
// control byte but CR and LF are removed so that no frame can be forged from a text.
QByteArray Construire(Balise balise, const QByteArray& donnee);
// Same, from a text converted to Windows-1252.
QByteArray Construire(Balise balise, const QString& donnee);

// "[TXT]" + the three digits + "_" + text + 0x03 ("%s%d%d%d%s%s%c").
// A value outside 0..9 is sent as 0: it must stay one digit.
QByteArray Message(int police, int couleur, int style, const QString& texte);
// A text as Message sends it: Windows-1252, without the bytes that Construire removes.
QByteArray SurLeFil(const QString& texte);

QByteArray Log(const QString& pseudo);
QByteArray Att();
QByteArray Pse(const QString& pseudo);
QByteArray Sta(bool absent);                              // "abs" / "prs"
QByteArray Tap(bool ecrit);                               // "ecr" / "vid"
QByteArray Dem(const QString& nomFichier, qint64 taille); // name, "\", decimal size
QByteArray Rps(bool oui);                                 // "OUI" / "NON"
QByteArray Ann();
QByteArray Ovp(bool atteint); // "1" / "0"
QByteArray Ovl(int fichiers); // decimal
QByteArray Ova();
QByteArray Ovt();

struct TrameRecue {
    Balise balise = Balise::Inconnue;
    QByteArray entete; // the 5-byte tag
    QByteArray donnee; // the payload, Windows-1252
};

// Cuts the reads of one connection into frames. TCP keeps no frame boundaries:
// bytes after the last 0x03 wait and are put in front of the next read.
class LecteurTrames {
public:
    // The frames that this read completes, in order. Bytes 0x00 are dropped,
    // unknown tags and frames shorter than a tag are skipped.
    QList<TrameRecue> Ajouter(const QByteArray& lu);
    qsizetype EnAttente() const { return m_attente.size(); }
    void Vider() {
        m_attente.clear();
        m_jette = false;
    }

private:
    QByteArray m_attente;
    // After a too long tail is dropped, the bytes up to the next 0x03 still belong to it.
    bool m_jette = false;
};

// Where a contact's "[OVT]" cuts a read: the frames before it, whether it came, and whether
// anything came after it (a frame, or enAttente bytes of one not yet whole).
struct CoupeMarque {
    QList<TrameRecue> avant;
    bool marque = false;
    bool suite = false;
};
CoupeMarque CouperAuMarqueur(const QList<TrameRecue>& trames, qsizetype enAttente);

struct MessageTxt {
    int police = 0;
    int couleur = 0;
    int style = 0;
    QByteArray texte;
};
// "[TXT]" payload: a digit byte gives its value, any other byte (or a missing one) 0;
// the fourth byte is skipped unchecked; the text is the rest from the fifth byte.
MessageTxt LireMessage(const QByteArray& donnee);

struct OffreFichier {
    QByteArray nom;         // before the first "\"
    QByteArray tailleTexte; // after it ("" when there is no "\")
};
OffreFichier LireOffre(const QByteArray& donnee);

// Leading ASCII digits as a size, atol-like (stops at the first non-digit, 0 when none),
// never overflowing: -1 when the value passes TailleMaxFichier.
inline constexpr qint64 TailleMaxFichier = Q_INT64_C(1) << 50;
qint64 LireTaille(const QByteArray& texte);

// Style code (4 bold + 2 italic + 1 underline) to the view's effect bits
// (bold 1, italic 2, underline 4). Outside 0..7: 0.
int StyleVersEffets(int style);

} // namespace Trame
