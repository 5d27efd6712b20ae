// Who may use the server: every check costs the same key derivation,
// whatever user is asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <thread>

#include "server/print_queue.h"
#include "server/printers.h"
#include "server/users.h"
#include "support/temp_dir.h"

TEST(ServerUsers, EveryWrongPasswordCostsTheSameWork)
{
    temp_dir dir;
    {
        std::ofstream out(dir / "users");
        out << server_users::hash_line("anna", "пароль-1") << "\n"
            << "boris:открытый\n"
            << "# comment\n";
    }
    server_users users;
    std::string error;
    const long long before_load = server_users::iterations_run();
    ASSERT_TRUE(users.load((dir / "users").string(), error)) << error;
    // The plain password is hashed once, when the file is read.
    EXPECT_EQ(server_users::iterations_run() - before_load, server_users::default_iterations);
    EXPECT_EQ(users.plain_lines(), std::vector<int>{2});

    for (auto [user, password] : {std::pair{"anna", "неверный"}, {"boris", "неверный"}, {"nobody", "неверный"},
                                  {"boris", "открытыЙ"}, {"", ""}}) {
        const long long before = server_users::iterations_run();
        EXPECT_FALSE(users.allowed(user, password)) << user;
        EXPECT_EQ(server_users::iterations_run() - before, server_users::default_iterations) << user;
    }
    // Right passwords work, and are remembered: the second check derives
    // nothing.
    for (auto [user, password] : {std::pair{"anna", "пароль-1"}, {"boris", "открытый"}}) {
        EXPECT_TRUE(users.allowed(user, password)) << user;
        const long long before = server_users::iterations_run();
        EXPECT_TRUE(users.allowed(user, password)) << user;
        EXPECT_EQ(server_users::iterations_run(), before) << user;
    }
}

// The printers file as an administrator writes it, and as a careless or
// hostile one does: every fault names its line, nothing half-read is used.
TEST(PrintersFile, ReadsPrintersAndRefusesWhatItCannotUseNamingTheLine)
{
    std::vector<server_printer> printers;
    std::string error;
    ASSERT_TRUE(lsv__read_printers("# printers\n[Склад #2]\r\ncups = Zebra_ZD420   # the queue\n\n"
                                   "[Упаковка]\naddress = socket://10.0.0.5:9100\nlanguage = tspl\ndpi = 300\n"
                                   "darkness = 12\nmedia = mark\nhead-width = 104\nretry-for = 0\n",
                                   "p.conf", printers, error))
        << error;
    ASSERT_EQ(printers.size(), 2u);
    EXPECT_EQ(printers[0].name, "Склад #2");
    EXPECT_EQ(printers[0].cups_queue, "Zebra_ZD420");
    EXPECT_TRUE(printers[1].address == "socket://10.0.0.5:9100" && printers[1].thermal.dpi == 300 &&
                printers[1].thermal.language == thermal_language::tspl &&
                printers[1].thermal.media == thermal_media::mark && printers[1].retry_for_s == 0);

    const std::pair<const char *, const char *> refused[] = {
        {"cups = a\n", "p.conf:1:"},                                  // before any printer
        {"[B]\ncups = q\n[A]\n", "p.conf:3:"},                          // neither queue nor address
        {"[A]\ncups = q\naddress = /dev/usb/lp0\n", "одно из двух"},  // both
        {"[A]\ncups = -oraw\n", "p.conf:2:"},                         // an option for lp
        {"[A]\ncups = ../q\n", "p.conf:2:"},
        {"[A]\naddress = http://x\n", "p.conf:2:"},
        {"[A]\naddress = /dev/usb/lp0\ndpi = 1e400\n", "p.conf:3:"},
        {"[A]\naddress = /dev/usb/lp0\ndpi = nan\n", "p.conf:3:"},
        {"[A]\naddress = /dev/usb/lp0\ndpi = 203.5\n", "p.conf:3:"},
        {"[A]\naddress = /dev/usb/lp0\nlanguage = epl\ndarkness = 30\n", "плотность"},
        {"[A]\naddress = /dev/usb/lp0\nspeeed = 4\n", "неизвестный ключ"},
        {"[A]\ncups = q\n[A]\ncups = r\n", "p.conf:3:"},
        {"[A\ncups = q\n", "p.conf:1:"},
        {"[A]\ncups q\n", "p.conf:2:"},
    };
    std::string many;
    for (int i = 0; i <= 100; ++i)
        many += "[P" + std::to_string(i) + "]\ncups = q\n";
    EXPECT_FALSE(lsv__read_printers(many, "p.conf", printers, error));
    EXPECT_NE(error.find("p.conf:201:"), std::string::npos) << error;
    for (const auto &[text, said] : refused) {
        EXPECT_FALSE(lsv__read_printers(text, "p.conf", printers, error)) << text;
        EXPECT_NE(error.find(said), std::string::npos) << text << " -> " << error;
        EXPECT_TRUE(printers.empty()) << text;
    }
}

