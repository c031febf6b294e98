// Writes the user guide notice.pdf: the text of notice.html on A4 pages, a table of contents with
// page numbers, the smiley table, and pictures of the program's real windows taken offscreen.
//   ovan_notice <notice.html> <program folder> <version> <notice.pdf>
// The program folder must already hold Smileys/smileyK.bmp: the conversation shows them.
#include "core/chat/Conversation.h"
#include "core/chat/SocketsChat.h"
#include "core/network/Dnssd.h"
#include "core/transfer/ConversionsTransfert.h"
#include "ui/app/BoutonImage.h"
#include "ui/app/FenetreOvan.h"
#include "ui/app/FenetrePrincipale.h"
#include "ui/app/Images.h"
#include "ui/app/Interface.h"
#include "ui/app/Ovan.h"
#include "ui/conversation/VueConversation.h"
#include "ui/network/Reseau.h"
#include "ui/notify/Popup.h"
#include "ui/platform/Dialogues.h"
#include "ui/platform/Shell.h"
#include "ui/platform/Sons.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>
#include <QUrl>

#include <cstdio>
#include <memory>

namespace {

// The windows are drawn at twice their size: sharp once printed.
constexpr char Echelle[] = "2";
// Layout units are CSS pixels: 96 per inch, as the widths in notice.html.
constexpr int Resolution = 96;
constexpr qreal MargeCote = 68; // 18 mm
constexpr qreal MargeHaut = 72; // 19 mm
constexpr qreal MargeBas = 76;  // 20 mm, the footer inside
const QString TitreNotice = QStringLiteral("OVAN Messenger — Guide de l'utilisateur");

void Erreur(const QString& texte) {
    std::fprintf(stderr, "ovan_notice: %s\n", qPrintable(texte));
}

// The offscreen platform's notes on what it cannot do say nothing about the guide.
void Messages(QtMsgType type, const QMessageLogContext& contexte, const QString& texte) {
    if (texte.startsWith(QLatin1String("This plugin does not support")) ||
        texte.contains(QLatin1String("XDG_RUNTIME_DIR"))) {
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, contexte, texte)));
}

// The copy never shows a box, opens nothing and plays nothing.
class DialoguesMuets : public Dialogues {
public:
    Reponse Message(QWidget*, const QString&, const QString&, Icone, Boutons) override {
        return Reponse::Non;
    }
    QString ChoisirDossier(QWidget*, const QString&, const QString&) override { return {}; }
    QString ChoisirFichier(QWidget*, const QString&, const QString&) override { return {}; }
    QString ChoisirFichierASauver(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
};
class ShellMuet : public Shell {
public:
    bool Ouvrir(const QString&, QWidget*) override { return false; }
};
class SonsMuets : public Sons {
public:
    void Jouer(const QString&) override {}
};

// The edge of a picture, since no window frame surrounds it on paper.
QImage Cadre(QImage image) {
    QPainter peintre(&image);
    peintre.setPen(QColor(120, 120, 120));
    peintre.drawRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()).adjusted(0.5, 0.5, -0.5, -0.5));
    return image;
}

QImage Photo(QWidget* fenetre) {
    fenetre->show();
    QCoreApplication::processEvents();
    QImage image = fenetre->grab().toImage();
    fenetre->hide();
    return image;
}

// A window as the reader sees it on screen.
QImage Cliche(QWidget* fenetre) {
    return Cadre(Photo(fenetre));
}

// The part of a window's photograph around some of its controls.
QImage Extrait(const QImage& photo, QWidget* fenetre, const QList<QWidget*>& controles, int marge) {
    QRect zone;
    for (QWidget* c : controles) {
        zone |= QRect(c->mapTo(fenetre, QPoint(0, 0)), c->size());
    }
    zone = zone.adjusted(-marge, -marge, marge, marge) & fenetre->rect();
    const qreal dpr = photo.devicePixelRatio();
    QImage extrait = photo.copy(QRectF(QPointF(zone.topLeft()) * dpr, QSizeF(zone.size()) * dpr).toRect());
    extrait.setDevicePixelRatio(dpr);
    return Cadre(extrait);
}

