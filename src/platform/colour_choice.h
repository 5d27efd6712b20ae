// Colour choice: the colour dialog behind a seam.  The dialog starts from a
// colour and shows 16 custom colours, which it may change whether or not
// the user confirms.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/seam.h"

using custom_colours = std::array<std::uint32_t, 16>; // 0xRRGGBB each

class colour_choice_service {
public:
    virtual ~colour_choice_service() = default;
    // The chosen colour (0xRRGGBB), or nothing when cancelled.
    virtual std::optional<std::uint32_t> choose(void *owner, std::uint32_t initial,
                                                custom_colours &customs) = 0;
};

// The service in use; with none installed everything is cancelled.
template <>
colour_choice_service &seam<colour_choice_service>::fallback();
