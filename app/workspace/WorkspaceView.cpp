#include "app/workspace/WorkspaceView.h"

#include "app/document/QtPlanDocument.h"
#include "app/workspace/WorkspaceSelection.h"
#include "coverage/CoverageController.h"
#include "coverage/CoverageVolume.h"
#include "coverage/GridBudget.h"
#include "document/PlanEdits.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QVBoxLayout>

#include <cmath>

namespace
{

// ">=" in kComparisonOps.
constexpr unsigned kAtLeast = 3;
// The perspective preset: from a corner, above the room.
constexpr float kPerspectiveYaw = 30.0f;
constexpr float kPerspectivePitch = -25.0f;

QString Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// A measure's value, or a dash where the voxel has none.
QString MeasureText(float value, int decimals, const char* unit)
{
    if (std::isnan(value))
        return QStringLiteral("-");
    return Fixed(value, decimals) + " " + unit;
}

} // namespace

QString DragReadout(const PlannerDragResult& drag)
{
    return QString("Camera %1: X %2, Y %3, Z %4 m; pan %5, tilt %6 deg")
        .arg(drag.camera + 1)
        .arg(Fixed(drag.position.x, 2), Fixed(drag.position.y, 2), Fixed(drag.position.z, 2), Fixed(drag.hTilt, 1),
             Fixed(drag.vTilt, 1));
}

CWorkspaceView::CWorkspaceView(CQtPlanDocument& document, CWorkspaceSelection& selection, QWidget* parent)
    : QWidget(parent), m_document(document), m_core(document.Document()), m_selection(selection),
      m_pView(new CVolumeView(m_core.Controller(), m_core.Flags(), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pView);

    CSceneRenderer& renderer = m_pView->Renderer();
    m_pView->SetViewStyle(ViewStyle::Planner);
    // What a newcomer asks first: how many cameras see a marker where.
    m_core.Controller().SetPlanningEnabled(true);
    m_core.Controller().SetQualityDisplay(true);
    renderer.SetQualityMeasure(PlanningMeasure::Cameras);
    ShowThreshold();
    renderer.SetPlannerDragSnap(kDragSnapMetres, kDragSnapDegrees);
    // Eight pyramids hide the volume they look at: the selected camera's alone at first.
    renderer.SetPyramidShow(PyramidShow::Selected);

    connect(&m_document, &CQtPlanDocument::planChanged, this, [this](int kind) { OnPlanChanged(kind); });
    connect(&m_selection, &CWorkspaceSelection::changed, this, &CWorkspaceView::OnSelectionChanged);
    connect(m_pView, &CVolumeView::cameraPressed, this, [this](int camera) {
        m_selection.Select(PlanItem{PlanItemKind::Camera, static_cast<size_t>(camera)});
    });
    connect(m_pView, &CVolumeView::cameraDragMoved, this,
            [this](const PlannerDragResult& now) { emit readout(DragReadout(now)); });
    connect(m_pView, &CVolumeView::cameraDragged, this, &CWorkspaceView::OnDragged);
    connect(m_pView, &CVolumeView::pointerMoved, this, [this](const QPoint& at) { emit readout(VoxelReadout(at)); });
    connect(m_pView, &CVolumeView::computationFinished, this, &CWorkspaceView::OnComputationFinished);
    connect(m_pView, &CVolumeView::sceneReady, this, [this] {
        // The legend is a switch of the shared scene; the GL start resets the pose.
        m_pView->Renderer().SetLegendShown(true);
        ShowPerspective();
    });
    OnPlanChanged(static_cast<int>(PlanChange::Kind::Replaced));
}

CWorkspaceView::~CWorkspaceView()
{
    // The document's controller outlives the view: nothing of it runs for a view that is gone.
    m_core.Controller().Cancel();
}

void CWorkspaceView::Compute()
{
    RequestComputation();
}

void CWorkspaceView::RequestComputation()
{
    m_requested = m_core.GetPlan();
    m_core.RequestComputation();
    m_pView->RequestRepaint();
    emit computeStateChanged();
}

void CWorkspaceView::CancelComputation()
{
    m_pView->CancelComputation();
}

bool CWorkspaceView::IsComputing() const
{
    return m_pView->IsComputing() || m_core.Flags().GetRecalculate();
}

void CWorkspaceView::SetAutoCompute(bool on)
{
    m_bAutoCompute = on;
    if (on && !IsUpToDate() && !IsComputing())
        OnPlanChanged(static_cast<int>(PlanChange::Kind::Edited));
}

bool CWorkspaceView::IsUpToDate() const
{
    return m_computed && *m_computed == m_core.GetPlan();
}

void CWorkspaceView::OnPlanChanged(int kind)
{
    const Plan& plan = m_core.GetPlan();
    m_selection.Follow(plan);
    CSceneRenderer& renderer = m_pView->Renderer();
    if (CheckEditedPlan(plan) || plan.cameras.empty()) {
        m_pView->RequestRepaint();
        emit computeStateChanged();
        return;
    }
    renderer.ShowPlan(plan);
    renderer.SetRulerUnit(plan.unit == "ft" ? LengthUnit::Feet : LengthUnit::Metres);
    // Another plan: seen from a corner above, whole.
    if (kind == static_cast<int>(PlanChange::Kind::Replaced))
        ShowPerspective();
    OnSelectionChanged();
    const bool small = GridVoxels(plan.length, plan.width, plan.height, plan.voxelCm) <= kAutoComputeVoxels;
    if (m_bAutoCompute && small && !IsUpToDate())
        RequestComputation();
    m_pView->RequestRepaint();
    emit computeStateChanged();
}

