#pragma once

#include <QtGlobal>

#include <functional>

class QWidget;

// The colour dialog, opened at Initial (a Windows colour value) over Owner. Returns the chosen
// colour, or -1 when the user cancelled. The dialog's 16 custom colours (CustomColors) come
// from the per-user settings store, section "cDialog", key "RegColors", and go back there however
// the dialog ends, so that colours defined and then cancelled are offered again. The dialog
// always shows its custom-colour part: FullOpen changes nothing here.
qint64 ShowColorDialog(QWidget *Owner, quint32 Initial, bool FullOpen);

// Tests answer the colour dialog without showing it. The answer gets the initial colour and
// returns the chosen one or -1; it sees the custom colours in QColorDialog and may change them
// as a user would. An empty function shows the dialog again.
void SetColorDialogAnswer(std::function<qint64(quint32 initial)> answer);
