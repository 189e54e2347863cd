#include "app/CameraClipboard.h"

#include "app/PlanUndo.h"
#include "app/VolumePlannerDlg.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QKeySequence>

#include <string>

namespace
{
const char* const kRefusedCaption = "Invalid Action";
} // namespace

CCameraClipboard::CCameraClipboard(CVolumePlannerDlg& dialog, CPlanUndo& undo, QObject* parent)
    : QObject(parent), m_dialog(dialog), m_undo(undo), m_pCopy(new QAction("&Copy Camera", this)),
      m_pPaste(new QAction("&Paste Camera", this)), m_pDuplicate(new QAction("&Duplicate Camera", this))
{
    // A box with the focus keeps Ctrl+C and Ctrl+V for its text.
    m_pCopy->setShortcut(QKeySequence::Copy);
    m_pPaste->setShortcut(QKeySequence::Paste);
    m_pDuplicate->setShortcut(QKeySequence("Ctrl+D"));
    m_pPaste->setEnabled(false);
    connect(m_pCopy, &QAction::triggered, this, &CCameraClipboard::Copy);
    connect(m_pPaste, &QAction::triggered, this, &CCameraClipboard::Paste);
    connect(m_pDuplicate, &QAction::triggered, this, &CCameraClipboard::Duplicate);
}

int CCameraClipboard::SelectedCamera() const
{
    const int i = m_dialog.GetSelectedCamera();
    const SceneSettings* s = GetSceneSettings();
    const CCameraSet* set = CCameraSet::Current();
    if (i < 0 || !s || !set || !set->IsAllocated() || i >= static_cast<int>(s->GetCameraCount())) {
        m_dialog.Prompts().ShowMessage("Select a camera first (Select Camera or the camera table)", kRefusedCaption,
                                       PromptButtons::Ok);
        return -1;
    }
    return i;
}

void CCameraClipboard::Copy()
{
    const int i = SelectedCamera();
    if (i < 0)
        return;
    const CCameraSet& set = CCameraSet::Instance();
    m_copied.Release();
    m_copied.Allocate(1);
    m_copied.SetUserOrigin({set.GetUserOriginX(), set.GetUserOriginY(), set.GetUserOriginZ()});
    m_copied.CopyCamera(0, set, i);
    m_pPaste->setEnabled(true);
}

void CCameraClipboard::Paste()
{
    if (m_copied.IsAllocated())
        Append("Paste Camera", m_copied, 0);
}

void CCameraClipboard::Duplicate()
{
    const int i = SelectedCamera();
    if (i < 0)
        return;
    // The copy is taken first: adding a camera may move the set's storage.
    CCameraSet source;
    const CCameraSet& set = CCameraSet::Instance();
    source.Allocate(1);
    source.SetUserOrigin({set.GetUserOriginX(), set.GetUserOriginY(), set.GetUserOriginZ()});
    source.CopyCamera(0, set, i);
    Append("Duplicate Camera", source, 0);
}

void CCameraClipboard::Append(const QString& text, const CCameraSet& from, int i)
{
    SceneSettings* s = GetSceneSettings();
    CCameraSet* set = CCameraSet::Current();
    if (!s || !set || !set->IsAllocated() || !m_dialog.AreCamerasInitialised()) {
        m_dialog.Prompts().ShowMessage("Camera not added\nThe plan has no cameras yet: enter a number of cameras, "
                                       "load a file or choose File > New Plan first",
                                       kRefusedCaption, PromptButtons::Ok);
        return;
    }
    const uint32_t old = s->GetCameraCount();
    if (!IsValidCameraCount(static_cast<long long>(old) + 1)) {
        m_dialog.Prompts().ShowMessage("Camera not added\nThe rig already holds the most cameras a plan can have, " +
                                           std::to_string(kMaxCameras),
                                       kRefusedCaption, PromptButtons::Ok);
        return;
    }
    m_undo.Apply(text, [s, set, &from, i, old] {
        // The range takes the new camera in (its end moves with the count), as Auto-Place's do.
        s->SetCameraCount(old + 1);
        set->AllocateAdded();
        set->CopyCamera(static_cast<int>(old), from, i);
    });
    m_dialog.SelectCamera(static_cast<int>(old));
}