void CWorkspaceView::OnSelectionChanged()
{
    const int camera = m_selection.Camera();
    CSceneRenderer& renderer = m_pView->Renderer();
    renderer.SetSelectedCamera(camera);
    renderer.SetHighlightedCamera(camera);
    m_pView->RequestRepaint();
}

void CWorkspaceView::OnDragged(const PlannerDragResult& result)
{
    const auto index = static_cast<size_t>(result.camera);
    m_selection.Select(PlanItem{PlanItemKind::Camera, index});
    const std::string name = "Move camera " + std::to_string(index + 1);
    m_core.Apply(name,
                 [&](Plan& plan) { return PlaceCamera(plan, index, result.position, result.hTilt, result.vTilt); });
    emit readout(DragReadout(result));
}

void CWorkspaceView::OnComputationFinished()
{
    if (m_pView->IsComputing() || m_core.Flags().GetRecalculate())
        return;
    m_computed = m_requested;
    emit resultsChanged();
    emit computeStateChanged();
}

void CWorkspaceView::ShowPreset(PlannerPreset preset)
{
    CSceneRenderer& renderer = m_pView->Renderer();
    renderer.SetOrthographic();
    renderer.SetPlannerPreset(preset);
    m_pView->RequestRepaint();
}

void CWorkspaceView::ShowPerspective()
{
    CSceneRenderer& renderer = m_pView->Renderer();
    renderer.SetPerspective();
    ViewPose pose = renderer.GetView();
    pose.yaw = kPerspectiveYaw;
    pose.pitch = kPerspectivePitch;
    renderer.SetView(pose);
    m_pView->FitRoom();
}

void CWorkspaceView::FitRoom()
{
    m_pView->FitRoom();
}

void CWorkspaceView::ShowMeasure(PlanningMeasure measure)
{
    m_pView->SetQualityMeasure(measure);
    ShowThreshold();
    m_pView->RequestRepaint();
}

void CWorkspaceView::SetTriangulableOnly(bool on)
{
    m_bTriangulableOnly = on;
    ShowThreshold();
    m_pView->RequestRepaint();
}

void CWorkspaceView::ShowThreshold()
{
    // The pair angle and the 3D error have no value where fewer than two
    // cameras see a marker, and the marker size is one camera's: the count
    // alone needs a threshold to hide them.
    std::optional<QualityThreshold> threshold;
    if (m_bTriangulableOnly && m_pView->GetQualityMeasure() == PlanningMeasure::Cameras)
        threshold = QualityThreshold{kAtLeast, 2.0f};
    m_pView->SetQualityThreshold(threshold);
}

void CWorkspaceView::SetAllPyramids(bool on)
{
    m_pView->Renderer().SetPyramidShow(on ? PyramidShow::All : PyramidShow::Selected);
    m_pView->RequestRepaint();
}

void CWorkspaceView::SetShownLayers(int layers)
{
    m_pView->SetShownLayers(layers);
    m_pView->RequestRepaint();
}

int CWorkspaceView::GetShownLayers() const
{
    return m_pView->GetShownLayers();
}

int CWorkspaceView::GetLayerTotal() const
{
    return m_pView->GetLayerTotal();
}

double CWorkspaceView::GetCutHeight() const
{
    return GetShownLayers() * static_cast<double>(m_pView->Renderer().GetVolume().GetVoxelEdge());
}

PlanningMeasure CWorkspaceView::GetMeasure() const
{
    return m_pView->GetQualityMeasure();
}

QString CWorkspaceView::VoxelReadout(const QPoint& at) const
{
    const CSceneRenderer& renderer = m_pView->Renderer();
    const std::optional<size_t> voxel = renderer.PickQualityVoxel(at.x(), at.y());
    if (!voxel)
        return {};
    const size_t t = *voxel;
    const CCoverageVolume& volume = renderer.GetVolume();
    const CPlanningMeasures& planning = renderer.GetPlanning();
    const std::array<float, 3> c = volume.Centre(t);
    const Vec3d user = renderer.GetComputedInput().cameras.ToUser({c[0], c[1], c[2]});
    return QString("Voxel at X %1, Y %2, Z %3 m: seen by %4 cameras, a marker by %5; marker %6; pair angle %7; 3D "
                   "error %8")
        .arg(Fixed(user.x, 2), Fixed(user.y, 2), Fixed(user.z, 2))
        .arg(volume.SeenCount(t))
        .arg(planning.MarkerCount(t))
        .arg(MeasureText(planning.BestMarkerPx(t), 1, "px"), MeasureText(planning.BestAngleDeg(t), 0, "deg"),
             MeasureText(planning.Sigma3d(t), 2, "mm"));
}
