// GTK views of the result and About dialogs (see the header).
#include "app/ui/result_dialog_view.h"

#include "app/ui/gtk_ui.h"
#include "app/ui/hyperlink.h"
#include "app/ui/ui_resources.h"
#include "app/ui/web_link.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kValueFields[] = {result_ids::kMaxTemperature, result_ids::kSettings,
    result_ids::kFps, result_ids::kCodepath, result_ids::kRenderer, result_ids::kDrivers,
    result_ids::kClocks, result_ids::kCpu, result_ids::kCpuSpeed, result_ids::kMemory,
    result_ids::kOs};

GtkWidget* FindByName(GtkWidget* widget, const char* name)
{
    if (GTK_IS_BUILDABLE(widget)) {
        const char* own = gtk_buildable_get_name(GTK_BUILDABLE(widget));
        if (own && std::string(own) == name)
            return widget;
    }
    if (!GTK_IS_CONTAINER(widget))
        return nullptr;
    GtkWidget* found = nullptr;
    struct Search {
        const char* name;
        GtkWidget** found;
    } search{name, &found};
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) {
            auto* s = static_cast<Search*>(data);
            if (!*s->found)
                *s->found = FindByName(child, s->name);
        },
        &search);
    return found;
}

// The value fields' colours: red for the score, blue-grey for the rest, on the dialog's own
// background rather than the white of an edit box.
void InstallResultStyle()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    char css[512];
    std::snprintf(css, sizeof(css),
                  "entry.gridfall-score, entry.gridfall-value {"
                  " background-image: none; background-color: transparent; box-shadow: none; }"
                  "entry.gridfall-score { color: rgb(%d,%d,%d); font-weight: bold; }"
                  "entry.gridfall-value { color: rgb(%d,%d,%d); }",
                  kScoreColor.r, kScoreColor.g, kScoreColor.b, kValueColor.r, kValueColor.g,
                  kValueColor.b);
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

void SetValue(GtkWidget* dialog, int id, const std::string& text, const char* styleClass)
{
    GtkWidget* field = DialogControl(dialog, id);
    if (!field)
        return;
    SetControlText(field, text.c_str());
    // Wide enough for the whole text: a value the user cannot see at once is no use.
    const int chars = static_cast<int>(g_utf8_strlen(text.c_str(), -1)) + 2;
    if (GTK_IS_ENTRY(field) && chars > gtk_entry_get_width_chars(GTK_ENTRY(field)))
        gtk_entry_set_width_chars(GTK_ENTRY(field), chars);
    if (styleClass)
        gtk_style_context_add_class(gtk_widget_get_style_context(field), styleClass);
}

GtkWidget* TakeDialog(GtkBuilder* builder, const char* name)
{
    GObject* object = gtk_builder_get_object(builder, name);
    GtkWidget* dialog = object && GTK_IS_DIALOG(object) ? GTK_WIDGET(object) : nullptr;
    // Toplevels stay alive without the builder; the caller destroys them.
    g_object_unref(builder);
    return dialog;
}

void RespondOnClick(GtkWidget* dialog, int buttonId, int response)
{
    GtkWidget* button = DialogControl(dialog, buttonId);
    if (!button)
        return;
    g_object_set_data(G_OBJECT(button), "gridfall-response", GINT_TO_POINTER(response));
    g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkWidget* b, GtkWidget* d) {
                         gtk_dialog_response(GTK_DIALOG(d), GPOINTER_TO_INT(g_object_get_data(
                                                                G_OBJECT(b), "gridfall-response")));
                     }),
                     dialog);
    gtk_widget_set_can_default(button, TRUE);
    gtk_window_set_default(GTK_WINDOW(dialog), button);
}

}  // namespace

GtkWidget* DialogControl(GtkWidget* dialog, int id)
{
    return dialog ? FindByName(dialog, std::to_string(id).c_str()) : nullptr;
}

