#include "ui/history/FenetreHistorique.h"

#include "ui/app/FenetreOvan.h"
#include "ui/app/Fondu.h"
#include "ui/app/Interface.h"
#include "ui/app/Placement.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/conversation/Smileys.h"
#include "ui/platform/Apparence.h"
#include "ui/platform/Dialogues.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

constexpr int RoleAdresse = Qt::UserRole;
constexpr int RoleJour = Qt::UserRole + 1;
const QColor GrisEntete(110, 110, 110);
const QColor FondSurligne(255, 230, 80);

// A searched word as a pattern that finds it at the start of a word whatever its accents.
QString Motif(const QString& mot) {
    static const QHash<QChar, QString> variantes = {
        {u'a', QStringLiteral("aàáâãäå")}, {u'c', QStringLiteral("cç")},  {u'e', QStringLiteral("eèéêë")},
        {u'i', QStringLiteral("iìíîï")},   {u'n', QStringLiteral("nñ")},  {u'o', QStringLiteral("oòóôõöø")},
        {u'u', QStringLiteral("uùúûü")},   {u'y', QStringLiteral("yýÿ")},
    };
    QString motif = QStringLiteral("\\b");
    for (QChar c : mot) {
        const QString decompose = c.decomposition();
        const QChar base = (decompose.isEmpty() ? c : decompose.at(0)).toLower();
        const auto v = variantes.constFind(base);
        motif += v == variantes.constEnd() ? QRegularExpression::escape(QString(c)) : u'[' + *v + u']';
    }
    return motif;
}

} // namespace

FenetreHistorique::FenetreHistorique(QWidget* proprietaire, BaseHistorique& base, Smileys& smileys,
                                     Dialogues& dialogues)
    : m_base(base), m_smileys(smileys), m_dialogues(dialogues) {
    m_fenetre = new FenetreOvan(proprietaire,
                                Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                    Qt::WindowMinimizeButtonHint,
                                QStringLiteral("Historique"), {620, 440});
    // At the screen centre, as the other windows, on the same light ground.
    m_fenetre->ReglerPlacement([f = m_fenetre] { return AuCentre(f); }, false);
    Eclaircir(m_fenetre);
    QWidget* p = m_fenetre;
    const QFont police = Interface::PoliceControles();

    m_recherche = new QLineEdit(p);
    m_recherche->setGeometry(5, 5, 610, 22);
    m_recherche->setPlaceholderText(QStringLiteral("Rechercher dans l'historique"));
    m_recherche->setClearButtonEnabled(true);
    m_recherche->setToolTip(QStringLiteral("Les messages qui contiennent tous ces mots"));

    m_liste = new QTreeWidget(p);
    m_liste->setGeometry(5, 32, 205, 345);
    m_liste->setColumnCount(2);
    m_liste->setHeaderLabels({QStringLiteral("Contact"), QStringLiteral("Jour")});
    m_liste->setColumnWidth(0, 118);
    m_liste->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_liste->setRootIsDecorated(false);
    m_liste->setSelectionMode(QAbstractItemView::SingleSelection);

    m_vue = new QTextEdit(p);
    m_vue->setGeometry(215, 32, 400, 345);
    m_vue->setReadOnly(true);
    m_vue->setUndoRedoEnabled(false);
    m_vue->setToolTip(QString());
    m_zoneVue = m_vue->viewport();
    m_zoneVue->installEventFilter(this);

    m_enregistrer = new QCheckBox(QStringLiteral("Enregistrer l'historique"), p);
    m_enregistrer->setGeometry(5, 384, 200, 20);
    m_effacer = new QPushButton(QStringLiteral("Effacer l'historique..."), p);
    m_effacer->setGeometry(470, 382, 145, 24);
    m_etat = new QLabel(p);
    m_etat->setGeometry(5, 412, 610, 20);
    m_etat->setTextFormat(Qt::PlainText);
    m_liste->setAccessibleName(QStringLiteral("Contacts et jours"));
    m_vue->setAccessibleName(QStringLiteral("Messages du jour"));
    m_recherche->setAccessibleName(m_recherche->placeholderText());
    for (QWidget* w : {static_cast<QWidget*>(m_recherche), static_cast<QWidget*>(m_liste),
                       static_cast<QWidget*>(m_enregistrer), static_cast<QWidget*>(m_effacer),
                       static_cast<QWidget*>(m_etat)}) {
        w->setFont(police);
    }

    m_pause.setSingleShot(true);
    m_pause.setInterval(150);
    connect(&m_pause, &QTimer::timeout, this, &FenetreHistorique::Chercher);
    connect(m_recherche, &QLineEdit::textChanged, this, [this] { m_pause.start(); });
    connect(m_recherche, &QLineEdit::returnPressed, this, &FenetreHistorique::Chercher);
    // Chosen by the mouse or the keyboard; a click on the chosen row of a search opens it as well.
    const auto montrer = [this](QTreeWidgetItem* item) {
        if (item) {
            Afficher(item->data(0, RoleAdresse).toString(), item->data(0, RoleJour).toDate());
        }
    };
    connect(m_liste, &QTreeWidget::currentItemChanged, this, montrer);
    connect(m_liste, &QTreeWidget::itemClicked, this, [this, montrer](QTreeWidgetItem* item) {
        if (m_resultats) {
            montrer(item);
        }
    });
    connect(m_enregistrer, &QCheckBox::toggled, this, [this](bool oui) {
        m_base.ReglerEnregistrer(oui);
        MettreAJourEtat();
    });
    connect(m_effacer, &QPushButton::clicked, this, &FenetreHistorique::Effacer);
    for (auto signal : {&FenetreOvan::fermetureDemandee, &FenetreOvan::echap}) {
        connect(m_fenetre, signal, m_fenetre, [this] { m_fenetre->fondu().Sortir(); });
    }
    connect(&m_base, &BaseHistorique::horsService, this, &FenetreHistorique::MettreAJourEtat);
    m_rafraichir.setSingleShot(true);
    m_rafraichir.setInterval(1000);
    connect(&m_base, &BaseHistorique::ecrit, this, [this] {
        if (m_fenetre->isVisible() && m_mots.isEmpty() && !m_rafraichir.isActive()) {
            m_rafraichir.start();
        }
    });
    connect(&m_rafraichir, &QTimer::timeout, this, [this] {
        if (!m_mots.isEmpty()) {
            return;
        }
        {
            const QSignalBlocker bloque(m_liste);
            Lister();
            Choisir();
        }
        // The conversation shown gets what was written since.
        if (!m_resultats && m_montree.second.isValid()) {
            QScrollBar* barre = m_vue->verticalScrollBar();
            const bool enBas = barre->value() == barre->maximum();
            const int debut = FinConversation(m_vue);
            Ecrire(m_base.Entrees(m_montree.first, m_montree.second, m_derniere));
            m_smileys.MettreSmileys(m_vue, debut);
            Surligner();
            if (enBas) {
                barre->setValue(barre->maximum());
            }
            emit affiche();
        }
    });
}

