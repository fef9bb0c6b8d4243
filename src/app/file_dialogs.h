// The window's file dialogs: the system's own where it speaks Japanese, else Qt's own in Japanese, large enough
// to show every column of the file list whole.
#pragma once

#include <QStringList>

class QFileDialog;

namespace celshift {

// True when the system's dialogs speak Japanese: its first user-interface language is Japanese.
bool systemDialogsSpeakJapanese(const QStringList& uiLanguages);

// Makes the dialog speak Japanese like the rest of the window: the system's dialog where it does, else Qt's own
// (translated); gives Qt's own dialog room and its file list's columns the width of their contents.
void prepareFileDialog(QFileDialog& dialog);

}  // namespace celshift
