// An empty dialog that the program creates at start and never shows.
#pragma once

#include <QDialog>

namespace celshift {

class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
};

// Set by the program entry.
extern TForm2* Form2;

}  // namespace celshift
