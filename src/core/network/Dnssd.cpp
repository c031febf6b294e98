#include "core/network/Dnssd.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/malloc.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/strlst.h>

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int PasAttenteMs = 50;
constexpr int LongueurMaxNom = 255;
constexpr int LongueurMaxPseudo = 30;
// The services that make a computer worth listing; the messenger's first.
constexpr std::array<const char*, 3> TypesListes = {Dnssd::TypeOvan, "_workstation._tcp", "_smb._tcp"};

// A connection to the daemon with its own loop: nothing of it is shared with another thread.
class Boucle {
public:
    Boucle() {
        m_poll = avahi_simple_poll_new();
        if (m_poll) {
            int erreur = 0;
            m_client = avahi_client_new(avahi_simple_poll_get(m_poll), AvahiClientFlags(0),
                                        &Boucle::EtatClient, this, &erreur);
        }
    }
    ~Boucle() {
        // Frees every browser and resolver made through the client as well.
        if (m_client) {
            avahi_client_free(m_client);
        }
        if (m_poll) {
            avahi_simple_poll_free(m_poll);
        }
    }
    Boucle(const Boucle&) = delete;
    Boucle& operator=(const Boucle&) = delete;

    AvahiClient* client() const { return m_client; }
    bool Prete() const { return m_client && !m_perdue; }

    // Runs the loop until fini() holds, the daemon goes, the deadline passes or arret is set.
    template <class Fini> void Attendre(Fini fini, const Dnssd::Arret& arret, int delaiMs) {
        QElapsedTimer chrono;
        chrono.start();
        while (!m_perdue && !arret.load() && !fini()) {
            const qint64 reste = delaiMs - chrono.elapsed();
            if (reste <= 0 ||
                avahi_simple_poll_iterate(m_poll, int(std::min<qint64>(reste, PasAttenteMs))) != 0) {
                break;
            }
        }
    }

private:
    static void EtatClient(AvahiClient*, AvahiClientState etat, void* boucle) {
        if (etat == AVAHI_CLIENT_FAILURE) {
            static_cast<Boucle*>(boucle)->m_perdue = true;
        }
    }

    AvahiSimplePoll* m_poll = nullptr;
    AvahiClient* m_client = nullptr;
    bool m_perdue = false;
};

QString SansPointFinal(QString nom) {
    while (nom.endsWith(u'.')) {
        nom.chop(1);
    }
    return nom;
}

QString Lisible(const QByteArray& brut, int longueurMax) {
    const QString texte = QString::fromUtf8(brut);
    QString propre;
    propre.reserve(std::min<qsizetype>(texte.size(), longueurMax));
    for (QChar c : texte) {
        // Control and format characters (bidirectional overrides among them) are dropped.
        if (c.isPrint() || c.isSurrogate()) {
            propre += c;
        }
    }
    propre.truncate(longueurMax);
    if (!propre.isEmpty() && propre.back().isHighSurrogate()) {
        propre.chop(1);
    }
    return propre;
}

// ---- Domains

struct RechercheDomaines {
    QStringList noms;
    bool finie = false;
};

void DomaineVu(AvahiDomainBrowser*, AvahiIfIndex, AvahiProtocol, AvahiBrowserEvent evenement,
               const char* domaine, AvahiLookupResultFlags, void* donnees) {
    auto* recherche = static_cast<RechercheDomaines*>(donnees);
    switch (evenement) {
    case AVAHI_BROWSER_NEW: {
        const QString nom = SansPointFinal(Dnssd::NomLisible(domaine ? QByteArray(domaine) : QByteArray()));
        if (!nom.isEmpty() && nom.compare(QLatin1String("local"), Qt::CaseInsensitive) != 0 &&
            !recherche->noms.contains(nom, Qt::CaseInsensitive) &&
            recherche->noms.size() < Dnssd::MaxDomaines) {
            recherche->noms.append(nom);
        }
        break;
    }
    case AVAHI_BROWSER_ALL_FOR_NOW:
    case AVAHI_BROWSER_FAILURE: recherche->finie = true; break;
    default: break;
    }
}

