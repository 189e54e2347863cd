#include "app/CameraClipboard.h"

#include "app/ClassicPlan.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "document/PlanEdits.h"

#include <QAction>
#include <QKeySequence>

namespace
{
const char* const kRefusedCaption = "Invalid Action";
} // namespace

CCameraClipboard::CCameraClipboard(CVolumePlannerDlg& dialog, CClassicPlan& plan, QObject* parent)
    : QObject(parent), m_dialog(dialog), m_plan(plan), m_pCopy(new QAction("&Copy Camera", this)),
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

std::optional<PlanCamera> CCameraClipboard::SelectedCamera() const
{
    // What the boxes stored is the camera's before it is copied.
    m_plan.RecordEdits();
    const int i = m_dialog.GetSelectedCamera();
    const std::vector<PlanCamera>& cameras = m_plan.GetPlan().cameras;
    if (i < 0 || static_cast<size_t>(i) >= cameras.size() || !m_dialog.AreCamerasInitialised()) {
        m_dialog.Prompts().ShowMessage("Select a camera first (Select Camera or the camera table)", kRefusedCaption,
                                       PromptButtons::Ok);
        return std::nullopt;
    }
    return cameras[static_cast<size_t>(i)];
}

void CCameraClipboard::Copy()
{
    if (std::optional<PlanCamera> camera = SelectedCamera()) {
        m_copied = std::move(camera);
        m_pPaste->setEnabled(true);
    }
}

void CCameraClipboard::Paste()
{
    if (m_copied)
        Append("Paste Camera", *m_copied);
}

void CCameraClipboard::Duplicate()
{
    if (std::optional<PlanCamera> camera = SelectedCamera())
        Append("Duplicate Camera", std::move(*camera));
}

void CCameraClipboard::Append(const std::string& name, PlanCamera camera)
{
    m_plan.RecordEdits();
    const size_t old = m_plan.GetPlan().cameras.size();
    if (old == 0 || !m_dialog.AreCamerasInitialised()) {
        m_dialog.Prompts().ShowMessage("Camera not added\nThe plan has no cameras yet: enter a number of cameras, "
                                       "load a file or choose File > New Plan first",
                                       kRefusedCaption, PromptButtons::Ok);
        return;
    }
    if (!IsValidCameraCount(static_cast<long long>(old) + 1)) {
        m_dialog.Prompts().ShowMessage("Camera not added\nThe rig already holds the most cameras a plan can have, " +
                                           std::to_string(kMaxCameras),
                                       kRefusedCaption, PromptButtons::Ok);
        return;
    }
    // Named as a new camera of the rig is.
    camera.label = "Camera " + std::to_string(old + 1);
    // The range takes the new camera in, as Auto-Place's do.
    if (const auto error = m_plan.Edit(name, [&camera](Plan& plan) { return AddCameras(plan, {camera}); })) {
        m_dialog.Prompts().ShowMessage("Camera not added\n" + *error, kRefusedCaption, PromptButtons::Ok);
        return;
    }
    m_dialog.SelectCamera(static_cast<int>(old));
}
