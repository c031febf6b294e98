// Figures for the conversation view: the cost of one entry as the log grows, and a burst of
// 10,000 messages from a peer copy against plain text-edit appends of the same texts, the same
// burst with three smiley codes in each message against one without, a burst of 100,000
// messages with the history recording them against the same burst without it, and a million
// messages: the cost of one at the end against the start, memory, the longest event-loop wait.
#include "CopieOvan.h"
#include "Memoire.h"
#include "core/chat/SocketsChat.h"
#include "core/history/Historique.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"
#include "ui/chat/ArriveeDonnees.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/conversation/VueConversation.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

QString TexteNumero(int i) {
    return QStringLiteral("Message numéro %1, un peu de texte pour faire une ligne").arg(i);
}

void Remplir(QTextEdit& vue, int entrees) {
    for (int i = 0; i < entrees; ++i) {
        AjouteTexte(&vue, TexteNumero(i), QStringLiteral("Bob"), Police(i % 6), Couleur(i % 10), Style(i % 8),
                    QStringLiteral("Texte"));
    }
}

// Microseconds per entry for n more entries appended to a view already holding deja.
double CoutEntree(int deja, int n) {
    QTextEdit vue;
    vue.resize(700, 340);
    Remplir(vue, deja);
    QElapsedTimer montre;
    montre.start();
    Remplir(vue, n);
    return montre.nsecsElapsed() / 1000.0 / n;
}

// The same for the text edit's own append, as a yardstick of what the widget itself costs.
double CoutAppend(int deja, int n) {
    QTextEdit vue;
    vue.resize(700, 340);
    for (int i = 0; i < deja; ++i) {
        vue.append(QStringLiteral("Bob dit :\n   ") + TexteNumero(i));
    }
    QElapsedTimer montre;
    montre.start();
    for (int i = 0; i < n; ++i) {
        vue.append(QStringLiteral("Bob dit :\n   ") + TexteNumero(i));
    }
    return montre.nsecsElapsed() / 1000.0 / n;
}

// Two copies on 127.0.0.ip and .ip+1, a sending and b showing; the text frames b has handled, and a
// 5 ms pulse that keeps the longest the event loop went without turning.
struct Paire {
    CopieOvan a, b;
    int recus = 0;
    qint64 pireAttenteMs = 0;
    QElapsedTimer battement;
    QTimer pouls;
    explicit Paire(int ip, const std::function<void(const QString&)>& preparer = {})
        : a(QStringLiteral("127.0.0.%1").arg(ip), preparer),
          b(QStringLiteral("127.0.0.%1").arg(ip + 1), preparer) {
        QObject::connect(&b.ovan().conversation(), &Conversation::trameTraitee,
                         [this](const Trame::TrameRecue& t) { recus += t.balise == Trame::Balise::TXT; });
        pouls.setInterval(5);
        QObject::connect(&pouls, &QTimer::timeout,
                         [this] { pireAttenteMs = std::max(pireAttenteMs, battement.restart()); });
    }
    bool Relier() { return ConnecterCopies(a, QStringLiteral("Alice"), b, QStringLiteral("Bob")); }
    void Battre() {
        battement.start();
        pouls.start();
    }
};

// Microseconds per message for a burst of n messages between two fresh copies, each message
// holding three smiley codes or none; -1 when they did not all show.
double Rafale(int n, bool codes, int ip) {
    Paire p(ip, CopierSmileys);
    if (!p.Relier()) {
        return -1;
    }
    const QString avec = QStringLiteral(" (:-)) puis (LOL) et ]:-|) !");
    const QString sans = QStringLiteral(" (:-|) puis (lol) et ]:-() !");
    QElapsedTimer montre;
    montre.start();
    for (int i = 0; i < n; ++i) {
        p.a.ovan().Sockets().Envoyer(
            Trame::Message(i % 6, i % 10, i % 8, TexteNumero(i) + (codes ? avec : sans)));
    }
    if (!QTest::qWaitFor([&] { return p.recus == n; }, 120000)) {
        return -1;
    }
    return montre.nsecsElapsed() / 1000.0 / n;
}

