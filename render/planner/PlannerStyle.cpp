#include "render/planner/PlannerStyle.h"

#include "classic/ClassicState.h"

#include "classic/ClassicParameters.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageController.h"
#include "render/AxesDrawer.h"
#include "render/DifferenceLists.h"
#include "render/ObstacleDrawer.h"
#include "render/PlacementDrawer.h"
#include "render/QualityLists.h"
#include "render/RoomModel.h"
#include "render/VolumeListQueue.h"
#include "render/planner/PlannerFrustums.h"
#include "render/planner/PlannerLabels.h"
#include "render/planner/PlannerLegend.h"
#include "render/planner/PlannerRulers.h"
#include "render/planner/PlannerStatus.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// The scene fills the view below the status strip, as the classic one; the
// view may be larger than the classic 1000 x 725 when the window grows.
constexpr int kStatusHeight = 45;
// The room is fitted clear of the rulers' labels, and of the legend panel
// in the lower right.
PixelRect FitTarget(int sceneWidth, int sceneHeight)
{
    return {80.0, 50.0, sceneWidth - 290.0, sceneHeight - 30.0};
}
constexpr double kLegendMargin = 8.0;
constexpr double kLegendBottom = 8.0;
// Camera spheres and the axes triad grow with the room, so they keep their
// size on screen once it is fitted.
constexpr double kSphereShare = 0.012;
constexpr double kTriadShare = 0.1;
constexpr double kWheelStep = 0.85;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;
// The arrow keys move the view by this many pixels.
constexpr double kArrowPx = 20.0;
constexpr double kCameraLabelGap = 3.0;
constexpr double kRingGap = 5.0;
// A 40-pixel drag turns the planner 10 degrees (the classic view: 40).
constexpr float kTurnPerPixel = 0.25f;
constexpr float kMaxPitch = 90.0f;

double MaxDimension(const SceneSettings& s)
{
    return std::max({static_cast<double>(s.GetRoomLength()), static_cast<double>(s.GetRoomWidth()),
                     static_cast<double>(s.GetRoomHeight()), 1e-3});
}

std::string Bound(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::string IsoText(const CoverageFilters& filters)
{
    return "count " + ComparisonOpText(filters.isoOperator) + " " + std::to_string(filters.isoThreshold);
}

std::string ResolutionFilterText(const CoverageFilters& filters)
{
    return "resolution " + ComparisonOpText(filters.resOperator1) + " " + Bound(filters.resBound1) + " and " +
           ComparisonOpText(filters.resOperator2) + " " + Bound(filters.resBound2);
}

Vec3d Rotate2(double x, double y, double degrees)
{
    const double a = degrees * 3.14159265358979323846 / 180.0;
    return {x * std::cos(a) - y * std::sin(a), x * std::sin(a) + y * std::cos(a), 0.0};
}

RoomSize PlannerRoomSize()
{
    const SceneSettings* s = GetSceneSettings();
    if (!s)
        return {};
    return {s->GetRoomLength(), s->GetRoomWidth(), s->GetRoomHeight()};
}

} // namespace

void CPlannerStyle::OnButtonDown(unsigned keyStateFlags)
{
    m_navigation.leftButton = m_navigation.leftButton || (keyStateFlags & kButtonFlagLeft) != 0;
    m_navigation.rightButton = m_navigation.rightButton || (keyStateFlags & kButtonFlagRight) != 0;
    m_bShiftDrag = (keyStateFlags & kButtonFlagShift) != 0;
}

void CPlannerStyle::OnMouseMove(int x, int y)
{
    const int dx = x - g_nLastMouseX;
    const int up = g_nLastMouseY - y;
    if (m_navigation.leftButton && (m_navigation.shiftKey || m_bShiftDrag))
        m_view.PanPixels(dx, up);
    else if (m_navigation.leftButton)
        Turn(dx, 0);
    if (m_navigation.rightButton)
        Turn(0, up);
    g_nLastMouseX = x;
    g_nLastMouseY = y;
}

