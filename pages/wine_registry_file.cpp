// The text of a Wine registry file, as Wine writes it:
//
//   WINE REGISTRY Version 2
//   ;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000
//   [Software\\Maker\\Key] 1796611567
//   #time=1dd85f51c0ed320
//   "Name"="text"            REG_SZ, escapes \\ \" \n \x20ac \012 ...
//   "Name"=str(2):"text"     text of another type
//   "Name"=dword:0000004b
//   "Name"=hex:01,02,\       binary; long data goes on after a backslash
//     03,04
//   "Name"=hex(b):05,00,...  data of another type
//   @="text"                 the key's default value
//
// Wine leaves the NUL that ends a text out of the file and adds it back on
// loading; so does this reader. Keys may appear more than once; a later value
// replaces an earlier one of the same name, as when Wine loads the file.
#include "pages/wine_registry_file.h"

#include "upgrade/number_text.h"

#include <unordered_map>

namespace {

constexpr char kSignature[] = "WINE REGISTRY Version 2";

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page defines no
// character, and the byte stands for the code point of the same number.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t FromCp1252(uint8_t b)
{
    if (b >= 0x80 && b < 0xA0 && kCp1252High[b - 0x80] != 0)
        return kCp1252High[b - 0x80];
    return b;
}

uint8_t ToCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<uint8_t>(c);
    if (c < 0xA0 && kCp1252High[c - 0x80] == 0)
        return static_cast<uint8_t>(c);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return static_cast<uint8_t>(0x80 + i);
    return '?';
}

std::u16string FromAnsi(const std::string& str)
{
    std::u16string out;
    for (char c : str)
        out += FromCp1252(static_cast<uint8_t>(c));
    return out;
}

