#include "report/ReportPictures.h"

#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "render/OffscreenContext.h"
#include "render/QualityLegend.h"
#include "render/SceneRenderer.h"
#include "render/planner/PlannerLabels.h"
#include "report/ReportFigures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace
{

// The orthographic window is 10 x 10 scene units over a 1000 x 680 viewport.
constexpr float kOrthoUnits = 10.0f;
constexpr float kViewportAspect = 1000.0f / 680.0f;
// The camera of the frame stands this far from the room's centre.
constexpr float kEyeDistance = 10.0f;
// The fixed frame: the status strip's rows above the main viewport.
constexpr int kStatusRows = 45;
// The legend insets, x, width and height, at the bottom right of the frame.
constexpr int kLegendInset[3] = {800, 200, 225};
// Far enough that nothing of the room is left in the frame.
constexpr float kOutOfSightPan = 1.0e4f;
// Rulers along X and Z of the plan.
constexpr int kPlanRulerDivisions = 10;
// Camera numbers and aim arrows on the plan, pixels.
constexpr int kMarkFontPx = 22;
constexpr double kMarkRadiusPx = 17.0;
constexpr double kArrowLengthPx = 60.0;
constexpr int kLegendGapPx = 16;

std::string ShortText(float v)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);
    return std::string(text, result.ptr);
}

void DrawMark(QPainter& painter, const PlanMark& mark, const QPointF& at)
{
    const QColor ink = mark.counted ? QColor(255, 255, 255) : QColor(150, 150, 150);
    if (mark.aimX != 0.0 || mark.aimZ != 0.0) {
        // Seen from above X runs right and Z up, and the image's rows run down.
        const QPointF tip = at + QPointF(mark.aimX, -mark.aimZ) * kArrowLengthPx;
        const QPointF along = (tip - at) / kArrowLengthPx;
        const QPointF side(-along.y(), along.x());
        painter.setPen(QPen(QColor(255, 140, 0), 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(at, tip);
        QPainterPath head;
        head.moveTo(tip + along * 4.0);
        head.lineTo(tip - along * 14.0 + side * 8.0);
        head.lineTo(tip - along * 14.0 - side * 8.0);
        head.closeSubpath();
        painter.fillPath(head, QColor(255, 140, 0));
    }
    painter.setPen(QPen(QColor(0, 0, 0), 2));
    painter.setBrush(ink);
    painter.drawEllipse(at, kMarkRadiusPx, kMarkRadiusPx);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(at.x() - 2 * kMarkRadiusPx, at.y() - kMarkRadiusPx, 4 * kMarkRadiusPx, 2 * kMarkRadiusPx),
                     Qt::AlignCenter,
                     mark.text.empty() ? QString::number(mark.number) : QString::fromStdString(mark.text));
}

} // namespace

std::vector<PlanMark> PlanMarks(const std::vector<CameraRow>& cameras)
{
    std::vector<PlanMark> marks;
    std::vector<Vec3d> places;
    std::vector<uint32_t> numbers;
    for (const CameraRow& c : cameras) {
        marks.push_back({c.number, c.position.x, c.position.z, c.aimX, c.aimZ, c.counted, {}});
        places.push_back(c.position);
        numbers.push_back(c.number);
    }
    // Grouped as the window's Planner view groups its camera numbers.
    for (const CameraLabel& group : GroupCameraLabels(places, numbers))
        if (group.numbers.size() > 1)
            for (PlanMark& mark : marks)
                if (std::find(group.numbers.begin(), group.numbers.end(), mark.number) != group.numbers.end())
                    mark.text = group.text;
    return marks;
}

std::string DisplayName(const ReportDisplay& display)
{
    if (display.quality) {
        std::string name = std::string("Quality display: ") + PlanningMeasureName(display.measure);
        if (const std::string unit = PlanningMeasureUnit(display.measure); !unit.empty())
            name += " (" + unit + ")";
        if (display.threshold)
            name +=
                ", only where " + ComparisonOpText(display.threshold->op) + " " + ShortText(display.threshold->value);
        return name;
    }
    if (display.view2d)
        return "camera-count layers, red where the camera count condition holds";
    if (display.selective)
        return "the voxels every enabled camera sees";
    return "resolution map of camera " + std::to_string(display.resolutionCamera + 1);
}

CReportScene::CReportScene() = default;

CReportScene::~CReportScene()
{
    if (m_renderer && m_context && m_context->MakeCurrent())
        m_renderer->ReleaseGL();
    m_renderer.reset();
}

std::optional<std::string> CReportScene::Compute(const Plan& plan, const CCameraSet& calibration,
                                                 const ReportDisplay& display,
                                                 std::shared_ptr<const CObstacleSet> obstacles)
{
    m_context = std::make_unique<COffscreenContext>();
    if (!m_context->Create())
        return "Cannot draw without an OpenGL context: " + m_context->GetError();
    m_renderer = std::make_unique<CSceneRenderer>();
    CSceneRenderer& renderer = *m_renderer;
    renderer.InitGL();
    m_display = display;
    renderer.LoadPlan(plan);
    renderer.LoadCalibration(calibration);
    renderer.SetDisplaySwitches(display.view2d, display.selective, display.testMode);
    renderer.ShowResolutionMap(display.resolutionCamera);
    renderer.SetPlanningEnabled(true);
    renderer.SetQualityDisplay(display.quality);
    renderer.SetQualityMeasure(display.measure);
    renderer.SetQualityThreshold(display.threshold);
    if (obstacles && !obstacles->IsEmpty())
        renderer.SetObstacles(std::move(obstacles));
    renderer.Render();
    if (const auto message = renderer.TakeComputationMessage())
        return *message;
    return std::nullopt;
}

const CCoverageVolume& CReportScene::Volume() const
{
    return m_renderer->GetVolume();
}

