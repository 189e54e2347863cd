#include "render/view/VolumeView.h"

#include "coverage/CoverageController.h"
#include "classic/ClassicState.h"
#include "classic/SharedScene.h"
#include "render/SceneRenderer.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <optional>

namespace
{

// Often enough that Cancel and the end of a computation show at once, and
// the progress moves smoothly.
constexpr int kComputationTickMs = 15;
constexpr int kProgressSteps = 1000;

// The renderer's key code for a Qt key; letters and digits keep their codes.
std::optional<unsigned> RendererKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return kKeyShift;
    case Qt::Key_Escape:
        return kKeyEscape;
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_Down:
        return kKeyDown;
    default:
        break;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<unsigned>(key);
    return std::nullopt;
}

unsigned ButtonFlags(const QMouseEvent& event)
{
    unsigned flags = 0;
    if (event.buttons() & Qt::LeftButton)
        flags |= kButtonFlagLeft;
    if (event.buttons() & Qt::RightButton)
        flags |= kButtonFlagRight;
    if (event.buttons() & Qt::MiddleButton)
        flags |= kButtonFlagMiddle;
    if (event.modifiers() & Qt::ShiftModifier)
        flags |= kButtonFlagShift;
    if (event.modifiers() & Qt::ControlModifier)
        flags |= kButtonFlagControl;
    return flags;
}

} // namespace

CVolumeView::CVolumeView(QWidget* parent)
    : CVolumeView(std::make_unique<CCoverageController>(ClassicCoverageSource()), nullptr, nullptr, parent)
{
    setFixedSize(kViewWidth, kViewHeight);
}

CVolumeView::CVolumeView(CCoverageController& controller, ComputationFlags& flags, QWidget* parent)
    : CVolumeView(nullptr, &controller, &flags, parent)
{
    // The planner's frame fills any size; below this its labels crowd the room.
    setMinimumSize(kMinimumViewWidth, kMinimumViewHeight);
}

CVolumeView::CVolumeView(std::unique_ptr<CCoverageController> own, CCoverageController* given, ComputationFlags* flags,
                         QWidget* parent)
    : QOpenGLWidget(parent), m_scene(std::make_unique<CSharedScene>()), m_ownController(std::move(own)),
      m_controller(given ? given : m_ownController.get()),
      m_renderer(flags ? std::make_unique<CSceneRenderer>(*m_controller, *flags)
                       : std::make_unique<CSceneRenderer>(*m_controller)),
      m_pProgress(new QProgressBar(this)), m_pCancel(new QPushButton("Cancel", this)),
      m_pStale(new QLabel(kStaleResultsMessage, this)), m_pTicker(new QTimer(this))
{
    m_controller->SetBackground(true);
    // In the status strip: the bar on the middle line above the waiting
    // text, which stands on the lowest, Cancel at the strip's right end.
    m_pProgress->setGeometry(500, 19, 390, 12);
    m_pProgress->setRange(0, kProgressSteps);
    m_pProgress->setTextVisible(false);
    m_pCancel->setGeometry(905, 16, 88, 26);
    m_pCancel->setFocusPolicy(Qt::NoFocus);
    m_pProgress->hide();
    m_pCancel->hide();
    // A widget over the strip, as the bar is: the frame itself stays the last run's.
    m_pStale->setGeometry(500, 14, 400, 22);
    m_pStale->setStyleSheet("color: rgb(255, 255, 255); background: rgb(51, 51, 51);");
    m_pStale->hide();
    connect(m_pCancel, &QPushButton::clicked, this, &CVolumeView::CancelComputation);
    m_pTicker->setInterval(kComputationTickMs);
    connect(m_pTicker, &QTimer::timeout, this, &CVolumeView::OnComputationTick);

    // No version is asked for: with a version Mesa hands out a core profile,
    // which draws nothing of the fixed-function pipeline.
    QSurfaceFormat format;
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setAlphaBufferSize(8);
    setFormat(format);
    // The waiting message is drawn over the last frame, so the frame must survive.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setMouseTracking(true);
    // A click into the view gives it the keys (arrows pan, Shift, Escape);
    // tabbing through the dialog's controls passes it by.
    setFocusPolicy(Qt::ClickFocus);
}

CVolumeView::~CVolumeView()
{
    // The renderer deletes its display lists and quadric, which belong to this context.
    makeCurrent();
    m_renderer.reset();
    doneCurrent();
}

void CVolumeView::RequestRepaint()
{
    update();
}

void CVolumeView::initializeGL()
{
    m_renderer->InitGL();
    m_bSceneReady = true;
    emit sceneReady();
}