// A click where the window's own picture draws a tab: the window's code turns the page.
void Cliquer(QWidget* zone, const QPoint& point) {
    const QPointF p(point);
    QMouseEvent appui(QEvent::MouseButtonPress, p, zone->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(zone, &appui);
    QMouseEvent relache(QEvent::MouseButtonRelease, p, zone->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(zone, &relache);
}

void Choisir(QComboBox* liste, const QString& texte) {
    liste->setCurrentIndex(liste->findText(texte));
}

// The home network of the pictures: two computers where the messenger runs, and a printer.
class ReseauMaison : public SourceReseau {
public:
    QStringList Domaines(const Dnssd::Arret&) override { return {QStringLiteral("local")}; }
    QList<Dnssd::Poste> Postes(const QString&, const Dnssd::Arret&) override {
        QList<Dnssd::Poste> postes;
        for (const auto& [nom, pseudo] :
             {std::pair("bureau.local", "Papa"), std::pair("pc-salon.local", "Julie"),
              std::pair("imprimante.local", "")}) {
            Dnssd::Poste p;
            p.Nom = QString::fromUtf8(nom);
            p.Pseudo = QString::fromUtf8(pseudo);
            p.Ovan = !p.Pseudo.isEmpty();
            postes.append(p);
        }
        return postes;
    }
};

// Marc's copy, connected to Julie's, in the middle of a conversation; each window photographed.
QMap<QString, QImage> Cliches(const QString& dossExec) {
    ReseauMaison reseau;
    DialoguesMuets dialogues;
    ShellMuet shell;
    SonsMuets sons;
    Ovan::Parametres parametres;
    parametres.DossExec = dossExec;
    parametres.AdresseLocale = QHostAddress(QHostAddress::LocalHost);
    parametres.dialogues = &dialogues;
    parametres.shell = &shell;
    parametres.sons = &sons;
    parametres.sourceReseau = &reseau;
    // Never started: it neither listens nor reads a config.ini.
    Ovan ovan(parametres);
    Interface& ui = ovan.interface();
    QMap<QString, QImage> cliches;

    const QString recus = QStringLiteral("/home/marc/Téléchargements/");
    ovan.conversation().ReglerMonPseudo(QStringLiteral("Marc"));
    ovan.conversation().ReglerDossierReception(recus);
    ui.TextBoxhWnd[ZonePseudo]->setText(QStringLiteral("Marc"));
    ui.TextBoxhWnd[ZoneAdresse]->setText(QStringLiteral("192.168.1.20"));
    ui.TextBoxhWnd[ZonePseudo]->setEnabled(false);
    ui.TextBoxhWnd[ZoneAdresse]->setEnabled(false);
    ui.TextBoxhWnd[ZoneSonStatut]->setText(QStringLiteral("Présent(e)"));
    ui.TextBoxhWnd[ZoneNomPoste]->setText(QStringLiteral("PORTABLE-MARC"));
    ovan.Sockets().ReglEtat(EtatConnexion::Connecte);
    ui.BoutonhWnd[BoutonConnecter]->ReglerFace(QStringLiteral("img_conn_d"));
    ui.BoutonhWnd[BoutonDeconnecter]->ReglerFace(QStringLiteral("img_deco_e"));

    VueConversation& vue = ovan.vueConversation();
    vue.MessageFin(QStringLiteral("Vous vous êtes connecté(e)."));
    vue.Message(QStringLiteral("Julie s'est connecté(e)."));
    // Font, colour and style indexes as the pickers number them (Comic Sans MS, Violet...).
    vue.Texte(QStringLiteral("Salut Marc ! Tu es bien rentré ? (:-))"), QStringLiteral("Julie"), 1, 9, 0);
    vue.Texte(QStringLiteral("Oui, merci ! Tu as les photos de samedi ? (8-D)"), QStringLiteral("Marc"), 0, 1,
              0);
    vue.Texte(QStringLiteral("Je te les envoie tout de suite (;-)) Les autres sont sur www.exemple.fr/album"),
              QStringLiteral("Julie"), 1, 9, 0);
    vue.MessageFin(QStringLiteral("Vous avez accepté la réception de 'photos-samedi.zip'."));
    vue.MessageFin(QStringLiteral("Vous avez reçu 'photos-samedi.zip' avec succès !"));
    vue.Texte(QStringLiteral("Bien reçues, elles sont superbes (LOL)"), QStringLiteral("Marc"), 0, 1, 4);
    ui.RichEdithWnd[ZoneSaisie]->setPlainText(QStringLiteral("À samedi prochain !"));
    ui.FaceEnvoi(true);
    ui.TexteBarreStatut(0, QStringLiteral("Julie est en train de taper un message..."));
    const QImage principale = Photo(ui.FenetrehWnd);
    cliches[QStringLiteral("principale")] = Cadre(principale);
    cliches[QStringLiteral("statuts")] =
        Extrait(principale, ui.FenetrehWnd,
                {ui.LabelhWnd[LabelMonStatut], ui.BoutonhWnd[BoutonAbsent], ui.BoutonhWnd[BoutonPresent],
                 ui.TextBoxhWnd[ZoneSonStatut]},
                6);
    cliches[QStringLiteral("barre-etat")] =
        Extrait(principale, ui.FenetrehWnd, {ui.BarreStatuthWnd[0], ui.BarreStatuthWnd[1]}, 0);

    // The menus as they drop from the menu bar.
    const QList<QAction*> menus = ui.FenetrehWnd->menuBar()->actions();
    for (int i = 0; i < menus.size() && i < 2; ++i) {
        QMenu* menu = menus[i]->menu();
        menu->ensurePolished();
        menu->adjustSize();
        cliches[i == 0 ? QStringLiteral("menu-action") : QStringLiteral("menu-outils")] = Cliche(menu);
    }

    cliches[QStringLiteral("smileys")] = Cliche(ui.SmileyhWnd);
    Choisir(ui.ComboBoxhWnd[ListePolice], QStringLiteral("Comic Sans MS"));
    Choisir(ui.ComboBoxhWnd[ListeCouleur], QStringLiteral("Violet"));
    ui.CheckBoxhWnd[CaseGras]->setChecked(true);
    cliches[QStringLiteral("police")] = Cliche(ui.StyleTextehWnd);
    cliches[QStringLiteral("pseudo")] = Cliche(ui.PseudohWnd);

    ui.TransferthWnd->setWindowTitle(QStringLiteral("62 % - photos-samedi.zip"));
    const qint64 total = 34'668'544;
    const qint64 fait = 21'495'808;
    ui.LabelhWnd[LabelNomFichier]->setText(QStringLiteral("photos-samedi.zip"));
    ui.LabelhWnd[LabelCorrespondant]->setText(QStringLiteral("Expéditeur : Julie"));
    ui.LabelhWnd[LabelVolume]->setText(QStringLiteral("Volume de données reçues : ") + ConvTaille(fait) +
                                       QStringLiteral(" / ") + ConvTaille(total));
    if (const auto debit = ConvOctDebitTemps(fait, total, 8.0)) {
        ui.LabelhWnd[LabelDebit]->setText(debit->debit);
        ui.LabelhWnd[LabelTempsRestant]->setText(debit->temps);
    }
    ui.ProgressBarhWnd[1]->setValue(int(fait * 1000 / total));
    cliches[QStringLiteral("transfert")] = Cliche(ui.TransferthWnd);

    ui.TextBoxhWnd[ZoneOptionsPseudo]->setText(QStringLiteral("Marc"));
    ui.TextBoxhWnd[ZoneOptionsDossier]->setText(recus);
    Choisir(ui.ComboBoxhWnd[ListeOptionsPolice], QStringLiteral("Arial"));
    Choisir(ui.ComboBoxhWnd[ListeOptionsCouleur], QStringLiteral("Bleu foncé"));
    Choisir(ui.ComboBoxhWnd[ListeOptionsFormat], QStringLiteral("JPEG"));
    Choisir(ui.ComboBoxhWnd[ListeOptionsQualite], QStringLiteral("Bonne"));
    ui.CheckBoxhWnd[CaseEnvoyerCapture]->setChecked(true);
    const int onglets[3] = {59, 150, 241};
    for (int page = 1; page <= 3; ++page) {
        Cliquer(ui.LabelOptionhWnd, {onglets[page - 1], 84});
        cliches[QStringLiteral("options%1").arg(page)] = Cliche(ui.OptionshWnd);
    }

    Cliquer(ui.LabelApposhWnd, {220, 131});
    cliches[QStringLiteral("apropos")] = Cliche(ui.ApposhWnd);

    {
        QEventLoop boucle;
        QObject::connect(&ovan.reseau(), &Reseau::listageFini, &boucle, &QEventLoop::quit);
        ovan.reseau().VoirReseau(0);
        boucle.exec();
    }
    ui.TextBoxhWnd[ZoneNomPoste]->setText(QStringLiteral("portable-marc"));
    cliches[QStringLiteral("reseau")] = Cliche(ui.ReseauhWnd);

    ui.TextBoxhWnd[ZoneACompresser]->setText(QStringLiteral("/home/marc/Documents/rapport.odt"));
    ui.TextBoxhWnd[ZoneArchiveCreee]->setText(QStringLiteral("/home/marc/Documents/rapport.odt.bz2"));
    ui.TextBoxhWnd[ZoneADecompresser]->setText(QStringLiteral("/home/marc/Téléchargements/photos.tar.bz2"));
    ui.TextBoxhWnd[ZoneFichierCree]->setText(QStringLiteral("/home/marc/Téléchargements/photos.tar"));
    cliches[QStringLiteral("compression")] = Cliche(ui.CompressionhWnd);

    ui.TextBoxhWnd[ZoneImage]->setText(QStringLiteral("/home/marc/Images/plage.bmp"));
    Choisir(ui.ComboBoxhWnd[ListeFormat], QStringLiteral("JPEG"));
    Choisir(ui.ComboBoxhWnd[ListeQualite], QStringLiteral("Bonne"));
    ui.BoutonhWnd[BoutonConvertir]->ReglerFace(QStringLiteral("img_conv_e"));
    cliches[QStringLiteral("images")] = Cliche(ui.ImageshWnd);

    ovan.popup().Notifier(QStringLiteral("Julie dit :"), QStringLiteral("On se voit samedi ?"),
                          QRect(0, 50, 183, 20), QRect(0, 70, 183, 50));
    cliches[QStringLiteral("popup")] = Cliche(ui.PopuphWnd);

    for (QWidget* fenetre : ui.Fenetres()) {
        fenetre->hide();
    }
    return cliches;
}

// The guide's pictures: "capture:NAME" a window, "ovan:NAME" a picture of the program's artwork.
class DocumentNotice : public QTextDocument {
public:
    explicit DocumentNotice(const QMap<QString, QImage>& cliches) : m_cliches(cliches) {}
    QStringList Manquantes() const { return m_manquantes; }

protected:
    QVariant loadResource(int type, const QUrl& nom) override {
        if (type != QTextDocument::ImageResource) {
            return {};
        }
        const QString texte = nom.toString();
        if (texte.startsWith(QLatin1String("capture:")) && m_cliches.contains(texte.mid(8))) {
            return m_cliches[texte.mid(8)];
        }
        if (texte.startsWith(QLatin1String("ovan:")) && Images::Existe(texte.mid(5))) {
            // Drawn four times over so that it stays sharp when printed.
            const QString image = texte.mid(5);
            QImage rendu = Images::Image(image, Images::TailleNaturelle(image) * 4);
            rendu.setDevicePixelRatio(4);
            return rendu;
        }
        m_manquantes << texte;
        return {};
    }

private:
    const QMap<QString, QImage>& m_cliches;
    QStringList m_manquantes;
};

struct Titre {
    int niveau;
    QString texte;
    int page;
};

// The 25 codes and their pictures, five to a row.
QString TableSmileys() {
    QString html =
        QStringLiteral("<table class=\"smileys\" align=\"center\" cellspacing=\"0\" cellpadding=\"6\">");
    for (int k = 1; k <= 25; ++k) {
        if ((k - 1) % 5 == 0) {
            html += QStringLiteral("<tr>");
        }
        html += QStringLiteral("<td align=\"center\" width=\"110\"><img src=\"ovan:img_smy%1\" width=\"%2\" "
                               "height=\"%3\"><br><span class=\"code\">%4</span></td>")
                    .arg(k)
                    .arg(Images::TailleNaturelle(QStringLiteral("img_smy%1").arg(k)).width() * 3 / 2)
                    .arg(Images::TailleNaturelle(QStringLiteral("img_smy%1").arg(k)).height() * 3 / 2)
                    .arg(QString::fromUtf8(CodesSmileys[std::size_t(k)]).toHtmlEscaped());
        if (k % 5 == 0) {
            html += QStringLiteral("</tr>");
        }
    }
    return html + QStringLiteral("</table>");
}

QString TableMatieres(const QList<Titre>& titres) {
    QString html =
        QStringLiteral("<table class=\"sommaire\" width=\"100%\" cellspacing=\"0\" cellpadding=\"1\">");
    for (const Titre& t : titres) {
        const QString classe = t.niveau == 1 ? QStringLiteral("section") : QStringLiteral("sous-section");
        html += QStringLiteral("<tr><td class=\"%1\">%2</td><td class=\"%1\" align=\"right\">%3</td></tr>")
                    .arg(classe, t.texte.toHtmlEscaped(),
                         t.page > 0 ? QString::number(t.page) : QStringLiteral("00"));
    }
    return html + QStringLiteral("</table>");
}

std::unique_ptr<DocumentNotice> Composer(const QString& html, const QMap<QString, QImage>& cliches,
                                         QPagedPaintDevice& pdf, const QSizeF& corps) {
    auto document = std::make_unique<DocumentNotice>(cliches);
    document->setUseDesignMetrics(true);
    document->documentLayout()->setPaintDevice(&pdf);
    document->setDocumentMargin(0);
    document->setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 10));
    document->setPageSize(corps);
    document->setHtml(html);
    document->pageCount();
    return document;
}

