#include "render/ClassicStyle.h"

#include "classic/ClassicState.h"

#include "coverage/CoverageController.h"
#include "render/AxesDrawer.h"
#include "render/BitmapText.h"
#include "render/CameraGlyphs.h"
#include "render/DifferenceLists.h"
#include "render/ObstacleDrawer.h"
#include "render/PlacementDrawer.h"
#include "render/QualityLegend.h"
#include "render/QualityLists.h"
#include "render/ResolutionLegend.h"
#include "render/RoomModel.h"
#include "render/VolumeListQueue.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>

namespace
{

// Viewports of the fixed 1000 x 725 layout, origin at the bottom left.
constexpr GLint kMainViewport[4] = {0, 0, 1000, 680};
constexpr GLint kLegendViewport[4] = {800, 0, 200, 225};
constexpr GLint kStatusViewport[4] = {0, 680, 1000, 45};
// The window's width over its full height, not over the main viewport's.
constexpr double kPerspectiveAspect = 1.3793103448275863;
constexpr double kNearPlane = 1.0;
constexpr float kPanStep = 0.01f;
constexpr float kArrowPanStep = 0.1f;
constexpr float kZoomStep = 0.5f;

void SetViewport(const GLint (&v)[4])
{
    glViewport(v[0], v[1], v[2], v[3]);
}

// The legend inset and the status strip share this projection: at z = -1 a
// scene unit is a tenth of the viewport.
void LoadInsetProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-5.0, 5.0, -5.0, 5.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawText(double x, double y, double z, const char* text)
{
    glRasterPos3d(x, y, z);
    DrawBitmapText(text);
}

} // namespace

void CClassicStyle::OnButtonDown(unsigned keyStateFlags)
{
    // Only a press with no other button or modifier held registers: a press
    // with Shift already down starts neither a turn nor a pan.
    if (keyStateFlags == kButtonFlagLeft)
        m_navigation.leftButton = true;
    else if (keyStateFlags == kButtonFlagRight)
        m_navigation.rightButton = true;
}

void CClassicStyle::OnMouseMove(int x, int y)
{
    const int dx = x - g_nLastMouseX;
    const int up = g_nLastMouseY - y;
    ViewPose& pose = m_navigation.Pose();
    if (m_navigation.leftButton) {
        if (m_navigation.shiftKey) {
            // A fixed step per motion message, whatever its length.
            pose.panX += dx >= 0 ? kPanStep : -kPanStep;
            pose.panY += up > 0 ? kPanStep : -kPanStep;
        } else {
            pose.yaw += static_cast<float>(dx);
        }
    }
    g_nLastMouseX = x;
    g_nLastMouseY = y;
    if (m_navigation.rightButton)
        pose.pitch += static_cast<float>(up);
}

bool CClassicStyle::OnKeyDown(unsigned key)
{
    ViewPose& pose = m_navigation.Pose();
    switch (key) {
    case kKeyLeft:
        pose.panX -= kArrowPanStep;
        return true;
    case kKeyUp:
        pose.panY += kArrowPanStep;
        return true;
    case kKeyRight:
        pose.panX += kArrowPanStep;
        return true;
    case kKeyDown:
        pose.panY -= kArrowPanStep;
        return true;
    default:
        return false;
    }
}

void CClassicStyle::ZoomIn()
{
    m_navigation.Pose().zoom += kZoomStep;
}

void CClassicStyle::ZoomOut()
{
    m_navigation.Pose().zoom -= kZoomStep;
}

void CClassicStyle::SetScaleRows(bool x, bool y, bool z)
{
    m_bShowXScale = x;
    m_bShowYScale = y;
    m_bShowZScale = z;
}

void CClassicStyle::Draw(const ViewFrame& frame)
{
    DrawMainScene(frame);
    if (frame.difference) {
        // Red and green need no key beyond the status strip's words.
    } else if (frame.results.IsQualityDisplay()) {
        if (frame.settings.GetShowLegend()) {
            SetViewport(kQualityLegendViewport);
            DrawQualityLegend(frame.qualityMeasure, frame.quality.GetScale(), frame.qualityThreshold);
        }
    } else if (!frame.settings.Get2DView() && frame.settings.GetShowLegend()) {
        DrawLegendInset(frame);
    }
    DrawStatusStrip(frame);
}

