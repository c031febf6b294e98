#include "ui/platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

QString UrlPourShell(const QString& cible) {
    if (cible.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        return QStringLiteral("http://") + cible;
    }
    const QUrl url(cible);
    if (!url.scheme().isEmpty() && url.scheme().size() > 1) {
        return url.toString();
    }
    return QUrl::fromLocalFile(cible).toString();
}

bool ShellReel::Ouvrir(const QString& cible, QWidget*) {
    return QDesktopServices::openUrl(QUrl(UrlPourShell(cible)));
}
