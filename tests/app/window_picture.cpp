// Draws the main window into a PNG file, for the documentation: window_picture <output.png>
// Runs without a display (the offscreen platform) unless QT_QPA_PLATFORM says otherwise.
#include <cstdio>

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

#include "app/Main.h"
#include "app/application.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_picture <output.png>\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    celshift::CelshiftApplication application(argc, argv);

    // A settings file of its own that never exists: the window opens with the default geometry, and the picture
    // is drawn without closing the window, so nothing is written.
    const QTemporaryDir folder;
    celshift::TForm1 form((folder.path() + "/celshift.ini").toStdString());
    form.setSourceOpenRunner(
        [](QFileDialog&) { return std::optional<QString>("/home/user/scenarios/sample/Summary.wsm"); });
    form.t0ButtonSourceClick();
    form.setOutputFolder("/home/user/scenario-copies");
    form.T2Edit1From->setText("cell01.bmp");
    form.T2Edit1To->setText("セル画像01.jpg");
    form.T2Edit2From->setText("cell02.bmp");
    form.T2Edit2To->setText("cell02.txt");
    form.show();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "window_picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
