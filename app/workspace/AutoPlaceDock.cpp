#include "app/workspace/AutoPlaceDock.h"

#include "app/BoxNumber.h"
#include "app/UserPrompts.h"
#include "app/document/QtPlanDocument.h"
#include "cameras/CameraTypes.h"
#include "coverage/placement/PlacementLimits.h"
#include "document/PlanEdits.h"
#include "project/PlacementOfPlan.h"
#include "render/PlacementDrawer.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace
{

constexpr const char* kRefusedCaption = "Invalid Action";
// A first search that ends while the user waits; the limit is the user's to raise.
constexpr int kDefaultSeconds = 20;

QString Percent(double share)
{
    return QString::number(100.0 * share, 'f', 1) + " %";
}

QString Degrees(double degrees)
{
    return QString::number(degrees, 'f', 1) + QString::fromUtf8("\u00b0");
}

} // namespace

CAutoPlaceDock::CAutoPlaceDock(CQtPlanDocument& document, CVolumeView& view, CUserPrompts& prompts, QWidget* parent)
    : QDockWidget("Auto-Place", parent), m_document(document), m_view(view), m_prompts(prompts), m_pCount(new QSpinBox),
      m_pLens(new QLineEdit("6")),
      m_pLensKit(new QCheckBox("A kit: the search chooses each camera's lens from the list")),
      m_pOcclusion(new QCheckBox("Seek the least occluded angle (performers hide markers)")),
      m_pAddToRig(new QRadioButton("Add to the rig")), m_pReplaceRig(new QRadioButton("Replace the rig")),
      m_pSensor(new QComboBox), m_pMinCameras(new QSpinBox), m_pTimeLimit(new QSpinBox), m_pSampleStep(new QSpinBox),
      m_pProgress(new QLabel), m_pPlace(new QPushButton("Place")), m_pCancel(new QPushButton("Cancel")),
      m_pAccept(new QPushButton("Accept")), m_pDiscard(new QPushButton("Discard"))
{
    setObjectName("AutoPlaceDock");
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    auto* note = new QLabel("New cameras beside the plan's or in their place, for its target on its mounts (Plan tree: "
                            "Target, Mounts).");
    note->setWordWrap(true);
    column->addWidget(note);
    auto* form = new QFormLayout;
    m_pCount->setRange(1, static_cast<int>(kMaxCameras));
    m_pCount->setValue(4);
    form->addRow("Cameras to add", m_pCount);
    m_pLens->setToolTip("Focal lengths in millimetres, comma-separated: cycled over the new cameras, or a kit");
    form->addRow("Lens (mm)", m_pLens);
    form->addRow("", m_pLensKit);
    form->addRow("", m_pOcclusion);
    m_pAddToRig->setChecked(true);
    auto* rig = new QHBoxLayout;
    rig->addWidget(m_pAddToRig);
    rig->addWidget(m_pReplaceRig);
    form->addRow("Placed cameras", rig);
    for (const CameraType& type : kCameraTypes)
        m_pSensor->addItem(type.name);
    form->addRow("Sensor", m_pSensor);
    m_pMinCameras->setRange(1, static_cast<int>(kMaxMinCameras));
    m_pMinCameras->setValue(2);
    m_pMinCameras->setToolTip("Cameras that must see a marker at each point of the target");
    form->addRow("Cameras per point", m_pMinCameras);
    m_pTimeLimit->setRange(1, static_cast<int>(kMaxTimeLimitSeconds));
    m_pTimeLimit->setValue(kDefaultSeconds);
    m_pTimeLimit->setSuffix(" s");
    form->addRow("Time limit", m_pTimeLimit);
    m_pSampleStep->setRange(static_cast<int>(kMinSampleStepM * 100), static_cast<int>(kMaxSampleStepM * 100));
    m_pSampleStep->setValue(25);
    m_pSampleStep->setSuffix(" cm");
    m_pSampleStep->setToolTip("Distance between the target points the search scores; finer costs time and memory");
    form->addRow("Sample step", m_pSampleStep);
    column->addLayout(form);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_pPlace, m_pCancel, m_pAccept, m_pDiscard})
        buttons->addWidget(button);
    column->addLayout(buttons);
    m_pProgress->setWordWrap(true);
    column->addWidget(m_pProgress);
    column->addStretch(1);
    setWidget(body);

    connect(m_pPlace, &QPushButton::clicked, this, &CAutoPlaceDock::Place);
    connect(m_pCancel, &QPushButton::clicked, this, &CAutoPlaceDock::Cancel);
    connect(m_pAccept, &QPushButton::clicked, this, &CAutoPlaceDock::Accept);
    connect(m_pDiscard, &QPushButton::clicked, this, &CAutoPlaceDock::Discard);
    // Another plan: what was proposed for the one before goes.
    connect(&m_document, &CQtPlanDocument::planChanged, this, [this](int kind) {
        if (kind != static_cast<int>(PlanChange::Kind::Replaced))
            return;
        if (m_eState == State::Running)
            Cancel();
        else if (m_eState == State::Done)
            Discard();
    });
    ShowState(State::Idle);
}

