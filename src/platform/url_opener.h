// Opening an address in the desktop's web browser, behind a seam.
#pragma once

#include <string>

#include "platform/seam.h"

class url_opener_service {
public:
    virtual ~url_opener_service() = default;
    virtual bool open(const std::u16string &url) = 0;
};

// The service in use; with none installed nothing is opened.
template <>
url_opener_service &seam<url_opener_service>::fallback();
