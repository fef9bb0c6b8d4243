// The error window that the run shows when a data file or its copy cannot be opened: the path, and 閉じる.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace celshift {

class TErrorFm : public QDialog {
    Q_OBJECT

public:
    explicit TErrorFm(QWidget* parent = nullptr);

    // Fills the window with the path of the file that could not be opened, and why when known, and sizes it to its
    // text; the run's boxes (BoxMessages) show it.
    void setFile(const QString& path, const QString& reason = {});

    QLabel* PathLabel;
    QLabel* ReasonLabel;
    // The default button: Enter closes the window, as Esc does.
    QPushButton* CloseButton;
};

// The error window of the running program; set by the program entry.
extern TErrorFm* ErrorFm;

}  // namespace celshift
