// Qt's own French texts (Yes/No, Cancel, the file dialogs), whatever the system language.
#pragma once

class QCoreApplication;

namespace Traductions {

// Installs Qt's French catalogues on the application; false when none could be loaded.
bool InstallerFrancais(QCoreApplication& application);

} // namespace Traductions
