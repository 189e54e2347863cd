#pragma once

#include "render/ViewNavigation.h"
#include "render/ViewStyleControl.h"

inline constexpr const char* kWaitingMessage = "Performing Calculations. Please Wait...";

// The classic picture in its fixed 1000 x 725 layout: the scene turned a
// degree a pixel, panned a fixed step a motion with Shift held, zoomed by
// the buttons, with the scale rows, the legend inset and the status strip.
class CClassicStyle : public CViewStyleControl
{
  public:
    explicit CClassicStyle(CViewNavigation& navigation) : m_navigation(navigation) {}

    void OnButtonDown(unsigned keyStateFlags) override;
    void OnLeftButtonUp() override {}
    void OnMouseMove(int x, int y) override;
    bool OnKeyDown(unsigned key) override;
    // The classic view has no wheel zoom.
    void OnWheel(int, int, int) override {}
    void ZoomIn() override;
    void ZoomOut() override;
    // The classic picture has its fixed framing.
    void FitRoom() override {}
    void Draw(const ViewFrame& frame) override;

    // The scale rows along the room's edges; Y alone at start.
    void SetScaleRows(bool x, bool y, bool z);
    void ToggleXScale() { m_bShowXScale = !m_bShowXScale; }
    void ToggleYScale() { m_bShowYScale = !m_bShowYScale; }
    void ToggleZScale() { m_bShowZScale = !m_bShowZScale; }

    // The waiting text at the status strip's lower edge, over whatever frame is there.
    static void DrawWaitingMessage(DrawColor* colors);

  private:
    void DrawMainScene(const ViewFrame& frame);
    void DrawLegendInset(const ViewFrame& frame) const;
    void DrawStatusStrip(const ViewFrame& frame) const;

    CViewNavigation& m_navigation;
    bool m_bShowXScale = false;
    bool m_bShowYScale = true;
    bool m_bShowZScale = false;
};
