// The application object. An exception that escapes an event handler is shown in a box and the message loop goes
// on, so that a failing click never ends the program.
#pragma once

#include <exception>
#include <functional>

#include <QApplication>
#include <QString>

namespace celshift {

class CelshiftApplication : public QApplication {
    Q_OBJECT

public:
    CelshiftApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an exception. The tests record it instead of showing a box.
    using ExceptionDisplay = std::function<void(const QString& message)>;
    void setExceptionDisplay(ExceptionDisplay display);
    void showException(std::exception_ptr exception);

    // The message of an exception: what() for a standard exception, a fixed text for anything else or an empty
    // what(), so that no box is ever empty.
    static QString messageOf(std::exception_ptr exception);

private:
    ExceptionDisplay display_;
};

}  // namespace celshift
