// source_glisser X Y FILE...: a window at X,Y that, pressed, drags the files to another X client as
// a file manager does. Says on stdout "prete X Y" (active, centred at X,Y), "glisse" (started),
// "action N" (the target's answer, 1: copy) and "fin N" (ended); stays, the data is read after.
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
    std::printf("%s\n", ligne.constData());
    std::fflush(stdout);
}

class Source : public QWidget {
public:
    explicit Source(const QList<QUrl>& urls) : m_urls(urls) {
        setWindowFlag(Qt::WindowStaysOnTopHint);
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
    QList<QUrl> urls;
    for (const QString& chemin : args.mid(3)) {
        urls << QUrl::fromLocalFile(chemin);
    }
    Source source(urls);
    source.move(args.value(1).toInt(), args.value(2).toInt());
    source.show();
    // Only once the window manager has placed it and given it the focus do its coordinates hold.
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
