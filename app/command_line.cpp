// The command line.
#include "app/command_line.h"
