// The log: line format, recreation at every start, whole lines from several threads, and
// files it must not or cannot open. Message boxes are logged after they close.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/log_file.h"
#include "core/message_box.h"
#include "tests/unit/core/temp_dir.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(LogFile, LinesCarryTheDateTimePrefix)
{
    TempDir dir;
    const std::string path = dir.File("log.txt");
    {
        LogFile log(path.c_str(), false, true);
        ASSERT_TRUE(log.Open());
        log.Write("%s is starting up.", "Lumetra Gridfall");
        log.Write("GPU temperature: %.3f\u00B0C", 41.5f);
        // A message box's line break ("\n\r") starts a line of its own, prefix and all.
        log.Write("Could not switch to fullscreen mode.\n\rPlease try another resolution.");
        // Flushed at once: readable before the log is closed.
        const auto lines = Lines(ReadFileBytes(path));
        ASSERT_EQ(lines.size(), 4u);
        const std::regex prefix(R"(^[0-9]{4}/[1-9][0-2]?/[1-9][0-9]? @ [0-2][0-9]:[0-5][0-9]:[0-6][0-9] >> )");
        for (const std::string& line : lines)
            EXPECT_TRUE(std::regex_search(line, prefix)) << line;
        EXPECT_TRUE(lines[0].ends_with(" >> Lumetra Gridfall is starting up.")) << lines[0];
        EXPECT_TRUE(lines[1].ends_with(" >> GPU temperature: 41.500\xC2\xB0" "C")) << lines[1];
        EXPECT_TRUE(lines[2].ends_with(" >> Could not switch to fullscreen mode.")) << lines[2];
        EXPECT_TRUE(lines[3].ends_with(" >> Please try another resolution.")) << lines[3];
    }
    // A new start recreates the file.
    LogFile again(path.c_str(), false, true);
    ASSERT_TRUE(again.Open());
    again.Write("second");
    const auto lines = Lines(ReadFileBytes(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with(" >> second"));

    LogFile append(path.c_str(), true, true);
    ASSERT_TRUE(append.Open());
    append.Write("third");
    EXPECT_EQ(Lines(ReadFileBytes(path)).size(), 2u);
}

TEST(LogFile, LinesFromSeveralThreadsStayWhole)
{
    TempDir dir;
    const std::string path = dir.File("log.txt");
    LogFile log(path.c_str(), false, true);
    ASSERT_TRUE(log.Open());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.Write("thread %d line %d %s", t, i, std::string(100, static_cast<char>('a' + t)).c_str());
        });
    for (std::thread& th : threads)
        th.join();
    const auto lines = Lines(ReadFileBytes(path));
    ASSERT_EQ(lines.size(), 800u);
    const std::regex whole(R"(>> thread ([0-3]) line [0-9]+ ([a-d])\2{99}$)");
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_search(line, whole)) << line;
}

TEST(LogFile, PlantedSymbolicLinkIsNotFollowed)
{
    TempDir dir;
    const std::string victim = dir.File("precious.txt");
    WriteFileBytes(victim, "do not truncate me");
    const std::string link = dir.File("gridfall_log.txt");
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    LogFile log(link.c_str(), false, true);
    EXPECT_FALSE(log.Open());
    log.Write("ignored");
    EXPECT_EQ(ReadFileBytes(victim), "do not truncate me");
}

// Whatever stands at the log's name instead of a regular file (or no directory to put it in):
// no log, no hang, and one line on standard error that says why.
TEST(LogFile, UnusableNamesAreRefusedWithOneLineOnStandardError)
{
    TempDir dir;
    struct Case {
        std::string path;
        const char* reason;
    };
    const std::string fifo = dir.File("fifo_log.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_directory(dir.File("dir_log.txt"));
    for (const Case& c : {Case{fifo, "it is not a regular file"}, Case{dir.File("dir_log.txt"), "Is a directory"},
                          Case{dir.File("no/such/dir/log.txt"), "No such file or directory"}}) {
        LogFile log(c.path.c_str(), false, true);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(log.Open()) << c.path;   // a FIFO would block here without a reader
        log.Write("nothing happens %d", 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "gridfall: no log written to " + c.path + ": " + c.reason + "\n");
        EXPECT_FALSE(log.IsOpen());
    }
}

// A full disk (here a file-size limit, which fails writes the same way): said once, and the
// program goes on.
TEST(LogFile, WriteFailureIsSaidOnce)
{
    TempDir dir;
    const std::string path = dir.File("log.txt");
    LogFile log(path.c_str(), false, true);
    ASSERT_TRUE(log.Open());
    log.Write("fits");
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 100;
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 5; ++i)
        log.Write("line %d of a log that no longer fits", i);
    const std::string said = testing::internal::GetCapturedStderr();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(said, "gridfall: the log " + path + " could not be written: File too large\n");
}

