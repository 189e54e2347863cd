#include "render/SceneRenderer.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicState.h"
#include "classic/PlanCrossing.h"
#include "classic/SharedScene.h"
#include "coverage/FrustumEdges.h"
#include "coverage/VoxelPick.h"
#include "render/AxesDrawer.h"
#include "render/BitmapText.h"
#include "render/CameraGlyphs.h"
#include "render/DifferenceLists.h"
#include "render/ObstacleDrawer.h"
#include "render/PlacementDrawer.h"
#include "render/QualityLists.h"
#include "render/RoomModel.h"
#include "render/VolumeListQueue.h"
#include "render/VolumeLists.h"
#include "scene/DrawColor.h"
#include "scene/MemoryInfo.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>

#include <utility>

namespace
{

// The classic displays' lists: the Quality display draws its own.
VolumeDisplay ShownVolumeDisplay(const SceneSettings& settings)
{
    return VolumeDisplayOf(ShownDisplay(settings, false));
}

VoxelFaces ShownVoxelFaces(bool seeThrough)
{
    return seeThrough ? VoxelFaces::Every : VoxelFaces::Outer;
}

} // namespace

CSceneRenderer::CSceneRenderer()
    : CSceneRenderer(std::make_unique<CCoverageController>(ClassicCoverageSource()), nullptr, nullptr)
{
}

CSceneRenderer::CSceneRenderer(CCoverageController& controller) : CSceneRenderer(nullptr, &controller, nullptr) {}

CSceneRenderer::CSceneRenderer(CCoverageController& controller, ComputationFlags& flags)
    : CSceneRenderer(nullptr, &controller, &flags)
{
}

CSceneRenderer::CSceneRenderer(std::unique_ptr<CCoverageController> own, CCoverageController* given,
                               ComputationFlags* flags)
    : m_ownController(std::move(own)), m_controller(given ? *given : *m_ownController), m_pFlags(flags),
      m_room(std::make_unique<CRoomModel>()), m_axes(std::make_unique<CAxesDrawer>()),
      m_glyphs(std::make_unique<CCameraGlyphs>()), m_lists(std::make_unique<CVolumeLists>()),
      m_listQueue(std::make_unique<CVolumeListQueue>(*m_lists,
                                                     [this] {
                                                         // The flags that asked for the results go down with their
                                                         // lists in.
                                                         if (ComputationFlags* flags = Flags())
                                                             m_controller.ResultListsCompiled(*flags);
                                                     })),
      m_quality(std::make_unique<CQualityLists>()), m_differenceLists(std::make_unique<CDifferenceLists>()),
      m_obstacles(std::make_unique<CObstacleDrawer>()), m_placement(std::make_unique<CPlacementDrawer>())
{
}

CSceneRenderer::~CSceneRenderer()
{
    m_ownController.reset();
    if (m_bOwnsScene)
        EndSharedScene();
    // Normally ReleaseGL ran while the context was current. Otherwise the
    // context has gone with its objects, and these deletions reach no context.
    ReleaseGL();
}

void CSceneRenderer::InitGL()
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LINE_SMOOTH);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    m_classic.SetScaleRows(false, true, false);
    m_navigation.Reset();
    m_bSeeThrough = false;

    BuildBitmapFont();

    if (m_ownController) {
        PrepareSharedScene();
        m_bOwnsScene = true;
    }
    m_room->Update();
    m_bGLLive = true;
}

ComputationFlags* CSceneRenderer::Flags() const
{
    if (m_pFlags)
        return m_pFlags;
    return GetSceneSettings();
}

void CSceneRenderer::LoadPlan(const Plan& plan)
{
    ApplyPlan(plan, *m_room);
    if (ComputationFlags* flags = Flags())
        flags->SetRecalculate(true);
    ShowResolutionMap(static_cast<int>(plan.resolutionCamera) - 1);
}

void CSceneRenderer::ShowPlan(const Plan& plan)
{
    ApplyPlan(plan, *m_room);
    DeriveAimedEdges(CCameraSet::Instance(), static_cast<uint32_t>(plan.cameras.size()));
    ShowResolutionMap(static_cast<int>(plan.resolutionCamera) - 1);
}

