#include "app/FloorMapPanel.h"

#include "app/BoxNumber.h"
#include "app/UserPrompts.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "report/FloorMaps.h"
#include "report/ReportBuilder.h"
#include "scene/SceneSettings.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QVBoxLayout>

#include <optional>
#include <string>

namespace
{

const char* const kRefusedCaption = "Invalid Action";
// The map's width in the panel; the drawing keeps the room's proportions.
constexpr int kShownWidthPx = 480;

QString HeightText(float m)
{
    return QString::number(m, 'g', 6);
}

} // namespace

CFloorMapPanel::CFloorMapPanel(CVolumeView& view, CUserPrompts& prompts, QWidget* parent)
    : QWidget(parent), m_view(view), m_prompts(prompts), m_fromM(ReportRequest{}.bandFromM),
      m_toM(ReportRequest{}.bandToM), m_pFrom(new QLineEdit(HeightText(m_fromM), this)),
      m_pTo(new QLineEdit(HeightText(m_toM), this)), m_pNote(new QLabel(this)), m_pMap(new QLabel(this))
{
    setWindowTitle("Floor Map");
    auto* layout = new QVBoxLayout(this);
    auto* band = new QFormLayout;
    band->addRow("Capture height from (m)", m_pFrom);
    band->addRow("to (m)", m_pTo);
    layout->addLayout(band);
    m_pNote->setWordWrap(true);
    layout->addWidget(m_pNote);
    layout->addWidget(m_pMap);
    layout->addStretch(1);
    for (QLineEdit* box : {m_pFrom, m_pTo})
        connect(box, &QLineEdit::returnPressed, this, &CFloorMapPanel::TakeBand);
    connect(&m_view, &CVolumeView::computationFinished, this, [this] {
        if (isVisible())
            Refresh();
    });
    Refresh();
}

void CFloorMapPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Refresh();
}

void CFloorMapPanel::TakeBand()
{
    const auto refuse = [this](const std::string& text) {
        m_pFrom->setText(HeightText(m_fromM));
        m_pTo->setText(HeightText(m_toM));
        m_prompts.ShowMessage(text, kRefusedCaption, PromptButtons::Ok);
    };
    const std::optional<float> from = ReadBoxNumber(m_pFrom->text().toStdString());
    const std::optional<float> to = ReadBoxNumber(m_pTo->text().toStdString());
    if (!from || *from < 0.0f)
        return refuse("Floor map: capture height from \"" + m_pFrom->text().toStdString() +
                      "\" is not a height in metres of 0 or more");
    if (!to || *to <= *from)
        return refuse("Floor map: capture height to \"" + m_pTo->text().toStdString() +
                      "\" is not a height in metres above the one it starts from");
    const SceneSettings* s = GetSceneSettings();
    if (s && *from > s->GetRoomHeight())
        return refuse("Floor map: the band starts above the room's height of " +
                      HeightText(s->GetRoomHeight()).toStdString() + " m");
    m_fromM = *from;
    m_toM = *to;
    Refresh();
}

void CFloorMapPanel::Refresh()
{
    const CCoverageVolume& volume = m_view.Renderer().GetVolume();
    const SceneSettings* s = GetSceneSettings();
    const CCameraSet* cameras = CCameraSet::Current();
    std::optional<FloorMap> map;
    if (s && cameras && volume.HasResults())
        map = CaptureBandMap(volume, s->GetRoomHeight(), m_fromM, m_toM);
    if (!map) {
        m_image = QImage();
        m_pMap->clear();
        m_pNote->setText(s && volume.HasResults()
                             ? "No voxel layer has its centre in the band: choose a wider band or smaller voxels."
                             : "No coverage yet: RENDER computes it.");
        return;
    }
    m_image = DrawFloorMap(*map, cameras->CountEnabledInRange(), s->GetRoomLength(), s->GetRoomWidth());
    m_pNote->clear();
    m_pMap->setPixmap(QPixmap::fromImage(m_image.scaledToWidth(kShownWidthPx, Qt::SmoothTransformation)));
}