FenetreHistorique::~FenetreHistorique() {
    // The viewport still sends events while the text view is being torn down.
    m_zoneVue->removeEventFilter(this);
    delete m_fenetre;
}

QString FenetreHistorique::NomContact(const QString& adresse, const QString& pseudo) {
    if (adresse.isEmpty()) {
        return pseudo.isEmpty() ? QStringLiteral("(sans contact)") : pseudo;
    }
    return pseudo.isEmpty() ? adresse : pseudo + QStringLiteral(" (") + adresse + u')';
}

void FenetreHistorique::Ouvrir() {
    {
        const QSignalBlocker bloque(m_enregistrer);
        m_enregistrer->setChecked(m_base.Enregistrer());
    }
    MettreAJourEtat();
    Chercher();
    // On the latest conversation, shown.
    if (m_mots.isEmpty() && m_liste->topLevelItemCount() > 0) {
        m_liste->setCurrentItem(m_liste->topLevelItem(0));
    }
    m_fenetre->fondu().Entrer();
    m_recherche->setFocus();
}

void FenetreHistorique::MettreAJourEtat() {
    const bool disponible = m_base.Disponible();
    m_enregistrer->setEnabled(disponible);
    m_effacer->setEnabled(disponible);
    if (!disponible) {
        m_etat->setText(QStringLiteral("L'historique est désactivé : ") + m_base.Raison() + u'.');
    } else if (!m_enregistrer->isChecked()) {
        m_etat->setText(QStringLiteral("Les conversations ne sont plus enregistrées."));
    } else {
        m_etat->clear();
    }
}