CAutoPlaceDock::~CAutoPlaceDock()
{
    EndRun();
}

void CAutoPlaceDock::EndRun()
{
    if (!m_pRun)
        return;
    m_pRun->cancel = true;
    if (m_pRun->worker.joinable())
        m_pRun->worker.join();
    m_pRun.reset();
}

std::optional<PlacementRequest> CAutoPlaceDock::BuildRequest(std::string& refusal) const
{
    const auto refuse = [&refusal](const std::string& field, const std::string& reason) {
        refusal = field + ": " + reason;
        return std::nullopt;
    };
    const Plan& plan = m_document.GetPlan();
    if (plan.cameras.empty())
        return refuse("Plan", "make or open a plan first");
    PlacementRequest request = PlacementRequestOf(plan, m_document.Document().Obstacles());
    const bool replace = m_pReplaceRig->isChecked();
    // Replacing the rig: none of its cameras stays.
    if (replace)
        request.fixed.clear();
    const int count = m_pCount->value();
    if (const auto error = CheckPlacedCount(count, replace ? 0 : plan.cameras.size()))
        return refuse("Cameras to add", *error);
    request.count = count;
    for (const QString& part : m_pLens->text().split(QRegularExpression("[,\\s]+"), Qt::SkipEmptyParts)) {
        const std::optional<float> lens = ReadBoxNumber(part.toStdString());
        if (!lens)
            return refuse("Lens", "focal lengths in millimetres, comma-separated, e.g. 6, 8.5");
        if (const auto error = CheckPlacedLens(*lens))
            return refuse("Lens", *error);
        request.lenses.push_back(*lens);
    }
    if (request.lenses.empty())
        return refuse("Lens", "a focal length in millimetres");
    request.model.focalMm = request.lenses.front();
    if (m_pLensKit->isChecked())
        request.lensKit = std::exchange(request.lenses, {});
    request.objective = m_pOcclusion->isChecked() ? PlacementObjective::Occlusion : PlacementObjective::Coverage;
    request.sampleStep = m_pSampleStep->value() / 100.0;
    request.remedyNames = {"Sample step", "the room's Properties", "Cameras to add"};
    request.model.cameraType = m_pSensor->currentIndex();
    request.model.pixelsX = CameraTypePixelsX(request.model.cameraType);
    request.model.pixelsY = CameraTypePixelsY(request.model.cameraType);
    const int k = m_pMinCameras->value();
    if (const auto error = CheckMinCamerasInRig(k, count, static_cast<long long>(request.fixed.size()) + count))
        return refuse("Cameras per point", *error);
    request.minCameras = static_cast<uint32_t>(k);
    request.timeLimitSeconds = m_pTimeLimit->value();
    request.search.threads = WindowSearchThreads();
    if (const auto error = CheckPlacementRequest(request))
        return refuse("Auto-Place", *error);
    // Refused before the worker allocates: the memory the candidates need against what is free.
    if (const auto error = CheckPlacementFits(request))
        return refuse("Auto-Place", *error);
    return request;
}

