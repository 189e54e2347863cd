#pragma once

#include <QCursor>
#include <QGuiApplication>

// The wait cursor while the window works on the GUI thread (reading a mesh
// may take up to the reader's time limit), given back however the work ends.
class CBusyCursor
{
  public:
    CBusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~CBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;
};
