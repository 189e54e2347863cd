#include "app/PlanningPanel.h"

#include "classic/ClassicParameters.h"
#include "app/UserPrompts.h"
#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "coverage/CoverageFigures.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningCamera.h"
#include "coverage/PlanningMeasures.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace
{

struct SettingField {
    const char* label;
    double PlanningSettings::*value;
};
constexpr SettingField kSettingFields[CPlanningPanel::kSettingCount] = {
    {"Marker diameter (mm)", &PlanningSettings::markerDiameterMm},
    {"Minimum image (px)", &PlanningSettings::minImagePx},
    {"Angle range min (deg)", &PlanningSettings::minAngleDeg},
    {"Angle range max (deg)", &PlanningSettings::maxAngleDeg},
    {"Pixel noise (px)", &PlanningSettings::pixelNoisePx},
    {"3D error bound (mm)", &PlanningSettings::sigmaBoundMm},
};

const char* const kRefusedCaption = "Invalid Action";
const char* const kCustomPixelsRefused =
    "Custom sensor pixels must be whole numbers of at least 1 across and down. The previous values are kept.";
const char* const kCustomTypeName = "Custom";
const char* const kNoFigure = "-";
const char* const kThresholdRefused = "The Quality threshold must be a number. The previous threshold is kept.";
const char* const kNoThreshold = "all voxels";

// Enter commits the box it is typed in; it does not go on to the dialog,
// where it would start a whole new coverage computation.
class CPanelEdit : public QLineEdit
{
  public:
    using QLineEdit::QLineEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        QLineEdit::keyPressEvent(event);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->accept();
    }
};

QString SettingText(double value)
{
    return QString::number(value, 'g', 10);
}

QString CubicMetres(double value)
{
    return QString::number(value, 'f', 3);
}

// The share of the room's voxels, in per cent with one decimal.
QString ShareOfRoom(uint64_t voxels, uint64_t room)
{
    return room == 0 ? QString(kNoFigure) : QString::number(100.0 * static_cast<double>(voxels) / room, 'f', 1);
}

CCameraSet* AllocatedCameras()
{
    CCameraSet* cameras = CCameraSet::Current();
    return cameras && cameras->IsAllocated() ? cameras : nullptr;
}

int CameraRows()
{
    const SceneSettings* s = GetSceneSettings();
    return s && AllocatedCameras() ? static_cast<int>(s->GetCameraCount()) : 0;
}

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

