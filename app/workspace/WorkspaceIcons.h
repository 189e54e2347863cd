#pragma once

#include <QIcon>

// The workspace toolbar's own pictures, drawn at start-up beside the
// program's button icons (app/ButtonIcons.h) and Qt's standard ones.
enum class WorkspaceIcon { Top, Front, Side, Fit };

QIcon MakeWorkspaceIcon(WorkspaceIcon which);
