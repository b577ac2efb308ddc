// The spooler channel against a real CUPS scheduler of the test's own, with
// raw queues that deliver to a loopback listener standing in for the printer.
#include "link/spooler_channel_posix.h"
#include "tests/support/loopback.h"
#include "tests/support/private_cupsd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace {

constexpr int kDeliveryWaitMs = 20000;
constexpr int kJobCanceled = 7;

// A scheduler of the test's own (with its cupsd.conf additions) and a raw
// queue Orvi_L11 delivering to a listener standing in for the printer.
struct Queue {
    explicit Queue(const std::string& configuration = "") : cupsd(configuration) {}
    bool Ready()
    {
        return cupsd.Running() && cupsd.AddRawQueue("Orvi_L11", "socket://127.0.0.1:" + std::to_string(printer.Port()));
    }

    PrivateCupsd cupsd;
    LoopbackListener printer;
};

int Write(ChannelHandle h, const std::string& bytes, int32_t* pnError = nullptr)
{
    int32_t nError = 0;
    int r = WriteSpoolerChannel(h, bytes.data(), static_cast<int32_t>(bytes.size()), &nError);
    if (pnError)
        *pnError = nError;
    return r;
}

} // namespace

TEST(SpoolerChannel, DeliversOneRawJobWithTheWritesBackToBackToTheQueueNamed)
{
    Queue q;
    ASSERT_TRUE(q.Ready());
    EXPECT_EQ(OpenSpoolerChannel("No_Such_Queue", "Orvi Upgrade"), InvalidChannel);
    EXPECT_EQ(OpenSpoolerChannel("", "Orvi Upgrade"), InvalidChannel);
    // Cut at the NUL, the name would be the real queue.
    EXPECT_EQ(OpenSpoolerChannel(std::string("Orvi_L11\0x", 10), "Orvi Upgrade"), InvalidChannel);
    EXPECT_TRUE(q.cupsd.Jobs().empty());
    int32_t nError = 0;
    EXPECT_EQ(WriteSpoolerChannel(InvalidChannel, "x", 1, &nError), 0);
    EXPECT_EQ(nError, EBADF);
    EXPECT_EQ(CloseSpoolerChannel(InvalidChannel), 1);

    std::string big(70000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    const std::string first = "\x01KU\r\n", last = "\x01SR\r\n";

    ChannelHandle h = OpenSpoolerChannel("Orvi_L11", "Orvi Upgrade");
    ASSERT_NE(h, InvalidChannel);
    EXPECT_EQ(Write(h, first), 1);
    // An empty piece must neither fail nor end the document early.
    EXPECT_EQ(WriteSpoolerChannel(h, nullptr, 0, nullptr), 1);
    EXPECT_EQ(Write(h, big), 1);
    EXPECT_EQ(Write(h, last), 1);
    EXPECT_EQ(CloseSpoolerChannel(h), 1);

    LoopbackPeer peer = q.printer.Accept(kDeliveryWaitMs);
    ASSERT_TRUE(peer.Valid());
    const std::string expected = first + big + last;
    EXPECT_EQ(peer.Receive(expected.size() + 1, kDeliveryWaitMs), expected);

    std::vector<CupsJobInfo> jobs = q.cupsd.Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].strQueue, "Orvi_L11");
    EXPECT_EQ(jobs[0].strTitle, "Orvi Upgrade");
    EXPECT_EQ(jobs[0].strFormat, "application/vnd.cups-raw");
}

TEST(SpoolerChannel, ASilentSpoolerIsGivenUpAfterTheSilenceLimit)
{
    // The kernel completes the connection; nobody ever answers on it.
    LoopbackListener silent;
    ScopedCupsServer server("127.0.0.1:" + std::to_string(silent.Port()));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenSpoolerChannelWithin("Orvi_L11", "Orvi Upgrade", 300), InvalidChannel);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(SpoolerChannel, AJobWhoseDocumentIsRefusedIsWithdrawn)
{
    // The queue takes the job but refuses its document, which the scheduler
    // only says once the document is on its way.
    Queue q(kRefuseEveryDocument);
    ASSERT_TRUE(q.Ready());

    // The write is only buffered; the refusal comes as the job ends, and
    // the close says the bytes were not sent after all.
    ChannelHandle h = OpenSpoolerChannel("Orvi_L11", "Orvi Upgrade");
    ASSERT_NE(h, InvalidChannel);
    EXPECT_EQ(Write(h, "\x01KU\r\n"), 1);
    EXPECT_EQ(CloseSpoolerChannel(h), 0);
    std::vector<CupsJobInfo> jobs = q.cupsd.Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].nState, kJobCanceled);
    EXPECT_FALSE(q.printer.Accept(500).Valid());
}

TEST(SpoolerChannel, AJobThatStoppedShortOrLostDataIsWithdrawnNotPrinted)
{
    Queue q;
    ASSERT_TRUE(q.Ready());

    // A transfer that stopped short (interrupted, a file changed on disk)
    // gives its job up.
    ChannelHandle stopped = OpenSpoolerChannel("Orvi_L11", "Orvi Upgrade");
    ASSERT_NE(stopped, InvalidChannel);
    EXPECT_EQ(Write(stopped, "\x01KU\r\n"), 1);
    WithdrawSpoolerChannel(stopped);

    ChannelHandle h = OpenSpoolerChannel("Orvi_L11", "Orvi Upgrade");
    ASSERT_NE(h, InvalidChannel);
    EXPECT_EQ(Write(h, "\x01KU\r\n"), 1);
    // The job survives the restart; the connection carrying its document does not.
    ASSERT_TRUE(q.cupsd.Restart());
    // More than libcups buffers, so the loss shows in this write; and no
    // later write may land behind the hole.
    int32_t nError = 0;
    EXPECT_EQ(Write(h, std::string(1 << 20, 'x'), &nError), 0);
    EXPECT_NE(nError, 0);
    EXPECT_EQ(Write(h, "\x01SR\r\n"), 0);
    EXPECT_EQ(CloseSpoolerChannel(h), 0);

    std::vector<CupsJobInfo> jobs = q.cupsd.Jobs();
    ASSERT_EQ(jobs.size(), 2u);
    for (const CupsJobInfo& job : jobs)
        EXPECT_EQ(job.nState, kJobCanceled);
    EXPECT_FALSE(q.printer.Accept(500).Valid());
}
