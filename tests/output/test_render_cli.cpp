// vellumo-render as a script runs it: files written, messages on stderr,
// and the exit status telling what happened.
#include <gtest/gtest.h>

#include <QImage>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>

#include "exchange/inout.h"
#include "model/lg_epsi.h"
#include "exchange/server_ops.h"
#include "platform/code_pages.h"
#include "support/private_mount.h"
#include "support/python.h"
#include "support/server_process.h"
#include "output/output_support.h"
#include "output/cups_server.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

const std::string BIN = VELLUMO_RENDER_BIN;

fs::path save_tag(const temp_dir &dir, const char *code_type = nullptr)
{
    label_ptr lab = ele__label_new(216, 108); // 3 × 1.5 inch
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"${name}", 8, 90, 10);
    barcode(lab.get(), code_type ? 3 : 7, u"${code}", 10, 8, 196, 60);
    const fs::path p = dir / "tag.lbl";
    EXPECT_EQ(ino__save_file(u16(p), lab.get()), 1);
    return p;
}

run_result render(const std::string &args)
{
    return run("env -u VELLUMO_PASSWORD '" + BIN + "' " + args);
}

} // namespace

TEST(RenderCli, OneLabelToEachFormat)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    run_result r = render(quoted(lbl) + " -o " + quoted(dir / "a.pdf") + " --var name=Чай --var code=T-42");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("vellumo-render"), std::string::npos) << r.err;
    EXPECT_EQ(pdf_info(dir / "a.pdf").pages, 1);
    EXPECT_NE(pdf_text(dir / "a.pdf").find("Чай"), std::string::npos);

    r = render(quoted(lbl) + " -o " + quoted(dir / "a.png") + " --dpi 203 --var code=T-42");
    EXPECT_EQ(r.status, 0) << r.err;
    QImage img(QString::fromStdString((dir / "a.png").string()));
    EXPECT_EQ(img.size(), QSize(609, 305));
    EXPECT_EQ(zbar_codes(dir / "a.png"), std::set<std::string>{"T-42"});

    r = render(quoted(lbl) + " -o " + quoted(dir / "a.svg") + " --var code=S");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(slurp(dir / "a.svg").find("<svg"), std::string::npos);

    r = render("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--csv"), std::string::npos);
}

TEST(RenderCli, TableOfDataPagePerRowAndFilePerRow)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    write_file(dir / "t.csv", "name\tcode\nчай\tC1\nкофе\tC2\n\"сахар\"\tC3\n");
    run_result r = render(quoted(lbl) + " -o " + quoted(dir / "all.pdf") + " --csv " + quoted(dir / "t.csv"));
    EXPECT_EQ(r.status, 0) << r.err;
    // No progress line when stderr is not a terminal.
    EXPECT_EQ(r.err.find("страница"), std::string::npos) << r.err;
    EXPECT_EQ(pdf_info(dir / "all.pdf").pages, 3);

    r = render(quoted(lbl) + " -o " + quoted(dir / "row.png") + " --csv " + quoted(dir / "t.csv") +
               " --separator tab --encoding utf-8");
    EXPECT_EQ(r.status, 0) << r.err;
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(zbar_codes(dir / ("row-000" + std::to_string(i) + ".png")),
                  std::set<std::string>{"C" + std::to_string(i)});

    // On a terminal the batch shows where it is ("script" gives it one).
    r = run("script -qec \"'" + BIN + "' " + quoted(lbl) + " -o " + quoted(dir / "tty.pdf") + " --csv " +
            quoted(dir / "t.csv") + "\" /dev/null");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("страница 3 из 3"), std::string::npos) << r.out;

    // Told the wrong separator: one column "name\tcode", and the quoted
    // cell of line 4 has text after its closing quote: refused, status 1.
    r = render(quoted(lbl) + " -o " + quoted(dir / "semi.pdf") + " --csv " + quoted(dir / "t.csv") +
               " --separator ';'");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Строка 4: после закрывающей кавычки"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "semi.pdf"));
}

