// Opening an address in the desktop's web browser, behind a seam.
#pragma once

#include <string>
#include <vector>

class url_opener_service {
public:
    virtual ~url_opener_service() = default;
    virtual bool open(const std::u16string &url) = 0;
};

class scripted_url_opener final : public url_opener_service {
public:
    bool open(const std::u16string &url) override
    {
        opened.push_back(url);
        return true;
    }
    std::vector<std::u16string> opened;
};

url_opener_service &platform_url_opener(); // opens nothing without a GUI
url_opener_service *platform_set_url_opener(url_opener_service *svc);
