#include "fuzz_entries.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz_quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, unsigned long size)
{
    return fuzz_picture(data, size);
}
