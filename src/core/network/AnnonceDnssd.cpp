#include "core/network/AnnonceDnssd.h"

#include "core/network/Dnssd.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>

#include <QByteArray>

// Everything below is touched by the daemon's thread with the poll's lock held, or by the
// owner's thread after taking it.
struct AnnonceDnssd::Etat {
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* groupe = nullptr;
    AvahiTimeout* relance = nullptr;
    quint16 port = 0;
    QByteArray nom;
    QByteArray pseudo;
    bool etablie = false;

    void Connecter();
    void Publier();
    AvahiStringList* Txt() const;
    void Liberer();
};

namespace {

constexpr int RelanceMs = 2000;
// DNS-SD instance names are at most 63 bytes.
constexpr int LongueurMaxInstance = 63;

QByteArray CoupeUtf8(QByteArray texte, int max) {
    if (texte.size() <= max) {
        return texte;
    }
    texte.truncate(max);
    // Never end inside a multi-byte character.
    while (!texte.isEmpty() && (uchar(texte.back()) & 0xC0) == 0x80) {
        texte.chop(1);
    }
    if (!texte.isEmpty() && uchar(texte.back()) >= 0xC0) {
        texte.chop(1);
    }
    return texte;
}

void EtatGroupe(AvahiEntryGroup* groupe, AvahiEntryGroupState etat, void* donnees) {
    auto* d = static_cast<AnnonceDnssd::Etat*>(donnees);
    if (groupe != d->groupe) {
        return;
    }
    switch (etat) {
    case AVAHI_ENTRY_GROUP_ESTABLISHED: d->etablie = true; break;
    case AVAHI_ENTRY_GROUP_COLLISION: {
        // Another copy on the same computer: take the next free name.
        char* autre = avahi_alternative_service_name(d->nom.constData());
        d->nom = autre;
        avahi_free(autre);
        d->etablie = false;
        avahi_entry_group_reset(groupe);
        d->Publier();
        break;
    }
    case AVAHI_ENTRY_GROUP_FAILURE: d->etablie = false; break;
    default: break;
    }
}

void Relancer(AvahiTimeout*, void* donnees) {
    static_cast<AnnonceDnssd::Etat*>(donnees)->Connecter();
}

void EtatClient(AvahiClient* client, AvahiClientState etat, void* donnees) {
    auto* d = static_cast<AnnonceDnssd::Etat*>(donnees);
    // Called from inside avahi_client_new too, before d->client is set.
    d->client = client;
    switch (etat) {
    case AVAHI_CLIENT_S_RUNNING: d->Publier(); break;
    case AVAHI_CLIENT_S_COLLISION:
    case AVAHI_CLIENT_S_REGISTERING:
        // The host is being renamed: announce again once it runs.
        if (d->groupe) {
            avahi_entry_group_reset(d->groupe);
        }
        d->etablie = false;
        break;
    case AVAHI_CLIENT_FAILURE:
        d->etablie = false;
        if (avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) {
            // The daemon went away: start again with a new connection, which waits for it.
            // The client cannot be freed from its own callback.
            struct timeval quand;
            avahi_elapse_time(&quand, 0, 0);
            const AvahiPoll* api = avahi_threaded_poll_get(d->poll);
            if (d->relance) {
                api->timeout_update(d->relance, &quand);
            } else {
                d->relance = api->timeout_new(api, &quand, Relancer, d);
            }
        }
        break;
    default: break;
    }
}

} // namespace

void AnnonceDnssd::Etat::Liberer() {
    if (client) {
        avahi_client_free(client); // frees the group too
    }
    client = nullptr;
    groupe = nullptr;
    etablie = false;
}

