// The options file reader (irrXML) and its byte-exact writer.
#include "core/options_file.h"

#include "core/irrxml_reader.h"
#include "core/log_file.h"
#include "core/output_file.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The written file is about 700 bytes. Anything above this is not ours, and reading it would
// cost seconds and a copy of it (twice over inside irrXML) in memory, so it counts as
// unreadable and the defaults stay.
constexpr std::size_t kMaxFileBytes = 1u << 20;

// Two blanks appended to every attribute value handed to irrXML. Its entity decoder drops the
// last character of a value when exactly one character follows the last entity ("a&quot;b"
// comes back as `a"`); with two characters of padding that case cannot arise, and the padding
// is cut off again after decoding. irrXML's float conversion stops at the blanks.
constexpr std::string_view kValuePadding = "  ";

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameChar(char c)
{
    return !IsXmlSpace(c) && c != '=' && c != '>' && c != '<' && c != '/' && c != '"' &&
           c != '\'' && c != '\0';
}

// irrXML reads past the end of its buffer on unterminated tags, comments and processing
// instructions, and crashes on a truncated file. The reader therefore never sees the file
// itself but a normalised copy: one self-closing tag per start tag of the file with its
// attributes (values padded, see kValuePadding). Text, end tags, comments, CDATA sections and
// declarations play no part in the options and are left out; so is an incomplete tag at the
// end. A NUL byte ends the text, as it does for irrXML.
std::string NormaliseForReader(std::string_view in)
{
    if (in.size() >= 3 && in.substr(0, 3) == "\xEF\xBB\xBF")
        in.remove_prefix(3);
    if (const std::size_t nul = in.find('\0'); nul != std::string_view::npos)
        in = in.substr(0, nul);

    std::string out;
    std::size_t p = 0;
    const std::size_t n = in.size();
    auto skipPast = [&](std::string_view terminator) {
        const std::size_t end = in.find(terminator, p);
        p = end == std::string_view::npos ? n : end + terminator.size();
    };
    while (p < n) {
        const std::size_t lt = in.find('<', p);
        if (lt == std::string_view::npos)
            break;
        p = lt + 1;
        const std::string_view rest = in.substr(p);
        if (rest.starts_with("!--")) {
            skipPast("-->");
            continue;
        }
        if (rest.starts_with("![CDATA[")) {
            skipPast("]]>");
            continue;
        }
        if (rest.starts_with("?")) {
            skipPast("?>");
            continue;
        }
        if (rest.starts_with("!") || rest.starts_with("/")) {
            skipPast(">");
            continue;
        }

        // A start tag: name, then attributes name="value" or name='value'.
        const std::size_t nameBegin = p;
        while (p < n && IsNameChar(in[p]))
            ++p;
        if (p == nameBegin) {
            skipPast(">");
            continue;
        }
        std::string tag = "<";
        tag.append(in.substr(nameBegin, p - nameBegin));
        bool complete = false;
        bool malformed = false;
        while (p < n) {
            while (p < n && IsXmlSpace(in[p]))
                ++p;
            if (p >= n)
                break;
            if (in[p] == '>') {
                ++p;
                complete = true;
                break;
            }
            if (in[p] == '/') {
                ++p;
                continue;
            }
            const std::size_t attrBegin = p;
            while (p < n && IsNameChar(in[p]))
                ++p;
            const std::string_view attrName = in.substr(attrBegin, p - attrBegin);
            while (p < n && IsXmlSpace(in[p]))
                ++p;
            if (attrName.empty() || p >= n || in[p] != '=') {
                malformed = true;
                break;
            }
            ++p;
            while (p < n && IsXmlSpace(in[p]))
                ++p;
            if (p >= n || (in[p] != '"' && in[p] != '\'')) {
                malformed = true;
                break;
            }
            const char quote = in[p++];
            const std::size_t valueEnd = in.find(quote, p);
            if (valueEnd == std::string_view::npos) {
                p = n;
                break;
            }
            tag += ' ';
            tag.append(attrName);
            tag += '=';
            tag += quote;
            tag.append(in.substr(p, valueEnd - p));
            tag.append(kValuePadding);
            tag += quote;
            p = valueEnd + 1;
        }
        if (malformed) {
            // Keep what was read of this tag; the rest of it up to '>' is skipped.
            skipPast(">");
            complete = true;
        }
        if (!complete)
            break;  // truncated inside the tag: nothing of it is used
        tag += "/>\n";
        out += tag;
    }
    return out;
}

void LogTooLarge(const char* path)
{
    ProgramLog().Write("Options file %s is larger than %zu bytes: ignored, defaults kept.", path,
                       kMaxFileBytes);
}