// Two servers sharing the folder of jobs, one of them dying twice: a job
// nothing of which was sent goes to the other; one that was being sent is
// failed as unknown, never taken again; the dead one's late write changes
// nothing.
TEST(PrintQueue, AJobOfAServerThatDiedIsTakenAgainOnlyWhenNothingWasSent)
{
    temp_dir dir;
    std::unique_ptr<job_queue> q = lsv__folder_jobs((dir.path() / "jobs").string());
    std::string error;
    ASSERT_TRUE(q->open(error)) << error;
    for (int i = 0; i < 3; ++i) {
        print_job j;
        j.printer = i < 2 ? "Склад" : "Офис";
        j.request = "<value/>";
        j.labels = 1;
        job_added how;
        ASSERT_TRUE(q->add(j, how, error)) << error;
        EXPECT_EQ(j.id, i + 1);
    }
    std::optional<print_job> a, b;
    ASSERT_TRUE(q->take("Склад", "A", 1000, 500, a, error) && a && a->id == 1);
    // Held: nobody else gets the printer's next job meanwhile.
    ASSERT_TRUE(q->take("Склад", "B", 1400, 500, b, error));
    EXPECT_FALSE(b);
    // A died before sending: after its lease B takes the same job.
    ASSERT_TRUE(q->take("Склад", "B", 1600, 500, b, error) && b && b->id == 1 && b->owner == "B");
    bool held = true;
    ASSERT_TRUE(q->put(*a, held, error));
    EXPECT_FALSE(held);
    // B marks it sent and dies: failed as unknown; the next job goes on.
    b->sent = true;
    ASSERT_TRUE(q->put(*b, held, error) && held);
    ASSERT_TRUE(q->take("Склад", "C", 2200, 500, a, error) && a && a->id == 2);
    std::optional<print_job> first;
    ASSERT_TRUE(q->get(1, first, error) && first);
    EXPECT_EQ(first->state, job_state::failed);
    EXPECT_EQ(first->error, LSV_UNKNOWN_WHETHER_PRINTED);
    // Another printer's queue is its own; a job waiting for its retry waits.
    ASSERT_TRUE(q->take("Офис", "C", 2200, 500, b, error) && b && b->id == 3);
    b->state = job_state::queued;
    b->not_before_ms = 5000;
    ASSERT_TRUE(q->put(*b, held, error) && held);
    ASSERT_TRUE(q->take("Офис", "C", 4000, 500, b, error));
    EXPECT_FALSE(b);
    // Requests come on threads of their own: each job gets a number of its own.
    std::vector<std::thread> threads;
    std::vector<long long> ids(60);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = t; i < 60; i += 4) {
                print_job j;
                j.printer = "Офис";
                job_added how;
                std::string e;
                if (q->add(j, how, e))
                    ids[static_cast<std::size_t>(i)] = j.id;
            }
        });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(std::set<long long>(ids.begin(), ids.end()).size(), 60u);
    EXPECT_EQ(*std::max_element(ids.begin(), ids.end()), 63);
    // A new queue on the same folder numbers on from the jobs it finds.
    std::unique_ptr<job_queue> again = lsv__folder_jobs((dir.path() / "jobs").string());
    ASSERT_TRUE(again->open(error));
    print_job j;
    j.printer = "Склад";
    job_added how;
    ASSERT_TRUE(again->add(j, how, error));
    EXPECT_EQ(j.id, 64);
}
