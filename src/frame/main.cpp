#include "frame/command_line.h"
#include "frame/startup.h"

int main(int argc, char **argv)
{
    // Russian or English, before the first word is said (--help too).
    app__choose_language();
    if (int status = app__command_line(argc, argv); status >= 0)
        return status;
    return app__main(argc, argv);
}
