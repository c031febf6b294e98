// One picture converted by the helper process under memory, processor-time and wall-clock limits:
// a picture that crashes or hangs the decoder ends that process, never the program.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class ImageSortie;
class QProcess;

class ConversionIsolee : public QObject {
    Q_OBJECT
public:
    struct Limites {
        // Address space of the helper, in bytes (0: none). The worst 100-megapixel picture (16-bit
        // RGBA) and its converted copy peak at about 1.2 GB.
        qint64 memoire = qint64(3) << 30;
        // A 100-megapixel photograph to PNG takes about 30 s of processor time here.
        int processeurSecondes = 120;
        int delaiMs = 180'000;
    };

    enum class Fin {
        Reussie,
        Refusee,      // the helper said why: its exit status is in bilan
        Interrompue,  // killed by a signal: a crash or a limit
        DelaiDepasse, // killed when the wall-clock limit passed
        Impossible,   // nothing could be opened, started or named
    };

    struct Resultat {
        Fin fin = Fin::Impossible;
        int bilan = -1; // a ConversionFreeImage::Bilan when the helper exited
        QString chemin; // the output, once named
        qint64 largeur = 0;
        qint64 hauteur = 0;
        qint64 creteKio = 0; // the helper's peak resident memory
        qint64 dureeMs = 0;
        bool Reussie() const { return fin == Fin::Reussie; }
    };

    // programme: the helper; argumentsAvant come before its own four arguments.
    explicit ConversionIsolee(const QString& programme, const QStringList& argumentsAvant = {},
                              QObject* parent = nullptr);
    // A conversion under way is killed and its output removed.
    ~ConversionIsolee() override;

    void ReglerLimites(const Limites& limites) { m_limites = limites; }
    const Limites& limites() const { return m_limites; }

    // Converts source to cheminSortie (or the next free "_N" name when it gets taken meanwhile),
    // format and quality indexes from the table. False when one runs already. Otherwise the result
    // always comes through terminee, never during this call.
    bool Lancer(const QString& source, const QString& cheminSortie, int format, int qualite);
    bool EnCours() const { return m_enCours; }

signals:
    void terminee(const ConversionIsolee::Resultat& resultat);

private:
    void Terminer(Resultat resultat);
    void ProcessusFini(int code, bool plantage);

    QString m_programme;
    QStringList m_argumentsAvant;
    Limites m_limites;
    QProcess* m_processus = nullptr;
    std::unique_ptr<ImageSortie> m_sortie;
    QString m_chemin;
    QByteArray m_rapport;
    QTimer m_delai;
    QElapsedTimer m_debut;
    bool m_delaiDepasse = false;
    bool m_enCours = false;
};
