// Which driver runs the graphics hardware and how it presents itself: kernel module version,
// libdrm's name/date/description, the OpenGL driver's own version text, and the main driver
// string the start-up log shows.
#pragma once

#include <cstdint>
#include <string>

namespace Ridudedozu {

// The kernel module's own version (/sys/module/<driver>/version); in-tree drivers have none,
// and then the kernel release stands for it. Empty when the driver is unknown.
std::string KernelDriverVersion(const std::string& root, const std::string& driver);
// /proc/sys/kernel/osrelease, or uname when reading the real root and the file is missing.
std::string KernelRelease(const std::string& root);

struct DrmDriverVersion {
    bool valid = false;
    std::string name;
    std::string date;   // "" when the kernel answers "0" (new kernels no longer keep dates)
    std::string desc;
    int major = 0, minor = 0, patch = 0;
};
// drmGetVersion on <root>/dev/dri/card<N>; invalid when the node cannot be opened.
DrmDriverVersion ReadDrmDriverVersion(const std::string& root, int cardNumber);

// NVIDIA's kernel module version from /proc/driver/nvidia/version ("550.54.14"), or "".
std::string NvidiaProcDriverVersion(const std::string& root);
std::string ParseNvidiaProcVersion(const std::string& text);

// The OpenGL driver's own version text inside GL_VERSION: "Mesa 24.0.5", "NVIDIA 550.54.14",
// else whatever follows the version number; "" when nothing does.
std::string GlDriverText(const std::string& glVersion);

// "<kernel driver> <version>" ("amdgpu 6.8.0-45-generic", "nvidia 550.54.14"): the module's
// version where it has one (for nvidia the given NVML version first, then its proc file), else
// the kernel release. Just the name when no version is known; "" without a driver name.
std::string KernelDriverText(const std::string& root, const std::string& driver,
                             const std::string& nvmlVersion = std::string());

// The driver text Linux users know: the kernel (or software) driver and the OpenGL driver,
// "amdgpu 6.8.0-45-generic - Mesa 24.0.5", "llvmpipe - Mesa 22.3.6"; either part alone when
// the other is unknown, "unknown" when both are.
std::string FormatDriverText(const std::string& kernelDriver, const std::string& glDriver);

// The BIOS version shown for the main GPU: the text after the first "Version" of the BIOS
// string, or the whole string; "n.a." when empty.
std::string BiosVersionFromString(const std::string& bios);

}  // namespace Ridudedozu
