// Colour choice: the colour dialog behind a seam.  The dialog starts from a
// colour and shows 16 custom colours, which it may change whether or not
// the user confirms.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

using custom_colours = std::array<std::uint32_t, 16>; // 0xRRGGBB each

class colour_choice_service {
public:
    virtual ~colour_choice_service() = default;
    // The chosen colour (0xRRGGBB), or nothing when cancelled.
    virtual std::optional<std::uint32_t> choose(void *owner, std::uint32_t initial,
                                                custom_colours &customs) = 0;
};

class scripted_colour_choice final : public colour_choice_service {
public:
    std::optional<std::uint32_t> choose(void *, std::uint32_t initial, custom_colours &customs) override
    {
        asked.push_back(initial);
        seen_customs.push_back(customs);
        if (set_custom)
            customs[static_cast<std::size_t>(set_custom->first)] = set_custom->second;
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::uint32_t> asked;
    std::vector<custom_colours> seen_customs;
    std::deque<std::optional<std::uint32_t>> answers;
    std::optional<std::pair<int, std::uint32_t>> set_custom; // the user edits one custom colour
};

colour_choice_service &platform_colour_choice(); // cancels everything without a GUI
colour_choice_service *platform_set_colour_choice(colour_choice_service *svc);

class scoped_colour_choice {
public:
    explicit scoped_colour_choice(colour_choice_service *svc) : prev_(platform_set_colour_choice(svc)) {}
    ~scoped_colour_choice() { platform_set_colour_choice(prev_); }
    scoped_colour_choice(const scoped_colour_choice &) = delete;
    scoped_colour_choice &operator=(const scoped_colour_choice &) = delete;

private:
    colour_choice_service *prev_;
};
