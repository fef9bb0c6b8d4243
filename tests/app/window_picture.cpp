// Draws the main window into a PNG file, for the documentation: window_picture <output.png>
// Runs without a display (the offscreen platform) unless QT_QPA_PLATFORM says otherwise. The window shows a small
// scenario of its own, made in a temporary folder: two rows, their pictures, one 変換先 picked from elsewhere.
#include <cstdio>

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/Main.h"
#include "app/application.h"
#include "window_test_support.h"

namespace {

// A small cell picture: a frame around a filled inside, and a diagonal.
void writePicture(const QString& path, QColor inside, QColor frame) {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(frame);
    QPainter painter(&image);
    painter.fillRect(4, 4, 24, 24, inside);
    painter.setPen(QPen(frame, 3));
    painter.drawLine(6, 26, 26, 6);
    painter.end();
    if (!image.save(path)) qFatal("cannot write %s", qPrintable(path));
}

}  // namespace

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
    const QString scenario = folder.path() + "/scenarios/sample";
    const QString output = folder.path() + "/scenario-copies";
    const QString pictures = folder.path() + "/pictures";
    for (const QString& path : {scenario, output, pictures}) QDir().mkpath(path);
    using celshift::test::cellDataFile;
    celshift::test::writeFile(scenario + "/Summary.wsm", "summary");
    celshift::test::writeFile(scenario + "/Area01.wid", cellDataFile("cell01.bmp"));
    celshift::test::writeFile(scenario + "/Area02.wid", cellDataFile("cell02.bmp"));
    writePicture(scenario + "/cell01.bmp", QColor(220, 60, 50), QColor(120, 20, 20));
    writePicture(scenario + "/cell02.bmp", QColor(60, 170, 80), QColor(20, 90, 40));
    writePicture(pictures + "/blue01.bmp", QColor(60, 100, 220), QColor(20, 40, 110));

    celshift::TForm1 form((folder.path() + "/celshift.ini").toStdString());
    form.setSourceOpenRunner([&](QFileDialog&) { return std::optional<QString>(scenario + "/Summary.wsm"); });
    form.setPictureOpenRunner([&](QWidget*, const QString&) { return std::optional<QString>(pictures + "/blue01.bmp"); });
    form.setOutputFolder(output.toStdString());
    form.t0ButtonSourceClick();
    QEventLoop scan;
    QObject::connect(&form, &celshift::TForm1::scanEnded, &scan, &QEventLoop::quit);
    QTimer::singleShot(10000, &scan, &QEventLoop::quit);
    if (form.scanInProgress()) scan.exec();
    form.T2Edit1From->setText("cell01.bmp");
    form.PictureButtonClick(0);
    form.T2Edit2From->setText("cell02.bmp");
    form.T2Edit2To->setText("cell02.txt");
    form.show();
    form.t0ButtonExecute->setFocus();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "window_picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
