// Compressing a file into a standard .bz2 file and back, through the bzip2 library's file interface.
#pragma once

#include <QString>
#include <QtGlobal>

namespace Bzip2 {

// What an operation has to say before its result: the window shows it first, in this order.
enum class Avis {
    CompressionInutile,   // the output is not smaller than the input (it stays on disk)
    ProblemeLecture,      // corrupt or truncated data (what was decompressed stays on disk)
    AllocationImpossible, // no read buffer of the size asked
};

// What an operation reports as it goes and obeys; called on the thread that runs it.
class Suivi {
public:
    virtual ~Suivi() = default;
    virtual void Avertir(Avis avis) = 0;
    // fait bytes of the source's total read so far.
    virtual void Avancer(qint64 fait, qint64 total) {
        Q_UNUSED(fait);
        Q_UNUSED(total);
    }
    // True once the operation must stop: it then removes its output and fails.
    virtual bool Arreter() const { return false; }
};

// Block size 9 (900 000 bytes), as standard bzip2 -9.
inline constexpr int TailleBlocCompression = 9;
inline constexpr int FacteurTravail = 30;
// The source is read, and decompressed bytes are drained, this much at a time by the tool.
inline constexpr int TailleBlocOutil = 256 * 1024;

// 0 when the output was written and is smaller than the source, -1 otherwise. The output is
// written aside and named when whole; it stays when not smaller (Avis::CompressionInutile).
int CompFichEnFich(const QString& source, const QString& sortie, Suivi* suivi = nullptr);
// 0 on success, -1 on failure. tailleBloc bytes are drained per call (0 stands for 100). Every
// stream of the file is decompressed, as one after another; bytes that follow them and are not
// one are ignored. On corrupt data (Avis::ProblemeLecture) what was decompressed stays.
int DecompFichEnFich(const QString& source, const QString& sortie, int tailleBloc, Suivi* suivi = nullptr);

// The same with true for 0.
bool Compression(const QString& source, const QString& sortie, Suivi* suivi = nullptr);
bool Decompression(const QString& source, const QString& sortie, int tailleBloc, Suivi* suivi = nullptr);

// Whether both paths name one existing file (links followed): writing one would destroy the other.
bool MemeFichier(const QString& a, const QString& b);

} // namespace Bzip2
