#include "app/AutoPlacePanel.h"

#include "app/ClassicPlan.h"
#include "app/UserPrompts.h"
#include "cameras/CameraTypes.h"
#include "coverage/placement/PlacementLimits.h"
#include "document/PlanEdits.h"
#include "project/PlacementOfPlan.h"
#include "render/PlacementDrawer.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace
{

const char* const kRefusedCaption = "Invalid Action";
const char* const kFieldNames[] = {"Count", "Lenses", "Sensor", "K", "Time limit", "Sample step", "Wall band"};
const char* const kMountNames[] = {"Wall x0", "Wall x1", "Wall z0", "Wall z1", "Ceiling"};

QString TripleText(const Vec3d& v)
{
    return QString("%1, %2, %3").arg(v.x, 0, 'g', 10).arg(v.y, 0, 'g', 10).arg(v.z, 0, 'g', 10);
}

// Finite numbers separated by commas or blanks; nullopt for anything else or for none.
std::optional<std::vector<double>> ParseNumbers(const QString& text)
{
    const QStringList parts = text.split(QRegularExpression("[,\\s]+"), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    std::vector<double> values;
    for (const QString& part : parts) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return std::nullopt;
        values.push_back(v);
    }
    return values;
}

std::optional<Vec3d> ParseTriple(const QString& text)
{
    const auto values = ParseNumbers(text);
    if (!values || values->size() != 3)
        return std::nullopt;
    return Vec3d{(*values)[0], (*values)[1], (*values)[2]};
}

std::optional<double> ParseNumber(const QString& text)
{
    const auto values = ParseNumbers(text);
    if (!values || values->size() != 1)
        return std::nullopt;
    return values->front();
}

std::optional<long long> ParseWhole(const QString& text)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<long long>(v) : std::nullopt;
}

} // namespace