void CClassicStyle::DrawMainScene(const ViewFrame& frame)
{
    const SceneSettings& settings = frame.settings;
    DrawColor& colors = frame.colors;
    const CCoverageVolume& volume = frame.results.GetVolume();
    const CPlanningMeasures& planning = frame.results.GetPlanning();
    const ViewPose& pose = m_navigation.Pose();
    CRoomModel& room = frame.room;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (m_navigation.IsPerspective())
        gluPerspective(60.0, kPerspectiveAspect, kNearPlane, 100.0);
    else
        glOrtho(-5.0, 5.0, -5.0, 5.0, kNearPlane, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetViewport(kMainViewport);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glPushMatrix();
    glTranslated(0.0, 0.0, -10.0);
    // Under this translation alone, so the light stays put while the scene turns.
    room.ApplyLight();
    glTranslatef(0.0f, 0.0f, pose.zoom);
    glRotatef(-pose.pitch, 1.0f, 0.0f, 0.0f);

    glPushMatrix();
    glScalef(g_fSceneScaleX, g_fSceneScaleY, g_fSceneScaleZ);
    glTranslatef(pose.panX, 0.0f, 0.0f);
    glTranslatef(0.0f, pose.panY, 0.0f);
    glRotatef(pose.yaw, 0.0f, 1.0f, 0.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    if (settings.GetShowRoom())
        room.Draw();
    if (m_bShowXScale)
        frame.axes.DrawXScale(room, colors.Red());
    if (m_bShowYScale)
        frame.axes.DrawYScale(room, colors.Green());
    if (m_bShowZScale)
        frame.axes.DrawZScale(room, colors.Blue());
    const Vec3d& c0 = room.Corner(0);
    frame.axes.DrawAxes(c0.x - 0.5, c0.y - 0.1, c0.z + 0.5);
    frame.glyphs.Draw(frame.results.IsPlanningEnabled() && planning.HasResults() ? &planning : nullptr);
    frame.obstacles.Draw(frame.seeThrough);
    frame.placement.Draw();

    glPolygonMode(GL_FRONT_AND_BACK, frame.seeThrough ? GL_POINT : GL_FILL);
    if (frame.difference) {
        frame.difference->Draw(volume);
    } else if (frame.results.IsQualityDisplay()) {
        frame.quality.Draw(volume);
    } else {
        frame.volumeLists.Draw(volume, VolumeDisplayOf(ShownDisplay(settings, false)),
                               CVolumeLists::FacesToDraw(volume, frame.seeThrough, kNearPlane), frame.queueLists);
    }

    glPopMatrix();
    glPopMatrix();
    glColor3dv(colors.White());
}

void CClassicStyle::DrawLegendInset(const ViewFrame& frame) const
{
    LoadInsetProjection();
    SetViewport(kLegendViewport);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPushMatrix();
    DrawResolutionLegend(frame.results.GetVolume(), 0.0, 0.0, -1.0);
    glPopMatrix();
}

void CClassicStyle::DrawStatusStrip(const ViewFrame& frame) const
{
    const SceneSettings& settings = frame.settings;
    const std::string& diagnosis = frame.results.GetMapDiagnosis();
    LoadInsetProjection();
    SetViewport(kStatusViewport);
    glPushMatrix();
    glColor3dv(frame.colors.White());

    char text[64];
    std::snprintf(text, sizeof text, "Resolution for camera : %u",
                  static_cast<unsigned>(frame.results.GetVolume().GetResolutionCamera(ClassicRigCameraCount()) + 1));
    DrawText(-4.95, 2.0, -1.0, text);
    const bool selective = settings.GetSelectiveCameras();
    DrawText(-4.95, -1.5, -1.0, selective ? "Selective Cameras Volume: ON" : "Selective Cameras Volume: OFF");
    // Truncation applies only to the layered displays, not to the selective volume.
    DrawText(-4.95, -5.0, -1.0, selective ? "Volume Truncation: OFF" : "Volume Truncation: ON");
    if (frame.difference)
        DrawText(-2.0, 2.0, -1.0, "As built against the plan: triangulable lost red, gained green");
    else if (!selective && !settings.Get2DView() && !diagnosis.empty())
        DrawText(-2.0, 2.0, -1.0, diagnosis.c_str());
    glPopMatrix();
}

void CClassicStyle::DrawWaitingMessage(DrawColor* colors)
{
    // The status strip's projection is set here rather than taken over from
    // the last frame, so the message also shows before the first frame.
    LoadInsetProjection();
    SetViewport(kStatusViewport);
    if (colors)
        glColor3dv(colors->White());
    DrawText(0.0, -5.0, -1.0, kWaitingMessage);
}