TEST(RenderCli, ExitStatusSaysWhatWasWritten)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    struct wrong {
        std::string args;
        int status;
        const char *message;
    };
    write_file(dir / "bad.csv", "name,code\nA,1,extra\n");
    write_file(dir / "broken.lbl", "<?xml version=\"1.0\"?><methodCall><methodName>");
    const wrong cases[] = {
        {"", 2, "не указана этикетка"},
        {quoted(lbl), 2, "-o"},
        {quoted(lbl) + " -o x.pdf --printer p", 2, "-o"},
        {quoted(lbl) + " -o x.doc", 2, ".pdf"},
        {quoted(lbl) + " -o x.png --dpi 0", 2, "--dpi"},
        {quoted(lbl) + " -o x.png --dpi 3000", 2, "--dpi"},
        {quoted(lbl) + " -o x.pdf --var =1", 2, "--var"},
        {quoted(lbl) + " -o x.pdf --separator :", 2, "--separator"},
        {quoted(lbl) + " -o x.pdf --encoding koi8-r --csv t.csv", 2, "--encoding"},
        {quoted(lbl) + " -o x.pdf --encoding cp1251", 2, "--csv"},
        {quoted(lbl) + " -o x.pdf --copies 0", 2, "--copies"},
        {quoted(lbl) + " -o x.pdf --copies 2x", 2, "--copies"},
        {quoted(lbl) + " -o x.pdf --copies 1001", 2, "--copies"},
        {quoted(lbl) + " -o x.pdf --frobnicate", 2, "--frobnicate"},
        {quoted(dir / "none.lbl") + " -o " + quoted(dir / "x.pdf"), 1, "none.lbl» не читается: такого файла нет"},
        {quoted(dir / ".") + " -o " + quoted(dir / "x.pdf"), 1, "» не читается: это папка"},
        {quoted(dir / "tag.lbl/x.lbl") + " -o " + quoted(dir / "x.pdf"), 1, "x.lbl» не читается: в пути есть файл"},
        {quoted(dir / "broken.lbl") + " -o " + quoted(dir / "x.pdf"), 1, "vellumo-render: "},
        {quoted(lbl) + " -o " + quoted(dir / "x.pdf") + " --csv " + quoted(dir / "bad.csv"), 1, "Строка 2"},
        {quoted(lbl) + " -o " + quoted(dir / "x.pdf") + " --csv " + quoted(dir / "none.csv"), 1, "таблицы"},
        {quoted(lbl) + " -o " + quoted(dir / "no/such/folder/x.pdf"), 1, "не записан"},
        {quoted(lbl) + " --printer 'Нет такого принтера'", 1, "не найден"},
        // One value per option: with two the last would silently win.
        {quoted(lbl) + " -o " + quoted(dir / "x.pdf") + " -o " + quoted(dir / "y.pdf"), 2, "-o указан дважды"},
        {quoted(lbl) + " --output x.pdf -o y.pdf", 2, "указан дважды"},
        {quoted(lbl) + " -o x.png --dpi 300 --dpi 600", 2, "--dpi указан дважды"},
        {quoted(lbl) + " -o x.pdf --user u", 2, "--server"},
        {"--server http://127.0.0.1:1 x -o x.pdf", 2, "--user"},
        {"--server http://127.0.0.1:1 --user u x -o x.pdf --timeout 0", 2, "--timeout"},
    };
    for (const wrong &w : cases) {
        const run_result r = render(w.args);
        EXPECT_EQ(r.status, w.status) << w.args << "\n" << r.err;
        EXPECT_NE(r.err.find(w.message), std::string::npos) << w.args << "\n" << r.err;
    }
    // Nothing was written by any of them.
    EXPECT_FALSE(fs::exists(dir / "x.pdf"));
    EXPECT_FALSE(fs::exists(dir / "y.pdf"));
    EXPECT_FALSE(fs::exists("x.pdf"));
    EXPECT_FALSE(fs::exists("x.png"));

    // A barcode that cannot be drawn: written, status 4, the problem said.
    const fs::path ean = save_tag(dir, "ean");
    const run_result r = render(quoted(ean) + " -o " + quoted(dir / "e.pdf") + " --var code=letters");
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("штрихкод не нарисован"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir / "e.pdf"));
}

