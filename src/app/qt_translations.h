// Qt's own texts in Japanese: the file dialogs' captions and buttons, the standard buttons, the context menus.
// The window's own texts are Japanese whatever the system's language, so Qt's are too.
#pragma once

#include <QString>

class QCoreApplication;

namespace celshift {

// Loads qtbase_ja.qm from the folder "translations" beside the executable (the Windows folder ships it there) or
// from Qt's installed translations, and makes Japanese the default locale (dates and sizes in the dialogs).
// Gives the file it loaded; empty when none was found, and the texts stay Qt's English ones.
QString installQtTranslations(QCoreApplication& application);

}  // namespace celshift