void CVolumeView::paintGL()
{
    m_renderer->Render();
    // Widgets shown or hidden inside a paint would repaint within it.
    QMetaObject::invokeMethod(
        this, [this] { ShowComputing(m_renderer->IsComputing()); }, Qt::QueuedConnection);
    // The refusal first: whoever listens to both sees the run end as refused.
    if (m_controller->TakeCoverageRefusal())
        QTimer::singleShot(0, this, [this] { emit coverageRefused(); });
    if (m_controller->LastFrameComputed())
        QTimer::singleShot(0, this, [this] { emit computationFinished(); });
    if (std::optional<std::string> message = m_controller->TakeMessage()) {
        // Shown after the paint: a modal box must not run inside it.
        QTimer::singleShot(
            0, this,
            [this, text = QString::fromStdString(*message),
             reason = QString::fromStdString(m_controller->GetReason())] { emit computationMessage(text, reason); });
    }
}

void CVolumeView::ShowComputing(bool computing)
{
    if (computing) {
        m_pProgress->setValue(static_cast<int>(m_renderer->GetComputationProgress() * kProgressSteps));
        if (!m_pTicker->isActive())
            m_pTicker->start();
    } else {
        m_pTicker->stop();
    }
    m_pProgress->setVisible(computing);
    m_pCancel->setVisible(computing);
    m_pStale->setVisible(!computing && m_controller->AreResultsStale());
    m_pCancel->setEnabled(m_controller->IsRunning());
}

void CVolumeView::OnComputationTick()
{
    m_pProgress->setValue(static_cast<int>(m_renderer->GetComputationProgress() * kProgressSteps));
    m_pCancel->setEnabled(m_controller->IsRunning());
    if (m_controller->IsFinished()) {
        update();
    } else if (m_renderer->IsCompilingLists()) {
        // Between frames, so the event loop turns in between; one frame once all are in.
        makeCurrent();
        m_renderer->CompileQueuedLists();
        doneCurrent();
        if (!m_renderer->IsCompilingLists())
            update();
    }
}

bool CVolumeView::IsComputing() const
{
    return m_renderer->IsComputing();
}

void CVolumeView::CancelComputation()
{
    // The ticker repaints once the worker has stopped.
    m_controller->Cancel();
}

QPoint CVolumeView::DevicePoint(const QPointF& at) const
{
    const qreal ratio = devicePixelRatioF();
    return {qRound(at.x() * ratio), qRound(at.y() * ratio)};
}

void CVolumeView::resizeGL(int width, int height)
{
    // The renderer lays its frame out in the framebuffer's pixels, which a
    // high-density screen has more of than the widget's.
    const QPoint size = DevicePoint(QPointF(width, height));
    m_renderer->Resize(size.x(), size.y());
}

void CVolumeView::mousePressEvent(QMouseEvent* event)
{
    // A plain left press on a camera or the target grabs it rather than turning the view.
    if (event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton &&
        !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        const QPoint at = DevicePoint(event->position());
        if (m_renderer->BeginPlannerDrag(at.x(), at.y())) {
            if (const std::optional<PlannerDragResult> drag = m_renderer->GetPlannerDrag())
                emit cameraPressed(drag->camera);
            return;
        }
    }
    m_renderer->OnButtonDown(ButtonFlags(*event));
}

void CVolumeView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_renderer->IsPlannerDragging()) {
        const std::optional<PlannerDragResult> result = m_renderer->EndPlannerDrag();
        RequestRepaint();
        if (result)
            emit cameraDragged(*result);
    } else if (event->button() == Qt::LeftButton)
        m_renderer->OnLeftButtonUp();
    else if (event->button() == Qt::RightButton)
        m_renderer->OnRightButtonUp();
}

void CVolumeView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = DevicePoint(event->position());
    if (m_renderer->IsPlannerDragging()) {
        m_renderer->PlannerDragTo(at.x(), at.y());
        if (const std::optional<PlannerDragResult> drag = m_renderer->GetPlannerDrag())
            emit cameraDragMoved(*drag);
    } else {
        m_renderer->OnMouseMove(at.x(), at.y());
        if (event->buttons() == Qt::NoButton)
            emit pointerMoved(at);
    }
    RequestRepaint();
}

void CVolumeView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F && !(event->modifiers() & ~Qt::KeypadModifier) &&
        m_renderer->GetViewStyle() == ViewStyle::Planner) {
        FitRoom();
        return;
    }
    const std::optional<unsigned> key = RendererKey(event->key());
    if (!key) {
        // Enter and the like go on to the dialog.
        event->ignore();
        return;
    }
    if (m_renderer->OnKeyDown(*key)) {
        emit exitRequested();
        return;
    }
    RequestRepaint();
}