CAutoPlacePanel::CAutoPlacePanel(CVolumeView& view, CClassicPlan& plan, CUserPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_view(view), m_plan(plan), m_prompts(prompts),
      m_pTarget(new QTableWidget(0, kColCount, this)), m_pAddBox(new QPushButton("Add Box", this)),
      m_pRemoveBox(new QPushButton("Remove Box", this)),
      m_pRobust(new QCheckBox("Robust: still K with any one camera lost", this)),
      m_pLensKit(new QCheckBox("A kit: the search chooses each camera's lens from the list", this)),
      m_pOcclusion(new QCheckBox("Seek the least occluded angle (performers hide markers)", this)),
      m_pAddToRig(new QRadioButton("Add to the rig", this)), m_pReplaceRig(new QRadioButton("Replace the rig", this)),
      m_pProjectMounts(new QLabel(this)), m_pProgress(new QLabel(this)), m_pStart(new QPushButton("Start", this)),
      m_pCancel(new QPushButton("Cancel", this)), m_pAccept(new QPushButton("Accept", this))
{
    setWindowTitle("Auto-Place");
    m_pTarget->setHorizontalHeaderLabels({"Min (m)", "Max (m)", "Weight"});
    m_pTarget->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pTarget->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto* boxButtons = new QHBoxLayout;
    boxButtons->addWidget(m_pAddBox);
    boxButtons->addWidget(m_pRemoveBox);
    boxButtons->addStretch();

    const char* const defaults[] = {"4", "8.5", "0", "2", "30", "0.25", ""};
    auto* form = new QFormLayout;
    const char* const labels[] = {"Cameras to add",
                                  "Lenses (mm, comma list)",
                                  "Sensor (camera type 0 to 2, or pixels W, H)",
                                  "K: cameras per target point",
                                  "Time limit (s)",
                                  "Sample step (m)",
                                  "Wall band (m, bottom, top; empty: above the performers' heads)"};
    for (int f = 0; f < kFieldCount; ++f) {
        m_fields[f] = new QLineEdit(defaults[f], this);
        form->addRow(labels[f], m_fields[f]);
    }
    auto* mounts = new QHBoxLayout;
    for (size_t m = 0; m < m_mounts.size(); ++m) {
        m_mounts[m] = new QCheckBox(kMountNames[m], this);
        m_mounts[m]->setChecked(true);
        mounts->addWidget(m_mounts[m]);
    }
    form->addRow("Mounts", mounts);
    m_pProjectMounts->setWordWrap(true);
    form->addRow("", m_pProjectMounts);
    form->addRow("", m_pRobust);
    form->addRow("", m_pLensKit);
    form->addRow("", m_pOcclusion);
    auto* rig = new QHBoxLayout;
    m_pAddToRig->setChecked(true);
    rig->addWidget(m_pAddToRig);
    rig->addWidget(m_pReplaceRig);
    rig->addStretch();
    form->addRow("The cameras placed", rig);

    auto* runButtons = new QHBoxLayout;
    runButtons->addWidget(m_pStart);
    runButtons->addWidget(m_pCancel);
    runButtons->addWidget(m_pAccept);
    runButtons->addStretch();
    m_pProgress->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Target boxes, metres from the room corner: X along the length, Y above the "
                                 "floor, Z across the width.",
                                 this));
    layout->addWidget(m_pTarget);
    layout->addLayout(boxButtons);
    layout->addLayout(form);
    layout->addLayout(runButtons);
    layout->addWidget(m_pProgress);
    resize(640, 520);

    connect(m_pAddBox, &QPushButton::clicked, this, [this] {
        const int row = m_pTarget->rowCount();
        m_pTarget->insertRow(row);
        m_pTarget->setItem(row, kColMin, new QTableWidgetItem("0, 0, 0"));
        m_pTarget->setItem(row, kColMax, new QTableWidgetItem("1, 1, 1"));
        m_pTarget->setItem(row, kColWeight, new QTableWidgetItem("1"));
    });
    connect(m_pRemoveBox, &QPushButton::clicked, this, [this] {
        if (m_pTarget->currentRow() >= 0)
            m_pTarget->removeRow(m_pTarget->currentRow());
        StoreSetup();
    });
    // A new box's three cells arrive one by one: the setup is stored once the last is in.
    connect(m_pTarget, &QTableWidget::itemChanged, this, [this] { StoreSetup(); });
    for (QCheckBox* mount : m_mounts)
        connect(mount, &QCheckBox::toggled, this, [this] { StoreSetup(); });
    // Once typed: each step of the plan is a whole band.
    connect(m_fields[kWallBand], &QLineEdit::editingFinished, this, [this] { StoreSetup(); });
    // An undo or an opened plan may have another target: the fields show the plan's.
    connect(&m_plan, &CClassicPlan::planShown, this, [this] {
        if (m_eState != Running && !(m_plan.GetPlan().placement == m_shownSetup))
            ShowPlanSetup();
    });
    connect(m_pStart, &QPushButton::clicked, this, &CAutoPlacePanel::Start);
    connect(m_pCancel, &QPushButton::clicked, this, &CAutoPlacePanel::Cancel);
    connect(m_pAccept, &QPushButton::clicked, this, &CAutoPlacePanel::Accept);
    ShowPlanSetup();
    ShowState(Idle);
}

CAutoPlacePanel::~CAutoPlacePanel()
{
    // The view may be gone already: only the worker is stopped here.
    if (m_pRun)
        m_pRun->cancel = true;
    JoinWorker();
}

void CAutoPlacePanel::closeEvent(QCloseEvent* event)
{
    if (m_eState == Running)
        Cancel();
    ClearPreview();
    if (m_eState == Done)
        ShowState(Idle);
    QWidget::closeEvent(event);
}