// Stopped while Ghostscript draws a picture: nothing is written and
// Ghostscript's work folder does not stay behind.
TEST(RenderCli, ATermSignalWhileDrawingLeavesNothing)
{
    temp_dir dir, work;
    label_ptr lab = ele__label_new(200, 100);
    element *p = add(lab.get(), ELE_PICTURE, 10, 10, 80, 80);
    const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{ } loop\n";
    p->picture.data = eps__load_mem(reinterpret_cast<const unsigned char *>(eps.data()), eps.size());
    const fs::path lbl = dir / "loop.lbl";
    ASSERT_EQ(ino__save_file(u16(lbl), lab.get()), 1);
    for (const char *out : {"one.pdf", "one.png"}) {
        const fs::path target = dir / out;
        // Waits for Ghostscript's folder, then sends TERM.
        const run_result r =
            run("( TMPDIR=" + quoted(work.path()) + " '" + BIN + "' " + quoted(lbl) + " -o " + quoted(target) +
                " & pid=$!; for i in $(seq 600); do ls " + quoted(work.path()) +
                " | grep -q vellumo-eps && break; sleep 0.05; done; kill -TERM $pid; wait $pid; echo \"status $?\" )");
        EXPECT_NE(r.out.find("status 1"), std::string::npos) << out << ": " << r.out << r.err;
        EXPECT_NE(r.err.find("Остановлено: файл не записан."), std::string::npos) << out << ": " << r.err;
        EXPECT_FALSE(fs::exists(target)) << out;
        for (const auto &e : fs::directory_iterator(work.path()))
            EXPECT_EQ(e.path().filename().string().rfind("vellumo-eps", 0), std::string::npos) << e.path();
    }
}

// Stopped in a batch of PNG files: the files already written stay and are
// named, the rest are not written.
TEST(RenderCli, ATermSignalInAPngBatchNamesTheFilesWritten)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    std::string csv = "name;code\n";
    for (int i = 0; i < 3000; ++i)
        csv += "n" + std::to_string(i) + ";C" + std::to_string(i) + "\n";
    write_file(dir / "t.csv", csv);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    const run_result r = run("( '" + BIN + "' " + quoted(lbl) + " -o " + quoted(out / "p.png") + " --dpi 600 --csv " +
                             quoted(dir / "t.csv") + " & pid=$!; for i in $(seq 600); do [ -e " +
                             quoted(out / "p-0002.png") + " ] && break; sleep 0.05; done; kill -TERM $pid; " +
                             "wait $pid; echo \"status $?\" )");
    EXPECT_NE(r.out.find("status 1"), std::string::npos) << r.out << r.err;
    const std::set<std::string> files = files_in(out);
    ASSERT_FALSE(files.empty());
    ASSERT_LT(files.size(), 3000u);
    const std::string last = "p-" + std::string(4 - std::min<std::size_t>(4, std::to_string(files.size()).size()), '0') +
                             std::to_string(files.size()) + ".png";
    EXPECT_TRUE(files.count(last)) << last;
    EXPECT_NE(r.err.find("Остановлено: записаны только первые файлы (" + std::to_string(files.size()) + ")"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(last + "»."), std::string::npos) << r.err;
}

