#include "render/CameraGlyphs.h"

#include "cameras/CameraSet.h"
#include "coverage/FrustumEdges.h"
#include "coverage/PlanningMeasures.h"
#include "render/BitmapText.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace
{

void Line(const Vec3d& a, const Vec3d& b)
{
    glVertex3d(a.x, a.y, a.z);
    glVertex3d(b.x, b.y, b.z);
}

} // namespace

CCameraGlyphs::CCameraGlyphs() : m_quadric(gluNewQuadric()) {}

CCameraGlyphs::~CCameraGlyphs()
{
    if (m_quadric)
        gluDeleteQuadric(m_quadric);
}

void CCameraGlyphs::Draw(const CPlanningMeasures* planning) const
{
    const CCameraSet* cameras = CCameraSet::Current();
    const SceneSettings* settings = GetSceneSettings();
    DrawColor* colors = GetDrawColor();
    if (!cameras || !cameras->IsAllocated() || !settings || !colors || !m_quadric)
        return;
    // The dialog keeps the range inside the set; a range reaching past it
    // must still never read a camera that does not exist.
    const uint32_t end = std::min(settings->GetEndCamera(), settings->GetCameraCount());
    for (uint32_t n = settings->GetFirstCamera(); n < end; ++n) {
        const int i = static_cast<int>(n);
        const Vec3d& p = cameras->GetPosition(i);

        glColor3dv(colors->AliceBlue());
        glPushMatrix();
        glTranslated(p.x, p.y, p.z);
        gluQuadricNormals(m_quadric, GLU_SMOOTH);
        gluSphere(m_quadric, 0.1, 40, 40);
        glPopMatrix();

        glDisable(GL_LIGHTING);
        glColor3dv(colors->Red());
        glRasterPos3d(p.x, p.y + 0.1, p.z);
        DrawBitmapText(std::to_string(n + 1).c_str());

        if (cameras->GetEnabled(i) == 1) {
            const Vec3d hPlus = p + Normalized(cameras->GetEdgeHPlus(i));
            const Vec3d hMinus = p + Normalized(cameras->GetEdgeHMinus(i));
            const Vec3d vPlus = p + Normalized(cameras->GetEdgeVPlus(i));
            const Vec3d vMinus = p + Normalized(cameras->GetEdgeVMinus(i));
            glBegin(GL_LINES);
            glColor3dv(colors->Brown());
            Line(p, hPlus);
            Line(p, hMinus);
            glColor3dv(colors->Yellow());
            Line(p, vPlus);
            Line(p, vMinus);
            if (planning && n < planning->GetCameraFigures().size()) {
                const double reachM = planning->GetCameraFigures()[n].reachMm / 1000.0;
                const Vec3d axis = OpticalAxis(EdgesOf(*cameras, i));
                if (std::isfinite(reachM)) {
                    glColor3dv(colors->Cyan());
                    Line(p, p + Vec3d{axis.x * reachM, axis.y * reachM, axis.z * reachM});
                }
            }
            glEnd();
        }
        glEnable(GL_LIGHTING);
    }
    glColor3dv(colors->White());
}
