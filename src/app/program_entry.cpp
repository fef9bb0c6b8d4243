// The program entry: the application object, the three forms, the message loop. The exit code is always 0.
#include <exception>
#include <memory>

#include "app/Errordialog.h"
#include "app/Main.h"
#include "app/Numdialog.h"
#include "app/application.h"

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
        form1->show();
        application.exec();
    } catch (...) {
        application.showException(std::current_exception());
    }
    celshift::ErrorFm = nullptr;
    celshift::Form2 = nullptr;
    celshift::Form1 = nullptr;
    return 0;
}
