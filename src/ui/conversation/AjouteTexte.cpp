#include "ui/conversation/AjouteTexte.h"

#include "core/chat/Trame.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <array>

namespace {

// By index: the pickers list them by name, so an index is a position in the sorted names.
const std::array<const char*, 6> Polices = {"Arial",         "Comic Sans MS", "Courier",
                                            "MS Sans Serif", "Tahoma",        "Times New Roman"};
const struct {
    const char* nom; // UTF-8
    QRgb rgb;
} Couleurs[10] = {
    {"Bleu", qRgb(0, 0, 255)},        {"Bleu foncé", qRgb(0, 0, 128)},
    {"Bleu-vert", qRgb(0, 128, 128)}, {"Gris sombre", qRgb(128, 128, 128)},
    {"Jaune", qRgb(210, 210, 20)},    {"Noir", qRgb(0, 0, 0)},
    {"Rouge", qRgb(255, 0, 0)},       {"Rouge foncé", qRgb(128, 0, 0)},
    {"Vert", qRgb(0, 150, 0)},        {"Violet", qRgb(128, 0, 128)},
};

const QString SansSerif = QStringLiteral("MS Sans Serif");

const QRegularExpression& ExpressionLien() {
    static const QRegularExpression lien(QStringLiteral(R"((?:https?://|file:|mailto:|www\.)[^\s<>"]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    return lien;
}

QTextCharFormat Format(const QString& police, const QColor& couleur, int style) {
    QTextCharFormat format;
    format.setFontFamilies({police});
    format.setFontPointSize(8.5);
    format.setForeground(couleur);
    format.setFontWeight((style & EffetGras) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style & EffetItalique);
    format.setFontUnderline(style & EffetSouligne);
    return format;
}

// Links inside what was just written look and act like links.
void MarquerLiens(QTextCursor& curseur, int debut, const QString& texte, const QTextCharFormat& format) {
    // Most messages hold no link: skip the expression for them.
    if (!texte.contains(u':') && !texte.contains(QLatin1String("www."), Qt::CaseInsensitive)) {
        return;
    }
    auto correspondances = ExpressionLien().globalMatch(texte);
    while (correspondances.hasNext()) {
        const auto m = correspondances.next();
        QTextCharFormat lien = format;
        lien.setAnchor(true);
        lien.setAnchorHref(m.captured());
        lien.setFontUnderline(true);
        lien.setForeground(QColor(0, 0, 255));
        curseur.setPosition(debut + int(m.capturedStart()));
        curseur.setPosition(debut + int(m.capturedEnd()), QTextCursor::KeepAnchor);
        curseur.setCharFormat(lien);
    }
}

// Text always lands at the end, whatever the user selected; CR LF, CR and LF are line breaks.
void Inserer(QTextEdit* zone, const QString& texte, const QTextCharFormat& format, bool liens) {
    QTextCursor curseur(zone->document());
    curseur.movePosition(QTextCursor::End);
    const int debut = curseur.position();
    QString propre = texte;
    propre.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    propre.replace(u'\r', u'\n');
    curseur.insertText(propre, format);
    if (liens) {
        MarquerLiens(curseur, debut, propre, format);
    }
}

void Defiler(QTextEdit* zone) {
    QScrollBar* barre = zone->verticalScrollBar();
    barre->setValue(barre->maximum());
}

} // namespace

const QStringList& NomsPolices() {
    static const QStringList noms = [] {
        QStringList l;
        for (const char* nom : Polices) {
            l << QString::fromLatin1(nom);
        }
        return l;
    }();
    return noms;
}

const QStringList& NomsCouleurs() {
    static const QStringList noms = [] {
        QStringList l;
        for (const auto& c : Couleurs) {
            l << QString::fromUtf8(c.nom);
        }
        return l;
    }();
    return noms;
}

QString Police(int index) {
    return QString::fromLatin1(Polices[index >= 0 && index < int(Polices.size()) ? index : 0]);
}

QColor Couleur(int index) {
    return QColor(Couleurs[index >= 0 && index < int(std::size(Couleurs)) ? index : 0].rgb);
}

int Style(int index) {
    return Trame::StyleVersEffets(index);
}

void AjouteTexte(QTextEdit* zone, const QString& texte, const QString& pseudo, const QString& police,
                 const QColor& couleur, int style, const QString& type) {
    if (type == QLatin1String("Texte")) {
        // One edit for both pieces: the view lays the entry out once.
        QTextCursor bloc(zone->document());
        bloc.beginEditBlock();
        Inserer(zone, pseudo + QStringLiteral(" dit :\r\n   "), Format(SansSerif, Qt::black, 0), false);
        Inserer(zone, texte + QStringLiteral("\r\n"), Format(police, couleur, style), true);
        bloc.endEditBlock();
        Defiler(zone);
    } else if (type == QLatin1String("Message")) {
        Inserer(zone, QStringLiteral(">>> ") + texte + QStringLiteral(" <<<\r\n"),
                Format(SansSerif, couleur, style), true);
        Defiler(zone);
    } else if (type == QLatin1String("Envoi")) {
        const QTextCharFormat format = Format(police, couleur, style);
        QTextCursor tout(zone->document());
        tout.select(QTextCursor::Document);
        tout.setCharFormat(format);
        zone->setCurrentCharFormat(format);
    } else if (type == QLatin1String("Ajout")) {
        Inserer(zone, texte, Format(police, couleur, style), false);
        Defiler(zone);
    }
}

void AjouteMessage(QTextEdit* vue, const QString& texte) {
    AjouteTexte(vue, texte, QString(), QString(), CouleurMessageSysteme, 0, QStringLiteral("Message"));
}

QString PrendreTexte(const QWidget* controle) {
    if (const auto* ligne = qobject_cast<const QLineEdit*>(controle)) {
        return ligne->text();
    }
    if (const auto* zone = qobject_cast<const QTextEdit*>(controle)) {
        return zone->toPlainText();
    }
    return {};
}

void ReglerPolice(QWidget* controle, int taille, bool souligne) {
    QFont police(SansSerif);
    police.setPixelSize(taille);
    police.setUnderline(souligne);
    controle->setFont(police);
    controle->update();
}

int FinConversation(QTextEdit* vue) {
    return vue->document()->characterCount() - 1;
}

QString LienA(QTextEdit* zone, const QPoint& point) {
    const QString ancre = zone->anchorAt(point);
    if (!ancre.isEmpty()) {
        return ancre;
    }
    // A link typed in the input box has no anchor: find it in the line under the mouse.
    const QTextCursor curseur = zone->cursorForPosition(point);
    const QRect ligne = zone->cursorRect(curseur);
    if (!ligne.adjusted(-ligne.height(), 0, ligne.height(), 0).contains(point)) {
        return {};
    }
    const QTextBlock bloc = curseur.block();
    const int position = curseur.position() - bloc.position();
    auto correspondances = ExpressionLien().globalMatch(bloc.text());
    while (correspondances.hasNext()) {
        const auto m = correspondances.next();
        if (position >= m.capturedStart() && position <= m.capturedEnd()) {
            return m.captured();
        }
    }
    return {};
}