char16_t FoldAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(const std::u16string& a, const std::u16string& b, size_t nLength)
{
    if (a.size() < nLength || b.size() < nLength)
        return false;
    for (size_t i = 0; i < nLength; ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

bool SameName(const std::u16string& a, const std::u16string& b)
{
    return a.size() == b.size() && SameName(a, b, a.size());
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

const char* SkipSpace(const char* p, const char* end)
{
    while (p < end && IsSpace(*p))
        ++p;
    return p;
}

bool Take(const char*& p, const char* end, const char* word)
{
    const char* q = p;
    for (; *word; ++word, ++q)
        if (q == end || *q != *word)
            return false;
    p = q;
    return true;
}

// Up to nMax hex digits, at least one; the value must fit 32 bits.
bool TakeHex(const char*& p, const char* end, int nMax, uint32_t& nValue)
{
    nValue = 0;
    int n = 0;
    while (n < nMax && p < end && HexDigit(*p) >= 0) {
        nValue = nValue * 16 + static_cast<uint32_t>(HexDigit(*p));
        ++p;
        ++n;
    }
    return n > 0;
}

class Lines {
public:
    Lines(const char* p, size_t n) : m_p(p), m_end(p + n) {}

    // The next line, without its line end.
    bool Next(const char*& pBegin, const char*& pEnd)
    {
        if (m_p >= m_end)
            return false;
        pBegin = m_p;
        while (m_p < m_end && *m_p != '\n')
            ++m_p;
        pEnd = m_p;
        if (m_p < m_end)
            ++m_p;
        if (pEnd > pBegin && pEnd[-1] == '\r')
            --pEnd;
        return true;
    }

private:
    const char* m_p;
    const char* m_end;
};

// One character of UTF-8 text; a byte that starts no valid sequence stands
// for itself in Windows-1252, as a hand-edited file would mean it.
void TakeChar(const char*& p, const char* end, std::u16string& out)
{
    const uint8_t b = static_cast<uint8_t>(*p);
    int nMore = 0;
    uint32_t c = 0, nMin = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        nMore = 1;
        c = b & 0x1F;
        nMin = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        nMore = 2;
        c = b & 0x0F;
        nMin = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        nMore = 3;
        c = b & 0x07;
        nMin = 0x10000;
    }
    if (nMore > 0 && end - p > nMore) {
        bool ok = true;
        for (int i = 1; i <= nMore && ok; ++i) {
            const uint8_t t = static_cast<uint8_t>(p[i]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        if (ok && c >= nMin && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) {
            p += nMore + 1;
            if (c >= 0x10000) {
                c -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (c >> 10));
                out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            } else {
                out += static_cast<char16_t>(c);
            }
            return;
        }
    }
    out += FromCp1252(b);
    ++p;
}

// Text up to the closing character, with Wine's escapes. False when the line
// ends first.
bool TakeQuoted(const char*& p, const char* end, char close, std::u16string& out)
{
    out.clear();
    while (p < end) {
        if (*p == close) {
            ++p;
            return true;
        }
        if (*p != '\\') {
            TakeChar(p, end, out);
            continue;
        }
        if (++p == end)
            return false;
        uint32_t v = 0;
        switch (*p) {
        case 'a': out += u'\a'; ++p; break;
        case 'b': out += u'\b'; ++p; break;
        case 'e': out += u'\x1b'; ++p; break;
        case 'f': out += u'\f'; ++p; break;
        case 'n': out += u'\n'; ++p; break;
        case 'r': out += u'\r'; ++p; break;
        case 't': out += u'\t'; ++p; break;
        case 'v': out += u'\v'; ++p; break;
        case 'x':
            ++p;
            if (TakeHex(p, end, 4, v))
                out += static_cast<char16_t>(v);
            else
                out += u'x';
            break;
        default:
            if (*p >= '0' && *p <= '7') {
                for (int n = 0; n < 3 && p < end && *p >= '0' && *p <= '7'; ++n, ++p)
                    v = v * 8 + static_cast<uint32_t>(*p - '0');
                out += static_cast<char16_t>(v);
            } else {
                TakeChar(p, end, out);
            }
        }
    }
    return false;
}

void AppendUtf16(const std::u16string& str, std::vector<uint8_t>& data)
{
    for (char16_t c : str) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
}

// Comma-separated hex bytes; a backslash at the end of a line carries the
// list on to the next line.
bool TakeHexList(const char* p, const char* end, Lines& lines, std::vector<uint8_t>& data)
{
    for (;;) {
        p = SkipSpace(p, end);
        if (p == end)
            return true;
        if (*p == '\\') {
            if (SkipSpace(p + 1, end) != end || !lines.Next(p, end))
                return false;
            continue;
        }
        uint32_t b = 0;
        if (!TakeHex(p, end, 2, b))
            return false;
        data.push_back(static_cast<uint8_t>(b));
        p = SkipSpace(p, end);
        if (p < end && *p == ',')
            ++p;
        else if (p < end && *p != '\\')
            return false;
    }
}

// A text value: the string, with the NUL the file leaves out.
bool TakeTextData(const char* p, const char* end, WineRegistryValue& value)
{
    if (p == end || *p != '"')
        return false;
    ++p;
    std::u16string text;
    if (!TakeQuoted(p, end, '"', text))
        return false;
    AppendUtf16(text, value.data);
    value.data.push_back(0);
    value.data.push_back(0);
    return true;
}

// The part after the name: =data.
bool TakeData(const char* p, const char* end, Lines& lines, WineRegistryValue& value)
{
    p = SkipSpace(p, end);
    if (p == end || *p != '=')
        return false;
    p = SkipSpace(p + 1, end);
    uint32_t v = 0;
    if (p < end && *p == '"') {
        value.nType = kRegSz;
        return TakeTextData(p, end, value);
    }
    if (Take(p, end, "str(")) {
        if (!TakeHex(p, end, 8, value.nType) || !Take(p, end, "):"))
            return false;
        return TakeTextData(p, end, value);
    }
    if (Take(p, end, "dword:")) {
        if (!TakeHex(p, end, 8, v) || SkipSpace(p, end) != end)
            return false;
        value.nType = kRegDword;
        for (int i = 0; i < 4; ++i)
            value.data.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return true;
    }
    if (Take(p, end, "hex:")) {
        value.nType = kRegBinary;
        return TakeHexList(p, end, lines, value.data);
    }
    if (Take(p, end, "hex(")) {
        if (!TakeHex(p, end, 8, value.nType) || !Take(p, end, "):"))
            return false;
        return TakeHexList(p, end, lines, value.data);
    }
    return false;
}

std::u16string Folded(const std::u16string& str)
{
    std::u16string out = str;
    for (char16_t& c : out)
        c = FoldAscii(c);
    return out;
}

// Keeps the values of one key, a later one replacing an earlier one of the
// same name; indexed, so that a file with a great many values stays quick.
class ValueStore {
public:
    explicit ValueStore(WineRegistryKey& key) : m_key(key) {}

    void Store(WineRegistryValue&& value)
    {
        auto [at, bNew] = m_index.try_emplace(Folded(value.strName), m_key.values.size());
        if (bNew)
            m_key.values.push_back(std::move(value));
        else
            m_key.values[at->second] = std::move(value);
    }

private:
    WineRegistryKey& m_key;
    std::unordered_map<std::u16string, size_t> m_index;
};

} // namespace

int FindWineRegistryKey(const char* pText, size_t nSize, const std::string& strKeyPath, WineRegistryKey& key)
{
    key.values.clear();
    if (!pText)
        return 0;
    Lines lines(pText, nSize);
    const char *p = nullptr, *end = nullptr;
    if (!lines.Next(p, end) || !Take(p, end, kSignature))
        return 0;

    const std::u16string target = FromAnsi(strKeyPath);
    ValueStore store(key);
    bool bFound = false, bInKey = false;
    std::u16string name;
    while (lines.Next(p, end)) {
        p = SkipSpace(p, end);
        if (p == end)
            continue;
        if (*p == '[') {
            ++p;
            bInKey = false;
            if (!TakeQuoted(p, end, ']', name))
                continue;
            if (SameName(name, target))
                bFound = bInKey = true;
            else if (name.size() > target.size() && name[target.size()] == u'\\' &&
                     SameName(name, target, target.size()))
                bFound = true;
            continue;
        }
        // Outside the key, and the #time, #class and #link lines and
        // ;comments inside it, carry nothing to read.
        if (!bInKey || (*p != '"' && *p != '@'))
            continue;
        WineRegistryValue value;
        const bool bDefault = *p++ == '@';
        if (!bDefault && !TakeQuoted(p, end, '"', value.strName))
            continue;
        if (TakeData(p, end, lines, value))
            store.Store(std::move(value));
    }
    return bFound ? 1 : 0;
}

const WineRegistryValue* FindWineRegistryValue(const WineRegistryKey& key, const std::string& strName)
{
    const std::u16string name = FromAnsi(strName);
    for (const WineRegistryValue& value : key.values)
        if (SameName(value.strName, name))
            return &value;
    return nullptr;
}

std::vector<uint8_t> AnsiValueData(const WineRegistryValue& value)
{
    if (!IsTextValueType(value.nType))
        return value.data;
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
        // A surrogate pair is one character the code page cannot show.
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < value.data.size()) {
            const char16_t low = static_cast<char16_t>(value.data[i + 2] | (value.data[i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF)
                i += 2;
        }
        out.push_back(c >= 0xD800 && c <= 0xDFFF ? '?' : ToCp1252(c));
    }
    return out;
}
