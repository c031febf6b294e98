#include "ui/conversation/Smileys.h"

#include "core/chat/Conversation.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Images.h"
#include "ui/app/Interface.h"
#include "ui/conversation/AjouteTexte.h"
#include "ui/conversation/Composition.h"

#include <algorithm>
#include <cstdlib>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QUrl>

namespace {

const QString PrefixeImage = QStringLiteral("ovan-smiley:");

// The codes as text, [0] unused.
const std::array<QString, 26>& Codes() {
    static const std::array<QString, 26> codes = [] {
        std::array<QString, 26> c;
        for (int k = 1; k <= 25; ++k) {
            c[std::size_t(k)] = QString::fromUtf8(CodesSmileys[std::size_t(k)]);
        }
        return c;
    }();
    return codes;
}

// The smiley whose code starts at i, in the order of the table, or 0.
int CodeA(QStringView texte, qsizetype i) {
    const QChar c = texte[i];
    // Every code starts with one of these: most positions are passed at once.
    if (c != u'(' && c != u'0' && c != u']') {
        return 0;
    }
    const QStringView cinq = texte.sliced(i, 5);
    for (int k = 1; k <= 25; ++k) {
        if (cinq == Codes()[std::size_t(k)]) {
            return k;
        }
    }
    return 0;
}

} // namespace

Smileys::Smileys(const FenetreChat& controles, const SelecteurFormat& selecteur,
                 const Conversation& conversation, const QString& dossExec)
    : m_c(controles), m_selecteur(selecteur), m_conversation(conversation), m_dossExec(dossExec) {
    for (int k = 1; k <= 25; ++k) {
        RechargerSmileys(k);
    }
}

QImage Smileys::ADensite(int k, const QImage& fichier) {
    const qreal dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    if (fichier.isNull() || dpr <= 1.0) {
        return fichier;
    }
    // Our own bitmap, drawn from the vector smiley over white: the vector at the screen's density
    // shows the same, sharp. A picture the user put there is shown as it is.
    const QString nom = QStringLiteral("img_smy") + QString::number(k);
    QImage simple(fichier.size(), QImage::Format_RGB888);
    simple.fill(Qt::white);
    {
        QPainter p(&simple);
        p.drawImage(0, 0, Images::Image(nom, fichier.size()));
    }
    const QImage lu = fichier.convertToFormat(QImage::Format_RGB888);
    // Drawn over white in one pass or two, edges may differ by a step of rounding.
    for (int y = 0; y < lu.height(); ++y) {
        const uchar* a = simple.constScanLine(y);
        const uchar* b = lu.constScanLine(y);
        for (int x = 0; x < lu.width() * 3; ++x) {
            if (std::abs(int(a[x]) - int(b[x])) > 3) {
                return fichier;
            }
        }
    }
    QImage fine = Images::Image(nom, (QSizeF(fichier.size()) * dpr).toSize());
    fine.setDevicePixelRatio(dpr);
    return fine;
}

QString Smileys::NomImage(int k) {
    return PrefixeImage + QString::number(k);
}

QString Smileys::CodeDeImage(const QString& nom) {
    if (!nom.startsWith(PrefixeImage)) {
        return {};
    }
    bool ok = false;
    const int k = nom.sliced(PrefixeImage.size()).toInt(&ok);
    return ok && k >= 1 && k <= 25 ? Codes()[std::size_t(k)] : QString();
}

void Smileys::RechargerSmileys(int i) {
    if (i < 1 || i > 25) {
        return;
    }
    const QString chemin =
        m_dossExec + QStringLiteral("Smileys/smiley") + QString::number(i) + QStringLiteral(".bmp");
    const QFileInfo info(chemin);
    const auto signature = std::pair(info.lastModified().toMSecsSinceEpoch(), info.size());
    // The same file as last time is not decoded again.
    if (!m_images[std::size_t(i)].isNull() && signature == m_signatures[std::size_t(i)]) {
        return;
    }
    m_signatures[std::size_t(i)] = signature;
    m_images[std::size_t(i)] = ADensite(i, QImage(chemin));
}

