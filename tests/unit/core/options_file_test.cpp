// The options file: exact bytes of the writer, the reader's conversion rules, and files that
// are damaged, hostile or huge.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "core/log_file.h"
#include "core/options_file.h"
#include "core/startup_options.h"
#include "tests/unit/core/temp_dir.h"

namespace {

// The default file as a user finds it after the first start, spelled out by hand.
const char kDefaultFile[] =
    "<?xml version=\"1.0\"?>\r\n"
    "<gridfall>\r\n"
    "\t<!--\r\n"
    "\trun_mode: \"BENCHMARK\" or \"STABILITY_TEST\".\r\n"
    "\tmax_time: in milliseconds.\r\n"
    "\tmax_frames: 0 means not used.\r\n"
    "\t-->\r\n"
    "\t<startup_options\r\n"
    "\t\tapi3d=\"0\"\r\n"
    "\t\tdisplay_gui=\"1\"\r\n"
    "\t\tdisplay_menu_bar=\"1\"\r\n"
    "\t\tdisplay_score=\"1\"\r\n"
    "\t\tdisplay_version=\"0\"\r\n"
    "\t\twidth=\"1280\"\r\n"
    "\t\theight=\"720\"\r\n"
    "\t\tcustom_viewport_size=\"0\"\r\n"
    "\t\taa_mode=\"Off\"\r\n"
    "\t\tfullscreen=\"0\"\r\n"
    "\t\trun_mode=\"BENCHMARK\"\r\n"
    "\t\ttime_based_benchmark=\"1\"\r\n"
    "\t\tmax_time=\"60000\"\r\n"
    "\t\tmax_frames=\"0\"\r\n"
    "\t\txtreme_burning=\"0\"\r\n"
    "\t\tlog_temperature=\"0\"\r\n"
    "\t\trender_post_fx=\"0\"\r\n"
    "\t\tpost_fx_index=\"0\"\r\n"
    "\t\trender_temp_graphs=\"1\"\r\n"
    "\t\trender_general_indicators=\"1\"\r\n"
    "\t\tmap_set=\"2\"\r\n"
    "\t\ttessellation_mode=\"2\"\r\n"
    "\t\tdisplay_app_latest_news=\"1\"\r\n"
    "\t/>\r\n"
    "</gridfall>";

std::string Element(const std::string& attributes)
{
    return "<?xml version=\"1.0\"?>\n<gridfall>\n<startup_options " + attributes + " />\n</gridfall>";
}

class OptionsFileTest : public ::testing::Test {
protected:
    StartupOptions ReadText(const std::string& text, bool* ok = nullptr)
    {
        WriteFileBytes(path_, text);
        StartupOptions o;
        const bool read = ReadStartupOptionsFile(path_.c_str(), o);
        if (ok)
            *ok = read;
        return o;
    }
    TempDir dir_;
    std::string path_ = dir_.File("startup_options.xml");
};

TEST_F(OptionsFileTest, DefaultFileIsByteExact)
{
    const StartupOptions defaults;
    EXPECT_EQ(FormatStartupOptionsFile(defaults), kDefaultFile);
    ASSERT_TRUE(WriteStartupOptionsFile(path_.c_str(), defaults));
    EXPECT_EQ(ReadFileBytes(path_), kDefaultFile);
    EXPECT_EQ(std::string(kDefaultFile).substr(0, 21), "<?xml version=\"1.0\"?>");
}

TEST_F(OptionsFileTest, EveryStoredFieldSurvivesTheRoundTrip)
{
    StartupOptions o;
    o.api3d = 11;
    o.display_gui = 0;
    o.display_menu_bar = 0;
    o.display_score = 0;
    o.display_version = 1;
    o.width = 1920;
    o.height = 1080;
    o.custom_viewport_size = 1;
    std::snprintf(o.aa_mode, sizeof(o.aa_mode), "8X MSAA");
    o.fullscreen = 1;
    o.run_mode = 2;
    o.time_based_benchmark = 0;
    o.max_time = 15000;
    o.max_frames = 3000;
    o.xtreme_burning = 1;
    o.log_temperature = 1;
    o.render_post_fx = 1;
    o.post_fx_index = 3;
    o.render_temp_graphs = 0;
    o.render_general_indicators = 0;
    o.map_set = 0;
    o.tessellation_mode = 4;
    o.display_app_latest_news = 0;
    ASSERT_TRUE(WriteStartupOptionsFile(path_.c_str(), o));

    StartupOptions r;
    ASSERT_TRUE(ReadStartupOptionsFile(path_.c_str(), r));
    EXPECT_EQ(FormatStartupOptionsFile(r), FormatStartupOptionsFile(o));
    EXPECT_EQ(r.width, 1920);
    EXPECT_EQ(r.run_mode, 2);
    EXPECT_STREQ(r.aa_mode, "8X MSAA");
    EXPECT_EQ(r.log_temperature, 1);
    EXPECT_EQ(r.render_temp_graphs, 0);
    EXPECT_NE(ReadFileBytes(path_).find("run_mode=\"STABILITY_TEST\""), std::string::npos);
}

TEST_F(OptionsFileTest, ConversionRules)
{
    const StartupOptions o = ReadText(Element(
        "width=\"800.9\" height=\"-600.7\" max_time=\"1e3\" max_frames=\"abc\" "
        "render_post_fx=\"2\" xtreme_burning=\"1\" custom_viewport_size=\"1.5\" "
        "log_temperature=\"-1\" fullscreen=\"1e12\" api3d=\"-1e12\" "
        "run_mode=\"benchmark\" unknown_attribute=\"7\""));
    EXPECT_EQ(o.width, 800);           // through a float, truncated
    EXPECT_EQ(o.height, 720);          // -600 is no size: the default
    EXPECT_EQ(o.max_time, 1000);
    EXPECT_EQ(o.max_frames, 0);        // not a number reads as 0
    EXPECT_EQ(o.render_post_fx, 0);    // booleans only when exactly 1
    EXPECT_EQ(o.xtreme_burning, 1);
    EXPECT_EQ(o.custom_viewport_size, 1);  // 1.5 truncates to 1
    EXPECT_EQ(o.log_temperature, 0);
    EXPECT_EQ(o.fullscreen, INT32_MAX);    // out of range saturates
    EXPECT_EQ(o.api3d, INT32_MIN);
    EXPECT_EQ(o.run_mode, 2);          // case-sensitive
    EXPECT_EQ(o.display_gui, 1);       // absent attributes keep their values
}

// The file's values pass the command line's checks: out of range, the default, and the log
// names the file and the attribute.
TEST_F(OptionsFileTest, OutOfRangeValuesGetTheirDefaultAndALogLine)
{
    const std::string oldLog = ProgramLog().FileName();
    ProgramLog().SetFileName(dir_.File("gridfall_log.txt"));
    ASSERT_TRUE(ProgramLog().Open());
    const StartupOptions o = ReadText(Element(
        "map_set=\"99\" aa_mode=\"64X MSAA\" post_fx_index=\"99\" render_post_fx=\"1\" "
        "tessellation_mode=\"0\" max_time=\"-5\" max_frames=\"-1\" width=\"0\" height=\"20000\""));
    const StartupOptions good = ReadText(Element("map_set=\"3\" post_fx_index=\"3\" max_time=\"0\""));
    ProgramLog().Close();
    ProgramLog().SetFileName(oldLog);
    EXPECT_EQ(o.map_set, 2);
    EXPECT_EQ(o.post_fx_index, 0);
    EXPECT_EQ(o.tessellation_mode, 2);
    EXPECT_EQ(o.max_time, 60000);
    EXPECT_EQ(o.max_frames, 0);
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    EXPECT_STREQ(o.aa_mode, "64X MSAA");   // kept as written; it runs without multisampling
    EXPECT_EQ(good.map_set, 3);
    EXPECT_EQ(good.post_fx_index, 3);
    EXPECT_EQ(good.max_time, 0);
    const std::string log = ReadFileBytes(dir_.File("gridfall_log.txt"));
    EXPECT_NE(log.find("Options file " + path_ + ": map_set=\"99\" is not 0 to 3; the default 2 is used."),
              std::string::npos) << log;
    EXPECT_NE(log.find(": aa_mode=\"64X MSAA\" is not Off, 2X MSAA"), std::string::npos) << log;
    for (const char* name : {"post_fx_index", "tessellation_mode", "max_time", "max_frames", "width", "height"})
        EXPECT_NE(log.find(std::string(": ") + name + "=\""), std::string::npos) << name;
    EXPECT_EQ(log.find("post_fx_index=\"3\""), std::string::npos) << log;
}

TEST_F(OptionsFileTest, ReadOnlyAttributesAreNeverWritten)
{
    StartupOptions o = ReadText(Element("tone_down_delay_ms=\"5\" enable_unlock_power_draw=\"1\""));
    EXPECT_EQ(o.tone_down_delay_ms, 5);
    EXPECT_EQ(o.enable_unlock_power_draw, 1);
    const std::string written = FormatStartupOptionsFile(o);
    EXPECT_EQ(written.find("tone_down_delay_ms"), std::string::npos);
    EXPECT_EQ(written.find("enable_unlock_power_draw"), std::string::npos);
    EXPECT_EQ(written, kDefaultFile);
}

TEST_F(OptionsFileTest, ElementsApplyInOrderAtAnyDepthUnderAnyRoot)
{
    const StartupOptions o = ReadText(
        "<other><deep><startup_options width=\"640\" height=\"480\"/></deep>"
        "<startup_options width=\"1024\"></startup_options>"
        "<startup_optionsX width=\"1\"/><!-- <startup_options width=\"2\"/> -->"
        "<![CDATA[<startup_options width=\"3\"/>]]></other>");
    EXPECT_EQ(o.width, 1024);
    EXPECT_EQ(o.height, 480);
}

TEST_F(OptionsFileTest, AaModeIsCutTo63Characters)
{
    const std::string longMode(100, 'x');
    const StartupOptions o = ReadText(Element("aa_mode=\"" + longMode + "\""));
    EXPECT_EQ(std::string(o.aa_mode), longMode.substr(0, 63));
}

TEST_F(OptionsFileTest, SpecialCharactersInAaModeSurviveTheRoundTrip)
{
    for (const char* mode : {"a\"b", "<&>", "x&quot;y", "it's", "a\"", "\"b", "&", "&amp;"}) {
        StartupOptions o;
        std::snprintf(o.aa_mode, sizeof(o.aa_mode), "%s", mode);
        o.width = 999;
        ASSERT_TRUE(WriteStartupOptionsFile(path_.c_str(), o));
        StartupOptions r;
        ASSERT_TRUE(ReadStartupOptionsFile(path_.c_str(), r));
        EXPECT_STREQ(r.aa_mode, mode);
        EXPECT_EQ(r.width, 999) << mode;  // the rest of the element is not lost
    }
    // Written by hand: a character right after the last entity is kept.
    EXPECT_STREQ(ReadText(Element("aa_mode=\"a&quot;b\"")).aa_mode, "a\"b");
    EXPECT_STREQ(ReadText(Element("aa_mode='q\"x' ")).aa_mode, "q\"x");
    EXPECT_STREQ(ReadText(Element("aa_mode=\"Off  \"")).aa_mode, "Off  ");
}

TEST_F(OptionsFileTest, MissingOrUnreadableFileKeepsDefaults)
{
    StartupOptions o;
    EXPECT_FALSE(ReadStartupOptionsFile(nullptr, o));
    EXPECT_FALSE(ReadStartupOptionsFile(dir_.File("absent.xml").c_str(), o));
    EXPECT_FALSE(ReadStartupOptionsFile(dir_.path().c_str(), o));  // a directory
    EXPECT_EQ(FormatStartupOptionsFile(o), kDefaultFile);
    bool ok = false;
    EXPECT_EQ(FormatStartupOptionsFile(ReadText("", &ok)), kDefaultFile);
    EXPECT_TRUE(ok);
}

// Every prefix of a real file: the reader keeps what it could read and never reads beyond
// its buffer (the sanitizers watch).
TEST_F(OptionsFileTest, TruncatedFilesNeverCrash)
{
    StartupOptions custom;
    custom.width = 1600;
    const std::string full = FormatStartupOptionsFile(custom);
    for (std::size_t n = 0; n <= full.size(); ++n) {
        const StartupOptions o = ReadText(full.substr(0, n));
        EXPECT_TRUE(o.width == 1280 || o.width == 1600) << n;
    }
    EXPECT_EQ(ReadText(full.substr(0, full.find("height"))).width, 1280);  // element unfinished
    for (const char* text : {"<", "<!", "<!--", "<?xml", "<a", "<a b", "<a b=", "<a b=\"", "<a b='x",
                             "<startup_options width=\"5\"", "</", "<![CDATA[", "<a/"}) {
        const StartupOptions o = ReadText(text);
        EXPECT_EQ(o.width, 1280) << text;
    }
}

TEST_F(OptionsFileTest, BinaryGarbageNeverCrashes)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::string alphabet = "<>/=\"' !-?[]&;abstrup_ion\n\t";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 300; ++i)
            text += (round % 2) ? static_cast<char>(byte(random)) : alphabet[pick(random)];
        ReadText(text);
    }
    // A NUL byte ends the text as far as the reader is concerned.
    EXPECT_EQ(ReadText(Element("width=\"640\"") + std::string(1, '\0') + Element("width=\"800\"")).width, 640);
    // UTF-8 byte-order mark.
    EXPECT_EQ(ReadText("\xEF\xBB\xBF" + Element("width=\"640\"")).width, 640);
}

