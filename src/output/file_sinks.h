// The sinks of files, for the table of formats (formats.cpp), and what
// the sinks writing a file per page share.
#pragma once

#include "output/pictures.h"
#include "output/sink.h"

std::unique_ptr<page_sink> out__pdf_file_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                              bool numbered, std::u16string &error);
std::unique_ptr<page_sink> out__png_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                         bool numbered, std::u16string &error);
std::unique_ptr<page_sink> out__svg_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                         bool numbered, std::u16string &error);

// A file per page: one file holds the first page, or with `numbered`
// every page has its own (NAME-0001.png …).
class file_per_page_sink : public page_sink {
public:
    file_per_page_sink(const label *lab, const std::u16string &path, const doc_options &o, bool numbered)
        : lab_(lab), path_(path), o_(o), numbered_(numbered)
    {
    }

    bool page(const doc_page &page, std::vector<page_problem> &problems, std::u16string &error) override;
    bool finish(std::u16string &) override { return true; }

protected:
    // Writes one page to `path`; false with `error` when no file was written.
    virtual bool write(const doc_page &page, const std::u16string &path, std::vector<page_problem> &problems,
                       std::u16string &error, render_outcome &drawn) = 0;

    const label *lab_;
    std::u16string path_;
    doc_options o_;
    bool numbered_;
    long written_ = 0;
    remembered_pictures pictures_;
};