bool CPlannerStyle::OnKeyDown(unsigned key)
{
    if (key < kKeyLeft || key > kKeyDown)
        return false;
    m_view.PanPixels(key == kKeyLeft    ? -kArrowPx
                     : key == kKeyRight ? kArrowPx
                                        : 0.0,
                     key == kKeyUp     ? kArrowPx
                     : key == kKeyDown ? -kArrowPx
                                       : 0.0);
    return true;
}

int CPlannerStyle::SceneMiddleY() const
{
    // The scene lies below the status strip, which keeps the classic height.
    const int scene = m_nViewHeight - kStatusHeight;
    return m_nViewHeight - scene / 2;
}

void CPlannerStyle::ZoomIn()
{
    OnWheel(m_nViewWidth / 2, SceneMiddleY(), kWheelNotch);
}

void CPlannerStyle::ZoomOut()
{
    OnWheel(m_nViewWidth / 2, SceneMiddleY(), -kWheelNotch);
}

void CPlannerStyle::SetViewSize(int width, int height)
{
    if (width == m_nViewWidth && height == m_nViewHeight)
        return;
    m_nViewWidth = width;
    m_nViewHeight = height;
    // The framing was made for the old size: the next frame fits the room again.
    m_aFittedRoom = {};
}

void CPlannerStyle::SetRulerUnit(LengthUnit unit)
{
    m_eRulerUnit = unit;
    if (const SceneSettings* s = GetSceneSettings())
        m_aUnitRoom = {s->GetRoomLength(), s->GetRoomWidth(), s->GetRoomHeight()};
}

void CPlannerStyle::NoteEntryUnit(const SceneSettings& settings)
{
    const std::string units = settings.GetUnits();
    const bool feet = IsFeetUnit(units);
    const std::array<float, 3> room{settings.GetRoomLength(), settings.GetRoomWidth(), settings.GetRoomHeight()};
    if (feet) {
        // Converted in this frame: remembered by the metres it becomes.
        m_eRulerUnit = LengthUnit::Feet;
        m_aUnitRoom = {room[0] * kMetresPerFoot, room[1] * kMetresPerFoot, room[2] * kMetresPerFoot};
    } else if (room != m_aUnitRoom) {
        m_eRulerUnit = LengthUnit::Metres;
        m_aUnitRoom = room;
    }
}

std::array<float, 6> CPlannerStyle::RoomKey() const
{
    const SceneSettings* s = GetSceneSettings();
    if (!s)
        return {};
    return {s->GetRoomLength(), s->GetRoomWidth(), s->GetRoomHeight(), g_fSceneScaleX, g_fSceneScaleY, g_fSceneScaleZ};
}

void CPlannerStyle::UpdatePose()
{
    m_view.SetViewport(m_nViewWidth, m_nViewHeight - kStatusHeight);
    m_view.SetPerspective(m_navigation.IsPerspective());
    m_view.SetPose(m_navigation.Pose().yaw, m_navigation.Pose().pitch,
                   {g_fSceneScaleX, g_fSceneScaleY, g_fSceneScaleZ});
}