CPlanningPanel::CPlanningPanel(CVolumeView& view, CUserPrompts& prompts, QWidget* parent)
    : QWidget(parent), m_view(view), m_prompts(prompts)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* settingsBox = new QGroupBox("Planning settings", this);
    auto* form = new QFormLayout(settingsBox);
    for (int n = 0; n < kSettingCount; ++n) {
        auto* box = new CPanelEdit(settingsBox);
        box->setObjectName(QString("planningSetting%1").arg(n));
        connect(box, &QLineEdit::editingFinished, this, [this, n] { OnSettingEdited(n); });
        form->addRow(kSettingFields[n].label, box);
        m_settingBoxes[n] = box;
    }
    layout->addWidget(settingsBox);

    auto* thresholdBox = new QGroupBox("Quality display: show where the measure is", this);
    auto* thresholdLayout = new QHBoxLayout(thresholdBox);
    m_pThresholdOp = new QComboBox(thresholdBox);
    m_pThresholdOp->addItem(kNoThreshold);
    for (int op = 0; op < kComparisonOpCount; ++op)
        m_pThresholdOp->addItem(QString::fromStdString(ComparisonOpText(static_cast<unsigned>(op))));
    m_pThresholdValue = new CPanelEdit(thresholdBox);
    connect(m_pThresholdOp, &QComboBox::activated, this, &CPlanningPanel::OnThresholdEdited);
    connect(m_pThresholdValue, &QLineEdit::editingFinished, this, &CPlanningPanel::OnThresholdEdited);
    thresholdLayout->addWidget(m_pThresholdOp);
    thresholdLayout->addWidget(m_pThresholdValue, 1);
    layout->addWidget(thresholdBox);

    auto* camerasBox = new QGroupBox("Cameras", this);
    auto* camerasLayout = new QVBoxLayout(camerasBox);
    m_pCameras = new QTableWidget(0, kColCount, camerasBox);
    m_pCameras->setHorizontalHeaderLabels({"No.", "Type", "W px", "H px", "Reach (m)", "Unique (m\u00b3)"});
    m_pCameras->verticalHeader()->hide();
    m_pCameras->setSelectionMode(QAbstractItemView::NoSelection);
    const int columnWidths[kColCount] = {28, 92, 40, 40, 64, 60};
    for (int c = 0; c < kColCount; ++c)
        m_pCameras->setColumnWidth(c, columnWidths[c]);
    m_pCameras->horizontalHeader()->setStretchLastSection(true);
    camerasLayout->addWidget(m_pCameras);
    layout->addWidget(camerasBox, 1);

    auto* figuresBox = new QGroupBox("Figures", this);
    auto* figuresLayout = new QVBoxLayout(figuresBox);
    m_pCounts = new QTableWidget(0, 4, figuresBox);
    m_pCounts->setHorizontalHeaderLabels({"Seen (m\u00b3)", "Marker seen (m\u00b3)", "Seen %", "Marker %"});
    m_pCounts->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pCounts->setSelectionMode(QAbstractItemView::NoSelection);
    // Every row in sight: the table is as tall as its rows (ShowFigures), and the panel scrolls instead.
    m_pCounts->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    figuresLayout->addWidget(m_pCounts);
    auto* totals = new QFormLayout;
    m_pTriangulable = new QLabel(kNoFigure, figuresBox);
    m_pWithinSigma = new QLabel(kNoFigure, figuresBox);
    m_pMedianSigma = new QLabel(kNoFigure, figuresBox);
    totals->addRow("Triangulable (m\u00b3)", m_pTriangulable);
    totals->addRow("Within the 3D error bound (m\u00b3)", m_pWithinSigma);
    totals->addRow("Median 3D error (mm)", m_pMedianSigma);
    m_pOccludedMean = new QLabel(kNoFigure, figuresBox);
    m_pUnoccluded = new QLabel(kNoFigure, figuresBox);
    totals->addRow("Mean occluded angle (deg)", m_pOccludedMean);
    totals->addRow("Never occluded (m\u00b3)", m_pUnoccluded);
    // What the obstacles fill counts in no figure above.
    m_pObstacleVolume = new QLabel(kNoFigure, figuresBox);
    totals->addRow("Inside obstacles (m\u00b3)", m_pObstacleVolume);
    figuresLayout->addLayout(totals);
    layout->addWidget(figuresBox, 1);

    m_pCalibration = new QGroupBox(this);
    auto* calibration = new QFormLayout(m_pCalibration);
    m_pPrincipalPoint = new QLabel(m_pCalibration);
    m_pDistortion = new QLabel(m_pCalibration);
    for (QLabel* label : {m_pPrincipalPoint, m_pDistortion})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    calibration->addRow("Principal point (px)", m_pPrincipalPoint);
    calibration->addRow("Distortion", m_pDistortion);
    // Below the camera table, which scrolls, its lines whole.
    m_pCalibration->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_pCalibration->hide();
    m_pCameras->parentWidget()->layout()->addWidget(m_pCalibration);

    connect(&m_view, &CVolumeView::computationFinished, this, [this] {
        if (m_pCameras->rowCount() != CameraRows())
            RebuildCameraRows();
        else
            for (int i = 0; i < m_pCameras->rowCount(); ++i)
                ShowCameraRow(i);
        ShowFigures();
        // A rig opened, undone or placed since: the same camera's calibration, if any.
        ShowCalibratedLens(m_nLensCamera);
    });
}