GtkWidget* BuildResultDialog(const ResultTexts& texts, std::vector<RunPlotSample> samples)
{
    GtkBuilder* builder = LoadUiBuilder("result_dialog.ui");
    if (!builder)
        return nullptr;
    GtkWidget* dialog = TakeDialog(builder, "result_dialog");
    if (!dialog)
        return nullptr;
    InstallProgramIcon();
    InstallResultStyle();

    gtk_window_set_title(GTK_WINDOW(dialog), texts.title.c_str());
    SetImageFromResource(FindByName(dialog, "picture"), kPictureImage);
    SetValue(dialog, result_ids::kScore, texts.score, "gridfall-score");
    const std::pair<int, const std::string*> values[] = {
        {result_ids::kMaxTemperature, &texts.max_temperature},
        {result_ids::kSettings, &texts.settings},
        {result_ids::kFps, &texts.fps},
        {result_ids::kCodepath, &texts.codepath},
        {result_ids::kRenderer, &texts.renderer},
        {result_ids::kDrivers, &texts.drivers},
        {result_ids::kClocks, &texts.clocks},
        {result_ids::kCpu, &texts.cpu},
        {result_ids::kCpuSpeed, &texts.cpu_speed},
        {result_ids::kMemory, &texts.memory},
        {result_ids::kOs, &texts.os},
    };
    static_assert(std::size(values) == std::size(kValueFields));
    for (const auto& [id, text] : values)
        SetValue(dialog, id, *text, "gridfall-value");
    SetControlText(DialogControl(dialog, result_ids::kBuild), texts.build.c_str());
    if (GtkWidget* more = DialogControl(dialog, result_ids::kMoreLink)) {
        SetControlText(gtk_bin_get_child(GTK_BIN(more)), texts.more_link.c_str());
        MakeHyperlinkToPage(more, kLatestNewsPage);
    }
    if (GtkWidget* compare = DialogControl(dialog, result_ids::kCompare))
        g_signal_connect(compare, "clicked",
                         G_CALLBACK(+[](GtkWidget*, gpointer) { OpenWebPage(kScoresComparisonPage); }),
                         nullptr);
    RespondOnClick(dialog, result_ids::kOk, kResultOkResponse);

    if (GtkWidget* plot = FindByName(dialog, "run_plot")) {
        if (samples.empty()) {
            gtk_widget_hide(plot);
            gtk_widget_set_no_show_all(plot, TRUE);
        } else {
            auto* held = new std::vector<RunPlotSample>(std::move(samples));
            g_object_set_data_full(G_OBJECT(plot), "gridfall-samples", held, [](gpointer p) {
                delete static_cast<std::vector<RunPlotSample>*>(p);
            });
            g_signal_connect(plot, "draw",
                             G_CALLBACK(+[](GtkWidget* w, cairo_t* cr, gpointer data) -> gboolean {
                                 DrawRunPlot(cr, *static_cast<std::vector<RunPlotSample>*>(data),
                                             gtk_widget_get_allocated_width(w),
                                             gtk_widget_get_allocated_height(w));
                                 return TRUE;
                             }),
                             held);
        }
    }
    // Nothing pre-selected in the first value field.
    if (GtkWidget* ok = DialogControl(dialog, result_ids::kOk))
        gtk_widget_grab_focus(ok);
    return dialog;
}

GtkWidget* BuildAboutDialog()
{
    GtkBuilder* builder = LoadUiBuilder("about_dialog.ui");
    if (!builder)
        return nullptr;
    GtkWidget* dialog = TakeDialog(builder, "about_dialog");
    if (!dialog)
        return nullptr;
    InstallProgramIcon();
    SetImageFromResource(FindByName(dialog, "banner"), kBannerImage);
    const AboutTexts texts = BuildAboutTexts();
    SetControlText(DialogControl(dialog, about_ids::kProductLine), texts.product_line.c_str());
    SetControlText(DialogControl(dialog, about_ids::kCredit), texts.credit.c_str());
    SetControlText(DialogControl(dialog, about_ids::kNotice), texts.notice.c_str());
    MakeHyperlinkToPage(DialogControl(dialog, about_ids::kHomepageLink), kHomepagePage);
    MakeHyperlinkToPage(DialogControl(dialog, about_ids::kGalleryLink), kTessellationGalleryPage);
    MakeHyperlinkToPage(DialogControl(dialog, about_ids::kNewsLink), kLatestNewsPage);
    RespondOnClick(dialog, about_ids::kOk, kAboutOkResponse);
    if (GtkWidget* ok = DialogControl(dialog, about_ids::kOk))
        gtk_widget_grab_focus(ok);
    return dialog;
}

void RunDialogModal(GtkWidget* dialog)
{
    RunModalDialog(dialog);
}