std::vector<Vec3d> CPlannerStyle::FitPoints() const
{
    std::vector<Vec3d> points;
    const SceneSettings* s = GetSceneSettings();
    if (!s)
        return points;
    const double w = CRoomModel::kWallThickness;
    const double hl = s->GetRoomLength() * 0.5 + w, hw = s->GetRoomWidth() * 0.5 + w;
    const double top = s->GetRoomHeight() * 0.5, bottom = -top - 2.0 * w;
    for (const double x : {-hl, hl})
        for (const double y : {bottom, top})
            for (const double z : {-hw, hw})
                points.push_back({x, y, z});
    const double size = MaxDimension(*s);
    const double r = kSphereShare * size;
    if (const CCameraSet* cameras = CCameraSet::Current(); cameras && cameras->IsAllocated()) {
        // Every camera of the rig, those out of the range and outside the room too.
        for (uint32_t n = 0; n < s->GetCameraCount(); ++n) {
            const Vec3d& p = cameras->GetPosition(static_cast<int>(n));
            for (const Vec3d& d : {Vec3d{r, r, r}, Vec3d{-r, -r, -r}})
                points.push_back(p + d);
        }
    }
    // The axes triad beside the back-right floor corner.
    const Vec3d triad{hl + kTriadShare * size * 0.3, -top, -hw - kTriadShare * size * 0.3};
    const double t = kTriadShare * size;
    points.push_back(triad);
    points.push_back(triad + Vec3d{t * 1.3, t * 1.2, -t * 1.3});
    return points;
}

void CPlannerStyle::FitRoom()
{
    m_view.SetFieldOfView(CPlannerProjection::kFieldOfViewDeg);
    UpdatePose();
    m_view.Fit(FitPoints(), FitTarget(m_nViewWidth, m_nViewHeight - kStatusHeight));
    m_aFittedRoom = RoomKey();
}

void CPlannerStyle::Turn(int dx, int up)
{
    m_navigation.Pose().yaw += static_cast<float>(dx) * kTurnPerPixel;
    const SceneSettings* s = GetSceneSettings();
    if (up == 0 || !s)
        return;
    // The eye may come down to the floor, not below it: the steepest pitch
    // towards the asked one that keeps it there.
    const double floor = -0.5 * s->GetRoomHeight();
    const auto eyeHeight = [this](float pitch) {
        m_navigation.Pose().pitch = pitch;
        UpdatePose();
        return m_view.EyePosition().y;
    };
    const float before = m_navigation.Pose().pitch;
    const float asked = std::clamp(before + static_cast<float>(up) * kTurnPerPixel, -kMaxPitch, kMaxPitch);
    // An eye already below (a pose from before) may still rise.
    const double lowest = std::min(floor, eyeHeight(before));
    if (eyeHeight(asked) >= lowest)
        return;
    float good = before, bad = asked;
    for (int i = 0; i < 24; ++i) {
        const float mid = 0.5f * (good + bad);
        (eyeHeight(mid) >= lowest ? good : bad) = mid;
    }
    eyeHeight(good);
}

void CPlannerStyle::SetPreset(PlannerPreset preset)
{
    switch (preset) {
    case PlannerPreset::Top:
        m_navigation.Pose().yaw = 0.0f;
        m_navigation.Pose().pitch = -kMaxPitch;
        break;
    case PlannerPreset::Front:
        m_navigation.Pose().yaw = 0.0f;
        m_navigation.Pose().pitch = 0.0f;
        break;
    case PlannerPreset::Side:
        m_navigation.Pose().yaw = 90.0f;
        m_navigation.Pose().pitch = 0.0f;
        break;
    }
    FitRoom();
}

bool CPlannerStyle::LookThroughCamera(int camera)
{
    const SceneSettings* s = GetSceneSettings();
    const CCameraSet* cameras = CCameraSet::Current();
    if (!s || !cameras || !cameras->IsAllocated() || camera < 0 || camera >= static_cast<int>(s->GetCameraCount()))
        return false;
    const std::optional<Vec3d> axis = PyramidAxis(cameras->GetEdgeHPlus(camera), cameras->GetEdgeHMinus(camera),
                                                  cameras->GetEdgeVPlus(camera), cameras->GetEdgeVMinus(camera));
    const float fov = cameras->GetVFov(camera);
    if (!axis || !(fov > 0.0f && fov < 180.0f))
        return false;
    if (!m_view.IsFitted() || RoomKey() != m_aFittedRoom)
        FitRoom();
    // The planner looks along (cos p sin y, sin p, -cos p cos y) at yaw y, pitch p.
    const Vec3d a = Normalized(*axis);
    constexpr double kDegrees = 180.0 / 3.14159265358979323846;
    m_navigation.Pose().pitch = static_cast<float>(std::asin(std::clamp(a.y, -1.0, 1.0)) * kDegrees);
    m_navigation.Pose().yaw = static_cast<float>(std::atan2(a.x, -a.z) * kDegrees);
    m_navigation.SetPerspective();
    m_view.SetFieldOfView(fov);
    UpdatePose();
    m_view.PlaceEye(cameras->GetPosition(camera));
    return true;
}

