#include "render/SceneRenderer.h"

#include "cameras/CameraSet.h"
#include "coverage/SharedScene.h"
#include "render/AxesDrawer.h"
#include "render/BitmapText.h"
#include "render/CameraGlyphs.h"
#include "render/ObstacleDrawer.h"
#include "render/PlacementDrawer.h"
#include "render/QualityLegend.h"
#include "render/QualityLists.h"
#include "render/DifferenceLists.h"
#include "render/ResolutionLegend.h"
#include "render/RoomModel.h"
#include "render/VolumeLists.h"
#include "scene/DrawColor.h"
#include "scene/MemoryInfo.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

int g_nLastMouseX = 0;
int g_nLastMouseY = 0;

namespace
{

// Viewports of the fixed 1000 x 725 layout, origin at the bottom left.
constexpr GLint kMainViewport[4] = {0, 0, 1000, 680};
constexpr GLint kLegendViewport[4] = {800, 0, 200, 225};
constexpr GLint kStatusViewport[4] = {0, 680, 1000, 45};
// The window's width over its full height, not over the main viewport's.
constexpr double kPerspectiveAspect = 1.3793103448275863;
constexpr double kNearPlane = 1.0;
constexpr float kPanStep = 0.01f;
constexpr float kArrowPanStep = 0.1f;
constexpr float kZoomStep = 0.5f;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

void SetViewport(const GLint (&v)[4])
{
    glViewport(v[0], v[1], v[2], v[3]);
}

// The legend inset and the status strip share this projection: at z = -1 a
// scene unit is a tenth of the viewport.
void LoadInsetProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-5.0, 5.0, -5.0, 5.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The classic displays' lists: the Quality display draws its own.
VolumeDisplay ShownVolumeDisplay(const SceneSettings& settings)
{
    return VolumeDisplayOf(ShownDisplay(settings, false));
}

VoxelFaces ShownVoxelFaces(bool seeThrough)
{
    return seeThrough ? VoxelFaces::Every : VoxelFaces::Outer;
}

void DrawText(double x, double y, double z, const char* text)
{
    glRasterPos3d(x, y, z);
    DrawBitmapText(text);
}

} // namespace

CSceneRenderer::CSceneRenderer() : CSceneRenderer(std::make_unique<CCoverageController>(), nullptr) {}

CSceneRenderer::CSceneRenderer(CCoverageController& controller) : CSceneRenderer(nullptr, &controller) {}

CSceneRenderer::CSceneRenderer(std::unique_ptr<CCoverageController> own, CCoverageController* given)
    : m_ownController(std::move(own)), m_controller(given ? *given : *m_ownController), m_room(std::make_unique<CRoomModel>()), m_axes(std::make_unique<CAxesDrawer>()),
      m_glyphs(std::make_unique<CCameraGlyphs>()), m_lists(std::make_unique<CVolumeLists>()),
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

    m_bShowXScale = false;
    m_bShowYScale = true;
    m_bShowZScale = false;
    m_bPerspective = true;
    m_bOrthographic = false;
    m_fYaw = m_fPitch = m_fPanX = m_fPanY = m_fZoom = 0.0f;
    m_fHomeYaw = m_fHomePitch = m_fHomePanX = m_fHomePanY = m_fHomeZoom = 0.0f;
    m_bLeftButton = m_bRightButton = m_bSeeThrough = m_bShiftKey = false;

    BuildBitmapFont();

    if (m_ownController) {
        PrepareSharedScene();
        m_bOwnsScene = true;
    }
    m_room->Update();
    m_bGLLive = true;
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
    m_aListQueue.clear();
    m_nListQueueNext = 0;
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
    m_lists->Start(volume, CoverageFilters::FromProcessState());
    if (!IsQualityDisplay() && !m_difference)
        m_lists->Compile(volume, ShownVolumeDisplay(*GetSceneSettings()), ShownVoxelFaces(m_bSeeThrough));
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
    if (!settings || !GetDrawColor())
        return;

    NoteEntryUnit(*settings);
    settings->ConvertToMetres();
    m_room->Update();
    m_controller.RunCoverageStage(*settings);
    m_obstacles->SetObstacles(m_controller.GetObstacles());
    FollowVolume();
    // A small volume's lists are all in at once, in the frame that took its
    // results; a failed computation has none, its flags go down at once.
    if (m_controller.IsBackground() && (IsCompilingLists() || m_controller.AwaitsResultLists()))
        CompileQueuedLists();
    m_controller.RunPlanningStage(*settings);
    // The Quality lists of the measures there are, not of those to come.
    if (!m_controller.IsPlanningPending())
        UpdateQualityLists();
    if (CCameraSet* cameras = CCameraSet::Current())
        cameras->SetUserOrigin(m_room->Corner(3));

    if (m_eViewStyle == ViewStyle::Planner) {
        DrawPlannerFrame();
        if (IsComputing())
            DrawWaitingMessage();
        return;
    }
    DrawMainScene();
    if (m_difference) {
        // Red and green need no key beyond the status strip's words.
    } else if (IsQualityDisplay()) {
        if (settings->GetShowLegend()) {
            SetViewport(kQualityLegendViewport);
            DrawQualityLegend(m_eQualityMeasure, m_quality->GetScale(), m_qualityThreshold);
        }
    } else if (!settings->Get2DView() && settings->GetShowLegend()) {
        DrawLegendInset();
    }
    DrawStatusStrip();
    if (IsComputing())
        DrawWaitingMessage();
}

