// Opening files, folders, links and mail addresses with the desktop's own programs.
#pragma once

#include <QString>

class QWidget;

class Shell {
public:
    virtual ~Shell() = default;
    // A path, an http(s)/file/mailto link or a "www." address; false when nothing could open it.
    virtual bool Ouvrir(const QString& cible, QWidget* proprietaire = nullptr) = 0;
};

class ShellReel : public Shell {
public:
    bool Ouvrir(const QString& cible, QWidget* proprietaire = nullptr) override;
};

// What Ouvrir hands to the desktop: a URL for a link, a local file URL for a path.
QString UrlPourShell(const QString& cible);
