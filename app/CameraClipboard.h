#pragma once

#include "cameras/CameraSet.h"

#include <QObject>
#include <QString>

class CPlanUndo;
class CVolumePlannerDlg;
class QAction;

// Edit > Copy, Paste and Duplicate Camera. Copy keeps the selected camera's
// values (lens, sensor, aim, position, enabled) beside the plan, so they
// survive a new rig or an opened project; Paste adds them as a new camera
// after the last, Duplicate adds a copy of the selected camera. Each addition
// is one undo step and selects the new camera.
class CCameraClipboard : public QObject
{
    Q_OBJECT
  public:
    CCameraClipboard(CVolumePlannerDlg& dialog, CPlanUndo& undo, QObject* parent);

    QAction* CopyAction() const { return m_pCopy; }
    QAction* PasteAction() const { return m_pPaste; }
    QAction* DuplicateAction() const { return m_pDuplicate; }

  private:
    void Copy();
    void Paste();
    void Duplicate();
    // The selected camera, or -1 after saying that none is.
    int SelectedCamera() const;
    void Append(const QString& text, const CCameraSet& from, int i);

    CVolumePlannerDlg& m_dialog;
    CPlanUndo& m_undo;
    // One camera once copied.
    CCameraSet m_copied;
    QAction* m_pCopy;
    QAction* m_pPaste;
    QAction* m_pDuplicate;
};
