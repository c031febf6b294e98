// The config.ini format: key:value lines in Windows-1252, read and written as a list, saved safely.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

using LignesConfig = QList<QPair<QByteArray, QByteArray>>;

// Every "key:value" line in order. The line end (LF or CR LF) is dropped and nothing else, so a
// file written on Windows, or whose last line has no line end, reads the same; a line without a
// colon is skipped; the value is everything after the first colon, untrimmed.
LignesConfig LireConfig(const QByteArray& contenu);

// "key:value" + CR LF per pair, as Windows writes it: a value that ends in CR then reads back whole,
// since the reader takes only one CR before the LF.
QByteArray EcrireConfig(const LignesConfig& lignes);

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

// Whether a folder exists; one trailing "/" is ignored, and "/" stays "/".
bool DossExist(const QString& chemin);
