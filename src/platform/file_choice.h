// File choice: the open-file dialog behind a seam, so the core can ask for a
// file without a widget and tests can answer with a path.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

struct file_filter {
    std::u16string name;     // "Embedded PostScript"
    std::u16string patterns; // "*.EPS;*.EPSI"
};

struct file_choice_request {
    std::u16string title;
    std::vector<file_filter> filters;
    int selected_filter = 0;
    std::u16string initial_name;
    bool must_exist = true;
    bool save = false; // a save dialog rather than an open dialog
    // Added by the dialog itself to a typed name without an extension,
    // before it asks whether to replace an existing file, so the question
    // is about the name that will be written.
    std::u16string default_suffix;
};

struct file_choice_result {
    enum class status { chosen, cancelled, failed } st = status::cancelled;
    std::u16string path;
    int error_code = 0; // set with status::failed
};

class file_choice_service {
public:
    virtual ~file_choice_service() = default;
    virtual file_choice_result choose(const file_choice_request &req) = 0;
};

class scripted_file_choice final : public file_choice_service {
public:
    file_choice_result choose(const file_choice_request &req) override
    {
        asked.push_back(req);
        if (results.empty())
            return {};
        file_choice_result r = std::move(results.front());
        results.pop_front();
        return r;
    }
    std::vector<file_choice_request> asked;
    std::deque<file_choice_result> results;
};

// The service in use; with none set every choice is cancelled.
file_choice_service &platform_file_choice();
file_choice_service *platform_set_file_choice(file_choice_service *svc);

class scoped_file_choice {
public:
    explicit scoped_file_choice(file_choice_service *svc)
        : prev_(platform_set_file_choice(svc)) {}
    ~scoped_file_choice() { platform_set_file_choice(prev_); }
    scoped_file_choice(const scoped_file_choice &) = delete;
    scoped_file_choice &operator=(const scoped_file_choice &) = delete;

private:
    file_choice_service *prev_;
};
