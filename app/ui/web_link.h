// Web pages of the product, opened in the user's browser through GIO's default URI handler
// (never through a shell, so no text of ours is ever interpreted as a command).
#pragma once

#include <functional>
#include <string>

// Pages, by their redirect id.
inline constexpr int kHomepagePage = 100;
inline constexpr int kScoresComparisonPage = 101;
inline constexpr int kTessellationGalleryPage = 103;
inline constexpr int kLatestNewsPage = 104;

// Scheme and host of the redirect pages.
inline constexpr const char* kWebLinkHost = "https://gridfall.lumetra.example";

// "<host>/redirect.php?id=<id>".
std::string WebLinkUrl(int pageId);

// Opens the address in the default browser; an empty or null text does nothing. A failure is
// written to the program log and otherwise ignored.
void OpenWebLink(const char* url);
void OpenWebPage(int pageId);

// Replaces the launcher (tests record the addresses instead of starting a browser). An empty
// function restores GIO's default handler. The launcher returns false with a reason on failure.
using WebLinkLauncher = std::function<bool(const std::string& url, std::string& error)>;
void SetWebLinkLauncher(WebLinkLauncher launcher);
