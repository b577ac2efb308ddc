// What the built orvi-upgrade.exe carries for the shell and the loader: its
// icon, its version information and its manifest (common controls 6, DPI
// awareness), read from the file by Wine's own resource loader.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The program is built beside this test program.
std::string ProgramPath()
{
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    s.erase(s.find_last_of("\\/") + 1);
    return s + "orvi-upgrade.exe";
}

class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hModule = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_hModule, nullptr) << ProgramPath();
    }
    void TearDown() override
    {
        if (m_hModule)
            FreeLibrary(m_hModule);
    }
    std::string Resource(LPCSTR type, LPCSTR name)
    {
        HRSRC found = FindResourceA(m_hModule, name, type);
        if (!found)
            return std::string();
        HGLOBAL loaded = LoadResource(m_hModule, found);
        const char* data = static_cast<const char*>(LockResource(loaded));
        return data ? std::string(data, SizeofResource(m_hModule, found)) : std::string();
    }
    HMODULE m_hModule = nullptr;
};

} // namespace

TEST_F(ProgramFile, CarriesItsIcon)
{
    EXPECT_FALSE(Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(1)).empty());
}

TEST_F(ProgramFile, CarriesItsManifest)
{
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
}

namespace {

// The project's version, "1.1" or "1.1.2", as four numbers: the fixed part
// of the version information.
std::vector<unsigned> VersionFields(const std::string& text)
{
    std::vector<unsigned> fields;
    size_t start = 0;
    while (start <= text.size() && fields.size() < 4) {
        size_t dot = text.find('.', start);
        if (dot == std::string::npos)
            dot = text.size();
        fields.push_back(static_cast<unsigned>(std::stoul(text.substr(start, dot - start))));
        start = dot + 1;
    }
    fields.resize(4, 0);
    return fields;
}

} // namespace

TEST_F(ProgramFile, CarriesItsVersion)
{
    const std::string path = ProgramPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const std::vector<unsigned> version = VersionFields(ORVI_PROJECT_VERSION);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), version[0]);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), version[1]);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), version[2]);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), version[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904e4\\OriginalFilename",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "orvi-upgrade.exe");
    for (const char* name : {"FileVersion", "ProductVersion"}) {
        const std::string query = std::string("\\StringFileInfo\\040904e4\\") + name;
        ASSERT_TRUE(VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
            << name;
        EXPECT_STREQ(text, ORVI_PROJECT_VERSION) << name;
    }
}
