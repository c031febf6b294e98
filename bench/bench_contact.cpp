// Memory held against a contact that floods: 100 MiB written on the connection we opened (the
// protocol puts nothing there), and 20 MiB of typing frames while a frame's box waits for the user.
// Each figure is set against the bytes the contact sent in the same run.
#include "CopieOvan.h"
#include "FauxContact.h"
#include "Memoire.h"
#include "core/chat/SocketsChat.h"
#include "ui/app/Interface.h"
#include "ui/chat/ArriveeDonnees.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

// Runs the event loop until condition holds, checking it every 5 ms; QTest::qWaitFor would sleep
// between turns and slow what is measured.
bool Attendre(const std::function<bool()>& condition, int delaiMs) {
    QEventLoop boucle;
    QTimer verification;
    QObject::connect(&verification, &QTimer::timeout, &boucle, [&] {
        if (condition()) {
            boucle.quit();
        }
    });
    QTimer::singleShot(delaiMs, &boucle, &QEventLoop::quit);
    verification.start(5);
    boucle.exec();
    return condition();
}

bool Relier(CopieOvan& copie, FauxContact& contact) {
    copie.Pseudo()->setText(QStringLiteral("Moi"));
    return contact.Appeler(copie.Adresse()) &&
           QTest::qWaitFor([&] { return copie.ovan().Etat() == EtatConnexion::Connecte; }, 5000);
}

void ConnexionSortante() {
    CopieOvan c(QStringLiteral("127.0.0.90"));
    FauxContact f(QStringLiteral("127.0.0.91"));
    if (!Relier(c, f)) {
        std::puts("connexion impossible");
        return;
    }
    constexpr qint64 Total = 100LL * 1024 * 1024;
    const long avant = MemoireResidente();
    long pic = avant;
    QElapsedTimer montre;
    montre.start();
    f.Inonder(FauxContact::Lien::DepuisCopie, QByteArray("[TXT]000_x\x03"), Total);
    static_cast<void>(Attendre(
        [&] {
            pic = std::max(pic, MemoireResidente());
            return f.Inonde() == Total;
        },
        120000));
    std::printf("100 MiB sur la connexion sortante: %lld MiB recus en %.2f s, memoire +%.1f MiB au pic "
                "(rapport memoire / octets recus %.4f), toujours connecte: %s\n",
                f.Inonde() >> 20, montre.elapsed() / 1000.0, (pic - avant) / 1024.0,
                double(pic - avant) * 1024 / double(std::max<qint64>(1, f.Inonde())),
                c.ovan().Etat() == EtatConnexion::Connecte ? "oui" : "non");
}

void BoiteOuverte() {
    CopieOvan c(QStringLiteral("127.0.0.92"));
    FauxContact f(QStringLiteral("127.0.0.93"));
    if (!Relier(c, f)) {
        std::puts("connexion impossible");
        return;
    }
    const QByteArray motif("[TAP]ecr\x03");
    constexpr qint64 Total = 20LL * 1024 * 1024 / 9 * 9;
    Conversation& arrivee = c.ovan().conversation();
    qint64 traitees = 0;
    QObject::connect(&arrivee, &Conversation::trameTraitee, &arrivee, [&] { ++traitees; });
    const long avant = MemoireResidente();
    long pic = avant;
    qsizetype plusLongue = 0;
    qint64 recuSousBoite = 0;
    c.dialogues().PendantBoite([&] {
        f.Inonder(FauxContact::Lien::VersCopie, motif, Total);
        // Open until the contact is held back: its flood makes no progress for half a second.
        qint64 dernier = -1;
        QElapsedTimer calme;
        calme.start();
        static_cast<void>(Attendre(
            [&] {
                pic = std::max(pic, MemoireResidente());
                plusLongue = std::max(plusLongue, arrivee.EnAttente());
                if (f.Inonde() != dernier) {
                    dernier = f.Inonde();
                    calme.restart();
                }
                return f.Inonde() == Total || calme.elapsed() > 500;
            },
            120000));
        recuSousBoite = f.Inonde();
    });
    f.Envoyer("[ANN]\x03");
    QElapsedTimer montre;
    montre.start();
    static_cast<void>(Attendre(
        [&] {
            pic = std::max(pic, MemoireResidente());
            return traitees == 1 + Total / motif.size();
        },
        600000));
    std::printf("20 MiB de [TAP]ecr sous une boite: le contact retenu a %.2f MiB pendant la boite, file "
                "au plus %lld trames, memoire +%.1f MiB au pic (rapport memoire / octets envoyes %.4f); "
                "apres la boite %lld trames traitees en %.2f s\n",
                recuSousBoite / 1048576.0, qint64(plusLongue), (pic - avant) / 1024.0,
                double(pic - avant) * 1024 / double(Total), traitees, montre.elapsed() / 1000.0);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ConnexionSortante();
    BoiteOuverte();
    return 0;
}
