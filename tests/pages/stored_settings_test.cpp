// The stored port settings, read from registry files that Wine itself writes
// (wine reg add into a prefix of the test's own), and from hand-written files
// for the forms and oddities that are quicker to write down.
#include "pages/registry_query.h"
#include "pages/stored_settings.h"
#include "tests/support/host_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>

namespace {

const std::string kMakerKey = "HKCU\\Software\\Tarnwell Systems\\Color Tarnwell\\Print Manager\\Port Setup";
const std::string kKindsKey = "HKCU\\Software\\OrviTest\\Kinds";

// A Wine prefix of the test's own, made as every test's is (from the run's
// booted one, when there is one); its server is stopped when the test ends.
class WinePrefix {
public:
    WinePrefix() : m_prefix("WINEPREFIX", (m_dir.Path() / "prefix").c_str())
    {
        RunHost({"/bin/sh", "-c", ". \"$0\" && wine_prefix \"$WINEPREFIX\"", ORVI_WINE_PREFIX_SCRIPT});
    }
    ~WinePrefix() { RunHost({"/usr/bin/wineserver", "-k"}); }

    bool Add(const std::string& key, const std::string& name, const std::string& type, const std::string& data)
    {
        return RunHost({"/usr/bin/wine", "reg", "add", key, "/v", name, "/t", type, "/d", data, "/f"}) == 0;
    }
    bool AddKey(const std::string& key) { return RunHost({"/usr/bin/wine", "reg", "add", key, "/f"}) == 0; }
    // Waits until Wine has written its registry to user.reg.
    bool Flush() { return RunHost({"/usr/bin/wineserver", "-w"}) == 0; }

private:
    TempDir m_dir;
    ScopedEnv m_prefix;
    ScopedEnv m_debug{"WINEDEBUG", "-all"};
    ScopedEnv m_locale{"LC_ALL", "C.UTF-8"};
};

// A user.reg written by hand, in Wine's layout.
class HandWrittenPrefix {
public:
    explicit HandWrittenPrefix(const std::string& body, const std::string& header = "WINE REGISTRY Version 2\n")
        : m_prefix("WINEPREFIX", m_dir.Path().c_str())
    {
        m_dir.Write("user.reg", header + ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                                         "#arch=win64\n\n" + body);
    }

private:
    TempDir m_dir;
    ScopedEnv m_prefix;
};

std::string MakerSection(const std::string& values)
{
    return "[Software\\\\Tarnwell Systems\\\\Color Tarnwell\\\\Print Manager\\\\Port Setup] 1796611567\n"
           "#time=1dd85f51c0ed320\n" + values + "\n";
}

StoredPortSettings Load(const std::string& values)
{
    HandWrittenPrefix prefix(MakerSection(values));
    StoredPortSettings settings;
    EXPECT_EQ(LoadStoredPortSettings(settings), 1);
    return settings;
}

std::array<int, 4> Octets(const StoredPortSettings& s)
{
    return {s.m_nIpOctets[0], s.m_nIpOctets[1], s.m_nIpOctets[2], s.m_nIpOctets[3]};
}

// RegQueryValueEx's answer for one value: its bytes, or "missing" with the size asked for.
std::string Query(RegistryKeyHandle hKey, const std::string& name, uint32_t nCapacity, uint32_t* pnSize = nullptr)
{
    std::string buffer(nCapacity, '\xee');
    uint32_t nSize = nCapacity;
    int r = QueryRegistryValue(hKey, name, buffer.data(), &nSize);
    if (pnSize)
        *pnSize = nSize;
    return r ? buffer.substr(0, nSize) : "missing";
}

} // namespace

