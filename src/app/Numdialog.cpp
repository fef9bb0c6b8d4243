#include "app/Numdialog.h"

#include "app/fonts.h"

namespace celshift {

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName("Form2");
    setWindowTitle("Form2");
    setFont(windowFont());
    // A fixed dialog border.
    setFixedSize(241, 148);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
}

}  // namespace celshift