std::optional<size_t> CSceneRenderer::PickQualityVoxel(int x, int y) const
{
    if (m_eViewStyle != ViewStyle::Planner || !IsQualityDisplay())
        return std::nullopt;
    const CCoverageVolume& volume = m_controller.GetVolume();
    const auto [origin, direction] = m_planner.PixelRay(x, y);
    return FirstQualityVoxel(volume, m_controller.GetPlanning(), m_eQualityMeasure, m_qualityThreshold,
                             volume.GetShownLayers(), origin, direction);
}

void CSceneRenderer::LoadCalibration(const CCameraSet& from)
{
    CCameraSet::Instance().TakeCalibration(from);
}

void CSceneRenderer::SetRoomShown(bool shown)
{
    GetSceneSettings()->SetShowRoom(shown);
}

void CSceneRenderer::SetDisplaySwitches(bool view2d, bool selective, bool testMode)
{
    SceneSettings& settings = *GetSceneSettings();
    settings.Set2DView(view2d);
    settings.SetSelectiveCameras(selective);
    settings.SetTestMode(testMode);
}

bool CSceneRenderer::IsLegendShown() const
{
    const SceneSettings* settings = GetSceneSettings();
    return settings && settings->GetShowLegend();
}

void CSceneRenderer::SetLegendShown(bool shown)
{
    GetSceneSettings()->SetShowLegend(shown);
}

std::array<float, 3> CSceneRenderer::GetSceneScale() const
{
    return {g_fSceneScaleX, g_fSceneScaleY, g_fSceneScaleZ};
}

void CSceneRenderer::SetSceneScale(const std::array<float, 3>& scale)
{
    g_fSceneScaleX = scale[0];
    g_fSceneScaleY = scale[1];
    g_fSceneScaleZ = scale[2];
}

void CSceneRenderer::ReleaseGL()
{
    if (!m_bGLLive)
        return;
    m_lists->DeleteLists();
    m_quality->DeleteLists();
    m_differenceLists->DeleteLists();
    m_differenceListsGeneration.reset();
    DeleteBitmapFont();
    m_bGLLive = false;
}

CViewStyleControl& CSceneRenderer::ActiveStyle()
{
    if (m_eViewStyle == ViewStyle::Planner)
        return m_planner;
    return m_classic;
}

void CSceneRenderer::FollowVolume()
{
    const bool newVolume = m_controller.GetVolumeGeneration() != m_nListedVolume;
    if (!newVolume && m_controller.GetMapGeneration() == m_nListedMap)
        return;
    m_nListedVolume = m_controller.GetVolumeGeneration();
    m_nListedMap = m_controller.GetMapGeneration();
    m_lists->DeleteLists();
    if (newVolume)
        m_quality->DeleteLists();
    m_listQueue->Clear();
    if (!m_controller.GetVolume().HasResults())
        return;
    if (m_controller.IsBackground())
        QueueLists();
    else
        CompileLists();
}

void CSceneRenderer::CompileLists()
{
    const CCoverageVolume& volume = m_controller.GetVolume();
    // Only the display shown now (none beside the Quality display); the
    // others when they are first shown.
    m_lists->Start(volume, ClassicFilters());
    if (!IsQualityDisplay() && !m_difference)
        m_lists->Compile(volume, ShownVolumeDisplay(*GetSceneSettings()), ShownVoxelFaces(m_bSeeThrough));
}

void CSceneRenderer::QueueLists()
{
    const CCoverageVolume& volume = m_controller.GetVolume();
    m_lists->Start(volume, ClassicFilters());
    m_listQueue->Clear();
    // Only the display shown now (none beside the Quality display); the
    // others when they are first shown, as in the synchronous path.
    const SceneSettings* settings = GetSceneSettings();
    if (IsQualityDisplay() || m_difference || !settings)
        return;
    m_listQueue->Queue(volume, ShownVolumeDisplay(*settings), ShownVoxelFaces(m_bSeeThrough));
}

