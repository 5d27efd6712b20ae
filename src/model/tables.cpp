#include "model/tables.h"

std::int32_t anchor_to_stored(std::int32_t quadrant)
{
    for (const anchor_row &r : anchor_table)
        if (r.quadrant == quadrant)
            return r.stored;
    return -1;
}

std::int32_t anchor_from_stored(std::int32_t stored)
{
    for (const anchor_row &r : anchor_table)
        if (r.stored == stored)
            return r.quadrant;
    return -1;
}
