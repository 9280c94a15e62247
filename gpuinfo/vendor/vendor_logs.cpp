// The switched-off vendor logs.
#include "gpuinfo/vendor/vendor_logs.h"

namespace Ridudedozu {

LogFile& NvapiLog()
{
    static LogFile log("nvapi.log", false, false);
    return log;
}

LogFile& AdlLog()
{
    static LogFile log("adl.log", false, false);
    return log;
}

}  // namespace Ridudedozu
