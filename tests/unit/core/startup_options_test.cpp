// The settings record's defaults.
#include <gtest/gtest.h>

#include <cstring>

#include "core/startup_options.h"

TEST(StartupOptions, ResetKeepsActiveRunSettings)
{
    StartupOptions o;
    o.active_width = 640;
    o.width = 10;
    o.hud_visible = 0;
    o.ResetToDefaults();
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    EXPECT_STREQ(o.aa_mode, "Off");
    EXPECT_EQ(o.hud_visible, 1);
    EXPECT_EQ(o.active_width, 640);   // untouched until derived
    EXPECT_EQ(o.active_height, 1024);
    EXPECT_EQ(o.active_fullscreen, 1);
    EXPECT_FLOAT_EQ(o.tess_level, 32.0f);
}