TEST(LogFile, DisabledLogIgnoresWrites)
{
    TempDir dir;

    const std::string path = dir.File("disabled.txt");
    LogFile disabled(path.c_str(), false, false);
    EXPECT_FALSE(disabled.Open());
    disabled.Write("ignored");
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Records what the log held when the box was on screen.
class RecordingSink : public MessageBoxSink {
public:
    void Show(MessageKind kind, const char* caption, const char* text) override
    {
        kinds.push_back(kind);
        captions.push_back(caption);
        texts.push_back(text);
        log_at_show.push_back(ReadFileBytes(ProgramLog().FileName()));
    }
    std::vector<MessageKind> kinds;
    std::vector<std::string> captions, texts, log_at_show;
};

TEST(MessageBox, TextGoesToTheSinkAndThenToTheLog)
{
    TempDir dir;
    const std::string oldName = ProgramLog().FileName();
    ProgramLog().SetFileName(dir.File("gridfall_log.txt"));
    ASSERT_TRUE(ProgramLog().Open());
    RecordingSink sink;
    SetMessageBoxSink(&sink);
    ShowInfoBox("%s v%d.%d.%d", "Lumetra Gridfall", 0, 3, 0);
    ShowErrorBox("Graphics drivers detection failed. Bye!");
    SetMessageBoxSink(nullptr);
    ProgramLog().Close();
    ProgramLog().SetFileName(oldName);

    ASSERT_EQ(sink.texts.size(), 2u);
    EXPECT_EQ(sink.kinds[0], MessageKind::Info);
    EXPECT_EQ(sink.captions[0], "Lumetra Gridfall Information");
    EXPECT_EQ(sink.texts[0], "Lumetra Gridfall v0.3.0");
    EXPECT_EQ(sink.kinds[1], MessageKind::Error);
    EXPECT_EQ(sink.captions[1], "Lumetra Gridfall Error");
    // Logged after closing: not yet in the log while shown.
    EXPECT_EQ(sink.log_at_show[0].find("v0.3.0"), std::string::npos);
    const auto lines = Lines(ReadFileBytes(dir.File("gridfall_log.txt")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].ends_with(">> Lumetra Gridfall v0.3.0"));
    EXPECT_TRUE(lines[1].ends_with(">> Graphics drivers detection failed. Bye!"));
}

// A box on screen may wait for hours: its text is in the log while it waits, and again with the
// time it was closed.
TEST(MessageBox, BoxThatWaitsIsLoggedWhenShownAndWhenClosed)
{
    struct WaitingSink : RecordingSink {
        bool WaitsForUser() const override { return true; }
    };
    TempDir dir;
    const std::string oldName = ProgramLog().FileName();
    ProgramLog().SetFileName(dir.File("gridfall_log.txt"));
    ASSERT_TRUE(ProgramLog().Open());
    WaitingSink sink;
    SetMessageBoxSink(&sink);
    ShowErrorBox("OpenGL: version 2.0 or higher required (current version detected: %d.%d).", 1, 5);
    SetMessageBoxSink(nullptr);
    ProgramLog().Close();
    ProgramLog().SetFileName(oldName);

    ASSERT_EQ(sink.log_at_show.size(), 1u);
    EXPECT_TRUE(sink.log_at_show[0].ends_with(
        ">> Message box shown: OpenGL: version 2.0 or higher required (current version detected: 1.5).\n"))
        << sink.log_at_show[0];
    const auto lines = Lines(ReadFileBytes(dir.File("gridfall_log.txt")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].ends_with(">> OpenGL: version 2.0 or higher required (current version detected: 1.5)."));
}

TEST(MessageBox, StderrSinkIsTheDefault)
{
    testing::internal::CaptureStderr();
    ShowErrorBox("code %d", 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Lumetra Gridfall Error: code 7\n");
}

}  // namespace