bool CPlannerStyle::BeginDrag(int x, int y)
{
    const SceneSettings* s = GetSceneSettings();
    CCameraSet* cameras = CCameraSet::Current();
    if (!s || !cameras || !m_view.IsFitted())
        return false;
    UpdatePose();
    const int end = static_cast<int>(std::min(s->GetEndCamera(), s->GetCameraCount()));
    if (!m_drag.Begin(m_view, *cameras, static_cast<int>(s->GetFirstCamera()), end, m_nSelectedCamera,
                      kSphereShare * MaxDimension(*s), PlannerRoomSize(), x, m_nViewHeight - y))
        return false;
    g_nLastMouseX = x;
    g_nLastMouseY = y;
    return true;
}

void CPlannerStyle::DragTo(int x, int y)
{
    if (CCameraSet* cameras = CCameraSet::Current(); cameras && m_drag.IsActive()) {
        UpdatePose();
        m_drag.Move(m_view, *cameras, x, m_nViewHeight - y);
    }
    g_nLastMouseX = x;
    g_nLastMouseY = y;
}

std::optional<PlannerDragResult> CPlannerStyle::EndDrag()
{
    CCameraSet* cameras = CCameraSet::Current();
    return cameras ? m_drag.End(*cameras) : std::nullopt;
}

std::optional<PlannerDragResult> CPlannerStyle::GetDrag() const
{
    const CCameraSet* cameras = CCameraSet::Current();
    return cameras ? m_drag.Current(*cameras) : std::nullopt;
}

std::array<Vec3d, 2> CPlannerStyle::PixelRay(int x, int y) const
{
    // Client pixels run down from the window's top; the scene's from its bottom.
    return m_view.PixelRay(x, m_nViewHeight - y);
}

Vec3d CPlannerStyle::GetTarget() const
{
    const CCameraSet* cameras = CCameraSet::Current();
    if (!cameras || !cameras->IsAllocated() || m_nSelectedCamera < 0)
        return {};
    return m_drag.Target(*cameras, m_nSelectedCamera, PlannerRoomSize());
}

void CPlannerStyle::OnWheel(int x, int y, int angleDelta)
{
    if (angleDelta == 0)
        return;
    UpdatePose();
    // Client pixels run down from the window's top; the scene's from its bottom.
    m_view.ZoomAt(x, m_nViewHeight - y, std::pow(kWheelStep, angleDelta / 120.0));
}

