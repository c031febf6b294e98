// Keyboard and screen-reader use of the windows: the Tab order as the controls are seen, and the
// names a screen reader says for boxes whose label is beside them or drawn in the window's picture.
#include "ui/app/BoiteSaisie.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Interface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// Tab goes from each control to the next of the list, Shift+Tab back.
void Ordre(const QList<QWidget*>& controles) {
    QWidget* avant = nullptr;
    for (QWidget* c : controles) {
        if (avant) {
            QWidget::setTabOrder(avant, c);
        }
        avant = c;
    }
}

// A label's text as a name: no mnemonic '&', no trailing ':'.
QString NomDe(const QString& texte) {
    QString nom = texte;
    nom.remove(u'&');
    nom = nom.trimmed();
    if (nom.endsWith(u':')) {
        nom.chop(1);
    }
    return nom.trimmed();
}

// A box whose label is drawn in the window's picture, or that has none.
void Nommer(QWidget* controle, const QString& texte) {
    controle->setAccessibleName(NomDe(texte));
    // On Linux Qt names a drop-down list by its current item and tells its label by a relation
    // only: a hidden label stands for the drawn one.
    if (qobject_cast<QComboBox*>(controle)) {
        auto* label = new QLabel(NomDe(texte), controle->parentWidget());
        label->hide();
        label->setBuddy(controle);
    }
}

// The label beside the box names it, and is tied to it for the screen reader.
void Nommer(QWidget* controle, QLabel* label) {
    controle->setAccessibleName(NomDe(label->text()));
    label->setBuddy(controle);
}

} // namespace

void Interface::ReglerClavier() {
    const auto& L = LabelhWnd;
    const auto& T = TextBoxhWnd;
    const auto& B = BoutonhWnd;
    const auto& C = ComboBoxhWnd;
    const auto& K = CheckBoxhWnd;

    // Main window. The top band is read left to right, then the conversation, the tools under it,
    // the input box and its send button. Tab is never typed into a message: it moves on.
    static_cast<BoiteSaisie*>(RichEdithWnd[ZoneSaisie])->setTabChangesFocus(true);
    Nommer(T[ZonePseudo], L[LabelPseudo]);
    Nommer(T[ZoneAdresse], L[LabelAdresse]);
    Nommer(T[ZoneSonStatut], L[LabelSonStatut]);
    Nommer(RichEdithWnd[ZoneConversation], QStringLiteral("Conversation"));
    Nommer(RichEdithWnd[ZoneSaisie], QStringLiteral("Message"));
    Ordre({T[ZonePseudo], T[ZoneAdresse], B[BoutonConnecter], B[BoutonDeconnecter], B[BoutonAbsent],
           B[BoutonPresent], T[ZoneSonStatut], B[BoutonReseau], B[BoutonAPropos], B[BoutonQuitter],
           RichEdithWnd[ZoneConversation], B[BoutonPolice], B[BoutonSmiley], B[BoutonEnvoiFichier],
           B[BoutonFichiersRecus], B[BoutonCapture], B[BoutonEffacer], RichEdithWnd[ZoneSaisie],
           B[BoutonEnvoyer]});

    // Smiley picker: its button on top, then the grid row by row.
    QList<QWidget*> smileys{B[BoutonQuitterSmileys]};
    for (int slot = BoutonPremierSmiley; slot <= BoutonDernierSmiley; ++slot) {
        smileys.append(B[slot]);
    }
    Ordre(smileys);

    Nommer(C[ListePolice], L[LabelPolice]);
    Nommer(C[ListeCouleur], L[LabelCouleur]);
    Ordre({B[BoutonQuitterPolice], C[ListePolice], C[ListeCouleur], K[CaseGras], K[CaseItalique],
           K[CaseSouligne]});

    Ordre({B[BoutonOuvrirFichier], B[BoutonAnnulerTransfert]});

    Nommer(C[ListeDomaines], C[ListeDomaines]->placeholderText());
    Nommer(ListViewhWnd[1], QStringLiteral("Postes du réseau"));
    Nommer(T[ZoneNomPoste], L[LabelNomPoste]);
    Ordre({C[ListeDomaines], ListViewhWnd[1], T[ZoneNomPoste]});

    // Options: the labels are drawn in each page's picture. The three pages share one order, the
    // hidden ones skipped; on the second, the style column comes before the lists.
    Nommer(T[ZoneOptionsPseudo], QStringLiteral("Pseudo"));
    Nommer(T[ZoneOptionsDossier], QStringLiteral("Dossier des fichiers reçus"));
    Nommer(C[ListeOptionsPolice], QStringLiteral("Police"));
    Nommer(C[ListeOptionsCouleur], QStringLiteral("Couleur"));
    Nommer(C[ListeOptionsFormat], QStringLiteral("Format"));
    Nommer(C[ListeOptionsQualite], QStringLiteral("Qualité"));
    Ordre({T[ZoneOptionsPseudo], T[ZoneOptionsDossier], B[BoutonParcourir], K[CaseOptionsGras],
           K[CaseOptionsItalique], K[CaseOptionsSouligne], C[ListeOptionsPolice], C[ListeOptionsCouleur],
           C[ListeOptionsFormat], C[ListeOptionsQualite], K[CaseEnvoyerCapture], B[BoutonOptionsOk],
           B[BoutonOptionsAnnuler], B[BoutonOptionsAppliquer]});

    Nommer(T[ZoneImage], QStringLiteral("Image à convertir"));
    Nommer(C[ListeFormat], QStringLiteral("Format"));
    Nommer(C[ListeQualite], QStringLiteral("Qualité"));
    Ordre({T[ZoneImage], B[BoutonChoixImage], C[ListeFormat], C[ListeQualite], B[BoutonConvertir],
           B[BoutonOuvrirDossier]});

    Nommer(T[ZoneACompresser], QStringLiteral("Fichier à compresser"));
    Nommer(T[ZoneArchiveCreee], QStringLiteral("Archive .bz2 à créer"));
    Nommer(T[ZoneADecompresser], QStringLiteral("Archive .bz2 à décompresser"));
    Nommer(T[ZoneFichierCree], QStringLiteral("Fichier à créer"));
    Ordre({T[ZoneACompresser], B[BoutonChoixACompresser], T[ZoneArchiveCreee], B[BoutonChoixArchive],
           B[BoutonCompresser], T[ZoneADecompresser], B[BoutonChoixADecompresser], T[ZoneFichierCree],
           B[BoutonChoixFichierCree], B[BoutonDecompresser]});

    Nommer(T[ZoneChoixPseudo], QStringLiteral("Pseudo"));
    Ordre({T[ZoneChoixPseudo], B[BoutonPseudoOk]});
}
