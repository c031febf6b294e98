// The config.ini format: key:value lines in Windows-1252, read and written as a list, saved safely.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

using LignesConfig = QList<QPair<QByteArray, QByteArray>>;

// The ten settings config.ini holds. An absent one had no usable line: its control is left alone.
struct Reglages {
    // The {} spare designated initialisers a missing-initialiser warning.
    std::optional<QString> Pseudo{};
    std::optional<QString> Dossier{};
    std::optional<int> Police{};
    std::optional<int> Couleur{};
    // Present when the file has the key; true only when one of its lines says 1.
    std::optional<bool> Gras{};
    std::optional<bool> Italique{};
    std::optional<bool> Souligne{};
    std::optional<int> Format{};
    std::optional<int> Qualite{};
    std::optional<bool> EnvoiCapture{};

    bool operator==(const Reglages&) const = default;
};

// Every "key:value" line in order. The line end (LF or CR LF) is dropped and nothing else, so a
// file written on Windows, or whose last line has no line end, reads the same; a line without a
// colon is skipped; the value is everything after the first colon, untrimmed.
LignesConfig LireConfig(const QByteArray& contenu);

// "key:value" + CR LF per pair, as Windows writes it: a value that ends in CR then reads back whole,
// since the reader takes only one CR before the LF.
QByteArray EcrireConfig(const LignesConfig& lignes);

// The settings of a config.ini. Texts are Windows-1252 and kept whole whatever their length; keys
// are case-sensitive, others are skipped. A repeated text or index takes its last usable line; a
// negative index is no usable line; a repeated flag is set when any of its lines says 1.
Reglages LireReglages(const QByteArray& contenu);

// The present settings, in the order PSEUDO, DOSSIER, POLICE, COULEUR, GRAS, ITALIQUE, SOULIGNE,
// FORMAT, QUALITE, ENVOICAPT; indexes as they are (an empty list's -1 too), flags as 1 or 0, with
// EcrireConfig's line ends.
QByteArray EcrireReglages(const Reglages& reglages);

// atoi: leading white space, an optional sign, then digits up to the first other byte; 0 when
// none; clamped to the int range instead of overflowing.
int Atoi(const QByteArray& texte);

// Writes dossier + "config_tmp.ini", flushes it to disk, renames it over dossier + "config.ini" and
// flushes the folder. On failure config.ini is left as it was, the temporary file is removed and
// false is returned.
bool SauverFichierConfig(const QString& dossier, const QByteArray& contenu);

// The computer's host name.
QString ChercheNomPC();

// The user's download folder when it exists, else the home folder, ending in "/".
QString DossierParDefaut();
