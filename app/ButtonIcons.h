#pragma once

#include "app/DialogLayout.h"

#include <QIcon>
#include <QImage>

// The program's own 32 x 32 pictures, drawn at start-up: each shows what its
// button does. Needs a running QGuiApplication.
QIcon MakeButtonIcon(ButtonIcon which);

// The window's picture at any size (the desktop icon is drawn at 256 px).
QImage PaintWindowIcon(int size);
