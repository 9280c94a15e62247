// gridfall_texgen: writes the scene's JPEG images into a folder (normally scene/assets/).
//   gridfall_texgen <output-dir> [font.ttf]
#include <cstdio>
#include <string>

#include "tools/texgen/texgen.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <output-dir> [font.ttf]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::string error;
    auto images = texgen::GenerateSceneImages(argc == 3 ? argv[2] : "", &error);
    if (images.empty()) {
        std::fprintf(stderr, "gridfall_texgen: %s\n", error.c_str());
        return 1;
    }
    for (const auto& image : images) {
        auto bytes = texgen::EncodeJpeg(image, texgen::kJpegQuality);
        const std::string path = dir + "/" + image.name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "gridfall_texgen: cannot write %s\n", path.c_str());
            if (f)
                std::fclose(f);
            return 1;
        }
        std::fclose(f);
        std::printf("%-20s %4d x %-4d %7zu bytes\n", image.name.c_str(), image.width, image.height,
                    bytes.size());
    }
    return 0;
}