bool Smileys::Inserer(int k) {
    if (k < 1 || k > 25) {
        return false;
    }
    const Format f = m_selecteur.Lire();
    QTextEdit* saisie = m_c.saisie;
    AjouteTexte(saisie, QString::fromUtf8(CodesSmileys[k]), QString(), Police(f.police), Couleur(f.couleur),
                Style(f.style), QStringLiteral("Ajout"));
    if (m_conversation.Connectee()) {
        m_c.FaceEnvoi(true);
    }
    return true;
}

int Smileys::MettreSmileys(QTextEdit* vue, int debut, int* laisse) {
    QTextDocument* document = vue->document();
    const int depart = std::clamp(debut, 0, FinConversation(vue));
    // Only the new text is read, one character per document position, pictures and paragraph
    // ends included, from the blocks themselves: a cursor moved over it would lay the view out.
    QString texte;
    for (QTextBlock bloc = document->findBlock(depart); bloc.isValid(); bloc = bloc.next()) {
        texte += QStringView(bloc.text()).sliced(std::max(0, depart - bloc.position()));
        if (bloc.next().isValid()) {
            texte += QChar::ParagraphSeparator;
        }
    }
    QTextCursor curseur(document);
    std::array<bool, 26> essayes{};
    int remplaces = 0;
    int premierLaisse = -1;
    bool edition = false;
    for (qsizetype i = 0; i + 5 <= texte.size();) {
        const int k = CodeA(texte, i);
        if (k == 0) {
            ++i;
            continue;
        }
        // A missing picture is looked for once more, in case its file came back.
        if (m_images[std::size_t(k)].isNull() && !essayes[std::size_t(k)]) {
            RechargerSmileys(k);
        }
        essayes[std::size_t(k)] = true;
        const QImage& image = m_images[std::size_t(k)];
        if (image.isNull()) {
            m_manquantes[std::size_t(k)] = true;
            if (premierLaisse < 0) {
                premierLaisse = depart + int(i) - 4 * remplaces;
            }
            ++i;
            continue;
        }
        // One edit for the whole scan: the view is laid out once, however many codes.
        if (!edition) {
            curseur.beginEditBlock();
            edition = true;
        }
        const QString nom = NomImage(k);
        document->addResource(QTextDocument::ImageResource, QUrl(nom), image);
        const int position = depart + int(i) - 4 * remplaces;
        curseur.setPosition(position);
        curseur.setPosition(position + 5, QTextCursor::KeepAnchor);
        QTextImageFormat format;
        format.setName(nom);
        // The picture's own size, given: the layout need not look the picture up to know it.
        format.setWidth(image.deviceIndependentSize().width());
        format.setHeight(image.deviceIndependentSize().height());
        curseur.insertImage(format);
        ++remplaces;
        i += 5;
    }
    if (edition) {
        curseur.endEditBlock();
    }
    // Each picture used or missed is read again when its file changed, or came back; a burst of
    // messages looks at each file once a second at most.
    for (int k = 1; k <= 25; ++k) {
        QElapsedTimer& vu = m_verifications[std::size_t(k)];
        if (essayes[std::size_t(k)] && (!vu.isValid() || vu.hasExpired(1000))) {
            vu.start();
            RechargerSmileys(k);
        }
    }
    if (laisse) {
        *laisse = premierLaisse;
    }
    return FinConversation(vue);
}

bool Smileys::ImageRevenue() {
    bool revenue = false;
    for (int k = 1; k <= 25; ++k) {
        if (!m_manquantes[std::size_t(k)]) {
            continue;
        }
        QElapsedTimer& vu = m_verifications[std::size_t(k)];
        if (m_images[std::size_t(k)].isNull() && (!vu.isValid() || vu.hasExpired(1000))) {
            vu.start();
            RechargerSmileys(k);
        }
        if (!m_images[std::size_t(k)].isNull()) {
            m_manquantes[std::size_t(k)] = false;
            revenue = true;
        }
    }
    return revenue;
}
