// The vendor interfaces' diagnostic logs. Both are created switched off: no file is opened and
// no line is written; they keep the lines a developer can switch on when chasing a driver.
#pragma once

#include "core/log_file.h"

namespace Ridudedozu {

LogFile& NvapiLog();   // "nvapi.log": NVIDIA enumeration and sensor reads
LogFile& AdlLog();     // "adl.log": AMD enumeration and sensor reads

}  // namespace Ridudedozu
