// The result and About dialogs on a real display: texts, read-only selectable fields, colours,
// buttons and links, the run chart, and how each dialog closes.
#include "app/ui/hyperlink.h"
#include "app/ui/result_dialog_view.h"
#include "app/ui/web_link.h"
#include "gpuinfo/siliscan.h"
#include "tests/e2e/ui/ui_test_support.h"

#include <cmath>
#include <cstring>

namespace {

using namespace uitest;

ResultTexts SampleTexts(bool withClocks)
{
    StartupOptions o;
    o.active_time_based = 1;
    o.active_duration_ms = 60000;
    o.client_width = 1280;
    o.client_height = 720;
    o.active_fullscreen = 0;
    RunResult r{41, 63, 55, 3210};
    SensorReadings s;
    s.max_temperature = 74.6f;
    if (withClocks) {
        s.gpu0_core_clock = 850;
        s.gpu0_memory_clock = 1200;
    }
    SystemInfo sys;
    std::strcpy(sys.renderer, "AMD Radeon HD 5870 (radeonsi, cypress, LLVM 15.0.6)");
    std::strcpy(sys.drivers, "radeon 2.50.0 - Mesa 22.3.6");
    std::strcpy(sys.cpu, "AMD Ryzen 7 5800X 8-Core Processor");
    std::strcpy(sys.cpu_speed, "3800 MHz");
    std::strcpy(sys.memory, "32768 MB");
    std::strcpy(sys.os, "Debian GNU/Linux 12 (bookworm)");
    return BuildResultTexts({o, r, 0, s, sys, Ridudedozu::kVendorAmd});
}

std::vector<RunPlotSample> SampleRun()
{
    std::vector<RunPlotSample> samples;
    for (int s = 1; s <= 56; ++s)
        samples.push_back(MakeRunPlotSample(s, 55 + 8 * std::sin(s / 5.0), 52 + 22 * (1 - std::exp(-s / 15.0))));
    return samples;
}

// Runs a dialog modally with `action` done once it shows; returns its response.
int RunModal(GtkWidget* dialog, std::function<void()> action)
{
    struct Ctx {
        std::function<void()> action;
        GtkWidget* dialog;
        bool acted = false;
    } ctx{std::move(action), dialog};
    const guint act = g_timeout_add(100, +[](gpointer p) -> gboolean {
        auto* c = static_cast<Ctx*>(p);
        c->acted = true;
        c->action();
        return G_SOURCE_REMOVE;
    }, &ctx);
    const guint guard = g_timeout_add(10000, +[](gpointer p) -> gboolean {
        gtk_dialog_response(GTK_DIALOG(static_cast<Ctx*>(p)->dialog), -999);
        return G_SOURCE_REMOVE;
    }, &ctx);
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    // Neither source may outlive ctx.
    if (!ctx.acted)
        g_source_remove(act);
    if (response != -999)
        g_source_remove(guard);
    return response;
}

class DialogViewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(GtkReady()) << "no display: run under Xvfb (DISPLAY)"; }
    Recorder recorder;
};

TEST_F(DialogViewTest, ResultFieldsAreReadOnlySelectableAndColoured)
{
    const ResultTexts texts = SampleTexts(true);
    GtkWidget* dialog = BuildResultDialog(texts, SampleRun());
    ASSERT_NE(dialog, nullptr);
    gtk_widget_show(dialog);
    Pump(50);
    EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(dialog))), texts.title);

    const std::pair<int, std::string> fields[] = {{1019, texts.score},
        {1024, texts.max_temperature}, {1041, texts.settings}, {1020, texts.fps},
        {1044, texts.codepath}, {1027, texts.renderer}, {1029, texts.drivers},
        {1046, texts.clocks}, {1031, texts.cpu}, {1034, texts.cpu_speed},
        {1036, texts.memory}, {1038, texts.os}};
    for (const auto& [id, text] : fields) {
        GtkWidget* field = DialogControl(dialog, id);
        ASSERT_NE(field, nullptr) << id;
        ASSERT_TRUE(GTK_IS_ENTRY(field)) << id;
        EXPECT_EQ(gtk_entry_get_text(GTK_ENTRY(field)), text) << id;
        EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(field))) << id;
        EXPECT_TRUE(gtk_widget_get_can_focus(field)) << id << " can be selected and copied";
        EXPECT_EQ(TextColor(field), (id == 1019 ? std::vector<int>{255, 0, 0}
                                                : std::vector<int>{60, 60, 180})) << id;
    }
    EXPECT_EQ(texts.clocks, "GPU:850MHz, mem:1200MHz");
    EXPECT_EQ(std::string(gtk_label_get_text(GTK_LABEL(DialogControl(dialog, 1047)))), texts.build);
    GtkWidget* plot = nullptr;
    for (GtkWidget* w = DialogControl(dialog, 1044); w && !plot; w = gtk_widget_get_parent(w))
        if (GTK_IS_GRID(w))
            plot = gtk_grid_get_child_at(GTK_GRID(w), 0, 6);
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(GTK_IS_DRAWING_AREA(plot));
    EXPECT_TRUE(gtk_widget_get_visible(plot));
    EXPECT_TRUE(Screenshot(dialog, "result_dialog"));
    gtk_widget_destroy(dialog);
}