// ---- Computers

struct RecherchePostes;

struct Navigation {
    RecherchePostes* recherche = nullptr;
    bool finie = false;
};

struct RecherchePostes {
    std::array<Navigation, TypesListes.size()> navigations;
    QHash<QString, Dnssd::Poste> postes; // by name, case folded
    int resolutionsEnCours = 0;
    int servicesVus = 0;

    bool Finie() const {
        return resolutionsEnCours == 0 && std::all_of(navigations.begin(), navigations.end(),
                                                      [](const Navigation& n) { return n.finie; });
    }
};

bool Bouclage(const QString& adresse) {
    return adresse.startsWith(QLatin1String("127."));
}

void ServiceResolu(AvahiServiceResolver* resolveur, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent evenement,
                   const char*, const char* type, const char*, const char* hote, const AvahiAddress* adresse,
                   uint16_t, AvahiStringList* txt, AvahiLookupResultFlags, void* donnees) {
    auto* recherche = static_cast<RecherchePostes*>(donnees);
    --recherche->resolutionsEnCours;
    if (evenement == AVAHI_RESOLVER_FOUND && hote) {
        Dnssd::Poste vu;
        vu.Nom = SansPointFinal(Dnssd::NomLisible(hote));
        if (adresse && adresse->proto == AVAHI_PROTO_INET) {
            char texte[AVAHI_ADDRESS_STR_MAX] = {};
            if (avahi_address_snprint(texte, sizeof texte, adresse)) {
                vu.Adresse = QString::fromLatin1(texte);
            }
        }
        vu.Ovan = type && std::strcmp(type, Dnssd::TypeOvan) == 0;
        if (vu.Ovan) {
            if (AvahiStringList* pseudo = avahi_string_list_find(txt, "pseudo")) {
                char* cle = nullptr;
                char* valeur = nullptr;
                size_t taille = 0;
                if (avahi_string_list_get_pair(pseudo, &cle, &valeur, &taille) == 0) {
                    vu.Pseudo = Dnssd::PseudoLisible(QByteArray(valeur ? valeur : "", qsizetype(taille)));
                }
                avahi_free(cle);
                avahi_free(valeur);
            }
        }
        const QString cle = vu.Nom.toCaseFolded();
        if (!vu.Nom.isEmpty()) {
            auto connu = recherche->postes.find(cle);
            if (connu == recherche->postes.end()) {
                if (recherche->postes.size() < Dnssd::MaxPostes) {
                    recherche->postes.insert(cle, vu);
                }
            } else {
                // The same computer seen through another service or another interface: the
                // messenger's announcement and a reachable address win.
                if (vu.Ovan && !connu->Ovan) {
                    connu->Ovan = true;
                    connu->Pseudo = vu.Pseudo;
                }
                if (!vu.Adresse.isEmpty() && (connu->Adresse.isEmpty() || Bouclage(connu->Adresse))) {
                    connu->Adresse = vu.Adresse;
                }
            }
        }
    }
    avahi_service_resolver_free(resolveur);
}

void ServiceVu(AvahiServiceBrowser* navigateur, AvahiIfIndex interface, AvahiProtocol protocole,
               AvahiBrowserEvent evenement, const char* nom, const char* type, const char* domaine,
               AvahiLookupResultFlags, void* donnees) {
    auto* navigation = static_cast<Navigation*>(donnees);
    RecherchePostes* recherche = navigation->recherche;
    switch (evenement) {
    case AVAHI_BROWSER_NEW:
        // Each service is resolved once per interface; a flood stops being followed.
        if (recherche->servicesVus < 4 * Dnssd::MaxPostes) {
            ++recherche->servicesVus;
            if (avahi_service_resolver_new(avahi_service_browser_get_client(navigateur), interface, protocole,
                                           nom, type, domaine, AVAHI_PROTO_INET, AvahiLookupFlags(0),
                                           ServiceResolu, recherche)) {
                ++recherche->resolutionsEnCours;
            }
        }
        break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
    case AVAHI_BROWSER_FAILURE: navigation->finie = true; break;
    default: break;
    }
}