struct MesureHistorique {
    double us = -1;
    qint64 pireAttenteMs = 0;
    qint64 ecrites = 0;
    double viderMs = 0;
};

// A burst of n messages shown by b, its history recording them or not: microseconds per message
// until the last is shown, the longest the event loop went without turning, then (recording) how
// long the last batch took to reach the disk and how many entries were written.
MesureHistorique RafaleHistorique(int n, bool enregistrer, int ip) {
    MesureHistorique m;
    Paire p(ip);
    CopieOvan& a = p.a;
    CopieOvan& b = p.b;
    a.ovan().historique()->ReglerEnregistrer(false);
    b.ovan().historique()->ReglerEnregistrer(enregistrer);
    if (!p.Relier()) {
        return m;
    }
    QObject::connect(b.ovan().historique(), &BaseHistorique::ecrit, [&](qint64 total) { m.ecrites = total; });
    QElapsedTimer montre;
    montre.start();
    p.Battre();
    for (int i = 0; i < n; ++i) {
        a.ovan().Sockets().Envoyer(Trame::Message(i % 6, i % 10, i % 8, TexteNumero(i)));
        if (i % 1000 == 999) {
            QCoreApplication::processEvents();
        }
    }
    if (!QTest::qWaitFor([&] { return p.recus == n; }, 600000)) {
        return m;
    }
    p.pouls.stop();
    m.pireAttenteMs = p.pireAttenteMs;
    m.us = montre.nsecsElapsed() / 1000.0 / n;
    montre.restart();
    b.ovan().historique()->Vider();
    QCoreApplication::processEvents();
    m.viderMs = montre.nsecsElapsed() / 1e6;
    return m;
}

// Processor time of the whole process (both copies), in microseconds: a busy machine stretches the
// wall clock of one window more than another's.
double ProcesseurUs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

struct MesureLongue {
    double debutUs = -1;
    double finUs = -1;
    double debutCpuUs = -1;
    double finCpuUs = -1;
    long memoireDebutKo = 0;
    long memoireMilieuKo = 0;
    long memoireFinKo = 0;
    qint64 pireAttenteMs = 0;
    int entreesVue = 0;
};

