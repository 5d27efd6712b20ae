// Thermal printers' jobs: ZPL, TSPL and EPL read back by the tests' own
// decoder (tests/output/thermal_decode.py) and zbar; bars on whole dots;
// printers that take a job, drop it, or never answer; a FIFO standing in
// for a USB printer.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "exchange/inout.h"
#include "model/picture_file.h"
#include "output/output_support.h"
#include "output/thermal.h"
#include "platform/code_pages.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

const std::string BIN = VELLUMO_RENDER_BIN;
const std::string DECODER = THERMAL_DECODER;

run_result render(const std::string &args)
{
    return run("'" + BIN + "' " + args);
}

// A 4 × 2 inch label: a name and a CODE-128 of the row.
fs::path save_tag(const temp_dir &dir)
{
    label_ptr lab = ele__label_new(288, 144);
    lab->name = u"Склад";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"${name}", 10, 110, 12);
    barcode(lab.get(), 7, u"${code}", 10, 10, 260, 80);
    const fs::path p = dir / "tag.lbl";
    EXPECT_EQ(ino__save_file(u16(p), lab.get()), 1);
    return p;
}

struct decoded {
    QJsonObject facts;
    std::vector<fs::path> labels; // a picture (PBM) per label
};

decoded decode(const fs::path &job)
{
    decoded d;
    const run_result r = run("python3 '" + DECODER + "' " + quoted(job) + " " + quoted(job));
    EXPECT_EQ(r.status, 0) << r.err;
    d.facts = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    for (long i = 1;; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "-%04ld.pbm", i);
        const fs::path p = job.string() + name;
        if (!fs::exists(p))
            break;
        d.labels.push_back(p);
    }
    return d;
}

// A loopback printer: accepts one connection and does `serve` with it.
class fake_printer {
public:
    // `receive_buffer`: the socket's buffer (0: the system's), small for a
    // printer that stops reading soon.
    explicit fake_printer(std::function<void(int fd)> serve, int receive_buffer = 0)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receive_buffer > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(fd_, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, serve] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c >= 0) {
                serve(c);
                ::close(c);
            }
        });
    }
    ~fake_printer()
    {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    std::string address() const { return "socket://127.0.0.1:" + std::to_string(port_); }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

std::string read_all(int fd)
{
    std::string got;
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    return got;
}

// Runs of equal dots along row `y` of a 1-bit image: (black, length).
std::vector<std::pair<bool, int>> runs(const QImage &bits, int y, int from, int to)
{
    std::vector<std::pair<bool, int>> out;
    for (int x = from; x < to; ++x) {
        const bool black = bits.pixelIndex(x, y) == 1;
        if (out.empty() || out.back().first != black)
            out.push_back({black, 0});
        ++out.back().second;
    }
    return out;
}

} // namespace

TEST(ThermalJobs, EveryLanguageReadsBackWithItsSizeCopiesAndBarcodes)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    write_file(dir / "t.csv", "name;code\nчай;TEA-0001\nкофе;COF-0002\nсахар;SUG-0003\n");
    for (const char *language : {"zpl", "tspl", "epl"})
        for (int dpi : {203, 300}) {
            SCOPED_TRACE(std::string(language) + " " + std::to_string(dpi));
            const fs::path job = dir / (std::string("job") + std::to_string(dpi) + "." + language);
            const run_result r = render(quoted(lbl) + " -o " + quoted(job) + " --csv " + quoted(dir / "t.csv") +
                                        " --copies 3 --dpi " + std::to_string(dpi));
            ASSERT_EQ(r.status, 0) << r.err;
            const decoded d = decode(job);
            ASSERT_EQ(d.labels.size(), 3u);
            const QJsonObject first = d.facts["labels"].toArray()[0].toObject();
            // The label's size in dots (a TSPL or EPL graphic is whole bytes
            // wide) and, for TSPL, in millimetres.
            const int w = static_cast<int>(std::lround(288.0 * dpi / 72)), h = dpi * 2;
            EXPECT_EQ(first["height"].toInt(), h);
            EXPECT_TRUE(first["width"].toInt() == w || first["width"].toInt() == (w + 7) / 8 * 8)
                << first["width"].toInt();
            if (std::string(language) == "tspl") {
                EXPECT_NEAR(first["size_mm"].toArray()[0].toDouble(), 101.6, 0.1);
                EXPECT_NEAR(first["size_mm"].toArray()[1].toDouble(), 50.8, 0.1);
            }
            // Copies are asked of the printer, not drawn again.
            for (const QJsonValue &l : d.facts["labels"].toArray())
                EXPECT_EQ(l.toObject()["copies"].toInt(), 3);
            const char *codes[] = {"TEA-0001", "COF-0002", "SUG-0003"};
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_EQ(zbar_codes(d.labels[i]), std::set<std::string>{codes[i]}) << d.labels[i];
        }
}

