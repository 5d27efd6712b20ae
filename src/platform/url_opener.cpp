#include "platform/url_opener.h"

namespace {

class no_opener final : public url_opener_service {
public:
    bool open(const std::u16string &) override { return false; }
};

no_opener g_none;
url_opener_service *g_current = nullptr;

} // namespace

url_opener_service &platform_url_opener()
{
    return g_current ? *g_current : g_none;
}

url_opener_service *platform_set_url_opener(url_opener_service *svc)
{
    url_opener_service *prev = g_current;
    g_current = svc;
    return prev;
}
