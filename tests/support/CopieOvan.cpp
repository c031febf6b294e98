#include "CopieOvan.h"

#include <QFile>
#include <QTest>

CopieOvan::CopieOvan(const QString& adresse, const std::function<void(const QString&)>& preparer,
                     SourceReseau* source)
    : m_adresse(adresse), m_source(source) {
    if (preparer) {
        preparer(Dossier());
    }
    Redemarrer();
}

CopieOvan::CopieOvan(const QString& adresse, const QByteArray& config, bool dossierRecus)
    : CopieOvan(adresse, [&](const QString& dossier) {
          QFile f(dossier + QStringLiteral("config.ini"));
          if ((!config.isEmpty() || dossierRecus) && f.open(QIODevice::WriteOnly)) {
              f.write(config + (dossierRecus ? "\r\nDOSSIER:" + dossier.toUtf8() : QByteArray()));
          }
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
    // Tests that want the notification area add the icon themselves.
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

bool ConnecterCopies(CopieOvan& a, const QString& pseudoA, CopieOvan& b, const QString& pseudoB) {
    b.Pseudo()->setText(pseudoB);
    a.Connecter(pseudoA, b.Adresse());
    return QTest::qWaitFor(
        [&] {
            return a.ovan().Etat() == EtatConnexion::Connecte && b.ovan().Etat() == EtatConnexion::Connecte;
        },
        10000);
}
