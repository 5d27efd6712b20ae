// Prints a few settings values as a fresh process sees them.
#include <cstdio>

#include "model/settings.h"
#include "platform/code_pages.h"

int main()
{
    std::printf("label-width=%.6f\n", settings::get(settings::label_width));
    std::printf("label-color=%d\n", settings::get(settings::label_color));
    auto s = settings::get(settings::default_server);
    std::printf("default-server=%s\n", s ? plt__to_utf8(*s).c_str() : "(none)");
    std::printf("variables-list=");
    for (const auto &v : settings::get(settings::variables_list))
        std::printf("%s|", plt__to_utf8(v).c_str());
    std::printf("\n");
    return 0;
}
