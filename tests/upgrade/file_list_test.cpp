#include "upgrade/file_list.h"

#include "tests/support/temp_dir.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ParseResult {
    int ok = 0;
    int32_t error = 12345; // untouched unless the parse fails
    UpgradeFileList list;
};

// A program directory with iosubsys.bin (4 bytes) and the files given.
class FileListTest : public ::testing::Test {
protected:
    void SetUp() override { dir.Write("iosubsys.bin", "IOSS"); }

    std::unique_ptr<ParseResult> Parse(const std::string& config)
    {
        dir.Write(kConfigFileName, config);
        auto r = std::make_unique<ParseResult>();
        r->ok = ParseUpgradeConfig(kConfigFileName, dir.Text(), r->list, r->error);
        return r;
    }

    std::vector<std::string> NamesOf(const ParseResult& r) const
    {
        std::vector<std::string> names;
        for (int i = 0; i < kFileListCapacity && !r.list.m_strNames[i].empty(); ++i)
            names.push_back(r.list.m_strNames[i]);
        return names;
    }

    TempDir dir;
};

using Names = std::vector<std::string>;

TEST_F(FileListTest, WorkedExampleListsFilesThenIoSubsystem)
{
    dir.Write("boot.bin", std::string(10, 'b'));
    dir.Write("main.bin", std::string(200, 'm'));
    dir.Write("fonts.bin", std::string(3000, 'f'));
    auto r = Parse("3\r\n*Boot.bin:*x:\r\n*main.bin:*x:\r\n*fonts.bin:*x:\r\n*END:\r\n");
    ASSERT_EQ(r->ok, 1);
    EXPECT_EQ(r->error, 12345);
    EXPECT_EQ(NamesOf(*r), (Names{"boot.bin", "main.bin", "fonts.bin", "iosubsys.bin"}));
    EXPECT_EQ(r->list.m_nSizes[0], 10);
    EXPECT_EQ(r->list.m_nSizes[1], 200);
    EXPECT_EQ(r->list.m_nSizes[2], 3000);
    EXPECT_EQ(r->list.m_nSizes[3], 4);
    EXPECT_EQ(r->list.m_nCount, 4);
    EXPECT_EQ(r->list.m_nTotalSize, 3214);

    // The companion field may end the list instead, after its pair's name.
    auto c = Parse("3\r\n*Boot.bin:*x:\r\n*main.bin:*x:\r\n*fonts.bin:*end:\r\n");
    ASSERT_EQ(c->ok, 1);
    EXPECT_EQ(NamesOf(*c), NamesOf(*r));
    EXPECT_EQ(c->list.m_nCount, 4);
}

TEST_F(FileListTest, ListEndsOnlyAtExactlyEndInAnyCase)
{
    dir.Write("a.bin", "a");
    for (const char* end : {"end", "END", "End", "eNd"}) {
        auto r = Parse(std::string("1\r\n*a.bin:*x:*") + end + ":*never.bin:");
        EXPECT_EQ(r->ok, 1) << end;
        EXPECT_EQ(NamesOf(*r), (Names{"a.bin", "iosubsys.bin"})) << end;
    }
    // "end" as the very first field: iosubsys.bin alone.
    auto first = Parse("0\r\n*end:");
    ASSERT_EQ(first->ok, 1);
    EXPECT_EQ(NamesOf(*first), Names{"iosubsys.bin"});
    EXPECT_EQ(first->list.m_nCount, 1);
    EXPECT_EQ(first->list.m_nTotalSize, 4);

    // Nothing is trimmed: a spaced "end" as a name is a file name...
    auto spacedName = Parse("1\r\n*a.bin:*x:* end:*x:*end:");
    EXPECT_EQ(spacedName->ok, 0);
    EXPECT_EQ(spacedName->error, 1);
    EXPECT_EQ(spacedName->list.m_strNames[1], " end");
    // ...and as a companion it is passed over.
    auto spacedCompanion = Parse("1\r\n*a.bin:*end :*END:");
    EXPECT_EQ(spacedCompanion->ok, 1);
    EXPECT_EQ(NamesOf(*spacedCompanion), (Names{"a.bin", "iosubsys.bin"}));

    // A file that ends inside the terminating field still ends normally.
    auto cut = Parse("1\r\n*a.bin:*x:*END");
    EXPECT_EQ(cut->ok, 1);
    EXPECT_EQ(cut->list.m_nCount, 2);
}

