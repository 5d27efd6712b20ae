#include "platform/colour_choice.h"

namespace {
class no_colour_choice final : public colour_choice_service {
public:
    std::optional<std::uint32_t> choose(void *, std::uint32_t, custom_colours &) override { return std::nullopt; }
};
} // namespace

template <>
colour_choice_service &seam<colour_choice_service>::fallback()
{
    static no_colour_choice none;
    return none;
}
