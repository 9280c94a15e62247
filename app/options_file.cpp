// The options file reader and writer.
#include "app/options_file.h"