TEST_F(FileListTest, CommentaryAndLineEndsBetweenFieldsAreSkipped)
{
    dir.Write("a.bin", "a");
    dir.Write("b.bin", "bb");
    auto r = Parse("2\r\n\r\n  firmware set 4711\r\n*a.bin:  ignored text\r\n*x:\n\n"
                   "*b.bin:\r\n*x:\r\n\r\n*end:");
    ASSERT_EQ(r->ok, 1);
    EXPECT_EQ(NamesOf(*r), (Names{"a.bin", "b.bin", "iosubsys.bin"}));
    // An asterisk inside commentary starts a field; its text goes to ':'.
    auto star = Parse("1\r\nnote * this:*x:*end:");
    EXPECT_EQ(star->ok, 0);
    EXPECT_EQ(star->error, 0);
    EXPECT_EQ(star->list.m_strNames[0], " this");
}

TEST_F(FileListTest, CountLineConvertsLikeAtoi)
{
    dir.Write("a.bin", "a");
    dir.Write("b.bin", "b");
    dir.Write("c.bin", "c");
    const std::string body = "*a.bin:*x:*b.bin:*x:*c.bin:*end:";
    for (const char* line : {"3", "  3", "3 files", "+3", "\t03"}) {
        auto r = Parse(std::string(line) + "\r\n" + body);
        EXPECT_EQ(r->ok, 1) << line;
        EXPECT_EQ(r->list.m_nCount, 4) << line;
    }
    // No digits declares 0, which only a list with no entries matches.
    for (const char* line : {"", "files: 3"}) {
        auto none = Parse(std::string(line) + "\r\n*end:");
        EXPECT_EQ(none->ok, 1) << line;
        EXPECT_EQ(none->list.m_nCount, 1) << line;
        auto some = Parse(std::string(line) + "\r\n" + body);
        EXPECT_EQ(some->ok, 0) << line;
        EXPECT_EQ(some->error, kConfigCorrupt) << line;
    }
    EXPECT_EQ(ParseDeclaredCount("99999999999999999999999"), 1000000000);
    EXPECT_EQ(ParseDeclaredCount("-99999999999999999999999"), -1000000000);
    EXPECT_EQ(ParseDeclaredCount(" -7x"), -7);
}

TEST_F(FileListTest, FailuresReportWhereTheyHappened)
{
    // The configuration file is not there.
    UpgradeFileList list;
    int32_t error = 0;
    EXPECT_EQ(ParseUpgradeConfig(kConfigFileName, dir.Text(), list, error), 0);
    EXPECT_EQ(error, kConfigNotOpened);

    // The first missing file in file order wins; fields after it are not read.
    dir.Write("a.bin", "a");
    auto r = Parse("4\r\n*a.bin:*x:*GONE.bin:*x:*also-gone.bin:*x:*never");
    EXPECT_EQ(r->ok, 0);
    EXPECT_EQ(r->error, 1);
    EXPECT_EQ(r->list.m_strNames[1], "gone.bin");
    EXPECT_TRUE(r->list.m_strNames[2].empty());

    // Without iosubsys.bin an otherwise sound file fails at position E.
    std::filesystem::remove(dir.Path() / "iosubsys.bin");
    auto io = Parse("1\r\n*a.bin:*end:");
    EXPECT_EQ(io->ok, 0);
    EXPECT_EQ(io->error, 1);
    EXPECT_EQ(io->list.m_strNames[1], "iosubsys.bin");
}

