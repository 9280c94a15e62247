// The program's one build stamp: the only translation unit that expands __DATE__ and __TIME__.
#include "core/product.h"

const char kBuildDate[] = __DATE__;
const char kBuildTime[] = __TIME__;
