// Small, defensive readers for sysfs and procfs files. Every reader takes the file-system root
// as a prefix ("" on a real machine, a fake tree in tests), never throws, and treats missing,
// truncated or garbage files as "no value".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Ridudedozu {

// GRIDFALL_SYSFS_ROOT, or "" when unset. Read once per call; callers keep the result.
std::string SysfsRootFromEnvironment();

// root + path, path starting with '/'.
std::string RootedPath(const std::string& root, std::string_view path);

// Whole file, at most maxBytes (sysfs files are small; a runaway file must not eat memory).
std::optional<std::string> ReadTextFile(const std::string& path, size_t maxBytes = 64 * 1024);
// First line without its line end and without trailing blanks.
std::optional<std::string> ReadFirstLine(const std::string& path);
// A decimal (or 0x-prefixed hex) unsigned number as the whole first line; nullopt on garbage.
std::optional<uint64_t> ReadUnsigned(const std::string& path);
// An unsigned decimal number as the whole first line: hwmon and clock files, whose documented
// form is a plain integer ("0x10", "52.5", "nan" are no reading).
std::optional<uint64_t> ReadDecimal(const std::string& path);
// A signed decimal number as the whole first line (hwmon temperatures can be negative).
std::optional<int64_t> ReadSigned(const std::string& path);

// Names in a directory, sorted in natural order (card2 before card10); "." and ".." left out.
std::vector<std::string> ListDirectory(const std::string& path);
bool IsDirectory(const std::string& path);

// Four-digit hex field of a PCI identifier (the first four characters), upper- or lower-case.
// Fewer than four characters, or anything that is not a hex digit: nullopt, so that a damaged
// or truncated id reads as "unknown" instead of as some other vendor's id.
std::optional<uint32_t> ParseHexField(std::string_view text);
// A sysfs id file's text ("0x10de\n"): exactly four hex digits after the optional 0x.
std::optional<uint32_t> ParseSysfsHexId(std::string_view text);

// "KEY=value" lines (uevent, os-release); quotes around the value are removed.
std::optional<std::string> FindKeyValue(std::string_view text, std::string_view key);

// Copies with truncation into a fixed buffer, always terminated.
void CopyText(char* dest, size_t destSize, std::string_view text);

}  // namespace Ridudedozu
