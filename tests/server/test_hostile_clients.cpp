// The real vellumo-server against hostile clients, driven from outside by
// Python (xmlrpc.client and raw sockets, tests/support/peer.py): one script
// per kind of attack, each starting its own servers.
#include <gtest/gtest.h>

#include "support/python.h"

namespace {

int attack(const char *script)
{
    return run_python_file(std::string(VELLUMO_TESTS_DIR) + "/server/hostile/" + script, {VELLUMO_SERVER_BIN});
}

} // namespace

TEST(HostileClients, RequestsThatWouldBuildTooMuchAreRefusedAndLargeOnesWaitForMemory)
{
    EXPECT_EQ(attack("memory.py"), 0);
}

TEST(HostileClients, SlowConnectionsHoldOnlyThemselves)
{
    EXPECT_EQ(attack("slow.py"), 0);
}

TEST(HostileClients, HugeStructsAndTheLibrarysSystemMethodsAreRefused)
{
    EXPECT_EQ(attack("structs.py"), 0);
}

TEST(HostileClients, RendersAreBoundedInTextLogAndGhostscriptTime)
{
    EXPECT_EQ(attack("render.py"), 0);
}

TEST(HostileClients, ListingReadsTheIndexWithoutHoldingOtherCalls)
{
    EXPECT_EQ(attack("store.py"), 0);
}

TEST(HostileClients, LinksInTheStoreAreNeverWrittenThrough)
{
    EXPECT_EQ(attack("links.py"), 0);
}

TEST(HostileClients, ClientTextInTheLogIsCutAndEscaped)
{
    EXPECT_EQ(attack("log.py"), 0);
}

TEST(HostileClients, BigEpsPicturesAreDrawnWithoutTemporaryFiles)
{
    EXPECT_EQ(attack("picture.py"), 0);
}

TEST(HostileClients, StaleFilesBrokenLabelsOddNamesOversizeLabelsAndPipelining)
{
    EXPECT_EQ(attack("small.py"), 0);
}

TEST(HostileClients, SigtermStopsRendersAndTheServerExits)
{
    EXPECT_EQ(attack("shutdown.py"), 0);
}

TEST(HostileClients, DocumentsArePdfOrPngAndBatchesAreBounded)
{
    EXPECT_EQ(attack("document.py"), 0);
}

TEST(HostileClients, TheJsonInterfaceBesideXmlRpc)
{
    EXPECT_EQ(attack("json_api.py"), 0);
}

TEST(HostileClients, PrintJobsAreQueuedInOrderRetriedAndNeverPrintedTwice)
{
    EXPECT_EQ(attack("print_queue.py"), 0);
}

TEST(HostileClients, DocumentsAsThermalPrinterJobs)
{
    EXPECT_EQ(attack("thermal.py"), 0);
}

TEST(HostileClients, DocumentsOnSheetsAndTheirHostileParameters)
{
    EXPECT_EQ(attack("sheets.py"), 0);
}

TEST(HostileClients, DocumentsCountTheirLabelsAndRowsWithOneDate)
{
    EXPECT_EQ(attack("counters.py"), 0);
}

TEST(HostileClients, EveryFaultIsADocumentedOneInRussian)
{
    EXPECT_EQ(attack("faults.py"), 0);
}

TEST(HostileClients, RendersHoldTheirMemoryAndStopWhenTheirClientLeavesOrTheirTimeIsOver)
{
    EXPECT_EQ(attack("render_bounds.py"), 0);
}