bool ReadWholeFile(const char* path, std::string& out)
{
    // O_NONBLOCK: a FIFO at the file's name must not stop the start-up; only a regular file
    // is read.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (st.st_size > static_cast<off_t>(kMaxFileBytes)) {
        ::close(fd);
        LogTooLarge(path);
        return false;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return false;
    }
    char buffer[65536];
    bool tooLarge = false;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof(buffer), f);
        // The file may have grown since fstat.
        if (out.size() + got > kMaxFileBytes) {
            tooLarge = true;
            break;
        }
        out.append(buffer, got);
        if (got < sizeof(buffer))
            break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (tooLarge) {
        LogTooLarge(path);
        out.clear();
        return false;
    }
    return !failed;
}

// irrXML's value with the padding cut off again; null when the attribute is absent.
const char* PaddedValue(const XmlElementView& xml, const char* name, std::string& storage)
{
    const char* raw = xml.Value(name);
    if (!raw)
        return nullptr;
    storage = raw;
    if (storage.size() >= kValuePadding.size() &&
        std::string_view(storage).substr(storage.size() - kValuePadding.size()) == kValuePadding)
        storage.resize(storage.size() - kValuePadding.size());
    return storage.c_str();
}

// The reader's numeric conversion goes through a float and truncates towards zero; values
// outside the 32-bit range saturate instead of being undefined.
int32_t FloatToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return INT32_MAX;
    if (value <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Out-of-range values are replaced by the built-in default, as the command line would refuse
// them: a map set of 99 would otherwise end in a texture failure that names neither the file
// nor the attribute, and an unknown multisample mode would be printed as if it were used.
void CheckRanges(const XmlElementView& xml, StartupOptions& o, const char* source)
{
    const StartupOptions defaults;
    auto refuse = [&](const char* name, const char* expected, const std::string& fallback) {
        std::string value;
        PaddedValue(xml, name, value);
        ProgramLog().Write("Options file %s: %s=\"%s\" is not %s; the default %s is used.",
                           source ? source : kOptionsFileName, name, value.c_str(), expected,
                           fallback.c_str());
    };
    auto checkInt = [&](const char* name, int32_t& field, int32_t lo, int32_t hi,
                        int32_t fallback, const char* expected) {
        if (xml.Value(name) && (field < lo || field > hi)) {
            refuse(name, expected, std::to_string(fallback));
            field = fallback;
        }
    };
    checkInt("width", o.width, 1, 16384, defaults.width, "1 to 16384");
    checkInt("height", o.height, 1, 16384, defaults.height, "1 to 16384");
    if (xml.Value("aa_mode")) {
        bool known = false;
        for (const char* mode : {"Off", "2X MSAA", "4X MSAA", "6X MSAA", "8X MSAA"})
            known = known || std::strcmp(o.aa_mode, mode) == 0;
        // The text itself is kept, so the file is written back as the user wrote it; the
        // context and every text of the run treat an unknown mode as no multisampling.
        if (!known)
            refuse("aa_mode", "Off, 2X MSAA, 4X MSAA, 6X MSAA or 8X MSAA", defaults.aa_mode);
    }
    // 0 is the file's own way of saying "the default duration" and "no frame limit".
    checkInt("max_time", o.max_time, 0, INT32_MAX, defaults.max_time, "0 or more milliseconds");
    checkInt("max_frames", o.max_frames, 0, INT32_MAX, defaults.max_frames, "0 or more frames");
    checkInt("post_fx_index", o.post_fx_index, 0, 3, defaults.post_fx_index, "0 to 3");
    checkInt("map_set", o.map_set, 0, 3, defaults.map_set, "0 to 3");
    checkInt("tessellation_mode", o.tessellation_mode, 1, 4, defaults.tessellation_mode, "1 to 4");
}

void ApplyElement(const XmlElementView& xml, StartupOptions& o, const char* source)
{
    auto readInt = [&](const char* name, int32_t& field) {
        if (xml.Value(name))
            field = FloatToInt(xml.FloatValue(name));
    };
    auto readBool = [&](const char* name, auto& field) {
        if (xml.Value(name))
            field = static_cast<uint8_t>(FloatToInt(xml.FloatValue(name)) == 1 ? 1 : 0);
    };
    std::string text;

    readBool("display_app_latest_news", o.display_app_latest_news);
    readInt("api3d", o.api3d);
    readInt("display_gui", o.display_gui);
    readInt("display_menu_bar", o.display_menu_bar);
    readInt("display_score", o.display_score);
    readInt("display_version", o.display_version);
    readInt("width", o.width);
    readInt("height", o.height);
    readBool("custom_viewport_size", o.custom_viewport_size);
    if (const char* aa = PaddedValue(xml, "aa_mode", text)) {
        std::memset(o.aa_mode, 0, sizeof(o.aa_mode));
        std::strncpy(o.aa_mode, aa, sizeof(o.aa_mode) - 1);
    }
    readInt("fullscreen", o.fullscreen);
    if (const char* mode = PaddedValue(xml, "run_mode", text))
        o.run_mode = std::strncmp(mode, "BENCHMARK", 32) == 0 ? kRunModeBenchmark : kRunModeStability;
    readBool("time_based_benchmark", o.time_based_benchmark);
    readInt("max_time", o.max_time);
    readInt("max_frames", o.max_frames);
    readBool("xtreme_burning", o.xtreme_burning);
    readBool("log_temperature", o.log_temperature);
    readBool("enable_unlock_power_draw", o.enable_unlock_power_draw);
    readBool("render_post_fx", o.render_post_fx);
    readInt("post_fx_index", o.post_fx_index);
    readBool("render_temp_graphs", o.render_temp_graphs);
    readBool("render_general_indicators", o.render_general_indicators);
    readInt("tone_down_delay_ms", o.tone_down_delay_ms);
    readInt("map_set", o.map_set);
    readInt("tessellation_mode", o.tessellation_mode);
    CheckRanges(xml, o, source);
}

// Escapes XML's special characters so that any aa_mode text survives the round trip.
std::string EscapeAttribute(const char* text)
{
    std::string out;
    for (const char* c = text; *c; ++c) {
        switch (*c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += *c; break;
        }
    }
    return out;
}

}  // namespace