void CSceneRenderer::QueueLists()
{
    const CCoverageVolume& volume = m_controller.GetVolume();
    m_lists->Start(volume, CoverageFilters::FromProcessState());
    m_aListQueue.clear();
    m_nListQueueNext = 0;
    // Only the display shown now (none beside the Quality display); the
    // others when they are first shown, as in the synchronous path.
    const SceneSettings* settings = GetSceneSettings();
    if (IsQualityDisplay() || m_difference || !settings)
        return;
    m_eListQueueDisplay = ShownVolumeDisplay(*settings);
    m_eListQueueFaces = ShownVoxelFaces(m_bSeeThrough);
    const uint32_t lists = CVolumeLists::ListCount(volume, m_eListQueueDisplay);
    for (uint32_t n = 0; n < lists; ++n)
        m_aListQueue.push_back(n);
}

void CSceneRenderer::QueueMissingLists(VolumeDisplay display, VoxelFaces faces)
{
    // A display first shown, or its other faces: compiled as a computation's
    // lists are, a frame's worth at a time, so that a large volume does not
    // hold up the window; a small one is in at once.
    m_aListQueue.clear();
    m_nListQueueNext = 0;
    m_eListQueueDisplay = display;
    m_eListQueueFaces = faces;
    const uint32_t lists = CVolumeLists::ListCount(m_controller.GetVolume(), display);
    for (uint32_t n = 0; n < lists; ++n)
        m_aListQueue.push_back(n);
    CompileQueuedLists();
}

void CSceneRenderer::CompileQueuedLists()
{
    // About a frame's worth of compiling per Render, so the event loop
    // turns in between; at least one list, however long it takes.
    constexpr auto kBudget = std::chrono::milliseconds(40);
    const auto start = std::chrono::steady_clock::now();
    while (IsCompilingLists()) {
        m_lists->CompileList(m_controller.GetVolume(), m_eListQueueDisplay, m_eListQueueFaces, m_aListQueue[m_nListQueueNext++]);
        if (std::chrono::steady_clock::now() - start >= kBudget)
            break;
    }
    if (IsCompilingLists())
        return;
    m_aListQueue.clear();
    m_nListQueueNext = 0;
    if (SceneSettings* settings = GetSceneSettings())
        m_controller.ResultListsCompiled(*settings);
}

double CSceneRenderer::GetComputationProgress() const
{
    if (m_controller.IsRunning())
        return m_controller.GetProgress();
    return m_aListQueue.empty() ? 0.0
                                : static_cast<double>(m_nListQueueNext) / static_cast<double>(m_aListQueue.size());
}

