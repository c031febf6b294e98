#include "core/chat/EnvoiTrames.h"

#include "core/chat/PoigneeDeMain.h"
#include "core/chat/SocketsChat.h"
#include "core/chat/Trame.h"

EnvoiTrames::EnvoiTrames(SocketsChat& sockets)
    : m_sortie([&sockets](const QByteArray& trame) { sockets.Envoyer(trame); }) {}

EnvoiTrames::EnvoiTrames(Sortie sortie) : m_sortie(std::move(sortie)) {}

void EnvoiTrames::Log(const QString& pseudo) {
    m_sortie(Trame::Log(pseudo));
}

void EnvoiTrames::Att() {
    m_sortie(Trame::Att());
}

void EnvoiTrames::Poignee(const QStringList& extensions) {
    m_sortie(PoigneeDeMain::Construire(extensions));
}

void EnvoiTrames::PortAtteint(bool atteint) {
    m_sortie(Trame::Ovp(atteint));
}

void EnvoiTrames::Pse(const QString& pseudo) {
    m_sortie(Trame::Pse(pseudo));
}

void EnvoiTrames::Message(int police, int couleur, int style, const QString& texte) {
    m_sortie(Trame::Message(police, couleur, style, texte));
}

void EnvoiTrames::Statut(bool absent) {
    m_sortie(Trame::Sta(absent));
}

void EnvoiTrames::Frappe(bool ecrit) {
    m_sortie(Trame::Tap(ecrit));
}

void EnvoiTrames::Offre(const QString& nomFichier, qint64 taille) {
    m_sortie(Trame::Dem(nomFichier, taille));
}

void EnvoiTrames::Reponse(bool oui) {
    m_sortie(Trame::Rps(oui));
}

void EnvoiTrames::Annulation() {
    m_sortie(Trame::Ann());
}

QByteArray EnvoiTrames::TexteSurLeFil(const QString& texte) {
    return Trame::SurLeFil(texte);
}

void EnvoiTrames::Lot(int fichiers) {
    m_sortie(Trame::Ovl(fichiers));
}

void EnvoiTrames::Abandon() {
    m_sortie(Trame::Ova());
}