void CVolumeView::keyReleaseEvent(QKeyEvent* event)
{
    const std::optional<unsigned> key = RendererKey(event->key());
    if (!key || event->isAutoRepeat()) {
        event->ignore();
        return;
    }
    m_renderer->OnKeyUp(*key);
    RequestRepaint();
}

void CVolumeView::wheelEvent(QWheelEvent* event)
{
    // The classic view has no wheel: the event goes on to the dialog as it always did.
    if (m_renderer->GetViewStyle() != ViewStyle::Planner) {
        QOpenGLWidget::wheelEvent(event);
        return;
    }
    const QPoint at = DevicePoint(event->position());
    m_renderer->OnWheel(at.x(), at.y(), event->angleDelta().y());
    RequestRepaint();
}

void CVolumeView::focusOutEvent(QFocusEvent* event)
{
    // A Shift released over another control never reaches the view; held on
    // in the renderer it would turn every later left drag into a pan.
    m_renderer->OnKeyUp(kKeyShift);
    QOpenGLWidget::focusOutEvent(event);
}

void CVolumeView::ZoomIn()
{
    m_renderer->ZoomIn();
    RequestRepaint();
}

void CVolumeView::ZoomOut()
{
    m_renderer->ZoomOut();
    RequestRepaint();
}

void CVolumeView::ToggleSeeThrough()
{
    m_renderer->ToggleSeeThrough();
    RequestRepaint();
}

void CVolumeView::ResetCameras()
{
    m_renderer->ResetCameras();
}

void CVolumeView::ShowResolutionMap(int camera)
{
    m_renderer->ShowResolutionMap(camera);
}

void CVolumeView::SetPerspective()
{
    m_renderer->SetPerspective();
}

void CVolumeView::SetOrthographic()
{
    m_renderer->SetOrthographic();
}

void CVolumeView::ToggleXScale()
{
    m_renderer->ToggleXScale();
}

void CVolumeView::ToggleYScale()
{
    m_renderer->ToggleYScale();
}

void CVolumeView::ToggleZScale()
{
    m_renderer->ToggleZScale();
}

void CVolumeView::SetScaleDivisions(int n)
{
    m_renderer->SetScaleDivisions(n);
}

void CVolumeView::GoHome()
{
    m_renderer->GoHome();
}

void CVolumeView::SetHome()
{
    m_renderer->SetHome();
}

void CVolumeView::ResetHome()
{
    m_renderer->ResetHome();
}

int CVolumeView::GetLayerTotal() const
{
    return m_renderer->GetLayerTotal();
}

void CVolumeView::SetShownLayers(int n)
{
    m_renderer->SetShownLayers(n);
}

int CVolumeView::GetShownLayers() const
{
    return m_renderer->GetShownLayers();
}

ViewPose CVolumeView::GetView() const
{
    return m_renderer->GetView();
}

void CVolumeView::SetViewStyle(ViewStyle style)
{
    const bool changed = style != m_renderer->GetViewStyle();
    m_renderer->SetViewStyle(style);
    if (changed)
        emit viewStyleChanged();
}

void CVolumeView::SetViewSize(int width, int height)
{
    if (m_renderer->GetViewStyle() == ViewStyle::Classic) {
        width = kViewWidth;
        height = kViewHeight;
    }
    setFixedSize(std::max(width, kViewWidth), std::max(height, kViewHeight));
}

ViewStyle CVolumeView::GetViewStyle() const
{
    return m_renderer->GetViewStyle();
}

void CVolumeView::FitRoom()
{
    m_renderer->FitRoom();
    RequestRepaint();
}

void CVolumeView::SetPlanningEnabled(bool on)
{
    m_controller->SetPlanningEnabled(on);
}

bool CVolumeView::IsPlanningEnabled() const
{
    return m_controller->IsPlanningEnabled();
}

void CVolumeView::SetQualityDisplay(bool on)
{
    m_controller->SetQualityDisplay(on);
}

bool CVolumeView::IsQualityDisplay() const
{
    return m_controller->IsQualityDisplay();
}

void CVolumeView::SetQualityMeasure(PlanningMeasure measure)
{
    m_renderer->SetQualityMeasure(measure);
}

PlanningMeasure CVolumeView::GetQualityMeasure() const
{
    return m_renderer->GetQualityMeasure();
}

void CVolumeView::SetQualityThreshold(std::optional<QualityThreshold> threshold)
{
    m_renderer->SetQualityThreshold(threshold);
}

std::optional<QualityThreshold> CVolumeView::GetQualityThreshold() const
{
    return m_renderer->GetQualityThreshold();
}

void CVolumeView::RequestPlanningUpdate()
{
    m_controller->RequestPlanningUpdate();
}

const CPlanningMeasures& CVolumeView::GetPlanning() const
{
    return m_controller->GetPlanning();
}
