// EPS pictures as vectors in our PDFs.
//
// Ghostscript draws a picture as a PDF page of its own (texts stay texts,
// lines stay lines).  That page's content and everything its resources
// reach are copied into our document as a form XObject.  QPdfWriter cannot
// place another PDF's page, so each picture is first drawn as a small
// stand-in image of a size no other image of the document has; the bytes
// the writer sends out are watched for the stand-in's image object, and
// once the writer is done an update appended to the file (the incremental
// update PDF readers know) turns that object into the form.  Whatever the
// writer did with the stand-in -- its place, turn, clipping, its order
// among the elements, one object shared by every page -- holds for the form.
#pragma once

#include <QIODevice>
#include <QSize>
#include <QSizeF>
#include <memory>
#include <string>
#include <vector>

#include "output/pdf_form.h"

// The form's box as a size in points.
QSizeF out__pdf_form_size(const pdf_form &form);

// Passes everything written to it on to `target` and watches it for image
// objects of the sizes it is told to watch.
class pdf_tap final : public QIODevice {
public:
    explicit pdf_tap(QIODevice &target);

    // Stand-ins of this size are to be found.
    void watch(QSize size);

    struct placement {
        QSize size; // the stand-in's size
        std::shared_ptr<const pdf_form> form;
    };
    // Once the writer is done: every image object of a placement's size
    // becomes its form, in an update appended through this device.  False
    // with `error` (English) when the writer's trailer was not seen, a
    // stand-in was never written, or the target did not take the bytes.
    bool place(const std::vector<placement> &placements, std::string &error);

    // Bytes passed on so far.
    qint64 written() const { return total_; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override;

private:
    struct found_image {
        long object;
        QSize size;
    };
    void scan(bool final);
    void examine(std::size_t at);

    QIODevice &target_;
    qint64 total_ = 0;
    std::vector<QSize> watched_;
    std::vector<found_image> found_;
    std::string pending_;     // bytes still to look at, with a little before them
    std::size_t checked_ = 0; // where in pending_ the search goes on
    std::string tail_;        // the last bytes written (the trailer is in them)
    bool placed_ = false;
};
