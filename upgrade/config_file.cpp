#include "upgrade/config_file.h"

int CConfigFile::Open(const std::string& strDirectory, const std::string& strName)
{
    Close();
    m_hFile = OpenFileForReading(strDirectory, strName);
    m_nPos = m_nFill = m_nDelivered = 0;
    m_bAtEnd = m_bReadFailed = m_bTooLarge = false;
    return m_hFile != InvalidFile ? 1 : 0;
}

int CConfigFile::Refill()
{
    if (m_bAtEnd || m_bReadFailed || m_hFile == InvalidFile)
        return 0;
    int n = 0;
    if (!ReadFileBytes(m_hFile, m_buffer, sizeof m_buffer, &n)) {
        m_bReadFailed = true;
        return 0;
    }
    if (n == 0) {
        m_bAtEnd = true;
        return 0;
    }
    m_nPos = 0;
    m_nFill = n;
    return 1;
}

void CConfigFile::Close()
{
    CloseFile(m_hFile);
    m_hFile = InvalidFile;
}
