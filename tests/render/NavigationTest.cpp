#include "render/SceneRenderer.h"

#include <gtest/gtest.h>

namespace
{

// The navigation is plain arithmetic on the view state: no GL context.
class NavigationTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_nLastMouseX = 0;
        g_nLastMouseY = 0;
    }

    CSceneRenderer m_renderer;
};

TEST_F(NavigationTest, ButtonPressRegistersOnlyWithoutModifiers)
{
    struct Case {
        unsigned flags;
        bool left;
        bool right;
    };
    const Case cases[] = {
        {kButtonFlagLeft, true, false},
        {kButtonFlagRight, false, true},
        {kButtonFlagLeft | kButtonFlagShift, false, false},
        {kButtonFlagLeft | kButtonFlagControl, false, false},
        {kButtonFlagLeft | kButtonFlagRight, false, false},
        {kButtonFlagRight | kButtonFlagMiddle, false, false},
        {0, false, false},
    };
    for (const Case& c : cases) {
        CSceneRenderer renderer;
        renderer.OnButtonDown(c.flags);
        EXPECT_EQ(renderer.IsLeftButtonDown(), c.left) << "flags " << c.flags;
        EXPECT_EQ(renderer.IsRightButtonDown(), c.right) << "flags " << c.flags;
    }
}

TEST_F(NavigationTest, ShiftBeforeButtonNeitherTurnsNorPansUntilPressedAgain)
{
    m_renderer.OnKeyDown(kKeyShift);
    m_renderer.OnButtonDown(kButtonFlagLeft | kButtonFlagShift);
    m_renderer.OnMouseMove(40, -30);
    EXPECT_EQ(m_renderer.GetView(), ViewPose{});

    // Pressed again without the Shift flag, while Shift is still held: a pan.
    m_renderer.OnButtonDown(kButtonFlagLeft);
    m_renderer.OnMouseMove(45, -30);
    const ViewPose view = m_renderer.GetView();
    EXPECT_EQ(view.yaw, 0.0f);
    EXPECT_EQ(view.panX, 0.01f);
    EXPECT_EQ(view.panY, -0.01f);
}

TEST_F(NavigationTest, ShiftDragMovesByFixedStepsWhateverTheDistance)
{
    m_renderer.OnButtonDown(kButtonFlagLeft);
    m_renderer.OnKeyDown(kKeyShift);
    float expectedX = 0.0f;
    float expectedY = 0.0f;
    // Straight right: +x, and -y because "up" of zero counts as down.
    int x = 0;
    for (int length : {1, 7, 250}) {
        x += length;
        m_renderer.OnMouseMove(x, 0);
        expectedX += 0.01f;
        expectedY -= 0.01f;
        EXPECT_EQ(m_renderer.GetView().panX, expectedX);
        EXPECT_EQ(m_renderer.GetView().panY, expectedY);
    }
    // Straight up (y falls on screen): both grow.
    for (int y : {-3, -90}) {
        m_renderer.OnMouseMove(x, y);
        expectedX += 0.01f;
        expectedY += 0.01f;
    }
    // Left and down.
    m_renderer.OnMouseMove(x - 5, 10);
    expectedX -= 0.01f;
    expectedY -= 0.01f;
    EXPECT_EQ(m_renderer.GetView().panX, expectedX);
    EXPECT_EQ(m_renderer.GetView().panY, expectedY);
    EXPECT_EQ(m_renderer.GetView().yaw, 0.0f);

    // Shift released: the same drag turns again.
    m_renderer.OnKeyUp(kKeyShift);
    m_renderer.OnMouseMove(x + 10, 10);
    EXPECT_EQ(m_renderer.GetView().yaw, 15.0f);
    EXPECT_EQ(m_renderer.GetView().panX, expectedX);
}