TEST_F(OptionsFileTest, LargeFilesAreReadUpToOneMebibyte)
{
    std::string many = "<gridfall>";
    for (int i = 0; i < 10000; ++i)
        many += "<startup_options width=\"" + std::to_string(i) + "\"/>\n";
    many += "</gridfall>";
    EXPECT_EQ(ReadText(many).width, 9999);

    const std::string big(400 * 1024, 'A');
    const StartupOptions o = ReadText(Element("aa_mode=\"" + big + "\" other=\"" + big + "\" height=\"333\""));
    EXPECT_EQ(std::string(o.aa_mode), big.substr(0, 63));
    EXPECT_EQ(o.height, 333);

    // Beyond 1 MiB the file is not ours: unreadable, defaults kept, and the log says why.
    const std::string oldLog = ProgramLog().FileName();
    ProgramLog().SetFileName(dir_.File("gridfall_log.txt"));
    ASSERT_TRUE(ProgramLog().Open());
    const std::string element = Element("width=\"640\"");
    bool ok = true;
    const StartupOptions huge = ReadText(element + std::string((1u << 20) + 1 - element.size(), ' '), &ok);
    ProgramLog().Close();
    ProgramLog().SetFileName(oldLog);
    EXPECT_FALSE(ok);
    EXPECT_EQ(huge.width, 1280);
    EXPECT_NE(ReadFileBytes(dir_.File("gridfall_log.txt")).find("larger than 1048576 bytes"), std::string::npos);
    EXPECT_EQ(ReadText(element + std::string((1u << 20) - element.size(), ' ')).width, 640);
}

