// Runs a Python 3 snippet, the independent implementation of XML-RPC the
// tests write documents with.  Arguments reach it as sys.argv[1:].
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

inline int run_python(const std::string &code, const std::vector<std::string> &args = {})
{
    temp_dir dir;
    std::ofstream(dir / "snippet.py") << code;
    std::string cmd = "python3 '" + (dir / "snippet.py").string() + "'";
    for (const std::string &a : args)
        cmd += " '" + a + "'";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}
