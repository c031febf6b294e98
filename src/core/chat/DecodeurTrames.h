// What each received chat frame means: one typed signal per kind of event, texts decoded.
#pragma once

#include "core/chat/Trame.h"

#include <QObject>
#include <QString>

class DecodeurTrames : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Emits the signal of this frame before returning; a payload that means nothing emits none.
    void Decoder(const Trame::TrameRecue& trame);

signals:
    void connecte(const QString& pseudo);     // "[LOG]"
    void pseudoChange(const QString& pseudo); // "[PSE]"
    // "[TXT]": each index is one digit, 0..9, not checked against the tables (the window maps them).
    void message(int police, int couleur, int style, const QString& texte);
    void statut(bool absent); // "[STA]" "abs" / "prs"
    void frappe(bool ecrit);  // "[TAP]" "ecr" / "vid"
    void attentePseudo();     // "[ATT]"
    // "[DEM]": taille is -1 past Trame::TailleMaxFichier; tailleTexte is the size as it came.
    void offre(const QString& nom, qint64 taille, const QByteArray& tailleTexte);
    void reponse(bool oui); // "[RPS]": only "OUI" is yes
    void annulation();      // "[ANN]"
    // "[OVX]" from a copy of ours: its version and extensions; a malformed one is said apart.
    void poignee(int version, const QStringList& extensions);
    void poigneeIllisible(const QByteArray& donnee);
    // "[OVP]" "1" / "0": whether the contact reached our file port; any other payload apart.
    void portAtteint(bool atteint);
    // "[OVA]": the contact's next cancel is its user's.
    void abandon();
    void portAtteintIllisible(const QByteArray& donnee);
    // "[OVL]": the next "[DEM]" offers a batch of that many files; a malformed one apart.
    void lot(int fichiers);
    void lotIllisible(const QByteArray& donnee);
};