void FenetreHistorique::Lister() {
    m_liste->clear();
    m_conversationDe.clear();
    QList<QTreeWidgetItem*> lignes;
    const auto ligne = [&lignes](const QString& nom, const QString& adresse, const QDate& jour) {
        auto* item =
            new QTreeWidgetItem({nom, QLocale(QLocale::French).toString(jour, QStringLiteral("dd/MM/yyyy"))});
        item->setData(0, RoleAdresse, adresse);
        item->setData(0, RoleJour, jour);
        item->setToolTip(0, nom);
        lignes.append(item);
    };
    if (m_mots.isEmpty()) {
        for (const ConversationHistorique& c : m_base.Conversations()) {
            ligne(NomContact(c.Adresse, c.Pseudo), c.Adresse, c.Jour);
        }
    }
    m_liste->addTopLevelItems(lignes);
}

void FenetreHistorique::Chercher() {
    m_pause.stop();
    m_mots = BaseHistorique::Mots(m_recherche->text());
    {
        const QSignalBlocker bloque(m_liste);
        Lister();
    }
    m_montree = {};
    m_vue->clear();
    m_entreeDuBloc.clear();
    m_blocDeEntree.clear();
    m_resultats = !m_mots.isEmpty();
    if (m_mots.isEmpty()) {
        emit affiche();
        return;
    }
    // The matching entries, newest first, each under its date and contact; their conversations in
    // the list, in the same order.
    const QList<EntreeHistorique> trouvees = m_base.Chercher(m_recherche->text());
    QList<QTreeWidgetItem*> lignes;
    QSet<std::pair<QString, QDate>> vues;
    const QLocale francais(QLocale::French);
    for (const EntreeHistorique& e : trouvees) {
        const QDate jour = e.Moment.toLocalTime().date();
        m_conversationDe.insert(e.Id, {e.Adresse, jour});
        if (!vues.contains({e.Adresse, jour})) {
            vues.insert({e.Adresse, jour});
            auto* item = new QTreeWidgetItem({NomContact(e.Adresse, e.PseudoContact),
                                              francais.toString(jour, QStringLiteral("dd/MM/yyyy"))});
            item->setData(0, RoleAdresse, e.Adresse);
            item->setData(0, RoleJour, jour);
            lignes.append(item);
        }
        QTextCursor fin(m_vue->document());
        fin.movePosition(QTextCursor::End);
        m_entreeDuBloc.insert(fin.blockNumber(), e.Id);
        m_blocDeEntree.insert(e.Id, fin.blockNumber());
        QTextCharFormat entete;
        entete.setForeground(GrisEntete);
        entete.setFontPointSize(7.5);
        fin.insertText(francais.toString(e.Moment.toLocalTime(), QStringLiteral("dd/MM/yyyy HH:mm")) +
                           QStringLiteral(" — ") + NomContact(e.Adresse, e.PseudoContact) + u'\n',
                       entete);
        Ecrire(e);
    }
    m_liste->addTopLevelItems(lignes);
    m_smileys.MettreSmileys(m_vue, 0);
    Surligner();
    m_vue->verticalScrollBar()->setValue(0);
    emit affiche();
}

void FenetreHistorique::Ecrire(const EntreeHistorique& e) {
    QTextCursor fin(m_vue->document());
    fin.movePosition(QTextCursor::End);
    const int debut = fin.position();
    if (e.Genre == EntreeHistorique::Sorte::Systeme) {
        AjouteMessage(m_vue, e.Texte);
    } else {
        AjouteTexte(m_vue, e.Texte, e.Auteur, Police(e.Police), Couleur(e.Couleur), Style(e.Style),
                    QStringLiteral("Texte"));
    }
    // The time, where the user points at the entry.
    QTextCursor entree(m_vue->document());
    entree.setPosition(debut);
    entree.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    QTextCharFormat bulle;
    bulle.setToolTip(QLocale(QLocale::French)
                         .toString(e.Moment.toLocalTime(), QStringLiteral("dddd d MMMM yyyy, HH:mm:ss")));
    entree.mergeCharFormat(bulle);
}