TEST(RenderCli, PrintsThroughCupsOneJobWithItsCopies)
{
    cups_server cups;
    if (cups.cannot_run())
        GTEST_SKIP() << cups.why_not();
    ASSERT_TRUE(cups.ready()) << cups.why_not();
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    const std::string bin = "env -u VELLUMO_PASSWORD '" + BIN + "' ";
    run_result r = run(cups.client(bin + quoted(lbl) + " --printer " + cups_server::printer +
                                   " --copies 2 --var name=Чай --var code=T-42"));
    EXPECT_EQ(r.status, 0) << r.err;
    cups_server::job job = cups.wait_for_job(1);
    ASSERT_FALSE(job.bytes.empty()) << cups.log_tail();
    // The copies are the printer's to make, asked for once.
    EXPECT_EQ(job.copies, "2");
    ASSERT_EQ(job.bytes.compare(0, 5, "%PDF-"), 0);
    pdf_facts f = pdf_info(job.file);
    EXPECT_EQ(f.pages, 1);
    EXPECT_NEAR(f.width, 216, 0.5);
    EXPECT_NEAR(f.height, 108, 0.5);
    EXPECT_NE(pdf_text(job.file).find("Чай"), std::string::npos);
    temp_dir pages;
    const auto png = pdf_pages(job.file, pages.path(), 300);
    ASSERT_EQ(png.size(), 1u);
    EXPECT_EQ(zbar_codes(png[0]), std::set<std::string>{"T-42"});

    // A table is one job of a page per row.
    write_file(dir / "t.csv", "name;code\nчай;C1\nкофе;C2\nсахар;C3\n");
    r = run(cups.client(bin + quoted(lbl) + " --printer " + cups_server::printer + " --csv " + quoted(dir / "t.csv")));
    EXPECT_EQ(r.status, 0) << r.err;
    job = cups.wait_for_job(2);
    ASSERT_FALSE(job.bytes.empty()) << cups.log_tail();
    EXPECT_EQ(job.copies, "1");
    f = pdf_info(job.file);
    EXPECT_EQ(f.pages, 3);
    const std::string words = pdf_text(job.file);
    for (const char *name : {"чай", "кофе", "сахар"})
        EXPECT_NE(words.find(name), std::string::npos) << name;

    // Stopped while a picture is drawn: no job reaches the printer, the
    // spool file does not stay behind.
    label_ptr slow = ele__label_new(200, 100);
    element *p = add(slow.get(), ELE_PICTURE, 10, 10, 80, 80);
    const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{ } loop\n";
    p->picture.data = eps__load_mem(reinterpret_cast<const unsigned char *>(eps.data()), eps.size());
    ASSERT_EQ(ino__save_file(u16(dir / "slow.lbl"), slow.get()), 1);
    temp_dir work;
    r = run(cups.client("( TMPDIR=" + quoted(work.path()) + " '" + BIN + "' " + quoted(dir / "slow.lbl") +
                        " --printer " + cups_server::printer + " & pid=$!; for i in $(seq 600); do find " +
                        quoted(work.path()) + " -name 'vellumo-eps*' | grep -q . && break; sleep 0.05; done; " +
                        "kill -TERM $pid; wait $pid; echo \"status $?\" )"));
    EXPECT_NE(r.out.find("status 1"), std::string::npos) << r.out << r.err;
    EXPECT_NE(r.err.find("Остановлено: на принтер ничего не отправлено."), std::string::npos) << r.err;
    EXPECT_TRUE(cups.wait_for_job(3, 3).bytes.empty()) << "the stopped job was printed";
    for (const auto &e : fs::directory_iterator(work.path()))
        if (e.path().filename() != "runtime-root") // Qt's own, without XDG_RUNTIME_DIR
            ADD_FAILURE() << "left behind: " << e.path();
}

