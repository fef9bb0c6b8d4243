#include "app/application.h"

#include <cstdio>
#include <utility>

#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>

#include "app/fonts.h"
#include "app/qt_translations.h"
#include "app/settings_location.h"
#include "app/window_paths.h"

namespace celshift {

namespace {

void showInBox(const QString& message) {
    QMessageBox box(QMessageBox::Critical, "Celshift", message, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

CelshiftApplication::CelshiftApplication(int& argc, char** argv) : QApplication(argc, argv), display_(showInBox) {
    // No display name: some platforms append it to every caption, and captions are shown exactly as given.
    setApplicationName("celshift");
    // Message boxes and dialogs take the application's font: it must hold the Japanese texts.
    setFont(windowFont());
    // Before the first window: Qt's dialogs and buttons speak Japanese like the rest, and the dates and sizes in
    // Qt's own file dialog are written as in Japan whatever the system's locale.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installQtTranslations(*this);
    // Qt's own file dialog keeps its history and column widths in Qt's settings, in the system's format: they go
    // beside this program's settings file (QtProject.conf), so that a portable copy leaves nothing in the user's
    // profile. (On Windows that format is the registry, whose place Qt does not let a program move.)
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QFileInfo(fromBytes(settingsFileLocation())).absolutePath());
    // The image plugins are looked up here, on the GUI thread, before a background thread draws a thumbnail. The
    // lookup matches file names with Qt's regular expressions, which keep a per-thread object; with mingw-w64's
    // thread-local storage, such an object's destructor may read freed memory when a background thread ends, and
    // the program crashed under Wine right after a scenario was chosen.
    QImageReader::supportedImageFormats();
}

bool CelshiftApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showException(std::current_exception());
        return false;
    }
}

void CelshiftApplication::setExceptionDisplay(ExceptionDisplay display) {
    display_ = display ? std::move(display) : ExceptionDisplay(showInBox);
}

void CelshiftApplication::showException(std::exception_ptr exception) {
    const QString message = messageOf(exception);
    try {
        display_(message);
    } catch (...) {
        // The box itself failed: the message must still reach someone.
        std::fprintf(stderr, "celshift: %s\n", message.toLocal8Bit().constData());
    }
}

QString CelshiftApplication::messageOf(std::exception_ptr exception) {
    const QString unknown = "予期しないエラーが発生しました。";
    try {
        std::rethrow_exception(std::move(exception));
    } catch (const std::exception& e) {
        const QString message = QString::fromUtf8(e.what());
        return message.isEmpty() ? unknown : message;
    } catch (...) {
        return unknown;
    }
}

}  // namespace celshift
