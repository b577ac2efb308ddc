#include "bench/headless_frame.h"

#include "res/dialogs.h"

#include <chrono>
#include <strings.h>

bool HeadlessControls::IsWindowEnabled(int nId) const
{
    auto it = m_enabled.find(nId);
    return it == m_enabled.end() || it->second;
}

bool HeadlessControls::IsWindowVisible(int nId) const
{
    auto it = m_visible.find(nId);
    return it == m_visible.end() || it->second;
}

std::string HeadlessControls::GetWindowText(int nId) const
{
    auto it = m_texts.find(nId);
    return it == m_texts.end() ? std::string() : it->second;
}

int HeadlessControls::GetCount(int nId) const
{
    auto it = m_lists.find(nId);
    return it == m_lists.end() ? 0 : static_cast<int>(it->second.size());
}

std::string HeadlessControls::GetLBText(int nId, int nIndex) const
{
    auto it = m_lists.find(nId);
    if (it == m_lists.end() || nIndex < 0 || nIndex >= static_cast<int>(it->second.size()))
        return std::string();
    return it->second[static_cast<size_t>(nIndex)];
}

int HeadlessControls::GetCurSel(int nId) const
{
    auto it = m_selection.find(nId);
    return it == m_selection.end() ? -1 : it->second;
}

int HeadlessControls::SelectString(int nId, const std::string& strPrefix)
{
    for (int i = 0; i < GetCount(nId); ++i) {
        const std::string entry = GetLBText(nId, i);
        if (entry.size() >= strPrefix.size() &&
            ::strncasecmp(entry.c_str(), strPrefix.c_str(), strPrefix.size()) == 0) {
            m_selection[nId] = i;
            return i;
        }
    }
    return -1;
}

bool HeadlessControls::GetCheck(int nId) const
{
    auto it = m_checks.find(nId);
    return it != m_checks.end() && it->second;
}

int HeadlessControls::GetAddress(int nId, uint32_t* pdwAddress) const
{
    auto it = m_addresses.find(nId);
    *pdwAddress = it == m_addresses.end() ? 0 : it->second;
    return it == m_addresses.end() ? 0 : 4;
}

void HeadlessControls::StepIt(int)
{
    ++m_nSteps;
    m_nPos += m_nStep;
    if (m_nPos > m_nUpper)
        m_nPos = m_nUpper;
}

void HeadlessFrame::MessageBox(const std::string& strText)
{
    m_messages.push_back({strText, MonotonicNs()});
}

HeadlessWizard::HeadlessWizard()
{
    for (int i = 0; i < sheet.GetPageCount(); ++i)
        sheet.GetPage(i)->AttachWindow(&sheet, &controls[i], &frame);
    sheet.m_page2.m_ipAddress.Attach(controls[1], IDC_IP_ADDRESS);
}

HeadlessWizard::~HeadlessWizard()
{
    for (int i = 0; i < sheet.GetPageCount(); ++i)
        sheet.GetPage(i)->DetachWindow();
}

void HeadlessWizard::SetConnection(CommMode nMode, int32_t nSerialPort, int32_t nBaudRate, int32_t nParallelPort,
                                   uint32_t dwAddress)
{
    sheet.m_page2.m_nCommMode = nMode;
    sheet.m_page2.m_nSerialPort = nSerialPort;
    sheet.m_page2.m_nBaudRate = nBaudRate;
    sheet.m_page2.m_nParallelPort = nParallelPort;
    sheet.m_page2.m_ipAddress.SetAddress(dwAddress);
}

uint64_t MonotonicNs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}