TEST_F(DialogViewTest, ResultButtonsLinksAndClosing)
{
    GtkWidget* dialog = BuildResultDialog(SampleTexts(false), {});
    ASSERT_NE(dialog, nullptr);
    gtk_widget_show(dialog);
    Pump(50);
    gtk_button_clicked(GTK_BUTTON(DialogControl(dialog, 1133)));
    GtkWidget* more = DialogControl(dialog, 1140);
    SendCrossing(more, GDK_ENTER_NOTIFY);
    EXPECT_TRUE(HyperlinkIsUnderlined(more));
    Click(more);
    EXPECT_EQ(recorder.urls, (std::vector<std::string>{WebLinkUrl(101), WebLinkUrl(104)}));
    EXPECT_EQ(std::string(gtk_entry_get_text(GTK_ENTRY(DialogControl(dialog, 1046)))),
              "Data not available");

    EXPECT_EQ(RunModal(dialog, [&] { gtk_button_clicked(GTK_BUTTON(DialogControl(dialog, 1))); }),
              kResultOkResponse);
    // Escape closes it too.
    EXPECT_EQ(RunModal(dialog, [&] { SendKey(dialog, GDK_KEY_Escape); }),
              GTK_RESPONSE_DELETE_EVENT);
    gtk_widget_destroy(dialog);
}

TEST_F(DialogViewTest, ResultWithoutSamplesShowsNoChart)
{
    GtkWidget* dialog = BuildResultDialog(SampleTexts(false), {});
    ASSERT_NE(dialog, nullptr);
    gtk_widget_show_all(dialog);
    Pump(50);
    GtkWidget* grid = gtk_widget_get_parent(DialogControl(dialog, 1044));
    GtkWidget* plot = gtk_grid_get_child_at(GTK_GRID(grid), 0, 6);
    ASSERT_TRUE(plot && GTK_IS_DRAWING_AREA(plot));
    EXPECT_FALSE(gtk_widget_get_visible(plot));
    gtk_widget_destroy(dialog);
}

TEST_F(DialogViewTest, AboutTextsLinksAndOk)
{
    GtkWidget* dialog = BuildAboutDialog();
    ASSERT_NE(dialog, nullptr);
    gtk_widget_show(dialog);
    Pump(50);
    const AboutTexts texts = BuildAboutTexts();
    EXPECT_EQ(std::string(gtk_label_get_text(GTK_LABEL(DialogControl(dialog, 1062)))),
              texts.product_line);
    EXPECT_EQ(std::string(gtk_label_get_text(GTK_LABEL(DialogControl(dialog, 1096)))), texts.credit);
    EXPECT_EQ(std::string(gtk_label_get_text(GTK_LABEL(DialogControl(dialog, 1135)))), texts.notice);
    EXPECT_TRUE(Screenshot(dialog, "about_dialog"));
    for (int id : {1138, 1137, 1139})
        Click(DialogControl(dialog, id));
    EXPECT_EQ(recorder.urls,
              (std::vector<std::string>{WebLinkUrl(100), WebLinkUrl(103), WebLinkUrl(104)}));
    EXPECT_EQ(RunModal(dialog, [&] { gtk_button_clicked(GTK_BUTTON(DialogControl(dialog, 1))); }),
              kAboutOkResponse);
    gtk_widget_destroy(dialog);
}

}  // namespace
