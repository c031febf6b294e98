#include "CopieOvan.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

CopieOvan::CopieOvan(const QString& adresse, const std::function<void(const QString&)>& preparer,
                     SourceReseau* source)
    : m_adresse(adresse), m_source(source) {
    if (preparer)
        preparer(Dossier());
    Redemarrer();
}

CopieOvan::CopieOvan(const QString& adresse, const QByteArray& config, bool dossierRecus)
    : CopieOvan(adresse, [&](const QString& dossier) {
          QFile f(dossier + QStringLiteral("config.ini"));
          if ((!config.isEmpty() || dossierRecus) && f.open(QIODevice::WriteOnly))
              f.write(config + (dossierRecus ? "\r\nDOSSIER:" + dossier.toUtf8() : QByteArray()));
      }) {}

CopieOvan::~CopieOvan() = default;

void CopieOvan::Redemarrer() {
    if (m_ovan) {
        m_ovan->Arreter();
        m_ovan.reset();
    }
    Ovan::Parametres parametres;
    parametres.DossExec = Dossier();
    parametres.AdresseLocale = QHostAddress(m_adresse);
    parametres.dialogues = &m_dialogues;
    parametres.shell = &m_shell;
    parametres.sons = &m_sons;
    parametres.iconeNotification = false;
    parametres.sourceReseau = m_source;
    m_ovan = std::make_unique<Ovan>(parametres);
    m_ovan->Demarrer();
}

void CopieOvan::Connecter(const QString& pseudo, const QString& adresseContact) {
    Pseudo()->setText(pseudo);
    AdresseContact()->setText(adresseContact);
    m_ovan->ClicBouton(Commande::Connecter);
}

bool CopieOvan::AppelePar(FauxContact& contact, const QByteArray& pseudo) {
    m_ovan->conversation().ReglerDossierReception(Dossier());
    Pseudo()->setText(QStringLiteral("Moi"));
    if (!contact.Appeler(m_adresse))
        return false;
    contact.Envoyer("[LOG]" + pseudo + '\x03');
    return QTest::qWaitFor([&] { return m_ovan->conversation().SonPseudo() == QString::fromLatin1(pseudo); });
}

QString DossierProgramme() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../OVAN_Messenger") + u'/';
}

void CopierSmileys(const QString& dossier) {
    QDir().mkpath(dossier + "Smileys");
    for (const QString& nom : QDir(DossierProgramme() + "Smileys").entryList(QDir::Files))
        QFile::copy(DossierProgramme() + "Smileys/" + nom, dossier + "Smileys/" + nom);
}

bool ConnecterCopies(CopieOvan& a, const QString& pseudoA, CopieOvan& b, const QString& pseudoB) {
    b.Pseudo()->setText(pseudoB);
    a.Connecter(pseudoA, b.Adresse());
    return QTest::qWaitFor(
        [&] {
            return a.ovan().Etat() == EtatConnexion::Connecte && b.ovan().Etat() == EtatConnexion::Connecte;
        },
        10000);
}

Dialogues::Reponse DialoguesEnregistres::Message(QWidget* proprietaire, const QString& texte,
                                                 const QString& titre, Icone icone, Boutons boutons) {
    m_appels.append({proprietaire, texte, titre, icone, boutons});
    emit appel();
    if (!m_pendant.isEmpty()) {
        // As a real box does: a nested event loop, in which sockets and timers go on.
        const std::function<void()> action = m_pendant.dequeue();
        QEventLoop boucle;
        QTimer::singleShot(0, &boucle, [&] {
            action();
            QTimer::singleShot(0, &boucle, &QEventLoop::quit);
        });
        boucle.exec();
    }
    if (!m_reponses.isEmpty())
        return m_reponses.dequeue();
    return boutons == Boutons::OuiNon ? Reponse::Oui : Reponse::Ok;
}

QStringList DialoguesEnregistres::Textes() const {
    QStringList textes;
    for (const Appel& a : m_appels)
        textes << a.texte;
    return textes;
}

bool DialoguesEnregistres::Boite(qsizetype i, const QString& texte, const QString& titre, Icone icone,
                                 const QWidget* proprietaire) const {
    const Appel a = m_appels.value(i, {nullptr, "(none)", {}, {}, {}});
    const bool pareil =
        a.texte == texte && a.titre == titre && a.icone == icone && a.proprietaire.data() == proprietaire;
    if (!pareil)
        qWarning() << "box" << i << a.texte << a.titre << int(a.icone) << a.proprietaire.data();
    return pareil;
}
