// The settings of a test in a folder of its own ($XDG_CONFIG_HOME), for the
// life of a scope.
#pragma once

#include "support/scoped_env.h"
#include "support/temp_dir.h"

struct settings_home {
    temp_dir dir;
    scoped_env env{"XDG_CONFIG_HOME", dir.path().string()};
};