TEST(ThermalJobs, BarsAreWholeDotsAndRoundingIsWarnedOf)
{
    // A CODE-128 of 79 modules in 112 pt (315 dots at 203 dpi): 3.99 dots a
    // module, drawn as 4 without a word.
    label_ptr lab = ele__label_new(200, 60);
    lab->bgcolor = 0xFFFFFF;
    barcode(lab.get(), 7, u"AB12", 20, 10, 112, 40)->desc = u"код";
    thermal_options o;
    std::vector<page_problem> problems;
    QImage bits = out__thermal_image(out__label_page(lab.get(), {}), o, problems);
    ASSERT_EQ(bits.format(), QImage::Format_Mono);
    ASSERT_EQ(bits.size(), QSize(564, 169));
    EXPECT_TRUE(problems.empty()) << plt__to_utf8(problems[0].text);
    const auto across = runs(bits, 169 / 2, 0, bits.width());
    int narrowest = 1 << 20;
    for (std::size_t i = 1; i + 1 < across.size(); ++i)
        narrowest = std::min(narrowest, across[i].second);
    EXPECT_GE(narrowest, 3);
    for (std::size_t i = 1; i + 1 < across.size(); ++i)
        EXPECT_EQ(across[i].second % narrowest, 0) << i;

    // 1.2 modules a dot: each module is one dot, and the user is told.
    label_ptr narrow = ele__label_new(200, 60);
    barcode(narrow.get(), 7, u"A LONGER CODE-128 TEXT", 20, 10, 60, 40)->desc = u"узкий";
    problems.clear();
    bits = out__thermal_image(out__label_page(narrow.get(), {}), o, problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].warning);
    EXPECT_NE(plt__to_utf8(problems[0].text).find("«узкий»"), std::string::npos) << plt__to_utf8(problems[0].text);
    EXPECT_NE(plt__to_utf8(problems[0].text).find("уже точки"), std::string::npos) << plt__to_utf8(problems[0].text);
}

TEST(ThermalJobs, ThePrintersOffsetsMoveEverythingByWholeDots)
{
    label_ptr lab = ele__label_new(200, 60);
    lab->bgcolor = 0xFFFFFF;
    barcode(lab.get(), 7, u"AB12", 20, 10, 112, 40);
    text(lab.get(), u"Склад", 140, 20, 12);
    thermal_options o;
    std::vector<page_problem> problems;
    const QImage plain = out__thermal_image(out__label_page(lab.get(), {}), o, problems);
    o.offset_x_mm = 2;   // 16 dots at 203 dpi
    o.offset_y_mm = -1;  // 8 dots up
    const QImage moved = out__thermal_image(out__label_page(lab.get(), {}), o, problems);
    ASSERT_EQ(moved.size(), plain.size());
    int black = 0, differ = 0;
    for (int y = 8; y < plain.height(); ++y)
        for (int x = 0; x + 16 < plain.width(); ++x) {
            black += plain.pixelIndex(x, y);
            differ += plain.pixelIndex(x, y) != moved.pixelIndex(x + 16, y - 8);
        }
    EXPECT_GT(black, 1000);
    EXPECT_EQ(differ, 0);
}

TEST(ThermalJobs, PicturesAreDiffusedAndEverythingElseCutAtHalfGrey)
{
    // A flat 40 % grey picture and a 40 % grey frame of the same colour.
    QImage grey(40, 20, QImage::Format_RGB32);
    grey.fill(qRgb(153, 153, 153));
    temp_dir dir;
    grey.save(QString::fromStdString((dir / "g.png").string()));
    std::u16string why;
    lg_epsi_ptr pic = pic__load_file(u16(dir / "g.png"), why);
    ASSERT_TRUE(pic) << plt__to_utf8(why);
    label_ptr lab = ele__label_new(200, 100);
    lab->bgcolor = 0xFFFFFF;
    element *e = add(lab.get(), ELE_PICTURE, 10, 10, 80, 40);
    e->picture.data = lg_epsi_shared(std::move(pic));
    element *b = add(lab.get(), ELE_BORDER, 110, 10, 80, 80);
    b->border.colour = 0x999999;
    b->border.thickness = 6;
    std::vector<page_problem> problems;
    const QImage bits = out__thermal_image(out__label_page(lab.get(), {}), thermal_options{}, problems);
    auto black_share = [&](QRect r) {
        int black = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                black += bits.pixelIndex(x, y);
        return static_cast<double>(black) / (r.width() * r.height());
    };
    // The picture's inside (points 10…90 across, 50…90 from the top).
    EXPECT_NEAR(black_share(QRect(40, 145, 200, 90)), 0.4, 0.05);
    // Light grey lines above half are white, not a pattern of dots.
    EXPECT_EQ(black_share(QRect(310, 30, 10, 200)), 0.0);
}

