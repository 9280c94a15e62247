// The render window's key table and the guarded toggles.
#include "app/key_table.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "tests/unit/render_loop/fake_scene.h"

#include <gtest/gtest.h>

namespace {

using gridfall_test::FakeScene;

const SDL_Keycode kTableKeys[] = {SDLK_SPACE, SDLK_i, SDLK_p, SDLK_t, SDLK_F1, SDLK_F2};

TEST(KeyTable, BenchmarkRunsIgnoreEveryKeyButEscape)
{
    EXPECT_EQ(KeyActionFor(SDLK_ESCAPE, 1), RenderKeyAction::EndRun);
    for (SDL_Keycode key : kTableKeys)
        EXPECT_EQ(KeyActionFor(key, 1), RenderKeyAction::None) << key;
}

TEST(KeyTable, StabilityRunsMapEveryKeyOfTheTable)
{
    EXPECT_EQ(KeyActionFor(SDLK_ESCAPE, 2), RenderKeyAction::EndRun);
    EXPECT_EQ(KeyActionFor(SDLK_SPACE, 2), RenderKeyAction::ToggleTessellatedObject);
    EXPECT_EQ(KeyActionFor(SDLK_i, 2), RenderKeyAction::ToggleHud);
    EXPECT_EQ(KeyActionFor(SDLK_p, 2), RenderKeyAction::TogglePause);
    EXPECT_EQ(KeyActionFor(SDLK_t, 2), RenderKeyAction::ToggleTempGraphs);
    EXPECT_EQ(KeyActionFor(SDLK_F1, 2), RenderKeyAction::ToggleHelp);
    EXPECT_EQ(KeyActionFor(SDLK_F2, 2), RenderKeyAction::ToggleWireframe);
    EXPECT_EQ(KeyActionFor(SDLK_a, 2), RenderKeyAction::None);
    EXPECT_EQ(KeyActionFor(SDLK_RETURN, 2), RenderKeyAction::None);
}

class KeyToggleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hud_ = g_startup_options.hud_visible;
        graphs_ = g_startup_options.render_temp_graphs;
    }
    void TearDown() override
    {
        g_frame_stats.current_scene.store(nullptr);
        g_startup_options.hud_visible = hud_;
        g_startup_options.render_temp_graphs = graphs_;
    }
    uint8_t hud_ = 0;
    uint8_t graphs_ = 0;
};

TEST_F(KeyToggleTest, WithoutASceneNothingChanges)
{
    g_frame_stats.current_scene.store(nullptr);
    const uint8_t hud = g_startup_options.hud_visible;
    EXPECT_FALSE(ApplyKeyAction(RenderKeyAction::ToggleHud));
    EXPECT_FALSE(ApplyKeyAction(RenderKeyAction::ToggleWireframe));
    EXPECT_EQ(g_startup_options.hud_visible.get(), hud);
}

TEST_F(KeyToggleTest, EachToggleFlipsItsOwnFlagTwiceBack)
{
    FakeScene scene;
    g_frame_stats.current_scene.store(&scene);
    g_startup_options.hud_visible = 1;
    g_startup_options.render_temp_graphs = 0;

    EXPECT_TRUE(ApplyKeyAction(RenderKeyAction::ToggleTessellatedObject));
    EXPECT_EQ(scene.draw_tessellated_object.load(), 0);
    EXPECT_TRUE(ApplyKeyAction(RenderKeyAction::ToggleHelp));
    EXPECT_EQ(scene.showHelp.load(), 1);
    EXPECT_TRUE(ApplyKeyAction(RenderKeyAction::ToggleWireframe));
    EXPECT_EQ(scene.wireframe.load(), 1);
    EXPECT_TRUE(ApplyKeyAction(RenderKeyAction::TogglePause));
    EXPECT_EQ(scene.pauseRequests.load(), 1u);
    EXPECT_TRUE(ApplyKeyAction(RenderKeyAction::ToggleHud));
    EXPECT_EQ(g_startup_options.hud_visible.get(), 0);
    EXPECT_TRUE(ApplyKeyAction(RenderKeyAction::ToggleTempGraphs));
    EXPECT_EQ(g_startup_options.render_temp_graphs.get(), 1);

    ApplyKeyAction(RenderKeyAction::ToggleTessellatedObject);
    ApplyKeyAction(RenderKeyAction::ToggleHud);
    EXPECT_EQ(scene.draw_tessellated_object.load(), 1);
    EXPECT_EQ(g_startup_options.hud_visible.get(), 1);
    // Ending a run is the window's business, not a toggle.
    EXPECT_FALSE(ApplyKeyAction(RenderKeyAction::EndRun));
    EXPECT_FALSE(ApplyKeyAction(RenderKeyAction::None));
}

}  // namespace
