// Driver identification through sysfs, procfs and libdrm.
#include "gpuinfo/driver_info.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <xf86drm.h>

#include "gpuinfo/sysfs_reader.h"

namespace Ridudedozu {

std::string KernelRelease(const std::string& root)
{
    if (auto r = ReadFirstLine(RootedPath(root, "/proc/sys/kernel/osrelease")); r && !r->empty())
        return *r;
    if (root.empty()) {
        utsname u {};
        if (::uname(&u) == 0)
            return u.release;
    }
    return {};
}

std::string KernelDriverVersion(const std::string& root, const std::string& driver)
{
    if (driver.empty() || driver.find('/') != std::string::npos || driver == "." || driver == "..")
        return {};
    if (auto v = ReadFirstLine(RootedPath(root, "/sys/module/" + driver + "/version")); v && !v->empty())
        return *v;
    return KernelRelease(root);
}

DrmDriverVersion ReadDrmDriverVersion(const std::string& root, int cardNumber)
{
    DrmDriverVersion out;
    if (cardNumber < 0)
        return out;
    // The render node answers the version query as well and, unlike the card node, never
    // makes this process the display's master for the moment it is open.
    char node[64];
    std::snprintf(node, sizeof(node), "/dev/dri/card%d", cardNumber);
    std::string path = RootedPath(root, node);
    char drmDir[96];
    std::snprintf(drmDir, sizeof(drmDir), "/sys/class/drm/card%d/device/drm", cardNumber);
    for (const std::string& name : ListDirectory(RootedPath(root, drmDir))) {
        if (name.rfind("renderD", 0) == 0 && name.size() < 16) {
            path = RootedPath(root, "/dev/dri/" + name);
            break;
        }
    }
    // Only a character device is a DRM node: a fake tree's regular file must not reach ioctl.
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return out;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(fd);
        return out;
    }
    drmVersionPtr v = drmGetVersion(fd);
    ::close(fd);
    if (!v)
        return out;
    out.valid = true;
    if (v->name)
        out.name.assign(v->name, static_cast<size_t>(v->name_len > 0 ? v->name_len : 0));
    if (v->date)
        out.date.assign(v->date, static_cast<size_t>(v->date_len > 0 ? v->date_len : 0));
    if (v->desc)
        out.desc.assign(v->desc, static_cast<size_t>(v->desc_len > 0 ? v->desc_len : 0));
    out.major = v->version_major;
    out.minor = v->version_minor;
    out.patch = v->version_patchlevel;
    drmFreeVersion(v);
    // The length fields count bytes that may include a terminator.
    for (std::string* s : {&out.name, &out.date, &out.desc})
        s->resize(std::strlen(s->c_str()));
    if (out.date == "0")
        out.date.clear();
    return out;
}

std::string ParseNvidiaProcVersion(const std::string& text)
{
    // "NVRM version: NVIDIA UNIX x86_64 Kernel Module  550.54.14  Thu Feb 22 01:44:30 UTC 2024"
    // (the open modules say "Open Kernel Module for x86_64  550.54.14  Release Build ...").
    const std::string firstLine = text.substr(0, text.find('\n'));
    size_t pos = firstLine.find("Kernel Module");
    if (pos == std::string::npos)
        return {};
    pos += std::strlen("Kernel Module");
    // Skip words until one starts with a digit: that is the version.
    while (pos < firstLine.size()) {
        while (pos < firstLine.size() && firstLine[pos] == ' ')
            ++pos;
        size_t end = firstLine.find(' ', pos);
        if (end == std::string::npos)
            end = firstLine.size();
        if (pos < end && firstLine[pos] >= '0' && firstLine[pos] <= '9')
            return firstLine.substr(pos, end - pos);
        pos = end;
    }
    return {};
}

std::string NvidiaProcDriverVersion(const std::string& root)
{
    auto text = ReadTextFile(RootedPath(root, "/proc/driver/nvidia/version"), 4096);
    return text ? ParseNvidiaProcVersion(*text) : std::string();
}

std::string GlDriverText(const std::string& glVersion)
{
    auto tokenFrom = [&](size_t pos) {
        size_t end = glVersion.find(' ', pos);
        // The driver's name and its version number.
        end = end == std::string::npos ? glVersion.size() : glVersion.find(' ', end + 1);
        if (end == std::string::npos)
            end = glVersion.size();
        return glVersion.substr(pos, end - pos);
    };
    if (size_t p = glVersion.find("Mesa "); p != std::string::npos)
        return tokenFrom(p);
    if (size_t p = glVersion.find("NVIDIA "); p != std::string::npos)
        return tokenFrom(p);
    size_t space = glVersion.find(' ');
    if (space == std::string::npos)
        return {};
    std::string rest = glVersion.substr(space + 1);
    while (!rest.empty() && rest.back() == ' ')
        rest.pop_back();
    return rest;
}

std::string KernelDriverText(const std::string& root, const std::string& driver, const std::string& nvmlVersion)
{
    if (driver.empty() || driver.find('/') != std::string::npos || driver == "." || driver == "..")
        return {};
    std::string version;
    if (driver == "nvidia") {
        // The proprietary module keeps its version in NVML and its proc file; the kernel's
        // release says nothing about it.
        version = nvmlVersion;
        if (version.empty())
            if (auto v = ReadFirstLine(RootedPath(root, "/sys/module/nvidia/version")); v && !v->empty())
                version = *v;
        if (version.empty())
            version = NvidiaProcDriverVersion(root);
    }
    if (version.empty())
        version = KernelDriverVersion(root, driver);
    return version.empty() ? driver : driver + " " + version;
}

std::string FormatDriverText(const std::string& kernelDriver, const std::string& glDriver)
{
    if (kernelDriver.empty() && glDriver.empty())
        return "unknown";
    if (kernelDriver.empty())
        return glDriver;
    if (glDriver.empty())
        return kernelDriver;
    return kernelDriver + " - " + glDriver;
}

std::string BiosVersionFromString(const std::string& bios)
{
    if (bios.empty())
        return "n.a.";
    const size_t p = bios.find("Version");
    if (p == std::string::npos)
        return bios;
    return bios.substr(p + 7);
}

}  // namespace Ridudedozu
