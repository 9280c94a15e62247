// Start-up sequence, message loop and shutdown.
#include "app/startup.h"

#include "app/log_file.h"
#include "app/startup_options.h"

int GridfallMain(int, char**)
{
    ProgramLog().Open();
    ProgramLog().Write("%s is starting up.", kProductTitle);
    ProgramLog().Write("Exit from %s.", kProductTitle);
    return 0;
}