TEST_F(FileListTest, CorruptFilesAreRefusedBeforeAnythingIsSent)
{
    dir.Write("a.bin", "a");
    dir.Write("b.bin", "b");
    auto corrupt = [&](const std::string& config) {
        auto r = Parse(config);
        return r->ok == 0 && r->error == kConfigCorrupt;
    };
    // The file ends before any field reads "end".
    EXPECT_TRUE(corrupt("1\r\n*a.bin:*x:"));
    EXPECT_TRUE(corrupt("1\r\n*a.bin:*x:*b.bin:"));
    EXPECT_TRUE(corrupt("1\r\n*a.bin:*x:*en"));
    EXPECT_TRUE(corrupt("0"));
    EXPECT_TRUE(corrupt(""));
    // A declared count outside 0..98, however large.
    EXPECT_TRUE(corrupt("-1\r\n*end:"));
    EXPECT_TRUE(corrupt("99\r\n*end:"));
    EXPECT_TRUE(corrupt("4294967297\r\n*end:"));
    // A declared count that differs from the entries, either way.
    EXPECT_TRUE(corrupt("3\r\n*a.bin:*x:*b.bin:*end:"));
    EXPECT_TRUE(corrupt("1\r\n*a.bin:*x:*b.bin:*end:"));
    // ...but a missing file found on the way is still named.
    auto missing = Parse("1\r\n*a.bin:*x:*c.bin:*end:");
    EXPECT_EQ(missing->error, 1);
    // A name with a control byte, which would reach the DT header as it
    // stands; a companion field may hold any.
    EXPECT_TRUE(corrupt("1\r\n*a.bin\r\n\x01KK:*end:"));
    EXPECT_TRUE(corrupt("1\r\n*a\x1b[2J.bin:*end:"));
    EXPECT_EQ(Parse("1\r\n*a.bin:*\x7f\r\n:*end:")->ok, 1);
    // A count line or field longer than any name, or a file larger than any
    // list, is not read on; at the bounds it is.
    const std::string longest(kMaxConfigFieldLength, 'n');
    EXPECT_TRUE(corrupt("1\r\n*" + longest + "n:*end:"));
    EXPECT_EQ(Parse("1\r\n*" + longest + ":*end:")->error, 0);
    EXPECT_TRUE(corrupt(std::string(kMaxConfigFieldLength, ' ') + "1\r\n*a.bin:*end:"));
    const std::string head = "1\r\n", tail = "*a.bin:*end:";
    const std::string filler(kMaxConfigFileBytes - head.size() - tail.size(), ' ');
    EXPECT_EQ(Parse(head + filler + tail)->ok, 1);
    EXPECT_TRUE(corrupt(head + filler + " " + tail));

    // 98 entries fit; a 99th does not, whatever the count says.
    std::string full = "98\r\n";
    for (int i = 0; i < kMaxConfigEntries; ++i)
        full += "*a.bin:*x:";
    auto fits = Parse(full + "*end:");
    ASSERT_EQ(fits->ok, 1);
    EXPECT_EQ(fits->list.m_nCount, 99);
    EXPECT_EQ(fits->list.m_strNames[98], "iosubsys.bin");
    EXPECT_TRUE(corrupt(full + "*a.bin:*end:"));

    // A file whose size does not fit the DT header's signed field.
    std::filesystem::resize_file(dir.Write("huge.bin", ""), 0x80000000ull);
    EXPECT_TRUE(corrupt("1\r\n*huge.bin:*end:"));
    std::filesystem::resize_file(dir.Path() / "huge.bin", 0x7FFFFFFFull);
    auto largest = Parse("1\r\n*huge.bin:*end:");
    ASSERT_EQ(largest->ok, 1);
    EXPECT_EQ(largest->list.m_nSizes[0], 0x7FFFFFFF);
    EXPECT_EQ(largest->list.m_nTotalSize, 0x7FFFFFFFll + 4);
}