void CPlanningPanel::Refresh()
{
    ShowSettings();
    ShowThreshold();
    RebuildCameraRows();
    ShowFigures();
    ShowCalibratedLens(m_nLensCamera);
}

void CPlanningPanel::ShowCalibratedLens(int camera)
{
    m_nLensCamera = camera;
    const CCameraSet* cameras = AllocatedCameras();
    const bool shown = cameras && camera >= 0 && camera < CameraRows() && cameras->GetCalibratedLens(camera);
    m_pCalibration->setVisible(shown);
    if (!shown)
        return;
    const CalibratedLens& lens = *cameras->GetCalibratedLens(camera);
    m_pCalibration->setTitle(QString("Calibration of camera %1").arg(camera + 1));
    m_pPrincipalPoint->setText(SettingText(lens.cx) + ", " + SettingText(lens.cy));
    QStringList coefficients;
    for (const double d : lens.distortion)
        coefficients << SettingText(d);
    m_pDistortion->setText(coefficients.isEmpty() ? QString("none") : coefficients.join(", "));
}

void CPlanningPanel::ShowSettings()
{
    const PlanningSettings& s = GetPlanningSettings();
    for (int n = 0; n < kSettingCount; ++n)
        m_settingBoxes[n]->setText(SettingText(s.*kSettingFields[n].value));
}

void CPlanningPanel::OnSettingEdited(int setting)
{
    QLineEdit* box = m_settingBoxes[setting];
    double PlanningSettings::*field = kSettingFields[setting].value;
    PlanningSettings s = GetPlanningSettings();
    bool ok = false;
    const double value = box->text().trimmed().toDouble(&ok);
    if (ok && value == s.*field) {
        box->setText(SettingText(value));
        return;
    }
    // Text that is no number is named by the check like any other refusal.
    s.*field = ok ? value : std::numeric_limits<double>::quiet_NaN();
    if (const std::optional<std::string> reason = CheckPlanningSettings(s)) {
        m_prompts.ShowMessage("The planning setting is refused: " + *reason + ". The previous value is kept.",
                              kRefusedCaption, PromptButtons::Ok);
        box->setText(SettingText(GetPlanningSettings().*field));
        return;
    }
    SetPlanningSettings(s);
    box->setText(SettingText(value));
    for (int i = 0; i < m_pCameras->rowCount(); ++i)
        ShowCameraRow(i);
    RequestPlanningUpdate();
}

void CPlanningPanel::RebuildCameraRows()
{
    const int rows = CameraRows();
    m_pCameras->setRowCount(0);
    m_pCameras->setRowCount(rows);
    for (int i = 0; i < rows; ++i) {
        m_pCameras->setItem(i, kColNumber, ReadOnlyItem(QString::number(i + 1)));
        auto* type = new QComboBox(m_pCameras);
        for (int t = 0; t < kCameraTypeCount; ++t)
            type->addItem(QString::fromStdString(CameraTypeName(t)));
        type->addItem(kCustomTypeName);
        connect(type, &QComboBox::activated, this, [this, i](int index) { OnTypeChosen(i, index); });
        m_pCameras->setCellWidget(i, kColType, type);
        for (const int column : {kColPixelsX, kColPixelsY}) {
            auto* box = new CPanelEdit(m_pCameras);
            connect(box, &QLineEdit::editingFinished, this, [this, i] { OnCustomPixelsEdited(i); });
            m_pCameras->setCellWidget(i, column, box);
        }
        m_pCameras->setItem(i, kColReach, ReadOnlyItem(kNoFigure));
        m_pCameras->setItem(i, kColUnique, ReadOnlyItem(kNoFigure));
        ShowCameraRow(i);
    }
}

