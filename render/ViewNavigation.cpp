#include "render/ViewNavigation.h"

int g_nLastMouseX = 0;
int g_nLastMouseY = 0;

void CViewNavigation::SetPerspective()
{
    m_bPerspective = true;
    m_bOrthographic = false;
}

void CViewNavigation::SetOrthographic()
{
    m_bPerspective = false;
    m_bOrthographic = true;
}