const CoverageInput& CReportScene::Input() const
{
    return m_renderer->GetComputedInput();
}

const CPlanningMeasures& CReportScene::Planning() const
{
    return m_renderer->GetPlanning();
}

QImage CReportScene::Frame()
{
    m_renderer->Render();
    const CFrameImage frame = m_context->ReadPixels();
    QImage image(frame.m_nWidth, frame.m_nHeight, QImage::Format_RGBA8888);
    const size_t row = static_cast<size_t>(frame.m_nWidth) * 4;
    for (int y = 0; y < frame.m_nHeight; ++y)
        std::memcpy(image.scanLine(frame.m_nHeight - 1 - y), &frame.m_pixels[static_cast<size_t>(y) * row], row);
    image = image.convertToFormat(QImage::Format_RGB32);
    // The strip's far right holds no text: the background the frame was cleared to.
    QPainter(&image).fillRect(0, 0, image.width(), kStatusRows, QColor(image.pixel(image.width() - 1, 0)));
    return image;
}

QImage CReportScene::Legend()
{
    if (m_display.view2d && !m_display.quality)
        return {};
    if (!m_renderer->IsLegendShown())
        return {};
    const int x = m_display.quality ? kQualityLegendViewport[0] : kLegendInset[0];
    const int width = m_display.quality ? kQualityLegendViewport[2] : kLegendInset[1];
    const int height = m_display.quality ? kQualityLegendViewport[3] : kLegendInset[2];
    m_renderer->SetView({0.0f, -90.0f, kOutOfSightPan, kOutOfSightPan, 0.0f});
    const QImage frame = Frame();
    return frame.copy(x, frame.height() - height, width, height);
}

QImage CReportScene::DrawPerspective()
{
    const CoverageInput& room = Input();
    const std::array<float, 3> s = m_renderer->GetSceneScale();
    const float l = room.roomLength * std::fabs(s[0]);
    const float h = room.roomHeight * std::fabs(s[1]);
    const float w = room.roomWidth * std::fabs(s[2]);
    // The 60 degree field of view holds a sphere around the room at twice
    // its radius; a little farther keeps the nearest corner post and the
    // glyphs of the cameras on it in the frame (the 5 m room then sits where
    // the window shows it).
    const float radius = 0.5f * std::sqrt(l * l + h * h + w * w);
    m_renderer->SetPerspective();
    m_renderer->SetView({30.0f, -25.0f, 0.0f, 0.0f, kEyeDistance - 2.3f * radius});
    return Frame();
}

QImage CReportScene::PlanFrame()
{
    const CoverageInput& room = Input();
    const std::array<float, 3> saved = m_renderer->GetSceneScale();
    // One metre the same on screen along both axes, and the room filling 90 %
    // of the window: the picture only, the figures do not use these factors.
    const float across = std::max(room.roomLength, room.roomWidth * kViewportAspect);
    const float unit = 0.9f * kOrthoUnits / across;
    m_renderer->SetSceneScale({unit, unit, unit * kViewportAspect});
    m_renderer->SetOrthographic();
    m_renderer->SetView({0.0f, -90.0f, 0.0f, 0.0f, 0.0f});
    QImage image = Frame();
    m_renderer->SetSceneScale(saved);
    return image;
}

QImage CReportScene::DrawPlan(const std::vector<PlanMark>& marks, int shownLayers)
{
    const int layers = m_renderer->GetShownLayers();
    const unsigned divisions = m_renderer->GetScaleDivisions();
    m_renderer->SetShownLayers(shownLayers);
    m_renderer->SetScaleRows(true, false, true);
    m_renderer->SetScaleDivisions(kPlanRulerDivisions);
    // The legend goes beside the room, not over it.
    const bool legendShown = m_renderer->IsLegendShown();
    m_renderer->SetLegendShown(false);
    const QImage full = PlanFrame();
    const QImage plan = full.copy(0, kStatusRows, full.width(), full.height() - kStatusRows);
    m_renderer->SetLegendShown(legendShown);
    m_renderer->SetScaleRows(false, true, false);
    m_renderer->SetScaleDivisions(static_cast<int>(divisions));
    const QImage legend = Legend();
    m_renderer->SetShownLayers(layers);

    QImage image(plan.width() + (legend.isNull() ? 0 : legend.width() + kLegendGapPx), plan.height(),
                 QImage::Format_RGB32);
    image.fill(plan.pixel(0, 0));
    QPainter painter(&image);
    painter.drawImage(0, 0, plan);
    if (!legend.isNull())
        painter.drawImage(plan.width() + kLegendGapPx, 0, legend);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font("DejaVu Sans");
    font.setPixelSize(kMarkFontPx);
    font.setBold(true);
    painter.setFont(font);
    // The plan frame's scale: the room's centre at the viewport's, one metre
    // the same number of pixels along both axes.
    const CoverageInput& room = Input();
    const float across = std::max(room.roomLength, room.roomWidth * kViewportAspect);
    const double pixelsPerMetre = 0.9 * plan.width() / across;
    const double halfLength = 0.5 * room.roomLength, halfWidth = 0.5 * room.roomWidth;
    for (const PlanMark& mark : marks) {
        const QPointF at(0.5 * plan.width() + (mark.x - halfLength) * pixelsPerMetre,
                         0.5 * plan.height() + (halfWidth - mark.z) * pixelsPerMetre);
        DrawMark(painter, mark, at);
    }
    return image;
}

std::vector<QImage> CReportScene::DrawDifference(std::shared_ptr<const CCoverageDifference> difference)
{
    m_renderer->SetDifference(std::move(difference));
    std::vector<QImage> images{DrawPerspective(), PlanFrame()};
    m_renderer->SetDifference(nullptr);
    return images;
}
