// Arbitrary bytes from a contact through the frame reader and the decoder (a libFuzzer entry).
// The first byte chooses how the rest is cut into reads, so frames split at every kind of point.
#include "core/chat/DecodeurTrames.h"
#include "core/chat/PoigneeDeMain.h"
#include "core/chat/Trame.h"
#include "core/platform/Ansi.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// A broken promise is a crash, so that the fuzzer keeps the input.
void Exiger(bool condition, const char* quoi) {
    if (!condition) {
        std::fprintf(stderr, "promesse rompue : %s\n", quoi);
        std::abort();
    }
}

QList<Trame::TrameRecue> Lire(const QByteArray& flux, qsizetype pas) {
    Trame::LecteurTrames lecteur;
    QList<Trame::TrameRecue> trames;
    for (qsizetype i = 0; i < flux.size(); i += pas) {
        trames += lecteur.Ajouter(flux.mid(i, pas));
        Exiger(lecteur.EnAttente() <= Trame::TailleMaxEnAttente, "attente bornee");
    }
    return trames;
}

// Each frame as its tag and payload (the tag is checked against its Balise below).
QByteArrayList Textes(const QList<Trame::TrameRecue>& trames) {
    QByteArrayList t;
    for (const Trame::TrameRecue& trame : trames)
        t << trame.entete + '|' + trame.donnee;
    return t;
}

// Decoded texts must give the received bytes back.
void Aller(const QString& texte, const QByteArray& octets, const char* quoi) {
    Exiger(Ansi::VersAnsi(texte) == octets, quoi);
}

void Brancher(DecodeurTrames& d, const Trame::TrameRecue*& courante) {
    QObject::connect(&d, &DecodeurTrames::connecte,
                     [&courante](const QString& p) { Aller(p, courante->donnee, "pseudo LOG"); });
    QObject::connect(&d, &DecodeurTrames::pseudoChange,
                     [&courante](const QString& p) { Aller(p, courante->donnee, "pseudo PSE"); });
    QObject::connect(&d, &DecodeurTrames::message, [&courante](int p, int c, int s, const QString& t) {
        Exiger(p >= 0 && p <= 9 && c >= 0 && c <= 9 && s >= 0 && s <= 9, "index d'un chiffre");
        Aller(t, Trame::LireMessage(courante->donnee).texte, "texte TXT");
    });
    // A handshake read is one we could have written: versions of three digits, names that go back.
    QObject::connect(&d, &DecodeurTrames::poignee, [](int version, const QStringList& extensions) {
        Exiger(version >= 1 && version <= 999, "version bornee");
        const QByteArray trame = PoigneeDeMain::Construire(extensions);
        Exiger(trame.size() <= PoigneeDeMain::TailleMax, "poignee courte");
        Exiger(PoigneeDeMain::Lire(trame.sliced(5).chopped(1))->extensions == extensions, "poignee relue");
    });
    QObject::connect(&d, &DecodeurTrames::offre, [](const QString& nom, qint64 taille, const QByteArray&) {
        Exiger(!nom.contains(u'\\'), "nom sans barre");
        Exiger(taille >= -1 && taille <= Trame::TailleMaxFichier, "taille bornee");
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    if (taille == 0)
        return 0;
    const QByteArray flux(reinterpret_cast<const char*>(donnees) + 1, qsizetype(taille - 1));
    const qsizetype pas = donnees[0] == 0 ? qMax<qsizetype>(flux.size(), 1) : donnees[0];

    const QList<Trame::TrameRecue> trames = Lire(flux, pas);
    // Below the tail limit nothing is dropped, so the cuts between reads must not matter.
    if (flux.size() <= Trame::TailleMaxEnAttente)
        Exiger(Textes(trames) == Textes(Lire(flux, qMax<qsizetype>(flux.size(), 1))),
               "memes trames quelle que soit la coupe");

    // A reader that switches to TLS at the contact's "[OVT]": it hands on every frame before it and
    // nothing else, and sees whatever frame follows it.
    {
        Trame::LecteurTrames lecteur;
        QList<Trame::TrameRecue> avant;
        bool marque = false, suite = false;
        for (qsizetype i = 0; i < flux.size() && !marque; i += pas) {
            const auto coupe =
                Trame::CouperAuMarqueur(lecteur.Ajouter(flux.mid(i, pas)), lecteur.EnAttente());
            avant += coupe.avant;
            marque = coupe.marque;
            suite = coupe.suite || (marque && i + pas < flux.size());
        }
        qsizetype n = 0;
        while (n < trames.size() && trames[n].balise != Trame::Balise::OVT)
            ++n;
        Exiger(marque == (n < trames.size()) && Textes(avant) == Textes(trames.first(n)),
               "coupe au marqueur");
        Exiger(!marque || suite || n + 1 == trames.size(), "suite du marqueur vue");
    }

    DecodeurTrames decodeur;
    const Trame::TrameRecue* courante = nullptr;
    Brancher(decodeur, courante);
    for (const Trame::TrameRecue& trame : trames) {
        Exiger(trame.balise != Trame::Balise::Inconnue && Trame::Texte(trame.balise) == trame.entete,
               "balise connue");
        Exiger(!trame.donnee.contains(Trame::Terminateur) && !trame.donnee.contains('\0'), "donnee propre");
        courante = &trame;
        decodeur.Decoder(trame);
    }
    return 0;
}