TEST_F(FileListTest, NamesAreFoundAsTheWindowsFileSystemWouldFindThem)
{
    // Stored with capitals, listed lower-cased, found either way.
    dir.Write("BOOT.BIN", "12345");
    dir.Write("Fw/Main.Bin", "123");
    dir.Write("sub/dir/x.bin", "");
    std::filesystem::create_directories(dir.Path() / "fonts");
    auto r = Parse("4\r\n*Boot.BIN:*x:*fw\\main.bin:*x:*SUB\\DIR\\X.BIN:*x:*fonts:*end:");
    ASSERT_EQ(r->ok, 1) << r->error;
    // Names stay as the list holds them: lowered, with their backslashes.
    EXPECT_EQ(NamesOf(*r), (Names{"boot.bin", "fw\\main.bin", "sub\\dir\\x.bin", "fonts", "iosubsys.bin"}));
    EXPECT_EQ(r->list.m_nSizes[0], 5);
    EXPECT_EQ(r->list.m_nSizes[1], 3);
    EXPECT_EQ(r->list.m_nSizes[2], 0);
    // A subdirectory counts as found; it only fails to open later.
    EXPECT_EQ(OpenFileForReading(dir.Text(), "fonts"), InvalidFile);
    FileHandle h = OpenFileForReading(dir.Text(), "fw\\main.bin");
    ASSERT_NE(h, InvalidFile);
    char buf[8];
    int n = 0;
    EXPECT_EQ(ReadFileBytes(h, buf, sizeof buf, &n), 1);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), "123");
    CloseFile(h);
    // Wildcards never match by pattern.
    EXPECT_EQ(Parse("1\r\n*b*.bin:*end:")->error, 0);
    EXPECT_EQ(Parse("1\r\n*?oot.bin:*end:")->error, 0);
}

// The printer's side of a transfer as bytes: a port of the test's own,
// since what is checked happens inside the transfer, between reading a
// file and writing it, where a real printer would only see less.
class RecordingPort : public IPrinterPort {
public:
    LinkResult Open() override { return {}; }
    LinkResult Write(const void* p, int32_t n, bool) override
    {
        written.append(static_cast<const char*>(p), static_cast<size_t>(n));
        return {};
    }
    LinkResult ReadLine(void*, int32_t*) override { return LinkResult::Failed({}); }
    DeliveryResult ConfirmDelivery() override { return {}; }
    LinkResult Close() override
    {
        closed = true;
        return {};
    }
    void Abandon() override { closed = true; }
    bool CanAnswer() const override { return true; }

    std::string written;
    bool closed = false;
};

// Rewrites a file once the first file has gone. Nothing on a file system
// changes a file at that moment of its own accord, so the transfer's event
// between two files does it.
class RewriteAfterFirstFile : public IExchangeEvents {
public:
    RewriteAfterFirstFile(const TempDir& dir, const std::string& bytes) : m_dir(dir), m_bytes(bytes) {}
    bool FileSent(int k) override
    {
        if (k == 0)
            m_dir.Write("b.bin", m_bytes);
        return true;
    }

private:
    const TempDir& m_dir;
    std::string m_bytes;
};

TEST_F(FileListTest, AFileWhoseSizeChangedSinceTheListWasReadIsNotSent)
{
    dir.Write("a.bin", "a");
    dir.Write(kConfigFileName, "2\r\n*a.bin:*x:*b.bin:*end:");
    for (const std::string& now : {std::string(5000, 'B'), std::string("B")}) {
        dir.Write("b.bin", "bbb");
        UpgradeFileList list;
        int32_t error = 0;
        ASSERT_EQ(BuildSendingList(dir.Text(), list, error), 1);
        RecordingPort port;
        RewriteAfterFirstFile events(dir, now);
        const Transfer sent = SendUpgrade(port, dir.Text(), list, events);
        EXPECT_EQ(sent.result, TransferResult::Failed);
        EXPECT_EQ(sent.failure, ExchangeFailure::DataNotSent);
        EXPECT_TRUE(port.closed);
        // b.bin's header announced the size the list holds; none of its
        // bytes followed, and no SR.
        const std::string header = FormatDtHeader(3, "b.bin");
        ASSERT_GE(port.written.size(), header.size());
        EXPECT_EQ(port.written.substr(port.written.size() - header.size()), header) << now.size();
    }
}

} // namespace
