// Web links through GIO (see the header).
#include "app/ui/web_link.h"

#include "core/log_file.h"

#include <gio/gio.h>

namespace {

bool LaunchWithGio(const std::string& url, std::string& error)
{
    GError* gerror = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &gerror))
        return true;
    error = gerror ? gerror->message : "unknown error";
    g_clear_error(&gerror);
    return false;
}

WebLinkLauncher& Launcher()
{
    static WebLinkLauncher launcher;
    return launcher;
}

}  // namespace

std::string WebLinkUrl(int pageId)
{
    return std::string(kWebLinkHost) + "/redirect.php?id=" + std::to_string(pageId);
}

void SetWebLinkLauncher(WebLinkLauncher launcher)
{
    Launcher() = std::move(launcher);
}

void OpenWebLink(const char* url)
{
    if (url == nullptr || url[0] == '\0')
        return;
    std::string error;
    const bool ok = Launcher() ? Launcher()(url, error) : LaunchWithGio(url, error);
    if (!ok)
        ProgramLog().Write("Could not open %s: %s", url, error.c_str());
}

void OpenWebPage(int pageId)
{
    OpenWebLink(WebLinkUrl(pageId).c_str());
}
