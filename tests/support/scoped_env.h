// An environment variable set for the life of a scope, then put back as it
// was (or removed when it was not set).
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class scoped_env {
public:
    scoped_env(const char *name, const std::string &value) : name_(name)
    {
        if (const char *old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~scoped_env()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    scoped_env(const scoped_env &) = delete;
    scoped_env &operator=(const scoped_env &) = delete;

private:
    const char *name_;
    std::optional<std::string> old_;
};
