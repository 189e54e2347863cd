#pragma once

#include "app/DialogLayout.h"

#include <QFont>

class QStyle;

// The classic dialog's font. The layout's numbers are dialog units of a
// small font; the face the system gives is wider than the one they were
// measured for, so the font is chosen to fit the layout rather than the
// layout to the font: the largest size, and the least narrowing, of `base`'s
// face at which every caption fits its box.
QFont ClassicDialogFont(const QFont& base, const QStyle& style);

// The pixels a control's caption may take inside its box in the layout: the
// box less a button's frame and padding, or a check box's indicator.
int CaptionRoom(const DialogControl& control, const QStyle& style);