void CAutoPlacePanel::ShowPlanSetup()
{
    const ProjectPlacement& plan = m_plan.GetPlan().placement;
    m_shownSetup = plan;
    m_bShowingSetup = true;
    m_pTarget->setRowCount(0);
    std::vector<TargetBox> boxes = plan.target;
    if (boxes.empty())
        boxes.push_back(DefaultTargetBox(m_plan.Room()));
    m_pTarget->setRowCount(static_cast<int>(boxes.size()));
    for (int row = 0; row < m_pTarget->rowCount(); ++row) {
        const TargetBox& box = boxes[static_cast<size_t>(row)];
        m_pTarget->setItem(row, kColMin, new QTableWidgetItem(TripleText(box.min)));
        m_pTarget->setItem(row, kColMax, new QTableWidgetItem(TripleText(box.max)));
        m_pTarget->setItem(row, kColWeight, new QTableWidgetItem(QString::number(box.weight, 'g', 10)));
    }
    const MountSurfaces mounts = plan.mounts.value_or(MountSurfaces{});
    for (int w = 0; w < kWallCount; ++w)
        m_mounts[static_cast<size_t>(w)]->setChecked(mounts.walls[static_cast<size_t>(w)]);
    m_mounts[kWallCount]->setChecked(mounts.ceiling);
    m_fields[kWallBand]->setText(
        mounts.wallBand
            ? QString("%1, %2").arg((*mounts.wallBand)[0], 0, 'g', 10).arg((*mounts.wallBand)[1], 0, 'g', 10)
            : QString());
    // An empty band is the default one: the field shows which.
    const auto band = DefaultWallBand(m_plan.Room());
    m_fields[kWallBand]->setPlaceholderText(
        QString("%1, %2 (the default)").arg(band[0], 0, 'g', 4).arg(band[1], 0, 'g', 4));
    m_projectMounts = {};
    m_projectMounts.segments = mounts.segments;
    m_projectMounts.points = mounts.points;
    m_projectMounts.keepOuts = mounts.keepOuts;
    m_pProjectMounts->setText(mounts.segments.empty() && mounts.points.empty() && mounts.keepOuts.empty()
                                  ? QString()
                                  : QString("And from the project: %1 segments, %2 points, %3 keep-out boxes")
                                        .arg(static_cast<int>(mounts.segments.size()))
                                        .arg(static_cast<int>(mounts.points.size()))
                                        .arg(static_cast<int>(mounts.keepOuts.size())));
    m_bShowingSetup = false;
}

std::optional<ProjectPlacement> CAutoPlacePanel::ReadSetup(const RoomSize& room, std::string& refusal) const
{
    auto refuse = [&refusal](const std::string& field, const std::string& reason) {
        refusal = field + ": " + reason;
        return std::nullopt;
    };
    ProjectPlacement setup;
    for (int row = 0; row < m_pTarget->rowCount(); ++row) {
        auto text = [this, row](int column) {
            return m_pTarget->item(row, column) ? m_pTarget->item(row, column)->text() : QString();
        };
        const std::string name = "Target box " + std::to_string(row + 1);
        const auto min = ParseTriple(text(kColMin)), max = ParseTriple(text(kColMax));
        const auto weight = ParseNumber(text(kColWeight));
        if (!min)
            return refuse(name + ", min", "three numbers x, y, z, in metres");
        if (!max)
            return refuse(name + ", max", "three numbers x, y, z, in metres");
        if (!weight)
            return refuse(name + ", weight", "a number above 0");
        const TargetBox box{*min, *max, *weight};
        if (const auto error = CheckTargetBox(box, room))
            return refuse(name, *error);
        setup.target.push_back(box);
    }
    if (setup.target.empty())
        return refuse("Target boxes", "add at least one box");

    MountSurfaces mounts = m_projectMounts;
    for (int w = 0; w < kWallCount; ++w)
        mounts.walls[static_cast<size_t>(w)] = m_mounts[static_cast<size_t>(w)]->isChecked();
    mounts.ceiling = m_mounts[kWallCount]->isChecked();
    if (!mounts.Any())
        return refuse("Mounts", "choose at least one wall or the ceiling");
    if (const QString band = m_fields[kWallBand]->text().trimmed(); !band.isEmpty()) {
        const auto values = ParseNumbers(band);
        if (!values || values->size() != 2)
            return refuse(kFieldNames[kWallBand], "two heights in metres, bottom and top, e.g. 2, 3.8");
        mounts.wallBand = std::array<double, 2>{(*values)[0], (*values)[1]};
    }
    if (const auto error = CheckMounts(mounts, room))
        return refuse(mounts.wallBand ? kFieldNames[kWallBand] : "Mounts", *error);
    setup.mounts = mounts;
    return setup;
}

