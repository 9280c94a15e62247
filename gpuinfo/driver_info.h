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

// The main driver string: the NVIDIA release form ("Forceware %s (%s)"), the Catalyst form
// ("%s - Catalyst %s (%s)") or the plain form ("%s (%s)"), each with " - GL:%s" when the
// OpenGL driver name is known; "unknown" when there is no driver version at all.
std::string FormatMainDriverString(int32_t vendorKind, const std::string& nvidiaRelease,
                                   const std::string& catalystVersion, const std::string& driverVersion,
                                   const std::string& driverDate, const std::string& glDriverName);

// The BIOS version shown for the main GPU: the text after the first "Version" of the BIOS
// string, or the whole string; "n.a." when empty.
std::string BiosVersionFromString(const std::string& bios);

}  // namespace Ridudedozu
