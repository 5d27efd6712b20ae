#include "platform/file_choice.h"

namespace {
class no_file_choice final : public file_choice_service {
public:
    file_choice_result choose(const file_choice_request &) override { return {}; }
};
no_file_choice g_none;
file_choice_service *g_current = nullptr;
} // namespace

file_choice_service &platform_file_choice()
{
    return g_current ? *g_current : g_none;
}

file_choice_service *platform_set_file_choice(file_choice_service *svc)
{
    file_choice_service *prev = g_current;
    g_current = svc;
    return prev;
}