void FenetreHistorique::Afficher(const QString& adresse, const QDate& jour, qint64 entree) {
    m_resultats = false;
    m_montree = {adresse, jour};
    m_derniere = 0;
    m_vue->clear();
    m_entreeDuBloc.clear();
    m_blocDeEntree.clear();
    const QList<EntreeHistorique> entrees = m_base.Entrees(adresse, jour);
    QString pseudo;
    for (const EntreeHistorique& e : entrees) {
        if (!e.PseudoContact.isEmpty()) {
            pseudo = e.PseudoContact;
        }
    }
    QTextCursor fin(m_vue->document());
    QTextCharFormat entete;
    entete.setForeground(GrisEntete);
    fin.insertText(NomContact(adresse, pseudo) + QStringLiteral(" — ") +
                       QLocale(QLocale::French).toString(jour, QStringLiteral("dddd d MMMM yyyy")) + u'\n',
                   entete);
    Ecrire(entrees);
    m_smileys.MettreSmileys(m_vue, 0);
    Surligner();
    {
        const QSignalBlocker bloque(m_liste);
        Choisir();
    }
    if (entree != 0 && m_blocDeEntree.contains(entree)) {
        QTextCursor la(m_vue->document()->findBlockByNumber(m_blocDeEntree.value(entree)));
        m_vue->setTextCursor(la);
        m_vue->ensureCursorVisible();
    } else {
        m_vue->verticalScrollBar()->setValue(entree != 0 ? 0 : m_vue->verticalScrollBar()->maximum());
    }
    emit affiche();
}

void FenetreHistorique::Ecrire(const QList<EntreeHistorique>& entrees) {
    for (const EntreeHistorique& e : entrees) {
        const int bloc = m_vue->document()->blockCount() - 1;
        m_entreeDuBloc.insert(bloc, e.Id);
        m_blocDeEntree.insert(e.Id, bloc);
        Ecrire(e);
        m_derniere = e.Id;
    }
}

void FenetreHistorique::Choisir() {
    for (int i = 0; i < m_liste->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_liste->topLevelItem(i);
        if (item->data(0, RoleAdresse).toString() == m_montree.first &&
            item->data(0, RoleJour).toDate() == m_montree.second) {
            m_liste->setCurrentItem(item);
        }
    }
}

void FenetreHistorique::Surligner() {
    QList<QTextEdit::ExtraSelection> surlignes;
    QTextDocument* document = m_vue->document();
    for (const QString& mot : m_mots) {
        const QRegularExpression motif(Motif(mot), QRegularExpression::CaseInsensitiveOption |
                                                       QRegularExpression::UseUnicodePropertiesOption);
        QTextCursor trouve = document->find(motif);
        while (!trouve.isNull()) {
            QTextEdit::ExtraSelection s;
            s.cursor = trouve;
            s.format.setBackground(FondSurligne);
            surlignes.append(s);
            trouve = document->find(motif, trouve);
        }
    }
    m_vue->setExtraSelections(surlignes);
}

QStringList FenetreHistorique::Surlignes() const {
    QStringList textes;
    for (const QTextEdit::ExtraSelection& s : m_vue->extraSelections()) {
        textes.append(s.cursor.selectedText());
    }
    return textes;
}

qint64 FenetreHistorique::EntreeEn(const QPoint& point) const {
    int bloc = m_vue->cursorForPosition(point).blockNumber();
    // The paragraph that starts the entry holding that point.
    while (bloc >= 0 && !m_entreeDuBloc.contains(bloc)) {
        --bloc;
    }
    return bloc >= 0 ? m_entreeDuBloc.value(bloc) : 0;
}

bool FenetreHistorique::eventFilter(QObject* objet, QEvent* event) {
    // A click on a search result opens its conversation there (a drag to select text does not).
    // Compared with the pointer kept at construction: the view may already be half destroyed.
    if (objet == m_zoneVue && event->type() == QEvent::MouseButtonRelease && m_resultats &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !m_vue->textCursor().hasSelection()) {
        const qint64 id = EntreeEn(static_cast<QMouseEvent*>(event)->position().toPoint());
        const auto conversation = m_conversationDe.constFind(id);
        if (conversation != m_conversationDe.constEnd()) {
            Afficher(conversation->first, conversation->second, id);
        }
    }
    return QObject::eventFilter(objet, event);
}

void FenetreHistorique::Effacer() {
    const auto reponse = m_dialogues.Message(
        m_fenetre,
        QStringLiteral("Voulez-vous effacer tout l'historique des conversations ?\r\nCe qui est effacé ne "
                       "peut pas être retrouvé."),
        QStringLiteral("OVAN Messenger"), Dialogues::Icone::Question, Dialogues::Boutons::OuiNon);
    if (reponse != Dialogues::Reponse::Oui) {
        return;
    }
    // Rewriting a large file takes a moment.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool efface = m_base.Effacer();
    QGuiApplication::restoreOverrideCursor();
    if (!efface) {
        m_dialogues.Message(m_fenetre, QStringLiteral("L'historique n'a pas pu être effacé."),
                            QStringLiteral("Erreur"), Dialogues::Icone::Erreur);
    }
    m_recherche->clear();
    Chercher();
    MettreAJourEtat();
}
