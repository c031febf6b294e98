// The cost of encryption between two copies of ours on loopback, both measured in the same run:
// from the connect command to the first message read by the contact, and a burst of 10,000
// messages until the contact has read the last, each encrypted against in clear.
#include "core/chat/Conversation.h"
#include "core/security/Confiance.h"
#include "core/security/Identite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Copie {
    Copie(const char* adresse, const char* pseudo, bool chiffrer)
        : confiance(d.filePath("c")), c(QHostAddress(adresse)) {
        if (chiffrer) {
            c.ReglerChiffrement(*Identites::Creer(), &confiance);
        }
        c.ReglerPseudoSaisi(pseudo);
        c.Ecouter();
        QObject::connect(&c, &Conversation::messageRecu, &c, [this] { ++recus; });
    }
    QTemporaryDir d;
    Confiance confiance;
    Conversation c;
    int recus = 0;
};

struct Mesure {
    double premierMs = 0;
    double rafaleMs = 0;
};

// Runs the event loop until condition holds; unlike QTest::qWaitFor it never sleeps between two
// looks, which would add up to 10 ms to every step measured.
bool Attendre(const std::function<bool()>& condition) {
    QElapsedTimer montre;
    montre.start();
    while (!condition()) {
        if (montre.elapsed() > 60000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

// One conversation: connect, the first message as soon as connected, then the burst once
// the conversation is what it will be (encrypted or known to be clear).
Mesure Essai(bool chiffrer) {
    Copie a("127.0.0.225", "Alice", chiffrer), b("127.0.0.226", "Bob", chiffrer);
    Mesure m;
    QElapsedTimer montre;
    montre.start();
    a.c.Connecter("127.0.0.226");
    if (!Attendre([&] { return a.c.Connectee(); })) {
        return m;
    }
    a.c.EnvoyerMessage(0, 0, 0, QStringLiteral("Bonjour"));
    Attendre([&] { return b.recus == 1; });
    m.premierMs = montre.nsecsElapsed() / 1e6;
    const auto attendue = chiffrer ? Conversation::Securite::Chiffree : Conversation::Securite::Claire;
    Attendre([&] { return a.c.EtatSecurite() == attendue && b.c.EtatSecurite() == attendue; });
    const QString texte =
        QStringLiteral("Un message de la rafale, avec un peu de texte pour faire une ligne");
    montre.restart();
    for (int i = 0; i < 10000; ++i) {
        a.c.EnvoyerMessage(i % 6, i % 10, i % 8, texte);
        if (i % 500 == 0) {
            QCoreApplication::processEvents();
        }
    }
    Attendre([&] { return b.recus == 10001; });
    m.rafaleMs = montre.nsecsElapsed() / 1e6;
    a.c.Deconnecter();
    Attendre([&] { return !b.c.Connectee(); });
    return m;
}

double Mediane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int Essais = 9;
    std::vector<double> premier[2], rafale[2];
    // Alternated, so that the machine's moods fall on both alike.
    for (int i = 0; i < Essais; ++i) {
        for (const bool chiffrer : {false, true}) {
            const Mesure m = Essai(chiffrer);
            premier[chiffrer].push_back(m.premierMs);
            rafale[chiffrer].push_back(m.rafaleMs);
        }
    }
    const double p0 = Mediane(premier[0]), p1 = Mediane(premier[1]);
    const double r0 = Mediane(rafale[0]), r1 = Mediane(rafale[1]);
    std::printf("connect to first message read (median of %d): clear %.1f ms, encrypted %.1f ms, "
                "difference %+.1f ms (goal <= +50 ms)\n",
                Essais, p0, p1, p1 - p0);
    std::printf(
        "10,000-message burst until the last is read (median of %d): clear %.1f ms, encrypted %.1f ms, "
        "ratio %.2f (goal <= 1.2)\n",
        Essais, r0, r1, r1 / r0);
    return 0;
}
