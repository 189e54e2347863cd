#include "scene/SceneSettings.h"

#include <gtest/gtest.h>

namespace {

class SceneSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { CreateSceneSettings(); }
    void TearDown() override { DestroySceneSettings(); }
    SceneSettings& s() { return *GetSceneSettings(); }
};

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

} // namespace