void CAutoPlaceDock::Place()
{
    if (m_eState == State::Running)
        return;
    std::string refusal;
    std::optional<PlacementRequest> request = BuildRequest(refusal);
    if (!request) {
        m_prompts.ShowMessage("Auto-Place not started\n" + refusal, kRefusedCaption, PromptButtons::Ok);
        return;
    }
    EndRun();
    m_result.reset();
    m_target = TargetOf(*request);
    m_nMinCameras = request->minCameras;
    m_pRun = std::make_unique<Run>();
    m_pRun->request = std::move(*request);
    m_pRun->request.search.cancel = &m_pRun->cancel;
    m_bReplace = m_pReplaceRig->isChecked();
    const uint64_t run = ++m_nRun;
    Run* worker = m_pRun.get();
    // The worker's words come back queued to this thread; those of a run
    // cancelled or replaced since are dropped by its number. What the
    // placement throws comes back as its error: the plan is never lost.
    worker->worker = std::thread([this, worker, run] {
        const PlacementResult result = RunPlacement(worker->request, [this, run](const PlacementProgress& progress) {
            QMetaObject::invokeMethod(
                this, [this, run, progress] { OnProgress(run, progress); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this, [this, run, result] { OnFinished(run, result); }, Qt::QueuedConnection);
    });
    m_pProgress->setText("Finding the places cameras may go and what each sees of the target...");
    ShowState(State::Running);
}

void CAutoPlaceDock::Cancel()
{
    if (m_eState != State::Running)
        return;
    // The worker winds down on its own; what it still says is dropped.
    ++m_nRun;
    if (m_pRun)
        m_pRun->cancel = true;
    ShowPreview({});
    m_pProgress->setText("Cancelled: the plan is as it was.");
    ShowState(State::Idle);
    emit placementFinished(false);
}

void CAutoPlaceDock::OnProgress(uint64_t run, const PlacementProgress& progress)
{
    if (run != m_nRun)
        return;
    if (progress.stage == "search")
        m_pProgress->setText(QString("Searching: %1 of %2 restarts done, the best rig meets %3 of the target points")
                                 .arg(progress.restartsDone)
                                 .arg(progress.restarts)
                                 .arg(Percent(progress.bestObjective)));
    else if (progress.stage == "refinement")
        m_pProgress->setText("Refining the best rig along its mounts and in its aims...");
    ShowPreview(progress.best);
}

void CAutoPlaceDock::OnFinished(uint64_t run, const PlacementResult& result)
{
    if (run != m_nRun)
        return;
    EndRun();
    if (!result.ok) {
        ShowPreview({});
        ShowState(State::Idle);
        m_pProgress->clear();
        m_prompts.ShowMessage("Auto-Place found no cameras\n" + result.error, kRefusedCaption, PromptButtons::Ok);
        emit placementFinished(false);
        return;
    }
    m_result = result;
    ShowPreview(result.placed);
    // The search's measure leaves the 3D error bound aside: the Figures judge that once the cameras are in.
    m_pProgress->setText(
        QString("%1 cameras proposed (magenta in the view). Target points %2 or more cameras see "
                "from a pair angle in range: %3 before, %4 with them%5. Mean occluded angle (a performer "
                "hides markers): %6 before, %7 with them. Accept puts them in the plan; "
                "the Figures then say how much is within the 3D error bound.")
            .arg(result.placed.size())
            .arg(m_nMinCameras)
            .arg(Percent(result.before.objective), Percent(result.after.objective),
                 result.stopped ? " (the search stopped at its time limit)" : "",
                 Degrees(result.before.meanOccludedDeg), Degrees(result.after.meanOccludedDeg)));
    ShowState(State::Done);
    emit placementFinished(true);
}

void CAutoPlaceDock::Accept()
{
    if (m_eState != State::Done || !m_result)
        return;
    const bool replace = m_bReplace;
    const std::vector<PlanCamera> cameras =
        PlanCamerasOfPlaced(m_result->placed, replace ? 1 : m_document.GetPlan().cameras.size() + 1);
    const std::string name = "Auto-place " + std::to_string(cameras.size()) + " cameras";
    if (const auto refusal = m_document.Document().Apply(name, [&cameras, replace](Plan& plan) {
            return replace ? ReplaceCameras(plan, cameras) : AddCameras(plan, cameras);
        })) {
        m_prompts.ShowMessage(*refusal, kRefusedCaption, PromptButtons::Ok);
        return;
    }
    Discard();
    m_pProgress->setText(replace
                             ? QString("The rig replaced by %1 cameras: Edit > Undo puts it back.").arg(cameras.size())
                             : QString("%1 cameras added: Edit > Undo takes them back.").arg(cameras.size()));
}

void CAutoPlaceDock::Discard()
{
    m_result.reset();
    ShowPreview({});
    m_pProgress->clear();
    ShowState(State::Idle);
}

void CAutoPlaceDock::ShowPreview(const std::vector<PlacedCamera>& cameras)
{
    std::shared_ptr<const PlacementPreview> preview;
    if (!cameras.empty())
        preview = std::make_shared<PlacementPreview>(PlacementPreview{m_target, cameras});
    m_view.Renderer().SetPlacementPreview(preview);
    m_view.RequestRepaint();
}

void CAutoPlaceDock::ShowState(State state)
{
    m_eState = state;
    m_pPlace->setEnabled(state != State::Running);
    m_pCancel->setEnabled(state == State::Running);
    m_pAccept->setEnabled(state == State::Done);
    m_pDiscard->setEnabled(state == State::Done);
    const std::initializer_list<QWidget*> fields = {m_pCount,     m_pLens,       m_pLensKit, m_pOcclusion,
                                                    m_pAddToRig,  m_pReplaceRig, m_pSensor,  m_pMinCameras,
                                                    m_pTimeLimit, m_pSampleStep};
    for (QWidget* field : fields)
        field->setEnabled(state != State::Running);
}