TEST(StoredSettings, ReadsWhatWineWrote)
{
    WinePrefix wine;
    const std::string x255(255, 'x');
    ASSERT_TRUE(wine.Add(kKindsKey, "long", "REG_SZ", x255 + "x"));
    ASSERT_TRUE(wine.Add(kKindsKey, "fits", "REG_SZ", x255));
    ASSERT_TRUE(wine.Add(kKindsKey, "name", "REG_SZ", "Orvi \"L11\" \\ B\xc3\xbcro \xe2\x82\xac"));
    ASSERT_TRUE(wine.Add(kKindsKey, "exp", "REG_EXPAND_SZ", "%TEMP%x"));
    ASSERT_TRUE(wine.Add(kKindsKey, "multi", "REG_MULTI_SZ", "a\\0b"));
    ASSERT_TRUE(wine.Add(kKindsKey, "num", "REG_DWORD", "75"));
    ASSERT_TRUE(wine.Add(kKindsKey, "wide", "REG_QWORD", "5"));
    std::string hex, bytes;
    for (int i = 0; i < 100; ++i) {
        hex += "0123456789abcdef"[i / 16 % 16];
        hex += "0123456789abcdef"[i % 16];
        bytes += static_cast<char>(i);
    }
    ASSERT_TRUE(wine.Add(kKindsKey, "bin", "REG_BINARY", hex)); // long enough for continuation lines
    ASSERT_TRUE(wine.Add("HKCU\\Software\\OrviTest\\Parent\\Child", "x", "REG_DWORD", "1"));
    ASSERT_TRUE(wine.AddKey("HKCU\\Software\\OrviTest\\Empty"));
    ASSERT_TRUE(wine.Flush());

    // No key yet: nothing opens, nothing changes.
    StoredPortSettings settings;
    settings.m_nBaudRate = 99;
    EXPECT_EQ(LoadStoredPortSettings(settings), 0);
    EXPECT_EQ(settings.m_nBaudRate, 99);
    EXPECT_EQ(OpenUserRegistryKey("Software\\OrviTest\\Nothing"), InvalidRegistryKey);

    // A key with no values opens, and has none of them; Wine writes no
    // section of its own for a key that only has subkeys.
    for (const char* path : {"Software\\OrviTest\\Empty", "Software\\OrviTest\\Parent"}) {
        RegistryKeyHandle hKey = OpenUserRegistryKey(path);
        EXPECT_NE(hKey, InvalidRegistryKey) << path;
        EXPECT_EQ(Query(hKey, "Port Type", 4), "missing");
        CloseRegistryKey(hKey);
    }

    RegistryKeyHandle hKey = OpenUserRegistryKey("software\\orvitest\\KINDS");
    ASSERT_NE(hKey, InvalidRegistryKey);
    uint32_t nSize = 0;
    EXPECT_EQ(Query(hKey, "long", 256, &nSize), "missing");
    EXPECT_EQ(nSize, 257u);
    EXPECT_EQ(Query(hKey, "fits", 256), x255 + '\0');
    EXPECT_EQ(Query(hKey, "NAME", 256), std::string("Orvi \"L11\" \\ B\xfcro \x80") + '\0');
    EXPECT_EQ(Query(hKey, "exp", 256), std::string("%TEMP%x") + '\0');
    EXPECT_EQ(Query(hKey, "multi", 256), std::string("a\0b\0\0", 5));
    EXPECT_EQ(Query(hKey, "num", 4), std::string("\x4b\0\0\0", 4));
    EXPECT_EQ(Query(hKey, "wide", 4), "missing");
    EXPECT_EQ(Query(hKey, "wide", 8), std::string("\x05\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(Query(hKey, "bin", 256), bytes);
    EXPECT_EQ(Query(hKey, "none", 256), "missing");
    CloseRegistryKey(hKey);

    // Every value of the maker's key.
    ASSERT_TRUE(wine.Add(kMakerKey, "Baud Rate", "REG_DWORD", "9600"));
    ASSERT_TRUE(wine.Add(kMakerKey, "IP Octet1", "REG_SZ", "10"));
    ASSERT_TRUE(wine.Add(kMakerKey, "IP Octet2", "REG_SZ", "0"));
    ASSERT_TRUE(wine.Add(kMakerKey, "IP Octet3", "REG_SZ", "0"));
    ASSERT_TRUE(wine.Add(kMakerKey, "IP Octet4", "REG_SZ", "7"));
    ASSERT_TRUE(wine.Add(kMakerKey, "Parallel Port Number", "REG_DWORD", "2"));
    ASSERT_TRUE(wine.Add(kMakerKey, "Port Type", "REG_DWORD", "51"));
    ASSERT_TRUE(wine.Add(kMakerKey, "Serial Port Number", "REG_DWORD", "2"));
    ASSERT_TRUE(wine.Add(kMakerKey, "Type String", "REG_SZ", "Orvi L11 on desk"));
    ASSERT_TRUE(wine.Flush());
    ASSERT_EQ(LoadStoredPortSettings(settings), 1);
    EXPECT_EQ(settings.m_nCommMode, TcpIp);
    EXPECT_EQ(settings.m_nBaudRate, 1);
    EXPECT_EQ(settings.m_nSerialPort, 1);
    EXPECT_EQ(settings.m_nParallelPort, 1);
    EXPECT_EQ(settings.m_strPrinterName, "Orvi L11 on desk");
    EXPECT_EQ(PackIpAddress(settings.m_nIpOctets), 0x0A000007u);
}

TEST(StoredSettings, ANumberShorterThanFourBytesIsWhatItsBytesSpell)
{
    EXPECT_EQ(Load("\"Baud Rate\"=hex:c0,12").m_nBaudRate, 0); // 4800
}

TEST(StoredSettings, PortNumbersCountFromOneAndMissingOnesKeepTheDefaults)
{
    StoredPortSettings none = Load("");
    EXPECT_EQ(none.m_nCommMode, Lpt);
    EXPECT_EQ(none.m_nBaudRate, 2);
    EXPECT_EQ(none.m_strPrinterName, "");
    StoredPortSettings s = Load("\"Serial Port Number\"=dword:00000002\n\"Parallel Port Number\"=dword:00000000");
    EXPECT_EQ(s.m_nSerialPort, 1);
    EXPECT_EQ(s.m_nParallelPort, -1);
    EXPECT_EQ(Octets(s), (std::array<int, 4>{192, 168, 255, 1}));
    // The lowest number wraps round instead of overflowing.
    EXPECT_EQ(Load("\"Serial Port Number\"=dword:80000000").m_nSerialPort, 0x7fffffff);
    EXPECT_EQ(Load("\"Parallel Port Number\"=dword:00000003").m_nParallelPort, 2);
}

TEST(StoredSettings, OctetTextIsReadAsAtoiDoesInsideItsBuffer)
{
    StoredPortSettings s = Load("\"IP Octet1\"=\"300\"\n\"IP Octet2\"=\"-1\"\n\"IP Octet3\"=\"abc\"\n"
                                "\"IP Octet4\"=\"  +12x\"");
    EXPECT_EQ(Octets(s), (std::array<int, 4>{44, 255, 0, 12}));

    // Huge numbers stay at the ends of the 32-bit range; a number read as
    // text and text stored without a NUL end inside the buffer.
    s = Load("\"IP Octet1\"=\"99999999999\"\n\"IP Octet2\"=\"-99999999999\"\n"
             "\"IP Octet3\"=dword:00003031\n\"IP Octet4\"=hex:37");
    EXPECT_EQ(Octets(s), (std::array<int, 4>{255, 0, 10, 7}));

    // 256 digits without a NUL are too long for the buffer.
    std::string digits = "hex:39";
    for (int i = 1; i < 256; ++i)
        digits += ",39";
    EXPECT_EQ(Load("\"IP Octet1\"=" + digits).m_nIpOctets[0], 192);
}

TEST(StoredSettings, ReadsTheFormsOfWinesFile)
{
    // Names without regard to case; a later value replaces an earlier one,
    // also across two sections of the same key; comments and # lines skipped.
    StoredPortSettings s = Load(";; a comment\n#class=\"x\"\n\"port type\"=dword:00000001\n"
                                "\"Type String\"=\"Orvi \\\"L11\\\" \\\\ B\\xfcro\\x20ac\\101\\t.\"\n"
                                "\"Broken\"=dword:xyz\n"
                                "[SOFTWARE\\\\tarnwell systems\\\\color tarnwell\\\\print manager\\\\port setup] 1\n"
                                "\"Port Type\"=dword:0000001f\n"
                                "\"Baud Rate\"=hex(4):80,\\\n  25,00,\\\n  00\n");
    EXPECT_EQ(s.m_nCommMode, Dual);
    EXPECT_EQ(s.m_strPrinterName, "Orvi \"L11\" \\ B\xfcro\x80" "A\t.");
    EXPECT_EQ(s.m_nBaudRate, 1);
    // 255 characters fit the buffer with their NUL, 256 do not.
    EXPECT_EQ(Load("\"Type String\"=\"" + std::string(255, 'n') + "\"").m_strPrinterName, std::string(255, 'n'));
    EXPECT_EQ(Load("\"Type String\"=\"" + std::string(256, 'n') + "\"").m_strPrinterName, "");
    EXPECT_EQ(Load("\"Type String\"=str(2):\"B\xc3\xbcro\"").m_strPrinterName, "B\xfcro");
}

TEST(StoredSettings, KeysThatAreNotThereDoNotOpen)
{
    StoredPortSettings s;
    {
        TempDir empty;
        ScopedEnv prefix("WINEPREFIX", empty.Path().c_str());
        EXPECT_EQ(LoadStoredPortSettings(s), 0);
    }
    {
        HandWrittenPrefix notWine(MakerSection("\"Port Type\"=dword:00000001"), "REGEDIT4\n");
        EXPECT_EQ(LoadStoredPortSettings(s), 0);
    }
    {
        // A key of a longer name is not the key.
        HandWrittenPrefix other("[Software\\\\Tarnwell Systems\\\\Color Tarnwell\\\\Print Manager\\\\Port Setup2]\n");
        EXPECT_EQ(LoadStoredPortSettings(s), 0);
    }
    {
        // Without WINEPREFIX, Wine's default prefix in the home folder.
        TempDir home;
        home.Write(".wine/user.reg", "WINE REGISTRY Version 2\n" + MakerSection("\"Port Type\"=dword:00000029"));
        ScopedEnv noPrefix("WINEPREFIX", nullptr), homeDir("HOME", home.Path().c_str());
        EXPECT_EQ(LoadStoredPortSettings(s), 1);
        EXPECT_EQ(s.m_nCommMode, Network);
    }
}
