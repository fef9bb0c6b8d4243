// The program entry: the application object, the three forms, the message loop. The exit code is 0, or 128 plus
// the number of the signal that asked the program to end (SIGTERM, SIGHUP, SIGINT), as for the command line.
#include <atomic>
#include <exception>
#include <memory>

#include <QTimer>

#include "app/Errordialog.h"
#include "app/Main.h"
#include "app/Numdialog.h"
#include "app/application.h"
#include "platform/console.h"

namespace {

std::atomic<int> gStopSignal{0};

// Called from a signal handler: only notes the request; the message loop looks for it.
void noteStopRequest(int signalNumber) { gStopSignal.store(signalNumber); }

}  // namespace

int main(int argc, char** argv) {
    celshift::CelshiftApplication application(argc, argv);
    std::unique_ptr<celshift::TForm1> form1;
    std::unique_ptr<celshift::TForm2> form2;
    std::unique_ptr<celshift::TErrorFm> errorFm;
    try {
        form1 = std::make_unique<celshift::TForm1>();
        celshift::Form1 = form1.get();
        form2 = std::make_unique<celshift::TForm2>();
        celshift::Form2 = form2.get();
        // Over the main window, like every box of the run.
        errorFm = std::make_unique<celshift::TErrorFm>(form1.get());
        celshift::ErrorFm = errorFm.get();
        // A request to end closes the window as its close button would, without the question: a run stops after
        // its files in work and the settings are written. A second request ends the program at once.
        celshift::onStopRequests(noteStopRequest);
        QTimer stopWatch;
        QObject::connect(&stopWatch, &QTimer::timeout, [&] {
            if (gStopSignal.load() == 0) return;
            stopWatch.stop();
            form1->closeOnStopRequest();
        });
        stopWatch.start(100);
        form1->show();
        application.exec();
    } catch (...) {
        application.showException(std::current_exception());
    }
    celshift::ErrorFm = nullptr;
    celshift::Form2 = nullptr;
    celshift::Form1 = nullptr;
    const int stopSignal = gStopSignal.load();
    return stopSignal != 0 ? 128 + stopSignal : 0;
}