TEST(ThermalJobs, PrintersThatTakeDropOrNeverAnswerAndAFifoForUsb)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    std::string rows = "name;code\n";
    for (int i = 1; i <= 40; ++i)
        rows += "строка " + std::to_string(i) + ";C" + std::to_string(1000 + i) + "\n";
    write_file(dir / "t.csv", rows);
    const std::string table = " --csv " + quoted(dir / "t.csv");

    // A printer taking everything gets exactly the job a file would hold.
    ASSERT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "file.zpl") + table + " --darkness 20").status, 0);
    std::string got;
    {
        fake_printer printer([&](int fd) { got = read_all(fd); });
        const run_result r = render(quoted(lbl) + " --send " + printer.address() + " --language zpl --darkness 20" +
                                    table);
        EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_EQ(got, slurp(dir / "file.zpl"));
    EXPECT_EQ(got.compare(0, 5, "~SD20"), 0);

    // One that takes a label's worth and hangs up: exit 1, and how many
    // labels it took is said.  TSPL graphics are uncompressed: 40 labels
    // are 1.2 MB, far past what the sockets hold.
    {
        fake_printer printer(
            [](int fd) {
                char buf[40000];
                std::size_t n = 0;
                for (ssize_t r; n < sizeof buf && (r = ::read(fd, buf, sizeof buf - n)) > 0;)
                    n += static_cast<std::size_t>(r);
            },
            4096);
        const run_result r = render(quoted(lbl) + " --send " + printer.address() + " --language tspl" + table);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("прервал соединение"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Принтер принял этикеток: "), std::string::npos) << r.err;
    }

    // One that never reads: stopped after the timeout, not waited for.
    {
        std::atomic<bool> done{false};
        fake_printer printer(
            [&](int) {
                while (!done)
                    ::usleep(20000);
            },
            4096);
        const auto start = std::chrono::steady_clock::now();
        const run_result r = render(quoted(lbl) + " --send " + printer.address() + " --language epl" + table);
        done = true;
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("не принимает данные 5 с"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Принтер принял этикеток: 0 из отправленных"), std::string::npos) << r.err;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    }

    // Nobody listening; a label wider than the head: nothing is sent.
    {
        fake_printer printer([&](int fd) { got = read_all(fd); });
        got = "untouched";
        run_result r = render(quoted(lbl) + " --send " + printer.address() + " --language zpl --head-width 54");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("шире головки принтера (54 мм)"), std::string::npos) << r.err;
        r = render(quoted(lbl) + " --send socket://127.0.0.1:1 --language zpl");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Ничего не отправлено: не удалось соединиться"), std::string::npos) << r.err;
    }
    EXPECT_EQ(got, "untouched");

    // A FIFO in place of /dev/usb/lp0: read by a "printer", then with no
    // reader at all.
    const fs::path fifo = dir / "lp0";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string from_fifo;
    // The reader is there before the job starts: its end is opened without
    // waiting for a writer, and polled until the writer has come and gone.
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    std::thread reader([&] {
        char buf[65536];
        for (pollfd p{fd, POLLIN, 0}; ::poll(&p, 1, -1) >= 0;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                from_fifo.append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EAGAIN)
                break;
        }
    });
    const run_result r = render(quoted(lbl) + " --send " + quoted(fifo) + " --language epl --copies 2 --var code=X1");
    reader.join();
    ::close(fd);
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "one.epl") + " --copies 2 --var code=X1").status, 0);
    EXPECT_EQ(from_fifo, slurp(dir / "one.epl"));
    const run_result lonely = render(quoted(lbl) + " --send " + quoted(fifo) + " --language epl");
    EXPECT_EQ(lonely.status, 1);
    EXPECT_NE(lonely.err.find("никто не читает"), std::string::npos) << lonely.err;
}

TEST(ThermalJobs, CommandLinesThatCannotBeAPrinterJob)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    EXPECT_EQ(render(quoted(lbl) + " --send socket://127.0.0.1:9").status, 2);
    EXPECT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "a.zpl") + " --language tspl").status, 2);
    EXPECT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "a.zpl") + " --dpi 1200").status, 2);
    EXPECT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "a.tspl") + " --darkness 20").status, 2);
    EXPECT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "a.zpl") + " --sheet \"Avery 5160\"").status, 2);
    EXPECT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "a.pdf") + " --media mark").status, 2);
    const run_result r = render(quoted(lbl) + " --send 'socket://[::1' --language zpl");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("скобки"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "a.zpl"));
}
