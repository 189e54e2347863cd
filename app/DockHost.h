#pragma once

class QMenuBar;
class QWidget;

// The panels a main window may hold as docks.
enum class DockedPanel { Planning, Obstacles, CameraTable };

// A main window that holds the menu bar and the panels beside the dialog
// (CMainWindow). Without one the menu bar sits on the dialog, the Planning
// panel widens it and the other panels are windows of their own.
class CDockHost
{
  public:
    virtual ~CDockHost() = default;
    // Takes the bar over the whole window, before the dialog is shown.
    virtual void TakeMenuBar(QMenuBar* bar) = 0;
    // Puts `panel` into its dock the first time, then shows or hides the dock.
    virtual void ShowDocked(DockedPanel which, QWidget* panel, bool on) = 0;
};