bool ReadStartupOptionsFile(const char* path, StartupOptions& options)
{
    if (!path)
        return false;
    std::string raw;
    if (!ReadWholeFile(path, raw))
        return false;
    return ApplyStartupOptionsText(raw, options, path);
}

bool ApplyStartupOptionsText(std::string_view fileBytes, StartupOptions& options, const char* source)
{
    const std::string text = NormaliseForReader(fileBytes);
    return ForEachXmlElement(text, "startup_options", [&](const XmlElementView& element) {
        ApplyElement(element, options, source);
    });
}

std::string FormatStartupOptionsFile(const StartupOptions& o)
{
    // CR LF line breaks whatever the platform, so files move between systems unchanged.
    constexpr const char* nl = "\r\n";
    std::string s;
    s += "<?xml version=\"1.0\"?>";
    s += nl;
    s += "<gridfall>";
    s += nl;
    s += "\t<!--";
    s += nl;
    s += "\trun_mode: \"BENCHMARK\" or \"STABILITY_TEST\".";
    s += nl;
    s += "\tmax_time: in milliseconds.";
    s += nl;
    s += "\tmax_frames: 0 means not used.";
    s += nl;
    s += "\t-->";
    s += nl;
    s += "\t<startup_options";
    auto attr = [&](const char* name, const std::string& value) {
        s += nl;
        s += "\t\t";
        s += name;
        s += "=\"";
        s += value;
        s += "\"";
    };
    auto num = [&](const char* name, long long value) { attr(name, std::to_string(value)); };
    auto flag = [&](const char* name, uint8_t value) { attr(name, value ? "1" : "0"); };
    num("api3d", o.api3d);
    num("display_gui", o.display_gui);
    num("display_menu_bar", o.display_menu_bar);
    num("display_score", o.display_score);
    num("display_version", o.display_version);
    num("width", o.width);
    num("height", o.height);
    flag("custom_viewport_size", o.custom_viewport_size);
    // aa_mode is always terminated within its 64 bytes when it came through the reader or the
    // dialog; bound the read anyway.
    attr("aa_mode", EscapeAttribute(std::string(o.aa_mode, strnlen(o.aa_mode, sizeof(o.aa_mode))).c_str()));
    num("fullscreen", o.fullscreen);
    attr("run_mode", o.run_mode == kRunModeBenchmark ? "BENCHMARK" : "STABILITY_TEST");
    flag("time_based_benchmark", o.time_based_benchmark);
    num("max_time", o.max_time);
    num("max_frames", o.max_frames);
    flag("xtreme_burning", o.xtreme_burning);
    flag("log_temperature", o.log_temperature);
    flag("render_post_fx", o.render_post_fx);
    num("post_fx_index", o.post_fx_index);
    flag("render_temp_graphs", o.render_temp_graphs);
    flag("render_general_indicators", o.render_general_indicators);
    num("map_set", o.map_set);
    num("tessellation_mode", o.tessellation_mode);
    flag("display_app_latest_news", o.display_app_latest_news);
    s += nl;
    s += "\t/>";
    s += nl;
    s += "</gridfall>";
    return s;
}

bool WriteStartupOptionsFile(const char* path, const StartupOptions& options)
{
    if (!path)
        return false;
    // A file the user made read-only stays as it is.
    if (::access(path, F_OK) == 0 && ::access(path, W_OK) != 0)
        return false;
    const std::string text = FormatStartupOptionsFile(options);
    // A file kept elsewhere and linked here (dotfile managers) is rewritten where it lives,
    // so the link stays a link.
    std::string target = path;
    if (char* real = ::realpath(path, nullptr)) {
        target = real;
        std::free(real);
    }
    // Written beside the target under a unique name and renamed over it, so a crash or a full
    // disk never leaves a half-written file that would cost the user every setting at the next
    // start, and a link planted at the temporary name is never followed.
    std::string error;
    return WriteFileAtomically(target, text, &error);
}