void CPlanningPanel::ShowCameraRow(int camera)
{
    const CCameraSet* cameras = AllocatedCameras();
    if (!cameras)
        return;
    const int type = cameras->GetCameraType(camera);
    const bool custom = type == kCustomCameraType;
    static_cast<QComboBox*>(m_pCameras->cellWidget(camera, kColType))
        ->setCurrentIndex(custom ? kCameraTypeCount : type);
    const int pixelsX = cameras->GetSensorPixelsX(camera);
    const int pixelsY = cameras->GetSensorPixelsY(camera);
    const std::pair<int, int> pixelBoxes[] = {{kColPixelsX, pixelsX}, {kColPixelsY, pixelsY}};
    for (const auto& [column, pixels] : pixelBoxes) {
        auto* box = static_cast<QLineEdit*>(m_pCameras->cellWidget(camera, column));
        box->setText(QString::number(pixels));
        box->setEnabled(custom);
    }

    const double reachMm = CameraReachOf(*cameras, camera, GetPlanningSettings());
    m_pCameras->item(camera, kColReach)
        ->setText(std::isfinite(reachMm) ? QString::number(reachMm / 1000.0, 'f', 2) : QString(kNoFigure));

    QString unique = kNoFigure;
    const CPlanningMeasures& planning = m_view.GetPlanning();
    if (planning.HasResults() && camera < static_cast<int>(planning.GetCameraFigures().size())) {
        const CPlanningMeasures::CameraFigures& figures = planning.GetCameraFigures()[static_cast<size_t>(camera)];
        if (figures.counted)
            unique = CubicMetres(planning.VolumeOf(figures.uniqueTriangulable));
    }
    m_pCameras->item(camera, kColUnique)->setText(unique);
    // A new sensor drops the calibration made in the old one's pixels.
    if (camera == m_nLensCamera)
        ShowCalibratedLens(camera);
}

void CPlanningPanel::OnTypeChosen(int camera, int index)
{
    CCameraSet* cameras = AllocatedCameras();
    if (!cameras || camera >= CameraRows())
        return;
    if (index == kCameraTypeCount) {
        // Custom starts from the pixels the camera has, ready to be edited.
        if (cameras->GetCameraType(camera) != kCustomCameraType)
            cameras->SetCustomPixels(camera, cameras->GetSensorPixelsX(camera), cameras->GetSensorPixelsY(camera));
    } else if (index == cameras->GetCameraType(camera) || !cameras->SetCameraType(camera, index)) {
        ShowCameraRow(camera);
        return;
    }
    ShowCameraRow(camera);
    RequestPlanningUpdate();
}

void CPlanningPanel::OnCustomPixelsEdited(int camera)
{
    CCameraSet* cameras = AllocatedCameras();
    if (!cameras || camera >= CameraRows() || cameras->GetCameraType(camera) != kCustomCameraType)
        return;
    const auto read = [this, camera](int column, bool& ok) {
        return static_cast<QLineEdit*>(m_pCameras->cellWidget(camera, column))->text().trimmed().toInt(&ok);
    };
    bool okX = false;
    bool okY = false;
    const int pixelsX = read(kColPixelsX, okX);
    const int pixelsY = read(kColPixelsY, okY);
    if (okX && okY && pixelsX == cameras->GetSensorPixelsX(camera) && pixelsY == cameras->GetSensorPixelsY(camera)) {
        ShowCameraRow(camera);
        return;
    }
    if (!okX || !okY || !cameras->SetCustomPixels(camera, pixelsX, pixelsY)) {
        m_prompts.ShowMessage(kCustomPixelsRefused, kRefusedCaption, PromptButtons::Ok);
        ShowCameraRow(camera);
        return;
    }
    ShowCameraRow(camera);
    RequestPlanningUpdate();
}

