#include "scene/SceneSettings.h"
#include "scene/ShownDisplay.h"

#include <gtest/gtest.h>

namespace
{

class SceneSettingsTest : public ::testing::Test
{
  protected:
    void SetUp() override { CreateSceneSettings(); }
    void TearDown() override { DestroySceneSettings(); }
    SceneSettings& s() { return *GetSceneSettings(); }
};

TEST_F(SceneSettingsTest, ShownDisplayTakesQualityThenSelectiveThen2D)
{
    struct Case {
        bool quality, selective, twoD;
        WindowDisplay shown;
    };
    const Case cases[] = {
        {false, false, false, WindowDisplay::ResolutionMap},   {false, false, true, WindowDisplay::CameraCount2D},
        {false, true, false, WindowDisplay::SelectiveCameras}, {false, true, true, WindowDisplay::SelectiveCameras},
        {true, false, false, WindowDisplay::Quality},          {true, true, true, WindowDisplay::Quality},
    };
    for (const Case& c : cases) {
        s().SetSelectiveCameras(c.selective);
        s().Set2DView(c.twoD);
        EXPECT_EQ(ShownDisplay(s(), c.quality), c.shown) << c.quality << c.selective << c.twoD;
    }
}

TEST_F(SceneSettingsTest, FeetAreConvertedOnceWithTheInternationalFoot)
{
    s().SetUnits("F");
    s().SetRoomLength(10);
    s().SetRoomWidth(20);
    s().SetRoomHeight(8);
    s().ConvertToMetres();
    EXPECT_EQ(s().GetRoomLength(), 10.0f * 0.3048f);
    EXPECT_EQ(s().GetRoomWidth(), 20.0f * 0.3048f);
    EXPECT_EQ(s().GetRoomHeight(), 8.0f * 0.3048f);
    EXPECT_EQ(s().GetUnits(), "m");
    EXPECT_EQ(s().GetDisplayCeiling(), 4.0f); // half of 8, untouched by the conversion
    s().ConvertToMetres();
    EXPECT_EQ(s().GetRoomLength(), 10.0f * 0.3048f);
}

TEST_F(SceneSettingsTest, FreshObjectHoldsTheStartingScene)
{
    EXPECT_EQ(s().GetUnits(), "m");
    EXPECT_EQ(s().GetCameraCount() + s().GetFirstCamera() + s().GetEndCamera(), 0u);
    EXPECT_EQ(s().GetDisplayCeiling(), 0.0f);
    EXPECT_EQ(s().GetRoomCorner(), (Vec3d{-2.5, -2.5, 2.5}));
    EXPECT_TRUE(s().GetShowRoom() && s().GetShowLegend());
    EXPECT_FALSE(s().GetRecalculate() || s().Get2DView() || s().GetTestDataPending() || s().GetTestMode() ||
                 s().GetSelectiveCameras());
}

TEST_F(SceneSettingsTest, OnlyTheFourUnitLettersAreTakenAndOnlyFeetConvert)
{
    for (const char* ignored : {"ft", "feet", "mm", "", " ", "m "}) {
        s().SetUnits("F");
        s().SetUnits(ignored);
        EXPECT_EQ(s().GetUnits(), "F") << '"' << ignored << '"';
    }
    s().SetUnits("M");
    s().SetRoomLength(20);
    s().ConvertToMetres();
    EXPECT_EQ(s().GetRoomLength(), 20.0f);
    s().SetUnits("f");
    s().ConvertToMetres();
    EXPECT_NEAR(s().GetRoomLength(), 6.096, 1e-6); // not the 6.00 of a 0.3 factor
}

TEST_F(SceneSettingsTest, CountRangeCeilingAndCorner)
{
    s().SetFirstCamera(2);
    s().SetEndCamera(4);
    s().SetCameraCount(6);
    EXPECT_EQ(s().GetFirstCamera(), 2u);
    EXPECT_EQ(s().GetEndCamera(), 6u);

    s().SetRoomHeight(-3);
    EXPECT_EQ(s().GetDisplayCeiling(), -1.5f);
    s().SetRoomLength(4);
    s().SetRoomWidth(3);
    s().SetRoomHeight(2.5f);
    EXPECT_EQ(s().GetRoomCorner(), (Vec3d{-2.0, -1.25, 1.5}));
}

} // namespace