void CAutoPlacePanel::StoreSetup()
{
    if (m_bShowingSetup)
        return;
    std::string refusal;
    const std::optional<ProjectPlacement> setup = ReadSetup(m_plan.Room(), refusal);
    // A field being typed may not be valid yet: the plan keeps its last valid setup.
    if (!setup)
        return;
    const ProjectPlacement& plan = m_plan.GetPlan().placement;
    if (setup->target == plan.target && setup->mounts == plan.mounts)
        return;
    const char* const name = setup->target != plan.target ? "Placement target" : "Placement mounts";
    // The fields show it already.
    m_shownSetup = *setup;
    m_plan.Edit(name, [&setup](Plan& edited) { return SetPlacement(edited, *setup); });
    m_shownSetup = m_plan.GetPlan().placement;
}

std::optional<PlacementRequest> CAutoPlacePanel::BuildRequest(std::string& refusal) const
{
    auto refuse = [&refusal](const std::string& field, const std::string& reason) {
        refusal = field + ": " + reason;
        return std::nullopt;
    };
    // What the dialog stored is the plan's before the plan is placed beside.
    m_plan.RecordEdits();
    const Plan& plan = m_plan.GetPlan();
    if (plan.cameras.empty())
        return refuse("Rig", "the plan has no cameras yet; enter a number of cameras or load a file first");
    const std::optional<ProjectPlacement> setup = ReadSetup({plan.length, plan.width, plan.height}, refusal);
    if (!setup)
        return std::nullopt;
    PlacementRequest request = PlacementRequestOf(plan, m_plan.Document().Obstacles());
    request.target = setup->target;
    request.mounts = *setup->mounts;
    request.remedyNames = {kFieldNames[kSampleStep], "the room", kFieldNames[kCount]};
    request.objective = m_pOcclusion->isChecked() ? PlacementObjective::Occlusion : PlacementObjective::Coverage;

    // Replacing the rig: none of its cameras stays.
    if (m_pReplaceRig->isChecked())
        request.fixed.clear();
    const auto count = ParseWhole(m_fields[kCount]->text());
    if (!count)
        return refuse(kFieldNames[kCount], "a whole number of cameras");
    // Beside the whole rig: the plan holds at most kMaxCameras, enabled or not.
    if (const auto error = CheckPlacedCount(*count, m_pReplaceRig->isChecked() ? 0 : plan.cameras.size()))
        return refuse(kFieldNames[kCount], *error);
    if (*count == 0)
        return refuse(kFieldNames[kCount], "at least 1 camera to place");
    request.count = static_cast<int>(*count);

    const auto lenses = ParseNumbers(m_fields[kLenses]->text());
    if (!lenses)
        return refuse(kFieldNames[kLenses], "focal lengths in millimetres, comma-separated, e.g. 8.5, 12");
    for (const double f : *lenses) {
        if (const auto error = CheckPlacedLens(f))
            return refuse(kFieldNames[kLenses], *error);
        request.lenses.push_back(static_cast<float>(f));
    }
    request.model.focalMm = request.lenses.front();
    if (m_pLensKit->isChecked())
        request.lensKit = std::exchange(request.lenses, {});
    // A camera type, or the pixels of a custom sensor, as `place` takes them.
    const auto sensor = ParseNumbers(m_fields[kSensor]->text());
    if (!sensor || sensor->size() > 2)
        return refuse(kFieldNames[kSensor],
                      "a camera type 0 to " + std::to_string(kCameraTypeCount - 1) + ", or the sensor's pixels W, H");
    if (sensor->size() == 1) {
        const double type = sensor->front();
        if (const auto error = CheckPlacedCameraType(type))
            return refuse(kFieldNames[kSensor], *error);
        request.model.cameraType = static_cast<int>(type);
        request.model.pixelsX = CameraTypePixelsX(request.model.cameraType);
        request.model.pixelsY = CameraTypePixelsY(request.model.cameraType);
    } else {
        if (const auto error = CheckPlacedSensorPixels((*sensor)[0], (*sensor)[1]))
            return refuse(kFieldNames[kSensor], *error);
        request.model.cameraType = kCustomCameraType;
        request.model.pixelsX = static_cast<int>((*sensor)[0]);
        request.model.pixelsY = static_cast<int>((*sensor)[1]);
    }

    const auto k = ParseWhole(m_fields[kMinCameras]->text());
    if (!k)
        return refuse(kFieldNames[kMinCameras], "a whole number of cameras");
    if (const auto error = CheckMinCameras(*k))
        return refuse(kFieldNames[kMinCameras], *error);
    if (const auto error = CheckMinCamerasInRig(*k, *count, static_cast<long long>(request.fixed.size()) + *count))
        return refuse(kFieldNames[kMinCameras], *error);
    request.minCameras = static_cast<uint32_t>(*k);
    request.robust = m_pRobust->isChecked();

    const auto seconds = ParseNumber(m_fields[kTimeLimit]->text());
    if (!seconds)
        return refuse(kFieldNames[kTimeLimit], "a number of seconds");
    if (const auto error = CheckTimeLimit(*seconds))
        return refuse(kFieldNames[kTimeLimit], *error);
    request.timeLimitSeconds = *seconds;
    const auto step = ParseNumber(m_fields[kSampleStep]->text());
    if (!step)
        return refuse(kFieldNames[kSampleStep], "a number of metres");
    if (const auto error = CheckSampleStep(*step))
        return refuse(kFieldNames[kSampleStep], *error);
    request.sampleStep = *step;
    request.search.threads = WindowSearchThreads();
    if (const auto error = CheckPlacementRequest(request))
        return refuse("Auto-Place", *error);
    if (const auto error = CheckPlacementFits(request))
        return refuse("Auto-Place", *error);
    return request;
}