QList<Titre> Titres(const QTextDocument& document) {
    QList<Titre> titres;
    const qreal hauteur = document.pageSize().height();
    for (QTextBlock bloc = document.begin(); bloc.isValid(); bloc = bloc.next()) {
        const int niveau = bloc.blockFormat().headingLevel();
        if (niveau == 1 || niveau == 2) {
            const qreal haut = document.documentLayout()->blockBoundingRect(bloc).top();
            titres.append({niveau, bloc.text().simplified(), int(haut / hauteur) + 1});
        }
    }
    return titres;
}

// The writer stamps the time of the run: the guide gets the date of its text instead, so that the same
// sources give the same bytes. The stamp keeps its length, as the file's offsets count on it.
void Dater(QByteArray& pdf, const QDateTime& date) {
    static const QRegularExpression tampon(
        QStringLiteral(R"(/CreationDate \(D:(\d{14})(Z|[+-]\d\d'\d\d')\))"));
    const QRegularExpressionMatch m = tampon.match(QString::fromLatin1(pdf));
    if (!m.hasMatch()) {
        return;
    }
    const QDateTime utc = date.toUTC();
    const QString nouveau =
        QStringLiteral("/CreationDate (D:") + utc.toString(QStringLiteral("yyyyMMddHHmmss")) +
        (m.captured(2) == QLatin1String("Z") ? QStringLiteral("Z") : QStringLiteral("+00'00'")) + u')';
    pdf.replace(m.capturedStart(), m.capturedLength(), nouveau.toLatin1());
}