// n messages from a peer copy shown by b, the history off (its cost is measured above): microseconds
// per message over the first and the last 10,000, resident memory after 10,000, halfway and at the
// end, the longest the event loop went without turning. The sender keeps at most a few thousand
// messages ahead, as a contact that is read as fast as it writes.
MesureLongue RafaleLongue(int n, int ip) {
    constexpr int Fenetre = 10000;
    constexpr int Lot = 500;
    MesureLongue m;
    Paire p(ip);
    CopieOvan& a = p.a;
    CopieOvan& b = p.b;
    a.ovan().historique()->ReglerEnregistrer(false);
    b.ovan().historique()->ReglerEnregistrer(false);
    if (!p.Relier()) {
        return m;
    }
    const int& recus = p.recus;
    const auto attendre = [&](int cible) {
        while (recus < cible && a.ovan().Sockets().Etat() == EtatConnexion::Connecte) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return recus >= cible;
    };
    QElapsedTimer montre;
    montre.start();
    double cpu = ProcesseurUs();
    p.Battre();
    for (int envoyes = 0; envoyes < n; envoyes += Lot) {
        if (envoyes == n - Fenetre) {
            if (!attendre(envoyes)) {
                return m;
            }
            montre.restart();
            cpu = ProcesseurUs();
        }
        // The recording stand-in for sounds keeps every one played; the program keeps none.
        b.sons().Joues.clear();
        for (int i = envoyes; i < envoyes + Lot; ++i) {
            a.ovan().Sockets().Envoyer(Trame::Message(i % 6, i % 10, i % 8, TexteNumero(i)));
        }
        if (!attendre(envoyes + Lot - 4000)) {
            return m;
        }
        if (envoyes + Lot == Fenetre) {
            if (!attendre(Fenetre)) {
                return m;
            }
            m.debutUs = montre.nsecsElapsed() / 1000.0 / Fenetre;
            m.debutCpuUs = (ProcesseurUs() - cpu) / Fenetre;
            m.memoireDebutKo = MemoireResidente();
        } else if (envoyes + Lot == n / 2) {
            m.memoireMilieuKo = MemoireResidente();
        }
    }
    if (!attendre(n)) {
        return m;
    }
    m.finUs = montre.nsecsElapsed() / 1000.0 / Fenetre;
    m.finCpuUs = (ProcesseurUs() - cpu) / Fenetre;
    p.pouls.stop();
    m.pireAttenteMs = p.pireAttenteMs;
    m.memoireFinKo = MemoireResidente();
    m.entreesVue = b.Conversation()->document()->blockCount();
    return m;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::printf("== One entry as the log grows ==\n");
    const double petit = CoutEntree(10, 2000);
    const double grand = CoutEntree(100000, 2000);
    std::printf("with 10 entries:      %8.1f us per entry\n", petit);
    std::printf("with 100,000 entries: %8.1f us per entry\n", grand);
    std::printf("ratio:                %8.2f (1.0 = independent of the log's size)\n", grand / petit);
    const double petitBase = CoutAppend(10, 2000);
    const double grandBase = CoutAppend(100000, 2000);
    std::printf("plain appends, same sizes: %.1f and %.1f us, ratio %.2f (the widget's own growth)\n\n",
                petitBase, grandBase, grandBase / petitBase);

    constexpr int N = 10000;
    std::printf("== A burst of %d messages from a peer copy ==\n", N);

    // Baseline: the same texts appended to a plain text edit of the same size, in the same run,
    // the event loop turning (and painting) every 50 messages as a window that stays responsive must.
    long memoireAvant = MemoireResidente();
    QElapsedTimer montre;
    double baseUs = 0;
    long baseKo = 0;
    {
        QTextEdit simple;
        simple.resize(708, 343);
        simple.show();
        montre.start();
        for (int i = 0; i < N; ++i) {
            simple.append(QStringLiteral("Bob dit :\n   ") + TexteNumero(i));
            if (i % 50 == 49) {
                QCoreApplication::processEvents();
            }
        }
        QCoreApplication::processEvents();
        baseUs = montre.nsecsElapsed() / 1000.0 / N;
        baseKo = MemoireResidente() - memoireAvant;
    }

    Paire p(90);
    if (!p.Relier()) {
        std::printf("the copies did not connect\n");
        return 1;
    }
    QTest::qWait(200);
    memoireAvant = MemoireResidente();
    montre.start();
    p.Battre();
    for (int i = 0; i < N; ++i) {
        p.a.ovan().Sockets().Envoyer(Trame::Message(i % 6, i % 10, i % 8, TexteNumero(i)));
    }
    const bool tout = QTest::qWaitFor([&] { return p.recus == N; }, 120000);
    p.pouls.stop();
    const double ovanUs = montre.nsecsElapsed() / 1000.0 / N;
    const long ovanKo = MemoireResidente() - memoireAvant;
    const bool ordre = p.b.TexteConversation().endsWith(TexteNumero(N - 1) + u'\n');

    std::printf("shown: %d of %d, last one last: %s\n", p.recus, N, ordre ? "yes" : "no");
    std::printf("plain text-edit appends: %8.1f us per message, %6ld KiB\n", baseUs, baseKo);
    std::printf("received and shown:      %8.1f us per message, %6ld KiB\n", ovanUs, ovanKo);
    std::printf("ratio time:   %5.2f (goal: within 3)\n", ovanUs / baseUs);
    std::printf("ratio memory: %5.2f (goal: within 3)\n", baseKo > 0 ? double(ovanKo) / baseKo : 0.0);
    std::printf("longest wait of the event loop during the burst: %lld ms\n\n",
                static_cast<long long>(p.pireAttenteMs));

    std::printf("== The same burst, each message with three smiley codes ==\n");
    const double sansCodes = Rafale(N, false, 92);
    const double avecCodes = Rafale(N, true, 94);
    std::printf("without codes (lookalikes): %8.1f us per message\n", sansCodes);
    std::printf("with three codes:           %8.1f us per message\n", avecCodes);
    std::printf("ratio time:   %5.2f (goal: at most 1.5)\n", avecCodes / sansCodes);

    // One message made of nothing but codes: every code becomes a picture, in one edit.
    {
        CopieOvan c(QStringLiteral("127.0.0.96"), CopierSmileys);
        const QString codes = QStringLiteral("(;-))").repeated(10000);
        QElapsedTimer chrono;
        chrono.start();
        c.ovan().vueConversation().Texte(codes, QStringLiteral("Bob"), 0, 0, 0);
        const double ms = chrono.nsecsElapsed() / 1e6;
        chrono.restart();
        c.interface().FenetrehWnd->repaint();
        std::printf("one message of 10,000 codes: %.1f ms to show, %.1f ms to paint\n", ms,
                    chrono.nsecsElapsed() / 1e6);
    }

    const int nHistorique = qEnvironmentVariableIntValue("OVAN_BENCH_HISTORIQUE") > 0
                                ? qEnvironmentVariableIntValue("OVAN_BENCH_HISTORIQUE")
                                : 100000;
    std::printf("\n== A burst of %d messages, with and without the history ==\n", nHistorique);
    const MesureHistorique sans = RafaleHistorique(nHistorique, false, 100);
    const MesureHistorique avec = RafaleHistorique(nHistorique, true, 102);
    std::printf("history off: %8.1f us per message, longest event-loop wait %lld ms\n", sans.us,
                static_cast<long long>(sans.pireAttenteMs));
    std::printf("history on:  %8.1f us per message, longest event-loop wait %lld ms\n", avec.us,
                static_cast<long long>(avec.pireAttenteMs));
    std::printf("entries written: %lld (the last batch reached the disk %.1f ms after the last message)\n",
                static_cast<long long>(avec.ecrites), avec.viderMs);
    std::printf("ratio time:   %5.2f (goal: within 1.2)\n", avec.us / sans.us);

    const int nLongue = qEnvironmentVariableIntValue("OVAN_BENCH_LONGUE") > 0
                            ? qEnvironmentVariableIntValue("OVAN_BENCH_LONGUE")
                            : 1000000;
    std::printf("\n== %d messages from a peer copy, history off ==\n", nLongue);
    const MesureLongue longue = RafaleLongue(nLongue, 104);
    std::printf("first 10,000: %8.1f us per message, %8.1f us of processor time\n", longue.debutUs,
                longue.debutCpuUs);
    std::printf("last 10,000:  %8.1f us per message, %8.1f us of processor time\n", longue.finUs,
                longue.finCpuUs);
    std::printf("ratio time:   %5.2f, processor time %5.2f (goal: within 1.5)\n",
                longue.finUs / longue.debutUs, longue.finCpuUs / longue.debutCpuUs);
    std::printf("resident memory: %ld KiB after 10,000, %ld KiB halfway, %ld KiB at the end\n",
                longue.memoireDebutKo, longue.memoireMilieuKo, longue.memoireFinKo);
    std::printf("paragraphs in the view at the end: %d (at most %d entries kept)\n", longue.entreesVue,
                VueConversation::EntreesGardees + VueConversation::EntreesEnPlus);
    std::printf("longest wait of the event loop: %lld ms\n", static_cast<long long>(longue.pireAttenteMs));
    return tout && ordre && sansCodes > 0 && avecCodes > 0 && sans.us > 0 && avec.us > 0 && longue.finUs > 0
               ? 0
               : 1;
}
