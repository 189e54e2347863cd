#include "report/ReportPictures.h"

#include "coverage/obstacles/ObstacleSet.h"
#include "render/OffscreenContext.h"
#include "render/SceneRenderer.h"
#include "scene/SceneSettings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

// The orthographic window is 10 x 10 scene units over a 1000 x 680 viewport.
constexpr float kOrthoUnits = 10.0f;
constexpr float kViewportAspect = 1000.0f / 680.0f;
// The camera of the frame stands this far from the room's centre.
constexpr float kEyeDistance = 10.0f;

struct ScaleFactors {
    float x, y, z;
};

ScaleFactors CurrentScale()
{
    return {g_fSceneScaleX, g_fSceneScaleY, g_fSceneScaleZ};
}

void ApplyScale(const ScaleFactors& s)
{
    g_fSceneScaleX = s.x;
    g_fSceneScaleY = s.y;
    g_fSceneScaleZ = s.z;
}

} // namespace

CReportScene::CReportScene() = default;

CReportScene::~CReportScene()
{
    if (m_renderer && m_context && m_context->MakeCurrent())
        m_renderer->ReleaseGL();
    m_renderer.reset();
}

std::optional<std::string> CReportScene::Compute(const ReportDisplay& display,
                                                 std::shared_ptr<const CObstacleSet> obstacles)
{
    m_context = std::make_unique<COffscreenContext>();
    if (!m_context->Create())
        return "Cannot draw without an OpenGL context: " + m_context->GetError();
    m_renderer = std::make_unique<CSceneRenderer>();
    CSceneRenderer& renderer = *m_renderer;
    renderer.InitGL();
    SceneSettings& settings = *GetSceneSettings();
    settings.Set2DView(display.view2d);
    settings.SetSelectiveCameras(display.selective);
    settings.SetTestMode(display.testMode);
    renderer.ShowResolutionMap(display.resolutionCamera);
    renderer.SetPlanningEnabled(true);
    renderer.SetQualityDisplay(display.quality);
    renderer.SetQualityMeasure(display.measure);
    renderer.SetQualityThreshold(display.threshold);
    if (obstacles && !obstacles->IsEmpty())
        renderer.SetObstacles(std::move(obstacles));
    settings.SetRecalculate(true);
    renderer.Render();
    if (const auto message = renderer.TakeComputationMessage())
        return *message;
    return std::nullopt;
}

const CCoverageVolume& CReportScene::Volume() const
{
    return m_renderer->GetVolume();
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
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage CReportScene::DrawPerspective()
{
    const SceneSettings& settings = *GetSceneSettings();
    const ScaleFactors s = CurrentScale();
    const float l = settings.GetRoomLength() * std::fabs(s.x);
    const float h = settings.GetRoomHeight() * std::fabs(s.y);
    const float w = settings.GetRoomWidth() * std::fabs(s.z);
    // The 60 degree field of view holds a sphere around the room at twice
    // its radius; a little farther keeps the nearest corner post and the
    // glyphs of the cameras on it in the frame (the 5 m room then sits where
    // the window shows it).
    const float radius = 0.5f * std::sqrt(l * l + h * h + w * w);
    m_renderer->SetPerspective();
    m_renderer->SetView({30.0f, -25.0f, 0.0f, 0.0f, kEyeDistance - 2.3f * radius});
    return Frame();
}

QImage CReportScene::DrawPlan()
{
    const SceneSettings& settings = *GetSceneSettings();
    const ScaleFactors saved = CurrentScale();
    // One metre the same on screen along both axes, and the room filling 90 %
    // of the window: the picture only, the figures do not use these factors.
    const float across = std::max(settings.GetRoomLength(), settings.GetRoomWidth() * kViewportAspect);
    const float unit = 0.9f * kOrthoUnits / across;
    ApplyScale({unit, unit, unit * kViewportAspect});
    m_renderer->SetOrthographic();
    m_renderer->SetView({0.0f, -90.0f, 0.0f, 0.0f, 0.0f});
    QImage image = Frame();
    ApplyScale(saved);
    return image;
}

std::vector<QImage> CReportScene::DrawDifference(std::shared_ptr<const CCoverageDifference> difference)
{
    m_renderer->SetDifference(std::move(difference));
    std::vector<QImage> images{DrawPerspective(), DrawPlan()};
    m_renderer->SetDifference(nullptr);
    return images;
}
