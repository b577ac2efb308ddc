// The installed printer list against a CUPS scheduler of the test's own, and
// against loopback listeners that play a scheduler which falls silent or
// goes away.
#include "pages/printer_enum.h"
#include "tests/support/loopback.h"
#include "tests/support/private_cupsd.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <cups/cups.h>
#include "tests/support/elapsed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

using Names = std::vector<std::string>;

ssize_t AppendIpp(void* pOut, ipp_uchar_t* pBytes, size_t n)
{
    static_cast<std::string*>(pOut)->append(reinterpret_cast<const char*>(pBytes), n);
    return static_cast<ssize_t>(n);
}

// A scheduler that answers one request, saying it has the queue "Alpha", and
// then is gone: its listener closes before the answer goes out.
void AnswerOnceAndVanish(std::unique_ptr<LoopbackListener> listener)
{
    LoopbackPeer peer = listener->Accept(5000);
    std::string head;
    while (peer.Valid() && head.find("\r\n\r\n") == std::string::npos) {
        std::string byte = peer.Receive(1, 5000);
        if (byte.empty())
            return;
        head += byte;
    }
    if (head.find("100-continue") != std::string::npos)
        peer.Send("HTTP/1.1 100 Continue\r\n\r\n");
    size_t at = head.find("Content-Length: ");
    std::string body = peer.Receive(at == std::string::npos ? 0 : std::stoul(head.substr(at + 16)), 5000);

    ipp_t* response = ippNew();
    ippSetVersion(response, 2, 0);
    ippSetStatusCode(response, IPP_STATUS_OK);
    int nRequestId = 0;
    for (size_t i = 4; i < 8 && i < body.size(); ++i)
        nRequestId = nRequestId << 8 | static_cast<unsigned char>(body[i]);
    ippSetRequestId(response, nRequestId);
    ippAddString(response, IPP_TAG_OPERATION, IPP_TAG_CHARSET, "attributes-charset", nullptr, "utf-8");
    ippAddString(response, IPP_TAG_OPERATION, IPP_TAG_LANGUAGE, "attributes-natural-language", nullptr, "en");
    ippAddSeparator(response);
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, "Alpha");
    std::string ipp;
    ippWriteIO(&ipp, AppendIpp, 1, nullptr, response);
    ippDelete(response);

    listener.reset();
    peer.Send("HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nConnection: close\r\nContent-Length: " +
              std::to_string(ipp.size()) + "\r\n\r\n" + ipp);
}

} // namespace

TEST(PrinterList, LocalQueuesInSpoolerOrderAndConnectionsApart)
{
    // An lpoptions instance is an option set of a queue, not a queue.
    TempDir home;
    home.Write(".cups/lpoptions", "Dest Alpha/two-up number-up=2\n");
    ScopedEnv env("HOME", home.Path().c_str());
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Running());
    LoopbackListener printer;
    const std::string port = std::to_string(printer.Port());
    ASSERT_TRUE(cupsd.AddRawQueue("beta", "socket://127.0.0.1:" + port));
    ASSERT_TRUE(cupsd.AddRawQueue("Alpha", "socket://127.0.0.1:" + port));
    ASSERT_TRUE(cupsd.AddToClass("Alpha", "group"));
    // A queue that forwards to another scheduler is what CUPS types remote.
    ASSERT_TRUE(cupsd.AddRawQueue("elsewhere", "ipp://127.0.0.1:" + port + "/printers/l11"));

    Names local, connections;
    EXPECT_EQ(EnumLocalPrinters(local), 1);
    EXPECT_EQ(local, (Names{"Alpha", "beta", "group"}));
    EXPECT_EQ(EnumPrinterConnections(connections), 1);
    EXPECT_EQ(connections, (Names{"elsewhere"}));
}

TEST(PrinterList, NoQueueOrNoSchedulerMeansNoPrinterFound)
{
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Running());
    Names names{"left over"};
    EXPECT_EQ(EnumLocalPrinters(names), 1);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(EnumPrinterConnections(names), 1);
    EXPECT_TRUE(names.empty());

    cupsd.Stop();
    auto start = TestClock::now();
    EXPECT_EQ(EnumLocalPrinters(names, 500), 1);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(EnumPrinterConnections(names, 500), 1);
    EXPECT_TRUE(names.empty());
    EXPECT_LT(MsSince(start), 500 + kHangMarginMs);
}

TEST(PrinterList, ASilentSchedulerIsGivenUpWithinTheBound)
{
    // The kernel completes the connection; nobody ever answers on it.
    LoopbackListener silent;
    ScopedCupsServer server("127.0.0.1:" + std::to_string(silent.Port()));
    Names names;
    auto start = TestClock::now();
    EXPECT_EQ(EnumLocalPrinters(names, 300), 1);
    EXPECT_TRUE(names.empty());
    EXPECT_LT(MsSince(start), 500 + kHangMarginMs);
}

TEST(PrinterList, ASchedulerThatGoesAwayWhileListingFails)
{
    auto listener = std::make_unique<LoopbackListener>();
    ScopedCupsServer server("127.0.0.1:" + std::to_string(listener->Port()));
    std::thread scheduler(AnswerOnceAndVanish, std::move(listener));
    Names names;
    EXPECT_EQ(EnumLocalPrinters(names, 3000), 0);
    EXPECT_TRUE(names.empty());
    scheduler.join();
}
