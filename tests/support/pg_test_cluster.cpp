// CTest's fixture for the tests that need PostgreSQL:
//   pg_test_cluster start STATE   makes and starts a cluster, writes STATE
//   pg_test_cluster stop STATE    stops it and removes its folder
#include <cstdio>
#include <cstring>

#include "support/pg_cluster.h"

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    pg_cluster cluster;
    if (std::strcmp(argv[1], "start") == 0) {
        if (!cluster.create() || !cluster.write_state(argv[2])) {
            std::fprintf(stderr, "pg_test_cluster: %s\n", cluster.error().c_str());
            return 1;
        }
        cluster.own(false); // it runs on after this program
        std::printf("PostgreSQL in %s\n", cluster.dir().c_str());
        return 0;
    }
    if (!cluster.attach(argv[2]))
        std::fprintf(stderr, "pg_test_cluster: %s\n", cluster.error().c_str());
    cluster.own(true);
    cluster.destroy();
    std::remove(argv[2]);
    return 0;
}
