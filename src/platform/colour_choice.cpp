#include "platform/colour_choice.h"

namespace {

class no_colour_choice final : public colour_choice_service {
public:
    std::optional<std::uint32_t> choose(void *, std::uint32_t, custom_colours &) override { return std::nullopt; }
};

no_colour_choice g_none;
colour_choice_service *g_current = nullptr;

} // namespace

colour_choice_service &platform_colour_choice()
{
    return g_current ? *g_current : g_none;
}

colour_choice_service *platform_set_colour_choice(colour_choice_service *svc)
{
    colour_choice_service *prev = g_current;
    g_current = svc;
    return prev;
}