void CPlanningPanel::ShowFigures()
{
    const CPlanningMeasures& planning = m_view.GetPlanning();
    if (!planning.HasResults()) {
        m_pCounts->setRowCount(0);
        for (QLabel* label :
             {m_pTriangulable, m_pWithinSigma, m_pMedianSigma, m_pOccludedMean, m_pUnoccluded, m_pObstacleVolume})
            label->setText(kNoFigure);
        return;
    }
    const std::vector<uint64_t>& seen = planning.SeenAtLeast();
    const std::vector<uint64_t>& marker = planning.MarkerAtLeast();
    // Row k - 1 holds "at least k cameras"; at least 0 is the whole grid.
    const int rows = seen.empty() ? 0 : static_cast<int>(seen.size()) - 1;
    m_pCounts->setRowCount(rows);
    for (int k = 1; k <= rows; ++k) {
        m_pCounts->setVerticalHeaderItem(k - 1, new QTableWidgetItem(QString("\u2265 %1").arg(k)));
        const size_t at = static_cast<size_t>(k);
        m_pCounts->setItem(k - 1, 0, ReadOnlyItem(CubicMetres(planning.VolumeOf(seen[at]))));
        m_pCounts->setItem(k - 1, 1,
                           ReadOnlyItem(at < marker.size() ? CubicMetres(planning.VolumeOf(marker[at])) : kNoFigure));
        m_pCounts->setItem(k - 1, 2, ReadOnlyItem(ShareOfRoom(seen[at], seen[0])));
        m_pCounts->setItem(k - 1, 3, ReadOnlyItem(at < marker.size() ? ShareOfRoom(marker[at], seen[0]) : kNoFigure));
    }
    m_pCounts->setMinimumHeight(m_pCounts->horizontalHeader()->sizeHint().height() +
                                m_pCounts->verticalHeader()->length() + 2 * m_pCounts->frameWidth());
    m_pTriangulable->setText(CubicMetres(planning.VolumeOf(planning.TriangulableCount())));
    m_pWithinSigma->setText(CubicMetres(planning.VolumeOf(planning.WithinSigmaCount())));
    const double median = planning.Sigma3dMedian();
    m_pMedianSigma->setText(std::isfinite(median) ? QString::number(median, 'f', 3) : QString(kNoFigure));
    const double occluded = planning.OccludedMeanDeg();
    m_pOccludedMean->setText(std::isfinite(occluded) ? QString::number(occluded, 'f', 1) : QString(kNoFigure));
    m_pUnoccluded->setText(CubicMetres(planning.VolumeOf(planning.UnoccludedCount())));
    const CCoverageVolume& volume = m_view.Renderer().GetVolume();
    m_pObstacleVolume->setText(volume.GetOcclusion() ? CubicMetres(ObstacleVolumeM3(volume)) : QString(kNoFigure));
}

void CPlanningPanel::RequestPlanningUpdate()
{
    emit stored();
    m_view.RequestPlanningUpdate();
    m_view.RequestRepaint();
}

void CPlanningPanel::ShowThreshold()
{
    const std::optional<QualityThreshold> threshold = m_view.GetQualityThreshold();
    m_pThresholdOp->setCurrentIndex(threshold ? static_cast<int>(threshold->op) + 1 : 0);
    m_pThresholdValue->setText(threshold ? QString::number(threshold->value, 'g', 7) : QString("0"));
    m_pThresholdValue->setEnabled(threshold.has_value());
}

void CPlanningPanel::OnThresholdEdited()
{
    const int index = m_pThresholdOp->currentIndex();
    std::optional<QualityThreshold> threshold;
    if (index > 0) {
        bool ok = false;
        const float value = m_pThresholdValue->text().trimmed().toFloat(&ok);
        if (!ok || !std::isfinite(value)) {
            m_prompts.ShowMessage(kThresholdRefused, kRefusedCaption, PromptButtons::Ok);
            ShowThreshold();
            return;
        }
        threshold = QualityThreshold{static_cast<unsigned>(index - 1), value};
    }
    if (threshold == m_view.GetQualityThreshold()) {
        ShowThreshold();
        return;
    }
    m_view.SetQualityThreshold(threshold);
    ShowThreshold();
    m_view.RequestRepaint();
}
