#include "core/chat/DecodeurTrames.h"

#include "core/chat/PoigneeDeMain.h"
#include "core/platform/Ansi.h"
#include "core/transfer/Lot.h"

void DecodeurTrames::Decoder(const Trame::TrameRecue& trame) {
    using Trame::Balise;
    const QByteArray& donnee = trame.donnee;
    switch (trame.balise) {
    case Balise::LOG: emit connecte(Ansi::DepuisAnsi(donnee)); break;
    case Balise::PSE: emit pseudoChange(Ansi::DepuisAnsi(donnee)); break;
    case Balise::ANN: emit annulation(); break;
    case Balise::TXT: {
        const Trame::MessageTxt m = Trame::LireMessage(donnee);
        emit message(m.police, m.couleur, m.style, Ansi::DepuisAnsi(m.texte));
        break;
    }
    case Balise::DEM: {
        const Trame::OffreFichier o = Trame::LireOffre(donnee);
        emit offre(Ansi::DepuisAnsi(o.nom), Trame::LireTaille(o.tailleTexte), o.tailleTexte);
        break;
    }
    case Balise::RPS: emit reponse(donnee == "OUI"); break;
    case Balise::STA:
        // Any other payload means nothing.
        if (donnee == "abs" || donnee == "prs")
            emit statut(donnee == "abs");
        break;
    case Balise::TAP:
        if (donnee == "ecr" || donnee == "vid")
            emit frappe(donnee == "ecr");
        break;
    case Balise::ATT: emit attentePseudo(); break;
    case Balise::OVX:
        if (const auto annonce = PoigneeDeMain::Lire(donnee)) {
            emit poignee(annonce->version, annonce->extensions);
        } else {
            emit poigneeIllisible(donnee);
        }
        break;
    case Balise::OVP:
        if (donnee == "1" || donnee == "0") {
            emit portAtteint(donnee == "1");
        } else {
            emit portAtteintIllisible(donnee);
        }
        break;
    case Balise::OVA: emit abandon(); break;
    case Balise::OVL: {
        // Digits only, no leading zero, within what a batch may hold.
        bool ok = !donnee.isEmpty() && donnee.size() <= 6 && (donnee == "0" || donnee[0] != '0');
        for (char c : donnee) {
            ok = ok && c >= '0' && c <= '9';
        }
        const int fichiers = ok ? donnee.toInt() : -1;
        if (ok && fichiers <= Lot::EntreesMax) {
            emit lot(fichiers);
        } else {
            emit lotIllisible(donnee);
        }
        break;
    }
    // The chat sockets act on it where it is read; it means nothing further.
    case Balise::OVT:
    case Balise::Inconnue: break;
    }
}