TEST_F(NavigationTest, DragsMeasureFromTheLastMotionSeenWithOrWithoutButtons)
{
    // Motion without a button still moves the reference point.
    m_renderer.OnMouseMove(300, 200);
    m_renderer.OnButtonDown(kButtonFlagLeft);
    m_renderer.OnMouseMove(310, 200);
    EXPECT_EQ(m_renderer.GetView().yaw, 10.0f);
    m_renderer.OnMouseMove(290, 200);
    EXPECT_EQ(m_renderer.GetView().yaw, -10.0f);

    // Both buttons act on the same motion: left turns, right tilts by the upward motion.
    m_renderer.OnButtonDown(kButtonFlagRight);
    m_renderer.OnMouseMove(295, 180);
    EXPECT_EQ(m_renderer.GetView().yaw, -5.0f);
    EXPECT_EQ(m_renderer.GetView().pitch, 20.0f);

    m_renderer.OnLeftButtonUp();
    m_renderer.OnMouseMove(400, 190);
    EXPECT_EQ(m_renderer.GetView().yaw, -5.0f);
    EXPECT_EQ(m_renderer.GetView().pitch, 10.0f);
    m_renderer.OnRightButtonUp();
    m_renderer.OnMouseMove(0, 0);
    EXPECT_EQ(m_renderer.GetView().pitch, 10.0f);
    EXPECT_EQ(g_nLastMouseX, 0);
}

TEST_F(NavigationTest, KeysPanByTenthsAndOnlyEscapeAsksToEnd)
{
    EXPECT_FALSE(m_renderer.OnKeyDown(kKeyLeft));
    EXPECT_FALSE(m_renderer.OnKeyDown(kKeyLeft));
    EXPECT_FALSE(m_renderer.OnKeyDown(kKeyRight));
    EXPECT_FALSE(m_renderer.OnKeyDown(kKeyUp));
    EXPECT_FALSE(m_renderer.OnKeyDown(kKeyUp));
    EXPECT_FALSE(m_renderer.OnKeyDown(kKeyDown));
    EXPECT_FALSE(m_renderer.OnKeyDown(kKeyUp));
    EXPECT_FALSE(m_renderer.OnKeyDown('A'));
    float x = 0.0f;
    x -= 0.1f;
    x -= 0.1f;
    x += 0.1f;
    float y = 0.0f;
    y += 0.1f;
    y += 0.1f;
    y -= 0.1f;
    y += 0.1f;
    EXPECT_EQ(m_renderer.GetView().panX, x);
    EXPECT_EQ(m_renderer.GetView().panY, y);
    EXPECT_TRUE(m_renderer.OnKeyDown(kKeyEscape));
}

TEST_F(NavigationTest, HomeViewIsKeptByResetAndRestoredExactly)
{
    m_renderer.OnButtonDown(kButtonFlagLeft);
    m_renderer.OnMouseMove(33, 0);
    m_renderer.OnKeyDown(kKeyUp);
    m_renderer.ZoomIn();
    m_renderer.ZoomIn();
    m_renderer.ZoomOut();
    m_renderer.OnButtonDown(kButtonFlagRight);
    m_renderer.OnMouseMove(33, -12);
    const ViewPose home = m_renderer.GetView();
    EXPECT_EQ(home, (ViewPose{33.0f, 12.0f, 0.0f, 0.1f, 0.5f}));
    m_renderer.SetHome();

    m_renderer.OnMouseMove(70, 40);
    m_renderer.OnKeyDown(kKeyRight);
    m_renderer.ZoomOut();
    ASSERT_NE(m_renderer.GetView(), home);

    m_renderer.ResetHome();
    EXPECT_EQ(m_renderer.GetView(), ViewPose{});
    EXPECT_EQ(m_renderer.GetHomeView(), home);
    m_renderer.GoHome();
    EXPECT_EQ(m_renderer.GetView(), home);
}

TEST_F(NavigationTest, NegativeScaleDivisionsDrawOnlyTheCornerTick)
{
    m_renderer.SetScaleDivisions(-3);
    EXPECT_EQ(m_renderer.GetScaleDivisions(), 0u);
}

} // namespace