uint64_t CPlannerStyle::CountDrawnVoxels(const ViewFrame& frame)
{
    const SceneSettings* s = &frame.settings;
    const CCoverageVolume& volume = frame.results.GetVolume();
    const CPlanningMeasures& planning = frame.results.GetPlanning();
    if (!volume.HasResults())
        return 0;
    const WindowDisplay display = ShownDisplay(*s, frame.results.IsQualityDisplay());
    const std::optional<QualityThreshold>& q = frame.qualityThreshold;
    const std::vector<double> key{static_cast<double>(frame.results.GetResultGeneration()),
                                  static_cast<double>(display),
                                  static_cast<double>(volume.GetShownLayers()),
                                  static_cast<double>(volume.GetResolutionCamera(ClassicRigCameraCount())),
                                  static_cast<double>(GetIsoOperator()),
                                  static_cast<double>(GetIsoThreshold()),
                                  static_cast<double>(GetResOperator1()),
                                  GetResBound1(),
                                  static_cast<double>(GetResOperator2()),
                                  GetResBound2(),
                                  static_cast<double>(frame.qualityMeasure),
                                  q ? static_cast<double>(q->op) : -1.0,
                                  q ? static_cast<double>(q->value) : 0.0,
                                  frame.quality.IsBuilt() ? 1.0 : 0.0};
    if (key == m_aDrawnCountKey)
        return m_nDrawnCount;
    m_aDrawnCountKey = key;
    const uint32_t layers = volume.GetCountY();
    const uint32_t shown = static_cast<uint32_t>(std::clamp(volume.GetShownLayers(), 0, static_cast<int>(layers)));
    uint64_t count = 0;
    switch (display) {
    case WindowDisplay::SelectiveCameras:
        count = volume.IsoListPaint(ClassicFilters()).size();
        break;
    case WindowDisplay::CameraCount2D:
        // Every voxel of the layers shown but those inside an obstacle, as CountLayerPaint draws them.
        count = static_cast<uint64_t>(volume.GetCountX()) * volume.GetCountZ() * shown;
        if (volume.GetOcclusion())
            for (size_t t = 0; t < volume.GetVoxelCount(); ++t)
                count -= t % layers < shown && volume.InsideObstacle(t);
        break;
    case WindowDisplay::ResolutionMap: {
        const std::vector<int8_t> bands = volume.MapBands(ClassicFilters());
        for (size_t t = 0; t < bands.size(); ++t)
            count += bands[t] >= 0 && t % layers < shown;
        break;
    }
    case WindowDisplay::Quality:
        if (planning.HasResults() && frame.quality.IsBuilt())
            for (uint32_t j = 0; j < shown; ++j)
                count +=
                    QualityLayerPaint(volume, planning, frame.qualityMeasure, frame.quality.GetScale(), q, j).size();
        break;
    }
    m_nDrawnCount = count;
    return count;
}

