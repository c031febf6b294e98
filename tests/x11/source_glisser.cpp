// A drag source as a desktop file manager is one: a small window at X,Y that, when pressed, drags
// the given files as text/uri-list to another X client.
//   source_glisser X Y FILE...
// It tells on stdout, one line each, what a test waits for:
//   "prete X Y"  shown, exposed and active; (X, Y) is its centre on the screen
//   "glisse"     the drag has started (the button is down)
//   "action N"   the drop action changed to N (1: copy, 0: refused), as the target answers
//   "fin N"      the drag ended with action N
// It then stays until it is ended: the target asks it for the data only after the drop.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

void Dire(const QByteArray& ligne) {
    std::fputs(ligne.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class Source : public QWidget {
public:
    explicit Source(const QList<QUrl>& urls) : m_urls(urls) {
        // Stays above the windows under test, so that the press lands here.
        setWindowFlag(Qt::WindowStaysOnTopHint);
        setWindowTitle(QStringLiteral("source_glisser"));
        setFixedSize(120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            return;
        }
        auto* drag = new QDrag(this);
        auto* donnees = new QMimeData;
        donnees->setUrls(m_urls);
        drag->setMimeData(donnees);
        connect(drag, &QDrag::actionChanged, this,
                [](Qt::DropAction action) { Dire("action " + QByteArray::number(int(action))); });
        Dire("glisse");
        const Qt::DropAction fin = drag->exec(Qt::CopyAction);
        Dire("fin " + QByteArray::number(int(fin)));
    }

private:
    QList<QUrl> m_urls;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fputs("usage: source_glisser X Y FILE...\n", stderr);
        return 2;
    }
    QList<QUrl> urls;
    for (const QString& chemin : args.mid(3)) {
        urls << QUrl::fromLocalFile(chemin);
    }
    Source source(urls);
    source.move(args[1].toInt(), args[2].toInt());
    source.show();
    // Ready once the window manager has placed it and given it the focus: only then do its
    // coordinates hold.
    bool dit = false;
    const auto prete = [&source, &dit] {
        if (!dit && source.isActiveWindow()) {
            dit = true;
            const QPoint centre = source.mapToGlobal(source.rect().center());
            Dire("prete " + QByteArray::number(centre.x()) + ' ' + QByteArray::number(centre.y()));
        }
    };
    QObject::connect(source.windowHandle(), &QWindow::activeChanged, &source, prete);
    prete();
    return app.exec();
}