bool Ecrire(const QString& chemin, const QByteArray& octets) {
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QSaveFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size() || !f.commit()) {
        Erreur(QStringLiteral("cannot write ") + chemin);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    // The writer lists the fonts in hash order: a fixed seed gives the same bytes on every run.
    QHashSeed::setDeterministicGlobalSeed();
    // Built on machines without a display, and the same everywhere. The screen is large enough for
    // every window and menu at twice their size.
    QTemporaryDir reglages;
    const QString ecran = reglages.filePath(QStringLiteral("ecran.json"));
    QFile json(ecran);
    if (!json.open(QIODevice::WriteOnly) ||
        json.write(R"({"screens": [{"name": "ecran", "x": 0, "y": 0, "width": 3840, "height": 2400,)"
                   R"( "logicalDpi": 96, "logicalBaseDpi": 96}]})") < 0) {
        Erreur(QStringLiteral("cannot write ") + ecran);
        return 1;
    }
    json.close();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QFile::encodeName(ecran));
    qputenv("QT_SCALE_FACTOR", Echelle);
    for (const char* variable : {"QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI",
                                 "QT_STYLE_OVERRIDE", "QT_QPA_PLATFORMTHEME"}) {
        qunsetenv(variable);
    }
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    qInstallMessageHandler(Messages);
    QApplication application(argc, argv);
    // A steady caret: the photographs do not depend on when they are taken.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    if (argc != 5) {
        Erreur(QStringLiteral("usage: ovan_notice <notice.html> <program folder> <version> <notice.pdf>"));
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString dossierProgramme = QString::fromLocal8Bit(argv[2]);
    const QString version = QString::fromLocal8Bit(argv[3]);
    const QString sortie = QString::fromLocal8Bit(argv[4]);

    QFile fichier(source);
    if (!fichier.open(QIODevice::ReadOnly)) {
        Erreur(QStringLiteral("cannot read ") + source);
        return 1;
    }
    QString html = QString::fromUtf8(fichier.readAll());

    // The copy reads its smileys from a folder of its own: a config.ini left in the program folder
    // by a run must not change the pictures.
    QTemporaryDir dossExec;
    QDir().mkpath(dossExec.filePath(QStringLiteral("Smileys")));
    for (int k = 1; k <= 25; ++k) {
        const QString nom = QStringLiteral("Smileys/smiley%1.bmp").arg(k);
        if (!QFile::copy(QDir(dossierProgramme).filePath(nom), dossExec.filePath(nom))) {
            Erreur(QStringLiteral("missing ") + QDir(dossierProgramme).filePath(nom));
            return 1;
        }
    }
    const QMap<QString, QImage> cliches = Cliches(dossExec.path() + u'/');

    html.replace(QLatin1String("@VERSION@"), version.toHtmlEscaped());
    html.replace(QLatin1String("<!--smileys-->"), TableSmileys());

    QBuffer tampon;
    tampon.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&tampon);
    pdf.setResolution(Resolution);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    pdf.setTitle(TitreNotice);
    pdf.setCreator(QStringLiteral("OVAN Messenger"));
    const QSizeF corps(pdf.width() - 2 * MargeCote, pdf.height() - MargeHaut - MargeBas);

    // The table of contents takes its place first with dummy numbers, then the pages it gave are
    // written in; numbers never change its length, so the pages stay put.
    const QString marque = QStringLiteral("<!--sommaire-->");
    QList<Titre> titres = Titres(*Composer(QString(html).replace(marque, QString()), cliches, pdf, corps));
    for (Titre& t : titres) {
        t.page = 0;
    }
    std::unique_ptr<DocumentNotice> document;
    for (int passe = 0; passe < 4; ++passe) {
        document = Composer(QString(html).replace(marque, TableMatieres(titres)), cliches, pdf, corps);
        const QList<Titre> pages = Titres(*document);
        bool stable = pages.size() == titres.size();
        for (qsizetype i = 0; stable && i < pages.size(); ++i) {
            stable = pages[i].page == titres[i].page;
        }
        if (stable) {
            break;
        }
        titres = pages;
    }
    if (!document->Manquantes().isEmpty()) {
        Erreur(QStringLiteral("unknown pictures: ") + document->Manquantes().join(QStringLiteral(", ")));
        return 1;
    }

    QPainter peintre(&pdf);
    const int pages = document->pageCount();
    QFont pied(QStringLiteral("Liberation Sans"));
    pied.setPointSizeF(8.5);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            pdf.newPage();
        }
        peintre.save();
        // The layout draws every block that touches the page: what overflows it belongs to the next.
        peintre.setClipRect(QRectF(QPointF(MargeCote, MargeHaut), corps));
        peintre.translate(MargeCote, MargeHaut - page * corps.height());
        // A line that starts right on the next page's edge would also be written, unseen, into this
        // page's text.
        QAbstractTextDocumentLayout::PaintContext contexte;
        contexte.clip = QRectF(0, page * corps.height(), corps.width(), corps.height() - 2);
        contexte.palette.setColor(QPalette::Text, Qt::black);
        document->documentLayout()->draw(&peintre, contexte);
        peintre.restore();
        // The title page goes without a footer.
        if (page > 0) {
            const qreal y = pdf.height() - MargeBas + 22;
            peintre.setPen(QPen(QColor(0x1b, 0x74, 0x86), 0.75));
            peintre.drawLine(QPointF(MargeCote, y), QPointF(pdf.width() - MargeCote, y));
            peintre.setFont(pied);
            peintre.setPen(QColor(90, 90, 90));
            const QRectF ligne(MargeCote, y + 4, corps.width(), 16);
            peintre.drawText(ligne, Qt::AlignLeft | Qt::AlignVCenter, TitreNotice);
            peintre.drawText(ligne, Qt::AlignRight | Qt::AlignVCenter,
                             QStringLiteral("Page %1 / %2").arg(page + 1).arg(pages));
        }
    }
    peintre.end();
    tampon.close();
    QByteArray octets = tampon.data();
    bool epoque = false;
    const qint64 secondes = qgetenv("SOURCE_DATE_EPOCH").toLongLong(&epoque);
    Dater(octets,
          epoque ? QDateTime::fromSecsSinceEpoch(secondes, Qt::UTC) : QFileInfo(source).lastModified());
    return Ecrire(sortie, octets) ? 0 : 1;
}
