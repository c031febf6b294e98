#include "CopieOvan.h"

#include "core/chat/SocketsChat.h"
#include "ui/app/Interface.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

CopieOvan::CopieOvan(const QString& adresse) : CopieOvan(adresse, std::function<void(const QString&)>()) {}

CopieOvan::CopieOvan(const QString& adresse, const std::function<void(const QString&)>& preparer)
    : CopieOvan(adresse, preparer, nullptr) {}

CopieOvan::CopieOvan(const QString& adresse, const std::function<void(const QString&)>& preparer,
                     SourceReseau* source)
    : m_adresse(adresse), m_source(source) {
    if (preparer) {
        preparer(Dossier());
    }
    Redemarrer();
}

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

CopieOvan::CopieOvan(const QString& adresse, const QByteArray& config, bool dossierRecus)
    : CopieOvan(adresse, [&](const QString& dossier) {
          QFile f(dossier + QStringLiteral("config.ini"));
          if ((!config.isEmpty() || dossierRecus) && f.open(QIODevice::WriteOnly)) {
              f.write(config + (dossierRecus ? "\r\nDOSSIER:" + dossier.toUtf8() : QByteArray()));
          }
      }) {}

CopieOvan::~CopieOvan() = default;

QLineEdit* CopieOvan::Pseudo() {
    return interface().TextBoxhWnd[ZonePseudo];
}
QLineEdit* CopieOvan::AdresseContact() {
    return interface().TextBoxhWnd[ZoneAdresse];
}
QTextEdit* CopieOvan::Conversation() {
    return interface().RichEdithWnd[ZoneConversation];
}
QString CopieOvan::Statut(int partie) {
    return interface().TexteBarreStatut(partie);
}
QString CopieOvan::TexteConversation() {
    return Conversation()->toPlainText();
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