TEST(RenderCli, LabelFromALabelServerWithThePasswordFromTheEnvironment)
{
    temp_dir dir;
    write_file(dir / "users", "kassa:секрет\n");
    fs::create_directory(dir / "store");
    server_process server((dir / "store").string(), {"--users", (dir / "users").string()}, "127.0.0.1:0",
                          (dir / "server.log").string());
    ASSERT_TRUE(server.running()) << server.output();
    label_ptr lab = ele__label_new(216, 108);
    lab->name = u"На сервере";
    lab->bgcolor = 0xFFFFFF;
    barcode(lab.get(), 7, u"${code}", 10, 8, 196, 60);
    ASSERT_EQ(ino__save_label(server.url(), lab.get(), u"kassa", u"секрет"), 1);
    const std::string url = "'" + plt__to_utf8(server.url()) + "'";

    run_result r = run("VELLUMO_PASSWORD='секрет' '" + BIN + "' --server " + url + " --user kassa 'На сервере' -o " +
                       quoted(dir / "s.png") + " --var code=SRV");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(zbar_codes(dir / "s.png"), std::set<std::string>{"SRV"});

    // A wrong password, none at all (no terminal to ask on), a label the
    // server does not have: nothing written, status 1, the server's word.
    for (const std::string &env : {std::string("VELLUMO_PASSWORD=wrong"), std::string("-u VELLUMO_PASSWORD")}) {
        r = run("env " + env + " '" + BIN + "' --server " + url + " --user kassa 'На сервере' -o " +
                quoted(dir / "no.png"));
        EXPECT_EQ(r.status, 1) << env << r.err;
        EXPECT_NE(r.err.find("vellumo-render: "), std::string::npos) << r.err;
        // Every line is the program's own, in Russian (Qt's remarks stay out).
        EXPECT_EQ(r.err.find("QStandardPaths"), std::string::npos) << r.err;
    }
    EXPECT_NE(r.err.find("Пароль не задан"), std::string::npos) << r.err;
    r = run("VELLUMO_PASSWORD='секрет' '" + BIN + "' --server " + url + " --user kassa 'Нет такой' -o " +
            quoted(dir / "no.png"));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Нет такой"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "no.png"));
}

TEST(RenderCli, OutputThroughALinkOrOntoADeviceAndLabelsPastTheRangeAreRefused)
{
    // A root script writing into a shared folder: a link planted at the
    // output name must not get the file it points at replaced, nor may a
    // device node become a regular file.  Labels too large to draw make no
    // file either (a PDF of garbled numbers, an SVG of "inf", a page cut
    // short were written with status 0).
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "elsewhere");
    write_file(dir / "elsewhere" / "notes.txt", "заметки");
    fs::create_symlink("../elsewhere/notes.txt", dir / "out" / "label.pdf");
    fs::create_symlink("/dev/full", dir / "out" / "full.pdf");
    ::mkfifo((dir / "out" / "pipe.png").c_str(), 0600);
    for (const char *name : {"label.pdf", "full.pdf", "pipe.png"}) {
        const run_result r = render(quoted(lbl) + " -o " + quoted(dir / "out" / name) + " --var code=X");
        EXPECT_EQ(r.status, 1) << name << r.err;
        EXPECT_NE(r.err.find("не записан"), std::string::npos) << r.err;
    }
    EXPECT_EQ(slurp(dir / "elsewhere" / "notes.txt"), "заметки");
    EXPECT_TRUE(fs::is_symlink(dir / "out" / "label.pdf"));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_TRUE(fs::is_fifo(dir / "out" / "pipe.png"));

    for (double side : {1e308, 1e6}) {
        label_ptr big = ele__label_new(side, side);
        big->name = u"Огромная";
        text(big.get(), u"x", 8, 8, 10);
        const fs::path file = dir / "big.lbl";
        ASSERT_EQ(ino__save_file(u16(file), big.get()), 1);
        for (const char *out : {"big.pdf", "big.png", "big.svg"}) {
            const run_result r = render(quoted(file) + " -o " + quoted(dir / out));
            EXPECT_EQ(r.status, 1) << side << out << r.err;
            EXPECT_NE(r.err.find("вне допустимого"), std::string::npos) << r.err;
            EXPECT_FALSE(fs::exists(dir / out)) << out;
        }
    }
}

TEST(RenderCli, AFullDiskIsAFailureAndLeavesTheOldFile)
{
    // A PDF or SVG whose last bytes found no room was renamed over the old
    // file, cut short, with status 0.  On an 8 KiB disk of its own: status
    // 1, the reason said, the old file as it was.
    temp_dir dir, small;
    const fs::path lbl = save_tag(dir);
    for (const char *name : {"old.pdf", "old.svg"}) {
        const fs::path target = small / name;
        const std::string old(6000, 'o'); // the disk's two pages taken
        const int rc = run_with_tmpfs(
            small.path().string(), "size=8k", false, [&] { write_file(target, old); },
            [&] {
                const run_result r = render(quoted(lbl) + " -o " + quoted(target) + " --var name=Чай --var code=X");
                if (r.status != 1)
                    return 10 + r.status;
                if (r.err.find("не записан") == std::string::npos)
                    return 2;
                return slurp(target) == old ? 0 : 3;
            });
        ASSERT_NE(rc, -1) << "no private mount here";
        EXPECT_EQ(rc, 0) << name << " (1x: the exit status x, 2: no message, 3: the old file changed)";
    }
}

