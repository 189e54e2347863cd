#pragma once

#include "app/DialogLayout.h"

#include <QIcon>

// The program's own 32 x 32 pictures, drawn at start-up: each shows what its
// button does. Needs a running QGuiApplication.
QIcon MakeButtonIcon(ButtonIcon which);
