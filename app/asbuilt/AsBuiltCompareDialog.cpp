#include "app/asbuilt/AsBuiltCompareDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace
{

QString Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString NumberList(const std::vector<uint32_t>& numbers)
{
    QStringList words;
    for (const uint32_t n : numbers)
        words << QString::number(n);
    return words.join(", ");
}

void Put(QTableWidget& table, int row, int column, const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (column > 0)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table.setItem(row, column, item);
}

QTableWidget* TableOf(const QStringList& headers, const char* name, QWidget* parent)
{
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

// k's volume, or none past the list.
QString VolumeAt(const std::vector<double>& volumes, size_t k)
{
    return k < volumes.size() ? Fixed(volumes[k], 3) : QString("0.000");
}

} // namespace

CAsBuiltCompareDialog::CAsBuiltCompareDialog(QWidget* parent)
    : QDialog(parent), m_pCalibration(new QLabel(this)), m_pAlignment(new QLabel(this)), m_pUnmatched(new QLabel(this)),
      m_pCameras(TableOf({"Plan camera", "As built", "Position (mm)", "Aim (deg)", "Roll (deg)", "Focal planned (mm)",
                          "Focal found (mm)"},
                         "asBuiltCameras", this)),
      m_pCoverage(TableOf({"Volume (m\u00b3)", "Planned", "As built", "Gained", "Lost"}, "asBuiltCoverage", this)),
      m_pNotes(new QLabel(this)), m_pDifference(new QCheckBox("Show the &Difference display in the view", this)),
      m_pReport(new QPushButton("Export &Report...", this))
{
    setWindowTitle("Compare with As Built");
    m_pAlignment->setObjectName("asBuiltAlignment");
    m_pNotes->setWordWrap(true);
    m_pUnmatched->setWordWrap(true);
    m_pDifference->setObjectName("showDifference");
    m_pDifference->setToolTip("Lost triangulable voxels red, gained green, unchanged hidden");
    connect(m_pDifference, &QCheckBox::toggled, this, &CAsBuiltCompareDialog::differenceToggled);
    connect(m_pReport, &QPushButton::clicked, this, &CAsBuiltCompareDialog::reportRequested);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The display belongs to the comparison: closing it shows the plan again.
    connect(this, &QDialog::finished, this, [this] { m_pDifference->setChecked(false); });

    auto* actions = new QHBoxLayout;
    actions->addWidget(m_pDifference);
    actions->addStretch(1);
    actions->addWidget(m_pReport);
    auto* layout = new QVBoxLayout;
    layout->addWidget(m_pCalibration);
    layout->addWidget(m_pAlignment);
    layout->addWidget(m_pCameras, 3);
    layout->addWidget(m_pUnmatched);
    layout->addWidget(new QLabel("Coverage:", this));
    layout->addWidget(m_pCoverage, 2);
    layout->addWidget(m_pNotes);
    layout->addLayout(actions);
    layout->addWidget(buttons);
    setLayout(layout);
    resize(760, 620);
}

void CAsBuiltCompareDialog::ShowFigures(const AsBuiltFigures& f, const QString& calibration)
{
    m_pCalibration->setText("The plan against " + calibration);
    m_pAlignment->setText(QString("Alignment: %1, cameras paired by %2; scale %3, rms %4 mm over %5 fitted cameras")
                              .arg(QString::fromStdString(f.method), QString::fromStdString(f.matching),
                                   Fixed(f.scale, 6), Fixed(f.rmsMm, 1), QString::number(f.fitted)));

    m_pCameras->setRowCount(static_cast<int>(f.cameras.size()));
    for (int row = 0; row < static_cast<int>(f.cameras.size()); ++row) {
        const AsBuiltFigures::Camera& c = f.cameras[static_cast<size_t>(row)];
        Put(*m_pCameras, row, 0, QString::number(c.planNumber));
        Put(*m_pCameras, row, 1, QString::number(c.asBuiltNumber) + " " + QString::fromStdString(c.asBuiltName));
        Put(*m_pCameras, row, 2, Fixed(c.positionMm, 1));
        Put(*m_pCameras, row, 3, Fixed(c.aimDeg, 2));
        Put(*m_pCameras, row, 4, Fixed(c.rollDeg, 2));
        Put(*m_pCameras, row, 5, Fixed(c.focalPlannedMm, 2));
        Put(*m_pCameras, row, 6, Fixed(c.focalFoundMm, 2));
    }
    QStringList unmatched;
    if (!f.unmatchedPlan.empty())
        unmatched << "Plan cameras without a partner: " + NumberList(f.unmatchedPlan);
    if (!f.unmatchedAsBuilt.empty())
        unmatched << "Cameras as built without a partner: " + NumberList(f.unmatchedAsBuilt);
    m_pUnmatched->setText(unmatched.join("\n"));
    m_pUnmatched->setVisible(!unmatched.isEmpty());

    // The triangulable volume first, then the marker seen by at least k cameras.
    const size_t ks =
        std::max({f.markerPlannedM3.size(), f.markerAsBuiltM3.size(), f.markerGainedM3.size(), f.markerLostM3.size()});
    m_pCoverage->setRowCount(static_cast<int>(ks) + 1);
    Put(*m_pCoverage, 0, 0, "Triangulable");
    Put(*m_pCoverage, 0, 1, Fixed(f.plannedM3, 3));
    Put(*m_pCoverage, 0, 2, Fixed(f.asBuiltM3, 3));
    Put(*m_pCoverage, 0, 3, Fixed(f.gainedM3, 3));
    Put(*m_pCoverage, 0, 4, Fixed(f.lostM3, 3));
    for (size_t k = 0; k < ks; ++k) {
        const int row = static_cast<int>(k) + 1;
        Put(*m_pCoverage, row, 0, QString("Marker seen by \u2265 %1").arg(k));
        Put(*m_pCoverage, row, 1, VolumeAt(f.markerPlannedM3, k));
        Put(*m_pCoverage, row, 2, VolumeAt(f.markerAsBuiltM3, k));
        Put(*m_pCoverage, row, 3, VolumeAt(f.markerGainedM3, k));
        Put(*m_pCoverage, row, 4, VolumeAt(f.markerLostM3, k));
    }

    QStringList notes;
    for (const std::string& note : f.notes)
        notes << QString::fromStdString(note);
    m_pNotes->setText(notes.isEmpty() ? QString() : "Placing the calibration assumed: " + notes.join("; "));
    m_pNotes->setVisible(!notes.isEmpty());
    ShowDifferenceState(false);
}

void CAsBuiltCompareDialog::ShowDifferenceState(bool on)
{
    const QSignalBlocker quiet(m_pDifference);
    m_pDifference->setChecked(on);
}

QString CAsBuiltCompareDialog::AlignmentText() const
{
    return m_pAlignment->text();
}