TEST_F(OptionsFileTest, WriterLeavesNothingBehindOnFailure)
{
    StartupOptions o;
    EXPECT_FALSE(WriteStartupOptionsFile(nullptr, o));
    EXPECT_FALSE(WriteStartupOptionsFile(dir_.File("missing/dir/startup_options.xml").c_str(), o));

    // A file the user made read-only is left alone.
    WriteFileBytes(path_, "keep");
    std::filesystem::permissions(path_, std::filesystem::perms::owner_read);
    if (::access(path_.c_str(), W_OK) != 0) {  // root may write anyway
        EXPECT_FALSE(WriteStartupOptionsFile(path_.c_str(), o));
        EXPECT_EQ(ReadFileBytes(path_), "keep");
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all);

    // A linked file is rewritten where it lives; the link stays.
    const std::string elsewhere = dir_.File("kept_elsewhere.xml");
    WriteFileBytes(elsewhere, "old");
    const std::string link = dir_.File("linked.xml");
    std::filesystem::create_symlink(elsewhere, link);
    ASSERT_TRUE(WriteStartupOptionsFile(link.c_str(), o));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(elsewhere), kDefaultFile);

    // Rewriting replaces the whole file and leaves no temporary beside it.
    WriteFileBytes(path_, std::string(10000, 'z'));
    ASSERT_TRUE(WriteStartupOptionsFile(path_.c_str(), o));
    EXPECT_EQ(ReadFileBytes(path_), kDefaultFile);
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 3);
}

// Another user who can write the directory plants a link at the temporary name: the writer
// must neither follow it nor rename the link into the options file's place.
TEST_F(OptionsFileTest, LinkAtTheTemporaryNameIsNotFollowed)
{
    const std::string victim = dir_.File("victim.txt");
    WriteFileBytes(victim, "untouched");
    std::filesystem::create_symlink(victim, path_ + ".tmp");
    const mode_t oldMask = ::umask(022);
    ASSERT_TRUE(WriteStartupOptionsFile(path_.c_str(), StartupOptions{}));
    ::umask(oldMask);
    EXPECT_EQ(ReadFileBytes(victim), "untouched");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path_)));
    EXPECT_EQ(ReadFileBytes(path_), kDefaultFile);
    EXPECT_EQ(std::filesystem::status(path_).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0644));
}

}  // namespace
