// Who may use the server: every check costs the same key derivation,
// whatever user is asked for.
#include <gtest/gtest.h>

#include <fstream>

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
