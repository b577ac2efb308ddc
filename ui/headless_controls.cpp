#include "ui/headless_controls.h"

namespace {

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsIgnoringCase(const std::string& strEntry, const std::string& strPrefix)
{
    if (strEntry.size() < strPrefix.size())
        return false;
    for (size_t i = 0; i < strPrefix.size(); ++i)
        if (FoldAscii(strEntry[i]) != FoldAscii(strPrefix[i]))
            return false;
    return true;
}

} // namespace

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

void HeadlessControls::ResetContent(int nId)
{
    m_lists[nId].clear();
    m_selection[nId] = -1;
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
    for (int i = 0; i < GetCount(nId); ++i)
        if (StartsIgnoringCase(GetLBText(nId, i), strPrefix)) {
            m_selection[nId] = i;
            return i;
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

void HeadlessControls::SetRange(int nId, int nLower, int nUpper)
{
    m_progress[nId].lower = nLower;
    m_progress[nId].upper = nUpper;
}

int HeadlessControls::GetPos(int nId) const
{
    auto it = m_progress.find(nId);
    return it == m_progress.end() ? 0 : it->second.pos;
}

void HeadlessControls::StepIt(int nId)
{
    Progress& p = m_progress[nId];
    p.pos += p.step;
    // Past the end the bar starts over, as the native control does.
    if (p.pos > p.upper)
        p.pos = p.lower + (p.pos - p.upper);
}