void AnnonceDnssd::Etat::Connecter() {
    Liberer();
    int erreur = 0;
    AvahiClient* nouveau =
        avahi_client_new(avahi_threaded_poll_get(poll), AVAHI_CLIENT_NO_FAIL, EtatClient, this, &erreur);
    client = nouveau;
    if (!nouveau) {
        // No bus at all: try again later, the session may get one.
        struct timeval quand;
        avahi_elapse_time(&quand, RelanceMs, 0);
        const AvahiPoll* api = avahi_threaded_poll_get(poll);
        if (relance) {
            api->timeout_update(relance, &quand);
        } else {
            relance = api->timeout_new(api, &quand, Relancer, this);
        }
    }
}

AvahiStringList* AnnonceDnssd::Etat::Txt() const {
    AvahiStringList* txt = avahi_string_list_new("txtvers=1", nullptr);
    return avahi_string_list_add_pair_arbitrary(
        txt, "pseudo", reinterpret_cast<const uint8_t*>(pseudo.constData()), size_t(pseudo.size()));
}

void AnnonceDnssd::Etat::Publier() {
    if (!client || avahi_client_get_state(client) != AVAHI_CLIENT_S_RUNNING) {
        return;
    }
    if (nom.isEmpty()) {
        const char* hote = avahi_client_get_host_name(client);
        nom = CoupeUtf8("OVAN Messenger sur " + QByteArray(hote ? hote : ""), LongueurMaxInstance);
    }
    if (!groupe) {
        groupe = avahi_entry_group_new(client, EtatGroupe, this);
        if (!groupe) {
            return;
        }
    }
    if (!avahi_entry_group_is_empty(groupe)) {
        return;
    }
    AvahiStringList* txt = Txt();
    const int erreur = avahi_entry_group_add_service_strlst(groupe, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                                            AvahiPublishFlags(0), nom.constData(),
                                                            Dnssd::TypeOvan, nullptr, nullptr, port, txt);
    avahi_string_list_free(txt);
    if (erreur == AVAHI_ERR_COLLISION) {
        char* autre = avahi_alternative_service_name(nom.constData());
        nom = autre;
        avahi_free(autre);
        Publier();
        return;
    }
    if (erreur == AVAHI_OK) {
        avahi_entry_group_commit(groupe);
    }
}

AnnonceDnssd::AnnonceDnssd(quint16 port, const QString& pseudo) : d(std::make_unique<Etat>()) {
    d->port = port;
    d->pseudo = pseudo.toUtf8();
    d->poll = avahi_threaded_poll_new();
    if (!d->poll) {
        return;
    }
    // Not started yet: no lock needed.
    d->Connecter();
    if (avahi_threaded_poll_start(d->poll) < 0) {
        d->Liberer();
        avahi_threaded_poll_free(d->poll);
        d->poll = nullptr;
    }
}

AnnonceDnssd::~AnnonceDnssd() {
    if (!d->poll) {
        return;
    }
    avahi_threaded_poll_stop(d->poll);
    d->Liberer();
    avahi_threaded_poll_free(d->poll); // frees the timeout too
}

void AnnonceDnssd::Pseudo(const QString& pseudo) {
    const QByteArray nouveau = pseudo.toUtf8();
    if (!d->poll) {
        d->pseudo = nouveau;
        return;
    }
    avahi_threaded_poll_lock(d->poll);
    if (nouveau != d->pseudo) {
        d->pseudo = nouveau;
        if (d->groupe && !avahi_entry_group_is_empty(d->groupe)) {
            AvahiStringList* txt = d->Txt();
            avahi_entry_group_update_service_txt_strlst(d->groupe, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                                        AvahiPublishFlags(0), d->nom.constData(),
                                                        Dnssd::TypeOvan, nullptr, txt);
            avahi_string_list_free(txt);
        } else {
            d->Publier();
        }
    }
    avahi_threaded_poll_unlock(d->poll);
}

bool AnnonceDnssd::Etablie() const {
    if (!d->poll) {
        return false;
    }
    avahi_threaded_poll_lock(d->poll);
    const bool etablie = d->etablie;
    avahi_threaded_poll_unlock(d->poll);
    return etablie;
}
