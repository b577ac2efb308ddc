#include "tools/printer-sim/read_pacer.h"

ReadPacer::ReadPacer(uint64_t bytesPerSecond) : m_rate(bytesPerSecond)
{
    m_maxBudget = static_cast<double>(m_rate) / 50.0;
    if (m_maxBudget < 1.0)
        m_maxBudget = 1.0;
    m_budget = m_maxBudget;
    // Reads of a two-hundredth of a second's worth keep the wake-ups few.
    m_minRead = static_cast<double>(m_rate) / 200.0;
    if (m_minRead < 1.0)
        m_minRead = 1.0;
}

size_t ReadPacer::Allowance(int64_t nowNs, size_t cap, int64_t& waitNs)
{
    waitNs = 0;
    if (m_rate == 0)
        return cap;
    if (m_lastNs >= 0 && nowNs > m_lastNs) {
        m_budget += static_cast<double>(nowNs - m_lastNs) * static_cast<double>(m_rate) / 1e9;
        if (m_budget > m_maxBudget)
            m_budget = m_maxBudget;
    }
    m_lastNs = nowNs;
    if (m_budget < m_minRead) {
        waitNs = static_cast<int64_t>((m_minRead - m_budget) * 1e9 / static_cast<double>(m_rate)) + 1;
        return 0;
    }
    size_t whole = static_cast<size_t>(m_budget);
    return whole < cap ? whole : cap;
}

void ReadPacer::Took(size_t n)
{
    m_budget -= static_cast<double>(n);
}
