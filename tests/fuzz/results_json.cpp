// What `gridfall compare` reads of a results file, on arbitrary bytes: never a crash, a read
// out of bounds or undefined behaviour, whether the document is refused or compared.
#include <cstdint>
#include <string>
#include <string_view>

#include "results/compare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CompareRun run;
    std::string error;
    ReadCompareRun(std::string_view(reinterpret_cast<const char*>(data), size), "input.json", &run, &error);
    return 0;
}
