#include "app/RigFileCommands.h"

#include "classic/ClassicParameters.h"
#include "app/DialogItems.h"
#include "app/DialogLayout.h"
#include "app/DialogText.h"
#include "app/ReplaceQuestion.h"
#include "app/RigMarks.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <optional>
#include <utility>

namespace
{

const char* const kFileNotFoundOrInvalid = "File Not Found or Invalid File";

const FileDialogRequest kCameraFileOpen{"Open Camera Data File", "zarvo_cams_data", "txt",
                                        "Camera Data Files (*.txt)|*.txt|*.dat||"};
const FileDialogRequest kCameraFileSave{"Save Camera Data File", "zarvo_cams_data", "txt",
                                        "Camera Data Files (*.txt)|*.txt|*.dat||"};
const FileDialogRequest kCalibrationFileOpen{"Open ZARVO Data File for testing", "OriginalLatestCalibration", "txt",
                                             "ZARVO Data File for testing(*.txt)|*.txt|*.dat||"};

CCameraSet& Cameras()
{
    return CCameraSet::Instance();
}

SceneSettings& Settings()
{
    return *GetSceneSettings();
}

} // namespace

CRigFileCommands::CRigFileCommands(CDialogItems& items, RigMarks& rig, CVolumeView& view, std::function<void()> refresh,
                                   std::function<void(const std::string&)> saved)
    : m_items(items), m_rig(rig), m_view(view), m_refresh(std::move(refresh)), m_saved(std::move(saved))
{
}

void CRigFileCommands::OnLoadFile()
{
    const std::optional<std::string> path = m_items.Prompts().ChooseFileToOpen(kCameraFileOpen);
    if (!path)
        return;
    if (!Cameras().LoadFromFile(*path)) {
        m_items.Message(kFileNotFoundOrInvalid, Cameras().GetFileError(), "File Not Found");
        return;
    }
    m_rig.edited = false;
    SceneSettings& s = Settings();
    SetIsoThreshold(s.GetCameraCount());
    m_items.SetItemText(kIdCameraCount, FormatUnsigned(s.GetCameraCount()));
    m_refresh();
    s.SetRecalculate(true);
    m_view.RequestRepaint();
    m_rig.camerasInitialised = true;
}

void CRigFileCommands::OnSaveFile()
{
    if (!m_rig.camerasInitialised) {
        m_items.Message("No cameras loaded", kInvalidAction);
        return;
    }
    const std::optional<std::string> path = ChooseFileToWrite(m_items.Prompts(), kCameraFileSave);
    if (!path)
        return;
    if (Cameras().SaveToFile(*path)) {
        m_rig.edited = false;
        m_saved(*path);
    } else
        m_items.Message("Unable to Create File", Cameras().GetFileError(), "Error");
}

void CRigFileCommands::OnTest()
{
    const std::optional<std::string> path = m_items.Prompts().ChooseFileToOpen(kCalibrationFileOpen);
    if (!path)
        return;
    if (!Cameras().ImportCalibration(*path)) {
        m_items.Message(kFileNotFoundOrInvalid, Cameras().GetFileError(), "File Not Found");
        return;
    }
    SceneSettings& s = Settings();
    s.SetTestDataPending(true);
    s.SetTestMode(true);
    m_view.RequestRepaint();
}
