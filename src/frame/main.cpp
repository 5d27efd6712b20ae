#include "frame/startup.h"

int main(int argc, char **argv)
{
    return app__main(argc, argv);
}