TEST(RenderCli, ASilentOrTricklingServerEndsTheCallAtItsDeadline)
{
    // Servers that take the connection and then say nothing, or a byte a
    // second: vellumo-render gives up after --timeout, says so, exit 1.
    for (bool trickle : {false, true}) {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        ASSERT_EQ(::listen(listener, 8), 0);
        socklen_t len = sizeof a;
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&a), &len);
        std::atomic<bool> stop{false};
        std::thread peer([&] {
            static const char answer[] = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 4000\r\n\r\n";
            std::vector<std::pair<int, std::size_t>> held; // connection, bytes sent
            while (!stop) {
                pollfd p{listener, POLLIN, 0};
                if (::poll(&p, 1, 100) > 0)
                    held.push_back({::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC), 0});
                if (trickle)
                    for (auto &[fd, sent] : held)
                        (void)!::send(fd, sent < sizeof answer - 1 ? answer + sent++ : " ", 1, MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(trickle ? 900 : 0));
            }
            for (auto &[fd, sent] : held)
                ::close(fd);
        });
        temp_dir dir;
        const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/RPC2";
        const run_result r = run("VELLUMO_PASSWORD=p '" + BIN + "' --server " + url + " --user u x -o " +
                                 quoted(dir / "x.png") + " --timeout 2");
        stop = true;
        peer.join();
        ::close(listener);
        EXPECT_EQ(r.status, 1) << trickle << r.err;
        EXPECT_NE(r.err.find("Сервер не ответил за 2 с"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "x.png"));
    }
}

// The label server's printer that is a CUPS queue: a job of three rows is
// one PDF of three pages in the scheduler's queue, by the real lp.
TEST(RenderCli, TheLabelServerPrintsOnACupsQueueThroughLp)
{
    cups_server cups;
    if (cups.cannot_run())
        GTEST_SKIP() << cups.why_not();
    ASSERT_TRUE(cups.ready()) << cups.why_not();
    temp_dir dir;
    write_file(dir / "printers.conf", std::string("[Офис]\ncups = ") + cups_server::printer + "\n");
    ::setenv("CUPS_SERVER", cups.socket().c_str(), 1);
    server_process server((dir / "store").string(), {"--printers", (dir / "printers.conf").string()});
    ::unsetenv("CUPS_SERVER");
    ASSERT_TRUE(server.running()) << server.output();
    const std::u16string url = server.url();
    EXPECT_EQ(run_python(R"PY(
import sys, time, peer, xmlrpc.client as x
p = x.ServerProxy(sys.argv[1])
assert p.labels.save_label(peer.CRED, peer.label("Ценник", [peer.element("text", 8, 8, 150, 20, "${name}")],
                                                 width=166.0, height=80.0))
job = p.labels.print(peer.CRED, {"name": "Ценник", "printer": "Офис",
                                 "rows": [[{"name": "name", "value": v}] for v in ("чай", "кофе", "сахар")]})
end = time.monotonic() + 60
while (state := p.labels.job_state(peer.CRED, {"job": job["job"]}))["state"] not in ("done", "failed"):
    assert time.monotonic() < end, state
    time.sleep(0.1)
assert state["state"] == "done" and state["printed"] == 3, state
)PY",
                         {std::string(url.begin(), url.end())}),
              0);
    cups_server::job job = cups.wait_for_job(1);
    ASSERT_FALSE(job.bytes.empty()) << cups.log_tail();
    EXPECT_EQ(job.copies, "1");
    EXPECT_EQ(pdf_info(job.file).pages, 3);
    const std::string words = pdf_text(job.file);
    for (const char *name : {"чай", "кофе", "сахар"})
        EXPECT_NE(words.find(name), std::string::npos) << words;
}
