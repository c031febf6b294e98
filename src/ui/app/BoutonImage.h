// A button that shows a named face ("img_conn_e", "img_conn_d") and reports it back; without a face,
// a plain text button.
#pragma once

#include <QPushButton>

class BoutonImage : public QPushButton {
    Q_OBJECT
public:
    BoutonImage(int id, const QString& face, const QString& infobulle, QWidget* parent);

    // Control id: 300 + slot; a click runs command id - 300.
    int Id() const { return m_id; }
    const QString& Face() const { return m_face; }
    // Only the face changes: the button stays clickable, as the program decides from the face.
    void ReglerFace(const QString& face);
    bool FaceActive() const { return !m_face.endsWith(QLatin1String("_d")); }
    // A small picture shown at its own size on an ordinary button, instead of a whole face.
    void ReglerImageCentree(bool centree) { m_centree = centree; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The face at this size, greyed while the button is disabled.
    QPixmap Image(const QSize& taille) const;

    int m_id;
    QString m_face;
    bool m_centree = false;
};