void CSceneRenderer::UpdateQualityLists()
{
    if (!IsQualityDisplay())
        return;
    const CCoverageVolume& volume = m_controller.GetVolume();
    const CPlanningMeasures& planning = m_controller.GetPlanning();
    if (!m_bQualityListsStale && m_nQualityVolume == m_controller.GetVolumeGeneration() &&
        m_nQualityPlanning == m_controller.GetPlanningGeneration())
        return;
    m_bQualityListsStale = false;
    m_nQualityVolume = m_controller.GetVolumeGeneration();
    m_nQualityPlanning = m_controller.GetPlanningGeneration();
    // Switched on after the computation, the display must still not
    // compile more than the machine can hold.
    if (planning.HasResults() && volume.GetVoxelCount() > AvailableMemoryBytes() / kQualityListBytesPerVoxel) {
        m_quality->DeleteLists();
        m_controller.PostMessage(kNotEnoughMemoryMessage);
    } else {
        m_quality->Build(volume, planning, m_eQualityMeasure, m_qualityThreshold);
    }
}

void CSceneRenderer::Render()
{
    SceneSettings* settings = GetSceneSettings();
    DrawColor* colors = GetDrawColor();
    if (!settings || !colors)
        return;

    m_planner.NoteEntryUnit(*settings);
    settings->ConvertToMetres();
    m_room->Update();
    ComputationFlags& flags = *Flags();
    m_controller.RunCoverageStage(flags);
    m_obstacles->SetObstacles(m_controller.GetObstacles());
    FollowVolume();
    // A small volume's lists are all in at once, in the frame that took its
    // results; a failed computation has none, its flags go down at once.
    if (m_controller.IsBackground() && (IsCompilingLists() || m_controller.AwaitsResultLists()))
        CompileQueuedLists();
    m_controller.RunPlanningStage(flags);
    // The Quality lists of the measures there are, not of those to come.
    if (!m_controller.IsPlanningPending())
        UpdateQualityLists();
    if (CCameraSet* cameras = CCameraSet::Current())
        cameras->SetUserOrigin(m_room->Corner(3));

    // The Difference display replaces the volume, in either style.
    const CDifferenceLists* difference = nullptr;
    if (m_difference) {
        if (m_differenceListsGeneration != m_controller.GetResultGeneration()) {
            m_differenceLists->Build(m_controller.GetVolume(), *m_difference);
            m_differenceListsGeneration = m_controller.GetResultGeneration();
        }
        difference = m_differenceLists.get();
    }
    const ViewFrame frame{*settings,  *colors,           m_controller,       *m_room,      *m_axes,
                          *m_glyphs,  *m_obstacles,      *m_placement,       *m_listQueue, m_controller.IsBackground(),
                          *m_quality, m_eQualityMeasure, m_qualityThreshold, difference,   m_bSeeThrough};
    ActiveStyle().Draw(frame);
    if (IsComputing())
        DrawWaitingMessage();
}

bool CSceneRenderer::IsCompilingLists() const
{
    return m_listQueue->IsCompiling();
}

void CSceneRenderer::CompileQueuedLists()
{
    m_listQueue->CompileSome(m_controller.GetVolume());
}

double CSceneRenderer::GetComputationProgress() const
{
    if (m_controller.IsRunning())
        return m_controller.GetProgress();
    return m_listQueue->GetProgress();
}

void CSceneRenderer::DrawWaitingMessage()
{
    CClassicStyle::DrawWaitingMessage(GetDrawColor());
}

void CSceneRenderer::Resize(int width, int height)
{
    glViewport(0, 0, width, height);
    m_planner.SetViewSize(width, height);
}

void CSceneRenderer::OnButtonDown(unsigned keyStateFlags)
{
    ActiveStyle().OnButtonDown(keyStateFlags);
}

void CSceneRenderer::OnLeftButtonUp()
{
    m_navigation.leftButton = false;
    ActiveStyle().OnLeftButtonUp();
}

void CSceneRenderer::OnRightButtonUp()
{
    m_navigation.rightButton = false;
}

void CSceneRenderer::OnMouseMove(int x, int y)
{
    ActiveStyle().OnMouseMove(x, y);
}

bool CSceneRenderer::OnKeyDown(unsigned key)
{
    if (ActiveStyle().OnKeyDown(key))
        return false;
    if (key == kKeyShift)
        m_navigation.shiftKey = true;
    return key == kKeyEscape;
}

void CSceneRenderer::OnKeyUp(unsigned key)
{
    if (key == kKeyShift)
        m_navigation.shiftKey = false;
}

