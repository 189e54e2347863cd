#pragma once

#include <GL/gl.h>

// The one light of the scene and the material emission applied with it. The
// room model owns it and fills it anew every frame before handing it to GL.
class CSceneLight
{
  public:
    GLfloat m_diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLfloat m_ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat m_specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLfloat m_position[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    GLfloat m_fConstantAttenuation = 1.0f;
    GLfloat m_fLinearAttenuation = 0.0f;
    GLfloat m_fQuadraticAttenuation = 0.0f;
    GLenum m_eLight = GL_LIGHT0;
    GLfloat m_emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};
