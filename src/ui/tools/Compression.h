// The compression window's commands: files chosen, compressed and decompressed beside the interface.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class Bzip2Travail;
class Dialogues;
class QLineEdit;
class QWidget;
class QProgressBar;

class Compression : public QObject {
    Q_OBJECT
public:
    // The compression window and its four path boxes.
    struct Controles {
        QWidget* fenetre = nullptr;
        QLineEdit* aCompresser = nullptr;
        QLineEdit* archive = nullptr;
        QLineEdit* aDecompresser = nullptr;
        QLineEdit* fichierCree = nullptr;
    };

    Compression(const Controles& controles, Dialogues& dialogues);
    // An operation still running is stopped and its partial output removed, without a box.
    ~Compression() override;

    // Command 49: compress the chosen file.
    void Compresser();
    // Command 50: decompress the chosen file.
    void Decompresser();
    // Command 55 to 58: choose the files to compress and decompress, and their targets.
    void Choisir(int commande);

    bool EnCours() const { return m_travail != nullptr; }

signals:
    // An operation ended and its boxes were answered.
    void termine();

private:
    void Lancer(bool compresser, const QString& source, const QString& sortie);
    void Fin();
    void Progression(qint64 fait, qint64 total);

    Controles m_c;
    Dialogues& m_dialogues;
    QProgressBar* m_barre;
    std::unique_ptr<Bzip2Travail> m_travail;
};