// ---- Addresses

struct RechercheAdresse {
    QString adresse;
    bool finie = false;
};

void AdresseTrouvee(AvahiHostNameResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent evenement,
                    const char*, const AvahiAddress* adresse, AvahiLookupResultFlags, void* donnees) {
    auto* recherche = static_cast<RechercheAdresse*>(donnees);
    if (evenement == AVAHI_RESOLVER_FOUND && adresse && adresse->proto == AVAHI_PROTO_INET) {
        char texte[AVAHI_ADDRESS_STR_MAX] = {};
        if (avahi_address_snprint(texte, sizeof texte, adresse)) {
            recherche->adresse = QString::fromLatin1(texte);
        }
    }
    recherche->finie = true;
}

} // namespace

namespace Dnssd {

QString NomLisible(const QByteArray& brut) {
    return Lisible(brut, LongueurMaxNom);
}

QString PseudoLisible(const QByteArray& brut) {
    return Lisible(brut, LongueurMaxPseudo);
}

QString Poste::PourContacter(int longueurMax) const {
    // A plain host name resolves by itself; anything else is reached by its address.
    const bool simple = !Nom.isEmpty() && Nom.size() <= longueurMax && !Nom.startsWith(u'-') &&
                        std::all_of(Nom.begin(), Nom.end(), [](QChar c) {
                            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                                   (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
                        });
    return simple ? Nom : Adresse;
}

QStringList Domaines(const Arret& arret, int delaiMs) {
    Boucle boucle;
    if (!boucle.Prete()) {
        return {};
    }
    RechercheDomaines recherche;
    if (!avahi_domain_browser_new(boucle.client(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, nullptr,
                                  AVAHI_DOMAIN_BROWSER_BROWSE, AvahiLookupFlags(0), DomaineVu, &recherche)) {
        recherche.finie = true;
    }
    boucle.Attendre([&recherche] { return recherche.finie; }, arret, delaiMs);
    QStringList domaines{QStringLiteral("local")};
    domaines += recherche.noms;
    return domaines;
}

QList<Poste> Postes(const QString& domaine, const Arret& arret, int delaiMs) {
    Boucle boucle;
    if (!boucle.Prete()) {
        return {};
    }
    const QByteArray nomDomaine = domaine.toUtf8();
    RecherchePostes recherche;
    for (size_t i = 0; i < TypesListes.size(); ++i) {
        Navigation& navigation = recherche.navigations[i];
        navigation.recherche = &recherche;
        if (!avahi_service_browser_new(boucle.client(), AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, TypesListes[i],
                                       nomDomaine.constData(), AvahiLookupFlags(0), ServiceVu, &navigation)) {
            navigation.finie = true;
        }
    }
    boucle.Attendre([&recherche] { return recherche.Finie(); }, arret, delaiMs);
    QList<Poste> postes = recherche.postes.values();
    std::sort(postes.begin(), postes.end(), [](const Poste& a, const Poste& b) {
        if (a.Ovan != b.Ovan) {
            return a.Ovan;
        }
        return a.Nom.compare(b.Nom, Qt::CaseInsensitive) < 0;
    });
    return postes;
}

QString AdresseIPv4(const QString& nom, const Arret& arret, int delaiMs) {
    Boucle boucle;
    if (!boucle.Prete()) {
        return {};
    }
    RechercheAdresse recherche;
    if (!avahi_host_name_resolver_new(boucle.client(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                      SansPointFinal(nom).toUtf8().constData(), AVAHI_PROTO_INET,
                                      AvahiLookupFlags(0), AdresseTrouvee, &recherche)) {
        return {};
    }
    boucle.Attendre([&recherche] { return recherche.finie; }, arret, delaiMs);
    return recherche.adresse;
}

} // namespace Dnssd
