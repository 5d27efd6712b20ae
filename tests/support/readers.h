// Barcode readers that are not ours: dmtxread (libdmtx) for DataMatrix and
// zxing-cpp through Debian's Python (/usr/bin/python3, which sees Debian's
// python3-zxing-cpp), besides zbarimg (support/zbar.h).
#pragma once

#include <QImage>
#include <QString>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/zbar.h"

// What dmtxread finds in the picture ("" when nothing).  A quiet margin is
// added around it, as a printed symbol has.
inline std::string dmtx_read(const QImage &img)
{
    temp_dir dir;
    const std::string file = (dir / "code.png").string();
    QImage framed(img.width() + 40, img.height() + 40, QImage::Format_RGB32);
    framed.fill(Qt::white);
    {
        QPainter p(&framed);
        p.drawImage(20, 20, img);
    }
    framed.save(QString::fromStdString(file));
    return run_reading("dmtxread -N1 -m 20000 '" + file + "' 2>/dev/null");
}

struct zxing_result {
    std::string format; // zxing's name of the symbology ("QRCode", "DataMatrix", "PDF417", "Code128", ...)
    std::string text;   // the data; GS1 data as zxing writes it, with its identifiers in brackets
    std::string identifier; // the symbology identifier: "]d2" GS1 DataMatrix, "]C1" GS1-128, ...
    std::string bytes;      // the data's exact bytes (GS as 0x1D)
};

// Every symbol zxing-cpp finds in the picture.
inline std::vector<zxing_result> zxing_read(const QImage &img)
{
    temp_dir dir;
    const std::string file = (dir / "code.pgm").string();
    img.convertToFormat(QImage::Format_Grayscale8).save(QString::fromStdString(file), "PGM");
    std::ofstream(dir / "read.py") << R"(import sys, numpy, zxingcpp
data = open(sys.argv[1], 'rb').read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    if data[at:at + 1] == b'#':
        at = data.index(b'\n', at)
        continue
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
at += 1
w, h = int(fields[1]), int(fields[2])
image = numpy.frombuffer(data[at:at + w * h], dtype=numpy.uint8).reshape(h, w)
for r in zxingcpp.read_barcodes(image):
    text = r.text.replace('\x1d', '<GS>')
    print(r.format.name + '\t' + r.symbology_identifier + '\t' + bytes(r.bytes).hex() + '\t' + text)
)";
    const std::string out = run_reading("/usr/bin/python3 '" + (dir / "read.py").string() + "' '" + file + "' 2>&1");
    std::vector<zxing_result> found;
    std::size_t at = 0;
    while (at < out.size()) {
        std::size_t end = out.find('\n', at);
        if (end == std::string::npos)
            end = out.size();
        const std::string line = out.substr(at, end - at);
        std::size_t tabs[3], from = 0;
        bool whole = true;
        for (std::size_t &t : tabs) {
            t = line.find('\t', from);
            whole = whole && t != std::string::npos;
            from = whole ? t + 1 : from;
        }
        if (whole) {
            std::string bytes;
            const std::string hex = line.substr(tabs[1] + 1, tabs[2] - tabs[1] - 1);
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            found.push_back({line.substr(0, tabs[0]), line.substr(tabs[2] + 1),
                             line.substr(tabs[0] + 1, tabs[1] - tabs[0] - 1), bytes});
        } else
            found.push_back({"?", line, "", ""}); // a message of Python's: shown by the test that fails
        at = end + 1;
    }
    return found;
}
