#include "platform/file_choice.h"

namespace {
class no_file_choice final : public file_choice_service {
public:
    file_choice_result choose(const file_choice_request &) override { return {}; }
};
} // namespace

template <>
file_choice_service &seam<file_choice_service>::fallback()
{
    static no_file_choice none;
    return none;
}