void CAutoPlacePanel::Start()
{
    if (m_eState == Running)
        return;
    std::string refusal;
    std::optional<PlacementRequest> request = BuildRequest(refusal);
    if (!request) {
        m_prompts.ShowMessage("Auto-Place not started\n" + refusal, kRefusedCaption, PromptButtons::Ok);
        return;
    }
    JoinWorker();
    m_result.reset();
    m_startPlan = m_plan.GetPlan();
    m_bReplace = m_pReplaceRig->isChecked();
    m_aShownTarget = request->target;
    m_pRun = std::make_unique<Run>();
    m_pRun->request = std::move(*request);
    m_pRun->request.search.cancel = &m_pRun->cancel;
    const uint64_t run = ++m_nRun;
    Run* state = m_pRun.get();
    ShowState(Running);
    m_pProgress->setText("Starting: the target points and the places on the mounts");
    ShowPreview({});
    state->worker = std::thread([this, state, run] {
        // What the placement throws comes back as its error: nothing ends the program with the plan unsaved.
        const PlacementResult result = RunPlacement(state->request, [this, run](const PlacementProgress& p) {
            QMetaObject::invokeMethod(
                this, [this, run, p] { OnProgress(run, p); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this, [this, run, result] { OnFinished(run, result); }, Qt::QueuedConnection);
        state->finished = true;
    });
}

void CAutoPlacePanel::Cancel()
{
    if (m_eState != Running)
        return;
    m_pRun->cancel = true;
    // Whatever the worker still sends belongs to a run that is over.
    ++m_nRun;
    ClearPreview();
    m_pProgress->setText("Cancelled: the rig is as it was");
    ShowState(Idle);
}

void CAutoPlacePanel::Accept()
{
    if (m_eState != Done || !m_result)
        return;
    const std::vector<PlacedCamera> placed = m_result->placed;
    const bool replace = m_bReplace;
    m_plan.RecordEdits();
    // The cameras were placed beside the rig as it was at Start.
    const Plan& plan = m_plan.GetPlan();
    if (!m_startPlan || plan.cameras != m_startPlan->cameras || plan.firstCamera != m_startPlan->firstCamera ||
        plan.rangeCount != m_startPlan->rangeCount) {
        m_prompts.ShowMessage("Auto-Place not accepted\nThe rig changed since Start: start again to place beside it",
                              kRefusedCaption, PromptButtons::Ok);
        return;
    }
    // Replacing: the placed cameras are the rig, the range holds them all; adding: the range takes the
    // new cameras in, as the command line's plan does.
    if (const auto error = m_plan.Edit("Auto-Place", [&placed, replace](Plan& edited) {
            if (replace)
                return ReplaceCameras(edited, PlanCamerasOfPlaced(placed, 1));
            return AddCameras(edited, PlanCamerasOfPlaced(placed, edited.cameras.size() + 1));
        })) {
        m_prompts.ShowMessage("Auto-Place not accepted\n" + *error, kRefusedCaption, PromptButtons::Ok);
        return;
    }
    ClearPreview();
    m_pProgress->setText(QString(replace ? "Accepted: the rig replaced by %1 cameras (Edit > Undo puts it back)"
                                         : "Accepted: %1 cameras added to the plan (Edit > Undo takes them out)")
                             .arg(static_cast<int>(placed.size())));
    ShowState(Idle);
}

void CAutoPlacePanel::OnProgress(uint64_t run, const PlacementProgress& p)
{
    if (run != m_nRun || m_eState != Running)
        return;
    QString text;
    if (p.stage == "candidates")
        text = "Candidates: testing every mount place and aim against the target";
    else if (p.stage == "search")
        text = QString("Search: %1 of %2 restarts done, best objective %3")
                   .arg(p.restartsDone)
                   .arg(p.restarts)
                   .arg(p.bestObjective, 0, 'f', 4);
    else
        text = QString("Refining the best rig (objective %1)").arg(p.bestObjective, 0, 'f', 4);
    m_pProgress->setText(text);
    if (!p.best.empty())
        ShowPreview(p.best);
}

void CAutoPlacePanel::OnFinished(uint64_t run, const PlacementResult& result)
{
    if (run != m_nRun || m_eState != Running)
        return;
    if (!result.ok) {
        ClearPreview();
        ShowState(Idle);
        m_pProgress->setText("Nothing placed");
        m_prompts.ShowMessage("Auto-Place found no rig\n" + result.error, kRefusedCaption, PromptButtons::Ok);
        return;
    }
    m_result = result;
    ShowPreview(result.placed);
    m_pProgress->setText(QString("Done in %1 s%2: objective %3 (the rig alone %4); Accept adds %5 cameras")
                             .arg(result.seconds, 0, 'f', 1)
                             .arg(QString(result.stopped ? " (the time limit ended the search)" : ""))
                             .arg(result.after.objective, 0, 'f', 4)
                             .arg(result.before.objective, 0, 'f', 4)
                             .arg(static_cast<int>(result.placed.size())));
    ShowState(Done);
}

void CAutoPlacePanel::ShowPreview(const std::vector<PlacedCamera>& cameras)
{
    m_view.Renderer().SetPlacementPreview(
        std::make_shared<const PlacementPreview>(PlacementPreview{m_aShownTarget, cameras}));
    m_view.RequestRepaint();
}

void CAutoPlacePanel::ClearPreview()
{
    m_view.Renderer().SetPlacementPreview(nullptr);
    m_view.RequestRepaint();
}

void CAutoPlacePanel::ShowState(State state)
{
    m_eState = state;
    const bool running = state == Running;
    m_pStart->setEnabled(!running);
    m_pCancel->setEnabled(running);
    m_pAccept->setEnabled(state == Done);
    m_pTarget->setEnabled(!running);
    m_pAddBox->setEnabled(!running);
    m_pRemoveBox->setEnabled(!running);
    for (QLineEdit* field : m_fields)
        field->setEnabled(!running);
    for (QCheckBox* mount : m_mounts)
        mount->setEnabled(!running);
    for (QWidget* box :
         std::initializer_list<QWidget*>{m_pRobust, m_pLensKit, m_pOcclusion, m_pAddToRig, m_pReplaceRig})
        box->setEnabled(!running);
}

void CAutoPlacePanel::JoinWorker()
{
    if (m_pRun && m_pRun->worker.joinable())
        m_pRun->worker.join();
}
