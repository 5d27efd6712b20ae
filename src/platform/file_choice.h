// File choice: the open-file dialog behind a seam, so the core can ask for a
// file without a widget and tests can answer with a path.
#pragma once

#include <string>
#include <vector>

#include "platform/seam.h"

struct file_filter {
    std::u16string name;     // "Embedded PostScript"
    std::u16string patterns; // "*.EPS;*.EPSI"
};

struct file_choice_request {
    std::u16string title;
    std::vector<file_filter> filters;
    int selected_filter = 0;
    std::u16string initial_name;
    // The folder the dialog starts in; when empty or gone, the home folder
    // (never the folder another dialog last visited).
    std::u16string folder;
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

// The service in use; with none installed every choice is cancelled.
template <>
file_choice_service &seam<file_choice_service>::fallback();
