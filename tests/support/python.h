// Runs Python 3, the independent implementation of XML-RPC the tests write
// documents with and talk to the server through.  Arguments reach it as
// sys.argv[1:].  Where the test knows the tests folder (VELLUMO_TESTS_DIR),
// tests/support (peer.py) is on the module path.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

inline int run_python_file(const std::string &path, const std::vector<std::string> &args = {})
{
    std::string cmd = "python3 '" + path + "'";
#ifdef VELLUMO_TESTS_DIR
    cmd = "PYTHONPATH='" + std::string(VELLUMO_TESTS_DIR) + "/support' " + cmd;
#endif
    for (const std::string &a : args)
        cmd += " '" + a + "'";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

inline int run_python(const std::string &code, const std::vector<std::string> &args = {})
{
    temp_dir dir;
    std::ofstream(dir / "snippet.py") << code;
    return run_python_file((dir / "snippet.py").string(), args);
}
