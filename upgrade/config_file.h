// The configuration file, open for reading through a buffer of our own so
// that reading it byte by byte costs one system call per buffer, not per
// byte, and never past kMaxConfigFileBytes: a list of 98 entries fits in a
// few KiB, and a larger file (or one that never ends) is refused as corrupt
// without being read on.
#pragma once

#include "upgrade/file_access.h"

#include <string>

inline constexpr int kMaxConfigFileBytes = 64 * 1024;

class CConfigFile {
public:
    CConfigFile() = default;
    CConfigFile(const CConfigFile&) = delete;
    CConfigFile& operator=(const CConfigFile&) = delete;
    ~CConfigFile() { Close(); }

    // 1 when directory + name opened (read only, not shared), else 0.
    int Open(const std::string& strDirectory, const std::string& strName);

    // 1 with the next byte in *pByte; 0 at end of file, when the system
    // refused a read (ReadFailed), or at a byte past kMaxConfigFileBytes
    // (TooLarge).
    int ReadByte(unsigned char* pByte)
    {
        if (m_nPos == m_nFill && !Refill())
            return 0;
        if (m_nDelivered == kMaxConfigFileBytes) {
            m_bTooLarge = true;
            return 0;
        }
        ++m_nDelivered;
        *pByte = m_buffer[m_nPos++];
        return 1;
    }

    bool ReadFailed() const { return m_bReadFailed; }
    bool TooLarge() const { return m_bTooLarge; }
    void Close();

private:
    int Refill();

    FileHandle m_hFile = InvalidFile;
    unsigned char m_buffer[4096];
    int m_nPos = 0;
    int m_nFill = 0;
    int m_nDelivered = 0;
    bool m_bAtEnd = false;
    bool m_bTooLarge = false;
    bool m_bReadFailed = false;
};
