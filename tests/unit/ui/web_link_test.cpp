// Web link addresses and the launcher.
#include "app/ui/web_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(WebLink, AddressesAndLauncher)
{
    EXPECT_EQ(WebLinkUrl(101), std::string(kWebLinkHost) + "/redirect.php?id=101");
    std::vector<std::string> opened;
    SetWebLinkLauncher([&](const std::string& url, std::string&) {
        opened.push_back(url);
        return true;
    });
    OpenWebLink(nullptr);
    OpenWebLink("");
    EXPECT_TRUE(opened.empty());
    OpenWebPage(kLatestNewsPage);
    OpenWebLink("https://example.org/x;rm -rf ~");   // handed over as one address, never a shell
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], WebLinkUrl(104));
    EXPECT_EQ(opened[1], "https://example.org/x;rm -rf ~");
    // A failing launcher is only logged.
    SetWebLinkLauncher([](const std::string&, std::string& error) {
        error = "no browser";
        return false;
    });
    OpenWebPage(kHomepagePage);
    SetWebLinkLauncher({});
}

}  // namespace
