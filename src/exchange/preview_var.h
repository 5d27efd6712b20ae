// One preview variable: a name and the value a label server puts in its
// place when it renders ("${name}").
#pragma once

#include <string>

struct preview_var {
    std::u16string name;
    std::u16string value;
};
