// Reading back the program's log (gridfall_log.txt) as tests compare it: one message a line,
// without the "Y/M/D @ hh:mm:ss >> " prefix that each line carries.
#pragma once

#include "support/child_process.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace gridfall_test {

// The log's messages in order; a line without the prefix stands as it is. Empty when there
// is no log (yet).
inline std::vector<std::string> LogMessages(const std::filesystem::path& path)
{
    std::vector<std::string> out;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find(" >> ");
        out.push_back(at == std::string::npos ? line : line.substr(at + 4));
    }
    return out;
}

}  // namespace gridfall_test
