// Writes gridfall.1 (argument: output path) from the program's option table.
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>

#include "packaging/man/man_page.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.1>\n", argv[0]);
        return 2;
    }
    // SOURCE_DATE_EPOCH keeps the page reproducible for distribution builds.
    std::time_t when = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"))
        when = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    std::tm tm{};
    gmtime_r(&when, &tm);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &tm);
    const std::string page = FormatManPage(GnuOptionTable(), date);
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(page.data(), 1, page.size(), f) != page.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
