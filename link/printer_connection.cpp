#include "link/printer_connection.h"

#include "link/channel_table.h"

CPrinterConnection::~CPrinterConnection()
{
    // A connection left open by a way out that did not close it.
    if (m_bOpen)
        Close();
}

LinkResult CPrinterConnection::Open()
{
    m_hPort = 0;
    m_hStatusPort = 0;
    const LinkResult opened = OpenChannels(m_params, m_hPort, m_hStatusPort);
    m_bOpen = opened.Done();
    return opened;
}

LinkResult CPrinterConnection::Write(const void* pBuffer, int32_t nLength, bool bStatusLine)
{
    return WriteChannels(m_params.kind, m_hPort, m_hStatusPort, pBuffer, nLength, bStatusLine);
}

LinkResult CPrinterConnection::ReadLine(void* pBuffer, int32_t* pnLength)
{
    return ReadChannelLine(m_params.kind, m_params.limits, m_hPort, m_hStatusPort, pBuffer, pnLength);
}

DeliveryResult CPrinterConnection::ConfirmDelivery()
{
    return ConfirmChannels(m_params.kind, m_params.limits, m_hPort, m_hStatusPort);
}

uint64_t CPrinterConnection::Unconfirmed() const
{
    return m_bOpen ? UnconfirmedBytes(m_params.kind, m_hPort) : 0;
}

LinkResult CPrinterConnection::Close()
{
    m_bOpen = false;
    return CloseChannels(m_params.kind, m_hPort, m_hStatusPort);
}

void CPrinterConnection::Abandon()
{
    m_bOpen = false;
    AbandonChannels(m_params.kind, m_hPort, m_hStatusPort);
}
