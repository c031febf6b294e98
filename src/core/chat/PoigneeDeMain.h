// The handshake two copies of ours exchange right after "[LOG]" or "[ATT]": our version and the
// extensions we speak, in one "[OVX]" frame that the other program skips as an unknown tag. It stays
// under 100 bytes, so it never straddles one of that program's 1,024-byte reads by itself (a frame
// cut there is lost on its side).
#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace PoigneeDeMain {

inline constexpr int Version = 1;
// The whole frame, tag and terminator included.
inline constexpr qsizetype TailleMax = 99;

struct Annonce {
    int version = 0;
    // Known to the sender; names we do not know are kept, the caller keeps what both speak.
    QStringList extensions;
    bool operator==(const Annonce&) const = default;
};

// "[OVX]1;nom,nom" + 0x03. Names are 1 to 16 of a-z, 0-9 and "-"; others, and those that would
// pass the size, are left out.
QByteArray Construire(const QStringList& extensions);
// The payload read back; nothing when it is malformed (the caller ignores the frame and says so).
std::optional<Annonce> Lire(const QByteArray& donnee);
// What both sides speak, in our order.
QStringList Communes(const QStringList& nous, const QStringList& contact);

} // namespace PoigneeDeMain
