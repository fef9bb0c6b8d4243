// The window's file dialogs (Qt's own, where the platform has no native one): large enough to show every column
// of the file list whole.
#pragma once

class QFileDialog;

namespace celshift {

// Gives the dialog room and its file list's columns the width of their contents (the dates were cut).
void fitFileDialog(QFileDialog& dialog);

}  // namespace celshift