void CSceneRenderer::DrawMainScene()
{
    const SceneSettings* settings = GetSceneSettings();
    DrawColor* colors = GetDrawColor();
    const CCoverageVolume& volume = m_controller.GetVolume();
    const CPlanningMeasures& planning = m_controller.GetPlanning();

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (m_bPerspective || !m_bOrthographic)
        gluPerspective(60.0, kPerspectiveAspect, kNearPlane, 100.0);
    else
        glOrtho(-5.0, 5.0, -5.0, 5.0, kNearPlane, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetViewport(kMainViewport);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glPushMatrix();
    glTranslated(0.0, 0.0, -10.0);
    // Under this translation alone, so the light stays put while the scene turns.
    m_room->ApplyLight();
    glTranslatef(0.0f, 0.0f, m_fZoom);
    glRotatef(-m_fPitch, 1.0f, 0.0f, 0.0f);

    glPushMatrix();
    glScalef(g_fSceneScaleX, g_fSceneScaleY, g_fSceneScaleZ);
    glTranslatef(m_fPanX, 0.0f, 0.0f);
    glTranslatef(0.0f, m_fPanY, 0.0f);
    glRotatef(m_fYaw, 0.0f, 1.0f, 0.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    if (settings->GetShowRoom())
        m_room->Draw();
    if (m_bShowXScale)
        m_axes->DrawXScale(*m_room, colors->Red());
    if (m_bShowYScale)
        m_axes->DrawYScale(*m_room, colors->Green());
    if (m_bShowZScale)
        m_axes->DrawZScale(*m_room, colors->Blue());
    const Vec3d& c0 = m_room->Corner(0);
    m_axes->DrawAxes(c0.x - 0.5, c0.y - 0.1, c0.z + 0.5);
    m_glyphs->Draw(IsPlanningEnabled() && planning.HasResults() ? &planning : nullptr);
    m_obstacles->Draw(m_bSeeThrough);
    m_placement->Draw();

    glPolygonMode(GL_FRONT_AND_BACK, m_bSeeThrough ? GL_POINT : GL_FILL);
    if (m_difference) {
        if (m_differenceListsGeneration != m_controller.GetResultGeneration()) {
            m_differenceLists->Build(volume, *m_difference);
            m_differenceListsGeneration = m_controller.GetResultGeneration();
        }
        m_differenceLists->Draw(volume);
    } else if (IsQualityDisplay()) {
        m_quality->Draw(volume);
    } else {
        const VolumeDisplay display = ShownVolumeDisplay(*settings);
        const VoxelFaces faces = CVolumeLists::FacesToDraw(volume, m_bSeeThrough, kNearPlane);
        // While the queue compiles a list a turn, the frame shows those in so far.
        if (volume.HasResults() && !IsCompilingLists() && !m_lists->IsCompiled(volume, display, faces)) {
            if (m_controller.IsBackground())
                QueueMissingLists(display, faces);
            else
                m_lists->Compile(volume, display, faces);
        }
        m_lists->Draw(volume, display, faces);
    }

    glPopMatrix();
    glPopMatrix();
    glColor3dv(colors->White());
}

void CSceneRenderer::DrawLegendInset()
{
    LoadInsetProjection();
    SetViewport(kLegendViewport);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPushMatrix();
    DrawResolutionLegend(m_controller.GetVolume(), 0.0, 0.0, -1.0);
    glPopMatrix();
}

void CSceneRenderer::DrawStatusStrip()
{
    const SceneSettings* settings = GetSceneSettings();
    LoadInsetProjection();
    SetViewport(kStatusViewport);
    glPushMatrix();
    glColor3dv(GetDrawColor()->White());

    char text[64];
    std::snprintf(text, sizeof text, "Resolution for camera : %u",
                  static_cast<unsigned>(GetVolume().GetResolutionCamera() + 1));
    DrawText(-4.95, 2.0, -1.0, text);
    const bool selective = settings->GetSelectiveCameras();
    DrawText(-4.95, -1.5, -1.0, selective ? "Selective Cameras Volume: ON" : "Selective Cameras Volume: OFF");
    // Truncation applies only to the layered displays, not to the selective volume.
    DrawText(-4.95, -5.0, -1.0, selective ? "Volume Truncation: OFF" : "Volume Truncation: ON");
    if (m_difference)
        DrawText(-2.0, 2.0, -1.0, "As built against the plan: triangulable lost red, gained green");
    else if (!selective && !settings->Get2DView() && !GetMapDiagnosis().empty())
        DrawText(-2.0, 2.0, -1.0, GetMapDiagnosis().c_str());
    glPopMatrix();
}

void CSceneRenderer::DrawWaitingMessage()
{
    // The status strip's projection is set here rather than taken over from
    // the last frame, so the message also shows before the first frame.
    LoadInsetProjection();
    SetViewport(kStatusViewport);
    if (DrawColor* colors = GetDrawColor())
        glColor3dv(colors->White());
    DrawText(0.0, -5.0, -1.0, kWaitingMessage);
}

void CSceneRenderer::Resize(int width, int height)
{
    glViewport(0, 0, width, height);
    if (width == m_nViewWidth && height == m_nViewHeight)
        return;
    m_nViewWidth = width;
    m_nViewHeight = height;
    // The planner's framing was made for the old size: the next frame fits the room again.
    m_aFittedRoom = {};
}

void CSceneRenderer::OnButtonDown(unsigned keyStateFlags)
{
    if (m_eViewStyle == ViewStyle::Planner) {
        // The planner takes a press with Shift held as the start of a pan.
        m_bLeftButton = m_bLeftButton || (keyStateFlags & kButtonFlagLeft) != 0;
        m_bRightButton = m_bRightButton || (keyStateFlags & kButtonFlagRight) != 0;
        m_bPlannerShiftDrag = (keyStateFlags & kButtonFlagShift) != 0;
        return;
    }
    // Only a press with no other button or modifier held registers: a press
    // with Shift already down starts neither a turn nor a pan.
    if (keyStateFlags == kButtonFlagLeft)
        m_bLeftButton = true;
    else if (keyStateFlags == kButtonFlagRight)
        m_bRightButton = true;
}

void CSceneRenderer::OnLeftButtonUp()
{
    m_bLeftButton = false;
    m_bPlannerShiftDrag = false;
}

void CSceneRenderer::OnRightButtonUp()
{
    m_bRightButton = false;
}

void CSceneRenderer::OnMouseMove(int x, int y)
{
    const int dx = x - g_nLastMouseX;
    const int up = g_nLastMouseY - y;
    if (m_eViewStyle == ViewStyle::Planner) {
        if (m_bLeftButton && (m_bShiftKey || m_bPlannerShiftDrag))
            m_plannerView.PanPixels(dx, up);
        else if (m_bLeftButton)
            TurnPlanner(dx, 0);
        if (m_bRightButton)
            TurnPlanner(0, up);
        g_nLastMouseX = x;
        g_nLastMouseY = y;
        return;
    }
    if (m_bLeftButton) {
        if (m_bShiftKey) {
            // A fixed step per motion message, whatever its length.
            m_fPanX += dx >= 0 ? kPanStep : -kPanStep;
            m_fPanY += up > 0 ? kPanStep : -kPanStep;
        } else {
            m_fYaw += static_cast<float>(dx);
        }
    }
    g_nLastMouseX = x;
    g_nLastMouseY = y;
    if (m_bRightButton)
        m_fPitch += static_cast<float>(up);
}

bool CSceneRenderer::OnKeyDown(unsigned key)
{
    // The planner's arrow keys move the view by a share of its size.
    constexpr double kPlannerArrowPx = 20.0;
    if (m_eViewStyle == ViewStyle::Planner && key >= kKeyLeft && key <= kKeyDown) {
        m_plannerView.PanPixels(key == kKeyLeft    ? -kPlannerArrowPx
                                : key == kKeyRight ? kPlannerArrowPx
                                                   : 0.0,
                                key == kKeyUp     ? kPlannerArrowPx
                                : key == kKeyDown ? -kPlannerArrowPx
                                                  : 0.0);
        return false;
    }
    switch (key) {
    case kKeyShift:
        m_bShiftKey = true;
        break;
    case kKeyEscape:
        return true;
    case kKeyLeft:
        m_fPanX -= kArrowPanStep;
        break;
    case kKeyUp:
        m_fPanY += kArrowPanStep;
        break;
    case kKeyRight:
        m_fPanX += kArrowPanStep;
        break;
    case kKeyDown:
        m_fPanY -= kArrowPanStep;
        break;
    default:
        break;
    }
    return false;
}

void CSceneRenderer::OnKeyUp(unsigned key)
{
    if (key == kKeyShift)
        m_bShiftKey = false;
}

int CSceneRenderer::PlannerSceneMiddleY() const
{
    // The scene lies below the status strip, which keeps the classic height.
    const int scene = m_nViewHeight - (kViewHeight - kMainViewport[3]);
    return m_nViewHeight - scene / 2;
}

void CSceneRenderer::ZoomIn()
{
    if (m_eViewStyle == ViewStyle::Planner)
        OnWheel(m_nViewWidth / 2, PlannerSceneMiddleY(), kWheelNotch);
    else
        m_fZoom += kZoomStep;
}

void CSceneRenderer::ZoomOut()
{
    if (m_eViewStyle == ViewStyle::Planner)
        OnWheel(m_nViewWidth / 2, PlannerSceneMiddleY(), -kWheelNotch);
    else
        m_fZoom -= kZoomStep;
}

void CSceneRenderer::SetPerspective()
{
    m_bPerspective = true;
    m_bOrthographic = false;
}

void CSceneRenderer::SetOrthographic()
{
    m_bPerspective = false;
    m_bOrthographic = true;
}

void CSceneRenderer::ToggleXScale()
{
    m_bShowXScale = !m_bShowXScale;
}

void CSceneRenderer::ToggleYScale()
{
    m_bShowYScale = !m_bShowYScale;
}

void CSceneRenderer::ToggleZScale()
{
    m_bShowZScale = !m_bShowZScale;
}

void CSceneRenderer::ToggleSeeThrough()
{
    m_bSeeThrough = !m_bSeeThrough;
}

void CSceneRenderer::SetScaleRows(bool x, bool y, bool z)
{
    m_bShowXScale = x;
    m_bShowYScale = y;
    m_bShowZScale = z;
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

void CSceneRenderer::SetView(const ViewPose& view)
{
    m_fYaw = view.yaw;
    m_fPitch = view.pitch;
    m_fPanX = view.panX;
    m_fPanY = view.panY;
    m_fZoom = view.zoom;
}

void CSceneRenderer::GoHome()
{
    SetView(GetHomeView());
}

void CSceneRenderer::SetHome()
{
    m_fHomeYaw = m_fYaw;
    m_fHomePitch = m_fPitch;
    m_fHomePanX = m_fPanX;
    m_fHomePanY = m_fPanY;
    m_fHomeZoom = m_fZoom;
}

void CSceneRenderer::ResetHome()
{
    SetView(ViewPose{});
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

