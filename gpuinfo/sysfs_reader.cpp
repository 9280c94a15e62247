// File readers for sysfs/procfs trees.
#include "gpuinfo/sysfs_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Ridudedozu {

std::string SysfsRootFromEnvironment()
{
    const char* root = std::getenv("GRIDFALL_SYSFS_ROOT");
    if (!root)
        return {};
    std::string r(root);
    while (!r.empty() && r.back() == '/')
        r.pop_back();
    return r;
}

std::string RootedPath(const std::string& root, std::string_view path)
{
    std::string out = root;
    out.append(path);
    return out;
}

std::optional<std::string> ReadTextFile(const std::string& path, size_t maxBytes)
{
    // O_NONBLOCK: a FIFO planted in a fake tree (or an odd device node) must not hang start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text;
    char buf[4096];
    while (text.size() < maxBytes) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof(buf), maxBytes - text.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // sysfs attributes that the driver refuses to answer (EIO, ENODEV) count as absent.
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

std::optional<std::string> ReadFirstLine(const std::string& path)
{
    auto text = ReadTextFile(path, 4096);
    if (!text)
        return std::nullopt;
    std::string line = text->substr(0, text->find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t' ||
                             line.back() == '\0'))
        line.pop_back();
    return line;
}

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.back())) || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<uint64_t> ReadUnsigned(const std::string& path)
{
    auto line = ReadFirstLine(path);
    if (!line)
        return std::nullopt;
    std::string_view s = Trim(*line);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return std::nullopt;
    return value;
}

std::optional<uint64_t> ReadDecimal(const std::string& path)
{
    auto line = ReadFirstLine(path);
    if (!line)
        return std::nullopt;
    std::string_view s = Trim(*line);
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return std::nullopt;
    return value;
}

std::optional<int64_t> ReadSigned(const std::string& path)
{
    auto line = ReadFirstLine(path);
    if (!line)
        return std::nullopt;
    std::string_view s = Trim(*line);
    int64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return std::nullopt;
    return value;
}

namespace {

// Natural order: runs of digits compare by value, so card2 sorts before card10.
bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t ie = i, je = j;
            while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie])))
                ++ie;
            while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je])))
                ++je;
            std::string_view na(a.data() + i, ie - i), nb(b.data() + j, je - j);
            while (na.size() > 1 && na.front() == '0')
                na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0')
                nb.remove_prefix(1);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

}  // namespace

std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return names;
    while (dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<uint32_t> ParseHexField(std::string_view text)
{
    // A truncated id ("10" of "10de") is no id at all, not vendor 0x0010.
    if (text.size() < 4)
        return std::nullopt;
    uint32_t value = 0;
    for (size_t n = 0; n < 4; ++n) {
        const int c = std::toupper(static_cast<unsigned char>(text[n]));
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 55;
        else
            return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

std::optional<uint32_t> ParseSysfsHexId(std::string_view text)
{
    text = Trim(text);
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    // PCI ids are 16 bits, which sysfs always writes as four digits: a longer or shorter
    // field is not an id.
    if (text.size() != 4)
        return std::nullopt;
    return ParseHexField(text);
}

std::optional<std::string> FindKeyValue(std::string_view text, std::string_view key)
{
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = Trim(text.substr(pos, end - pos));
        if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
            std::string_view v = line.substr(key.size() + 1);
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            std::string out;
            for (size_t i = 0; i < v.size(); ++i) {
                // os-release allows shell escapes inside double quotes.
                if (v[i] == '\\' && i + 1 < v.size())
                    ++i;
                out.push_back(v[i]);
            }
            return out;
        }
        pos = end + 1;
    }
    return std::nullopt;
}

void CopyText(char* dest, size_t destSize, std::string_view text)
{
    if (!dest || destSize == 0)
        return;
    const size_t n = std::min(destSize - 1, text.size());
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

}  // namespace Ridudedozu