void CSceneRenderer::ZoomIn()
{
    ActiveStyle().ZoomIn();
}

void CSceneRenderer::ZoomOut()
{
    ActiveStyle().ZoomOut();
}

void CSceneRenderer::SetPerspective()
{
    m_navigation.SetPerspective();
}

void CSceneRenderer::SetOrthographic()
{
    m_navigation.SetOrthographic();
}

void CSceneRenderer::ToggleXScale()
{
    m_classic.ToggleXScale();
}

void CSceneRenderer::ToggleYScale()
{
    m_classic.ToggleYScale();
}

void CSceneRenderer::ToggleZScale()
{
    m_classic.ToggleZScale();
}

void CSceneRenderer::ToggleSeeThrough()
{
    m_bSeeThrough = !m_bSeeThrough;
}

void CSceneRenderer::ResetCameras()
{
    CCameraSet* cameras = CCameraSet::Current();
    if (!cameras)
        return;
    cameras->Release();
    cameras->Allocate();
    cameras->SetDefaults(*m_room);
}

void CSceneRenderer::ShowResolutionMap(int camera)
{
    m_controller.ShowResolutionMap(camera);
}

void CSceneRenderer::SetScaleDivisions(int n)
{
    // A negative count from a caller would become billions of ticks.
    m_axes->SetDivisions(n < 0 ? 0u : static_cast<unsigned>(n));
}

unsigned CSceneRenderer::GetScaleDivisions() const
{
    return m_axes->GetDivisions();
}

void CSceneRenderer::GoHome()
{
    m_navigation.GoHome();
}

void CSceneRenderer::SetHome()
{
    m_navigation.SetHome();
}

void CSceneRenderer::ResetHome()
{
    SetView(ViewPose{});
}

void CSceneRenderer::SetViewStyle(ViewStyle style)
{
    m_eViewStyle = style;
    m_planner.EndShiftDrag();
}

void CSceneRenderer::FitRoom()
{
    ActiveStyle().FitRoom();
}

void CSceneRenderer::OnWheel(int x, int y, int angleDelta)
{
    ActiveStyle().OnWheel(x, y, angleDelta);
}

void CSceneRenderer::SetPlannerPreset(PlannerPreset preset)
{
    if (m_eViewStyle == ViewStyle::Planner)
        m_planner.SetPreset(preset);
}

bool CSceneRenderer::LookThroughCamera(int camera)
{
    return m_eViewStyle == ViewStyle::Planner && m_planner.LookThroughCamera(camera);
}

bool CSceneRenderer::BeginPlannerDrag(int x, int y)
{
    return m_eViewStyle == ViewStyle::Planner && m_planner.BeginDrag(x, y);
}

void CSceneRenderer::SetObstacles(std::shared_ptr<const CObstacleSet> obstacles)
{
    m_obstacles->SetObstacles(obstacles);
    m_controller.SetObstacles(std::move(obstacles));
}

void CSceneRenderer::SetPlacementPreview(std::shared_ptr<const PlacementPreview> preview)
{
    m_placement->SetPreview(std::move(preview));
}

const std::shared_ptr<const PlacementPreview>& CSceneRenderer::GetPlacementPreview() const
{
    return m_placement->Preview();
}

int CSceneRenderer::GetLayerTotal() const
{
    return GetVolume().GetLayerTotal();
}

void CSceneRenderer::SetShownLayers(int n)
{
    m_controller.SetShownLayers(n);
}

int CSceneRenderer::GetShownLayers() const
{
    return GetVolume().GetShownLayers();
}

void CSceneRenderer::SetDifference(std::shared_ptr<const CCoverageDifference> difference)
{
    m_difference = std::move(difference);
    m_differenceListsGeneration.reset();
}

void CSceneRenderer::SetQualityMeasure(PlanningMeasure measure)
{
    if (measure != m_eQualityMeasure)
        m_bQualityListsStale = true;
    m_eQualityMeasure = measure;
}

void CSceneRenderer::SetQualityThreshold(std::optional<QualityThreshold> threshold)
{
    if (threshold != m_qualityThreshold)
        m_bQualityListsStale = true;
    m_qualityThreshold = threshold;
}
