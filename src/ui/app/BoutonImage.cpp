#include "ui/app/BoutonImage.h"

#include "ui/app/Images.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QStyleOptionButton>

namespace {

// The word drawn on the faces of buttons that have no tooltip; the face may change it.
QString MotDeFace(QString face) {
    if (face.endsWith(QLatin1String("_e")) || face.endsWith(QLatin1String("_d"))) {
        face.chop(2);
    }
    if (face == QLatin1String("img_ouvrir")) {
        return QStringLiteral("Ouvrir le fichier");
    }
    if (face == QLatin1String("img_annuler2")) {
        return QStringLiteral("Annuler le transfert");
    }
    if (face == QLatin1String("img_fermer")) {
        return QStringLiteral("Fermer");
    }
    return {};
}

// What a screen reader is told of a picture button: a greyed face says, as a disabled button
// would, that its command has nothing to do now (it stays reachable and clickable).
class BoutonAccessible : public QAccessibleWidget {
public:
    explicit BoutonAccessible(BoutonImage* bouton) : QAccessibleWidget(bouton, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State etat = QAccessibleWidget::state();
        const auto* b = static_cast<const BoutonImage*>(widget());
        etat.pressed = b->isDown();
        etat.defaultButton = b->isDefault();
        etat.disabled = etat.disabled || !b->FaceActive();
        return etat;
    }
    QString text(QAccessible::Text t) const override {
        QString texte = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && texte.isEmpty()) {
            texte = static_cast<const BoutonImage*>(widget())->text().remove(u'&');
        }
        return texte;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            static_cast<BoutonImage*>(widget())->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* Accessible(const QString& classe, QObject* objet) {
    auto* bouton = qobject_cast<BoutonImage*>(objet);
    return classe == QLatin1String("BoutonImage") && bouton ? new BoutonAccessible(bouton) : nullptr;
}

} // namespace

BoutonImage::BoutonImage(int id, const QString& face, const QString& infobulle, QWidget* parent)
    : QPushButton(parent), m_id(id) {
    static const bool fabrique = (QAccessible::installFactory(Accessible), true);
    Q_UNUSED(fabrique);
    setToolTip(infobulle);
    setAccessibleDescription(infobulle);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    ReglerFace(face);
}

void BoutonImage::ReglerFace(const QString& face) {
    const bool avant = FaceActive();
    m_face = face;
    if (FaceActive() != avant && QAccessible::isActive()) {
        QAccessible::State change;
        change.disabled = true;
        QAccessibleStateChangeEvent evenement(this, change);
        QAccessible::updateAccessibility(&evenement);
    }
    // A picture has no text of its own, and "..." says little: screen readers announce the
    // tooltip, or else the word on the face.
    const QString nom = toolTip().isEmpty() ? MotDeFace(face) : toolTip();
    if (!nom.isEmpty()) {
        setAccessibleName(nom);
    }
    update();
}

QPixmap BoutonImage::Image(const QSize& taille) const {
    const qreal dpr = devicePixelRatioF();
    const QPixmap image = Images::Pixmap(m_face, taille, dpr);
    // Disabled, by itself or with its window: the grey look of the "_d" faces, for every face.
    if (isEnabled() || !FaceActive() || image.isNull()) {
        return image;
    }
    const QString cle = QStringLiteral("ovan-grise:%1:%2x%3@%4")
                            .arg(m_face)
                            .arg(taille.width())
                            .arg(taille.height())
                            .arg(dpr);
    QPixmap grise;
    if (!QPixmapCache::find(cle, &grise)) {
        grise = QPixmap::fromImage(Images::Griser(image.toImage()));
        grise.setDevicePixelRatio(dpr);
        QPixmapCache::insert(cle, grise);
    }
    return grise;
}

void BoutonImage::paintEvent(QPaintEvent* event) {
    if (m_face.isEmpty()) {
        QPushButton::paintEvent(event);
        return;
    }
    if (m_centree) {
        QPushButton::paintEvent(event);
        QPainter peintre(this);
        const QSize taille = Images::TailleNaturelle(m_face);
        const QPoint coin((width() - taille.width()) / 2 + isDown(),
                          (height() - taille.height()) / 2 + isDown());
        peintre.drawPixmap(coin, Image(taille));
        return;
    }
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    const QRect zone = rect();
    const bool enfonce = isDown();
    peintre.drawPixmap(zone.translated(enfonce ? 1 : 0, enfonce ? 1 : 0), Image(zone.size()));

    QPainterPath forme;
    forme.addRoundedRect(QRectF(zone).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    if (enfonce) {
        peintre.fillPath(forme, QColor(0, 0, 0, 40));
    } else if (underMouse() && FaceActive() && isEnabled()) {
        peintre.fillPath(forme, QColor(255, 255, 255, 50));
    }
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::Highlight), 2);
        peintre.setPen(pen);
        peintre.drawRoundedRect(QRectF(zone).adjusted(1, 1, -1, -1), 6, 6);
    }
}
