#pragma once

#include "coverage/QualityDisplay.h"
#include "render/ViewStyle.h"
#include "render/planner/PlannerDrag.h"

#include <QOpenGLWidget>

#include <memory>
#include <optional>

class CCoverageController;
class ComputationFlags;
class CSceneRenderer;
class CSharedScene;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
struct ViewPose;

// The 1000 x 725 OpenGL view of the main dialog: a thin layer that routes
// paint, size, mouse and keys to the renderer and offers the dialog its view
// commands. It makes the shared scene (settings, camera set, colours) and
// the coverage controller when it is made, before any GL context, so the
// dialog may work on them from its start. Repaint requests are coalesced and served one after another.
// Computations run in the background: meanwhile the view shows the last
// results with the waiting text, a progress bar and Cancel, and keeps
// answering the mouse and the keys.
// Says, where the progress bar stood, that the picture and figures are of
// the run before a cancelled one.
inline constexpr const char* kStaleResultsMessage = "Cancelled: picture and figures are of the previous run";

// The least size of a view that grows with its window.
inline constexpr int kMinimumViewWidth = 480;
inline constexpr int kMinimumViewHeight = 360;

class CVolumeView : public QOpenGLWidget
{
    Q_OBJECT
  public:
    explicit CVolumeView(QWidget* parent = nullptr);
    // A view of any size that draws what `controller` computes for the
    // computations `flags` ask for (a plan document's); both outlive the view.
    // It makes the shared scene the renderer draws, as the other does.
    CVolumeView(CCoverageController& controller, ComputationFlags& flags, QWidget* parent = nullptr);
    ~CVolumeView() override;
    CVolumeView(const CVolumeView&) = delete;
    CVolumeView& operator=(const CVolumeView&) = delete;

    // True once the view has its GL context and the renderer's GL state.
    bool IsSceneReady() const { return m_bSceneReady; }

    void RequestRepaint();

    void ZoomIn();
    void ZoomOut();
    void ToggleSeeThrough();
    void ResetCameras();
    void ShowResolutionMap(int camera);
    void SetPerspective();
    void SetOrthographic();
    void ToggleXScale();
    void ToggleYScale();
    void ToggleZScale();
    void SetScaleDivisions(int n);
    void GoHome();
    void SetHome();
    void ResetHome();
    int GetLayerTotal() const;
    void SetShownLayers(int n);
    int GetShownLayers() const;
    // Where the mouse and keys have turned, tilted, panned and zoomed the scene.
    ViewPose GetView() const;

    // The drawing style; the caller repaints. In the Planner view the wheel
    // zooms towards the cursor and F fits the room.
    void SetViewStyle(ViewStyle style);
    ViewStyle GetViewStyle() const;
    // The view's size: the classic one, or larger for the Planner view in a
    // window that grew; the classic view keeps the classic size.
    void SetViewSize(int width, int height);
    // The whole room in frame (Planner view only), then a repaint.
    void FitRoom();

    // Planning and the Quality display (see CSceneRenderer); the caller
    // repaints, as after the other view commands.
    void SetPlanningEnabled(bool on);
    bool IsPlanningEnabled() const;
    void SetQualityDisplay(bool on);
    bool IsQualityDisplay() const;
    void SetQualityMeasure(PlanningMeasure measure);
    PlanningMeasure GetQualityMeasure() const;
    void SetQualityThreshold(std::optional<QualityThreshold> threshold);
    std::optional<QualityThreshold> GetQualityThreshold() const;
    void RequestPlanningUpdate();
    const CPlanningMeasures& GetPlanning() const;
    // A computation runs (or has ended and waits for the next paint to take its results).
    bool IsComputing() const;
    // Stops the running computation; the previous results stay.
    void CancelComputation();
    QProgressBar* ProgressBar() const { return m_pProgress; }
    QPushButton* CancelButton() const { return m_pCancel; }
    // In the status strip after a Cancel, until the next computation is in.
    QLabel* StaleNote() const { return m_pStale; }
    CSceneRenderer& Renderer() { return *m_renderer; }
    const CSceneRenderer& Renderer() const { return *m_renderer; }

  signals:
    void sceneReady();
    // Escape was pressed in the view: the program is to end with status 0.
    void exitRequested();
    // A computation ended with a message for the user (caption "Fatal Error").
    void computationMessage(const QString& text, const QString& reason);
    // A coverage computation was refused its grid; the coverage shown is the one before.
    void coverageRefused();
    // A camera or its target was dragged in the Planner view and let go:
    // the cameras are as before the drag, `result` is what it made of one.
    void cameraDragged(const PlannerDragResult& result);
    // A left press took hold of a camera (from 0) by its glyph or its target.
    void cameraPressed(int camera);
    // A drag moved its camera: where it is now, until it is let go.
    void cameraDragMoved(const PlannerDragResult& now);
    // The pointer moved over the view without a button held (the renderer's
    // pixels: the client pixels times the screen's pixel ratio).
    void pointerMoved(const QPoint& at);
    // A paint ran a computation (coverage or planning measures); its results
    // are there to be read.
    void computationFinished();
    // SetViewStyle switched between the classic and the Planner view.
    void viewStyleChanged();

  protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeGL(int width, int height) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    CVolumeView(std::unique_ptr<CCoverageController> own, CCoverageController* given, ComputationFlags* flags,
                QWidget* parent);
    // A client position in the renderer's pixels, those of the framebuffer.
    QPoint DevicePoint(const QPointF& at) const;
    // While computing: the progress shown, and a repaint once the results are in.
    void OnComputationTick();
    void ShowComputing(bool computing);

    // In this order: the renderer ends before the controller it draws, and both before the scene.
    std::unique_ptr<CSharedScene> m_scene;
    std::unique_ptr<CCoverageController> m_ownController;
    CCoverageController* m_controller;
    std::unique_ptr<CSceneRenderer> m_renderer;
    bool m_bSceneReady = false;
    QProgressBar* m_pProgress;
    QPushButton* m_pCancel;
    QLabel* m_pStale;
    QTimer* m_pTicker;
};