void CPlannerStyle::Draw(const ViewFrame& frame)
{
    const SceneSettings* settings = &frame.settings;
    const CCoverageVolume& volume = frame.results.GetVolume();
    const CPlanningMeasures& planning = frame.results.GetPlanning();
    DrawColor* colors = &frame.colors;
    UpdatePose();
    if (!m_view.IsFitted() || RoomKey() != m_aFittedRoom)
        FitRoom();
    const CPlannerProjection& view = m_view;
    const double size = MaxDimension(*settings);
    const double sphere = kSphereShare * size;

    const int sceneHeight = m_nViewHeight - kStatusHeight;
    glViewport(0, 0, m_nViewWidth, sceneHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(view.ProjectionMatrix().data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(view.ModelViewMatrix().data());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frame.room.ApplyLight();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (settings->GetShowRoom())
        frame.room.Draw();

    const Vec3d& c5 = frame.room.Corner(5);
    glEnable(GL_NORMALIZE);
    glPushMatrix();
    glTranslated(c5.x + kTriadShare * size * 0.3, c5.y, c5.z - kTriadShare * size * 0.3);
    glScaled(kTriadShare * size, kTriadShare * size, kTriadShare * size);
    frame.axes.DrawAxes(0.0, 0.0, 0.0);
    glPopMatrix();
    glDisable(GL_NORMALIZE);
    frame.obstacles.Draw(frame.seeThrough);
    frame.placement.Draw();

    const WindowDisplay display = ShownDisplay(*settings, frame.results.IsQualityDisplay());
    glPolygonMode(GL_FRONT_AND_BACK, frame.seeThrough ? GL_POINT : GL_FILL);
    if (frame.difference) {
        frame.difference->Draw(volume);
    } else if (display == WindowDisplay::Quality) {
        frame.quality.Draw(volume);
    } else {
        const VolumeDisplay lists = VolumeDisplayOf(display);
        const VoxelFaces faces = CVolumeLists::FacesToDraw(volume, frame.seeThrough, view.DepthRange()[0]);
        frame.volumeLists.Draw(volume, lists, faces, frame.queueLists);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    std::vector<PlannerCamera> cams;
    std::vector<Vec3d> positions;
    std::vector<uint32_t> numbers;
    const CCameraSet* cameras = CCameraSet::Current();
    const Vec3d half{settings->GetRoomLength() * 0.5, settings->GetRoomHeight() * 0.5, settings->GetRoomWidth() * 0.5};
    const Vec3d eye = view.EyePosition();
    if (cameras && cameras->IsAllocated()) {
        const bool reach = frame.results.IsPlanningEnabled() && planning.HasResults();
        const uint32_t end = std::min(settings->GetEndCamera(), settings->GetCameraCount());
        for (uint32_t n = settings->GetFirstCamera(); n < end; ++n) {
            const int i = static_cast<int>(n);
            // The camera looked through: its sphere would hold the eye and fill the view.
            if (view.IsPerspective() && Length(cameras->GetPosition(i) - eye) < 2.0 * sphere)
                continue;
            PlannerCamera cam{cameras->GetPosition(i), n + 1, cameras->GetEnabled(i) == 1, std::nullopt};
            const Vec3d hp = cameras->GetEdgeHPlus(i), hm = cameras->GetEdgeHMinus(i);
            const Vec3d vp = cameras->GetEdgeVPlus(i), vm = cameras->GetEdgeVMinus(i);
            const bool pyramid =
                m_ePyramids == PyramidShow::All || (m_ePyramids == PyramidShow::Selected && i == m_nSelectedCamera);
            if (const std::optional<Vec3d> axis = PyramidAxis(hp, hm, vp, vm); axis && pyramid) {
                double distance = FarWallDistance(cam.position, *axis, half);
                if (reach && n < planning.GetCameraFigures().size() &&
                    std::isfinite(planning.GetCameraFigures()[n].reachMm))
                    distance = planning.GetCameraFigures()[n].reachMm / 1000.0;
                cam.pyramid = MakeCameraPyramid(cam.position, hp, hm, vp, vm, distance);
            }
            positions.push_back(cam.position);
            numbers.push_back(cam.number);
            cams.push_back(cam);
        }
    }
    DrawPlannerCameras(cams, sphere, half);

    // Everything written from here is flat, in window pixels, over the scene.
    BeginPixelOverlay(m_nViewWidth, m_nViewHeight);
    m_aLabels.clear();
    CLabelBoard board;
    LegendPanel legend;
    bool showLegend = settings->GetShowLegend() && volume.HasResults();
    // The values in force: those the coverage shown was computed from, not those stored for the next
    // computation (which a refused grid never replaces); before any, those the first will take.
    const CoverageInput& computed = frame.results.GetComputedInput();
    const CoverageFilters filters = volume.HasResults() ? computed.filters : ClassicFilters();
    switch (frame.difference ? WindowDisplay::ResolutionMap : display) {
    case WindowDisplay::Quality:
        showLegend = showLegend && frame.quality.IsBuilt();
        legend = QualityLegendPanel(frame.qualityMeasure, frame.quality.GetScale(), frame.qualityThreshold);
        break;
    case WindowDisplay::CameraCount2D:
        legend = CountLegendPanel(filters.isoOperator, filters.isoThreshold);
        break;
    default:
        legend = frame.difference ? DifferenceLegendPanel()
                                  : ResolutionLegendPanel(volume.GetResolutionMin(), volume.GetBandWidth(),
                                                          volume.GetResolutionMax(),
                                                          volume.GetResolutionCamera(ClassicRigCameraCount()) + 1);
        break;
    }
    if (showLegend)
        board.Add(LayoutLegendPanel(legend, m_nViewWidth - kLegendMargin, kLegendBottom).panel);
    board.Add(
        {0.0, static_cast<double>(sceneHeight), static_cast<double>(m_nViewWidth), static_cast<double>(m_nViewHeight)});

    // Camera numbers beside their spheres, towards the room's middle on
    // screen, where the rulers (outside the room) are not.
    const Vec3d centre = view.Plan({0.0, 0.0, 0.0});
    const int ringed = volume.GetResolutionCamera(ClassicRigCameraCount());
    const std::vector<CameraLabel> labels = GroupCameraLabels(positions, numbers);
    // The spheres first: no number, of a camera or a ruler, is written over one.
    for (const CameraLabel& label : labels) {
        const Vec3d p = view.Plan(label.position);
        if (p.z <= 0.0)
            continue;
        const double radius = sphere * view.PixelsPerUnitAt(p.z);
        board.Add({p.x - radius, p.y - radius, p.x + radius, p.y + radius});
    }
    for (const CameraLabel& label : labels) {
        const Vec3d p = view.Plan(label.position);
        if (p.z <= 0.0)
            continue;
        const double radius = sphere * view.PixelsPerUnitAt(p.z);
        if (std::find(label.numbers.begin(), label.numbers.end(), static_cast<uint32_t>(ringed + 1)) !=
            label.numbers.end())
            DrawRing(p.x, p.y, radius + kRingGap);
        const auto highlighted = static_cast<uint32_t>(m_nHighlightedCamera + 1);
        if (m_nHighlightedCamera >= 0 &&
            std::find(label.numbers.begin(), label.numbers.end(), highlighted) != label.numbers.end())
            DrawRing(p.x, p.y, radius + 2.0 * kRingGap, kPlannerHighlightColor);
        double dx = centre.x - p.x, dy = centre.y - p.y;
        const double dl = std::hypot(dx, dy);
        dx = dl > 1e-9 ? dx / dl : 1.0;
        dy = dl > 1e-9 ? dy / dl : -1.0;
        std::array<double, 2> at{};
        bool placed = false;
        for (const double turn : {0.0, 45.0, -45.0, 90.0, -90.0, 135.0, -135.0, 180.0}) {
            const Vec3d d = Rotate2(dx, dy, turn);
            at = OffsetLabel(p.x, p.y, d.x, d.y, radius + kRingGap + kCameraLabelGap, label.text);
            if (board.IsFree(TextRect(at[0], at[1], label.text))) {
                placed = true;
                break;
            }
        }
        if (!placed)
            at = OffsetLabel(p.x, p.y, dx, dy, radius + kRingGap + kCameraLabelGap, label.text);
        board.Add(TextRect(at[0], at[1], label.text));
        m_aLabels.push_back({TextRect(at[0], at[1], label.text), label.text, true});
        DrawOutlinedText(at[0], at[1], label.text);
    }

    // The selected camera's target: a ring with a cross on the floor, and
    // the line of its aim, in the highlight colour.
    const int end = static_cast<int>(std::min(settings->GetEndCamera(), settings->GetCameraCount()));
    if (cameras && cameras->IsAllocated() && m_nSelectedCamera >= static_cast<int>(settings->GetFirstCamera()) &&
        m_nSelectedCamera < end) {
        const Vec3d t = view.Plan(GetTarget());
        const Vec3d c = view.Plan(cameras->GetPosition(m_nSelectedCamera));
        if (t.z > 0.0 && c.z > 0.0) {
            DrawAimLine(c.x, c.y, t.x, t.y);
            DrawTargetMark(t.x, t.y, CPlannerDrag::kTargetPickRadius - 2.0);
        }
    }

    // Rulers along the edges on the room's outline as it is turned: the
    // height at the leftmost post, the length on the lower floor edge, the
    // width on the floor edge farther out; labels away from the room.
    const CRoomModel& r = frame.room;
    const Vec3d floor{0.0, r.Corner(0).y, 0.0};
    const Vec3d floorCentre = view.Plan(floor);
    auto screenX = [&](int corner) { return view.Plan(r.Corner(corner)).x; };
    auto midpoint = [&](int a, int b) {
        const Vec3d& p = r.Corner(a);
        const Vec3d& q = r.Corner(b);
        return view.Plan({0.5 * (p.x + q.x), 0.5 * (p.y + q.y), 0.5 * (p.z + q.z)});
    };
    int post = 0;
    for (const int corner : {1, 4, 5})
        if (screenX(corner) < screenX(post))
            post = corner;
    const int postTop = post == 0 ? 3 : post == 1 ? 2 : post == 4 ? 7 : 6;
    const bool frontLength = midpoint(0, 1).y <= midpoint(4, 5).y;
    auto outness = [&](const Vec3d& m) { return std::hypot(m.x - floorCentre.x, m.y - floorCentre.y); };
    const bool leftWidth = outness(midpoint(0, 4)) >= outness(midpoint(1, 5));
    const std::array<RulerEdge, 3> rulers{{
        {r.Corner(post), r.Corner(postTop), {}},
        {r.Corner(frontLength ? 0 : 4), r.Corner(frontLength ? 1 : 5), floor},
        {r.Corner(leftWidth ? 0 : 1), r.Corner(leftWidth ? 4 : 5), floor},
    }};
    for (const RulerEdge& edge : rulers)
        for (LabelPlacement& placed : DrawPlannerRuler(view, edge, m_eRulerUnit, board))
            m_aLabels.push_back(std::move(placed));

    if (showLegend)
        DrawLegendPanel(legend, m_nViewWidth - kLegendMargin, kLegendBottom);

    PlannerStatus status;
    status.computed = volume.HasResults();
    if (frame.difference) {
        status.display = "Difference, as built against the plan";
        status.criteria = "triangulable in one rig only";
    } else {
        switch (display) {
        case WindowDisplay::ResolutionMap:
            status.display =
                "Resolution map, camera " + std::to_string(volume.GetResolutionCamera(ClassicRigCameraCount()) + 1);
            status.criteria = IsoText(filters) + "; " + ResolutionFilterText(filters);
            break;
        case WindowDisplay::SelectiveCameras:
            status.display = "Selective cameras volume, resolution of camera " +
                             std::to_string(volume.GetResolutionCamera(ClassicRigCameraCount()) + 1);
            status.criteria = "seen by every enabled camera of the range";
            status.layered = false;
            break;
        case WindowDisplay::CameraCount2D:
            status.display = "2D count view (red meets, green does not)";
            status.criteria = IsoText(filters);
            break;
        case WindowDisplay::Quality:
            status.display = std::string("Quality, ") + PlanningMeasureName(frame.qualityMeasure);
            status.criteria = legend.note;
            break;
        }
    }
    status.shownLayers = volume.GetShownLayers();
    status.layerTotal = volume.GetLayerTotal();
    status.cutHeight =
        status.shownLayers * static_cast<double>(volume.GetVoxelEdge()) / MetresPerRulerUnit(m_eRulerUnit);
    status.unit = RulerUnitText(m_eRulerUnit);
    status.voxelCm = volume.HasResults() ? computed.voxelSizeCm : GetVoxelSize();
    status.voxelEdgeM = volume.GetVoxelEdge();
    status.voxelsDrawn = frame.difference ? frame.difference->CountDrawn(volume) : CountDrawnVoxels(frame);
    status.testMode = settings->GetTestMode();
    m_aStatusLines = PlannerStatusLines(status);
    if (!frame.difference && display == WindowDisplay::ResolutionMap && !frame.results.GetMapDiagnosis().empty())
        m_aStatusLines.push_back(frame.results.GetMapDiagnosis());
    // The text starts 6 pixels in; as many stay free at the right.
    m_aStatusLines = WrapPlannerStatus(m_aStatusLines, m_nViewWidth - 12);
    DrawPlannerStatus(m_aStatusLines, 0, sceneHeight, m_nViewWidth, kStatusHeight);
    EndPixelOverlay();
    glColor3dv(colors->White());
}
