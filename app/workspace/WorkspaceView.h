#pragma once

#include "coverage/PlanningMeasures.h"
#include "project/Plan.h"
#include "render/ViewStyle.h"
#include "render/planner/PlannerDrag.h"

#include <QWidget>

#include <cstdint>
#include <optional>

class CPlanDocument;
class CQtPlanDocument;
class CVolumeView;
class CWorkspaceSelection;

// The workspace's 3D view: the Planner view of the document's plan, drawn
// as the plan is after every step and computed by the document's own
// controller. A click on a camera selects it, a drag slides it along its
// wall or ceiling (1 cm, 0.5 degree steps) and its release is one step of
// the plan; the pointer over the volume reads the voxel under it.
//
// The view computes with the document's controller, not one of its own: the
// document owns the computation of its plan, so the figures, the Auto-Place
// and the report read the same results the view draws, and no second copy
// of the plan is computed.
class CWorkspaceView : public QWidget
{
    Q_OBJECT
  public:
    // Grids of at most this many voxels are computed after every step by
    // themselves when automatic computing is on; larger ones wait for Compute.
    static constexpr uint64_t kAutoComputeVoxels = 250000;
    // What a drag snaps to.
    static constexpr double kDragSnapMetres = 0.01;
    static constexpr float kDragSnapDegrees = 0.5f;

    CWorkspaceView(CQtPlanDocument& document, CWorkspaceSelection& selection, QWidget* parent = nullptr);
    ~CWorkspaceView() override;

    CVolumeView& View() const { return *m_pView; }

    // The plan as it is now, computed in the background.
    void Compute();
    void CancelComputation();
    bool IsComputing() const;
    void SetAutoCompute(bool on);
    bool IsAutoCompute() const { return m_bAutoCompute; }
    // The plan the figures shown were computed from; none before the first
    // computation is in.
    const std::optional<Plan>& ComputedPlan() const { return m_computed; }
    // Whether the results shown are of the plan as it is now.
    bool IsUpToDate() const;

    // The fixed views (orthographic), the perspective from a corner above,
    // and the whole room in frame.
    void ShowPreset(PlannerPreset preset);
    void ShowPerspective();
    void FitRoom();
    // Which measure the Quality display colours the voxels by.
    void ShowMeasure(PlanningMeasure measure);
    PlanningMeasure GetMeasure() const;
    // Voxels where fewer than two cameras see a marker hidden from the count
    // (the shell round the volume a rig can triangulate); the pair angle and
    // the 3D error have no value there anyway.
    void SetTriangulableOnly(bool on);
    bool IsTriangulableOnly() const { return m_bTriangulableOnly; }
    // Every camera drawn with its pyramid, or the selected one alone.
    void SetAllPyramids(bool on);
    // The layers of voxels shown, from the floor up, of the layers computed.
    void SetShownLayers(int layers);
    int GetShownLayers() const;
    int GetLayerTotal() const;
    // The height the shown layers reach, metres.
    double GetCutHeight() const;

    // The readout of the voxel under a client pixel of the view; empty where there is none.
    QString VoxelReadout(const QPoint& at) const;

  signals:
    // A line for the status bar: a dragged camera's place, a voxel's numbers.
    void readout(const QString& text);
    // Results of a computation are in (coverage, or the planning measures after it).
    void resultsChanged();
    // A computation started, ended or was cancelled; or the plan moved away from the results.
    void computeStateChanged();

  private:
    void OnPlanChanged(int kind);
    void OnSelectionChanged();
    void OnDragged(const PlannerDragResult& result);
    void OnComputationFinished();
    void RequestComputation();
    // The Quality display's threshold for the measure shown and the switch above.
    void ShowThreshold();

    CQtPlanDocument& m_document;
    CPlanDocument& m_core;
    CWorkspaceSelection& m_selection;
    CVolumeView* m_pView;
    bool m_bAutoCompute = true;
    bool m_bTriangulableOnly = true;
    // The plan the running (or last) computation was asked for, and the one
    // the results shown are of.
    std::optional<Plan> m_requested;
    std::optional<Plan> m_computed;
};

// "Camera 3: X 2.35, Y 3.80, Z 0.00 m; pan 45.0, tilt 30.5 deg", a drag's readout.
QString DragReadout(const PlannerDragResult& drag);
