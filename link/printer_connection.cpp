#include "link/printer_connection.h"

#include "link/channel_table.h"

CPrinterConnection::~CPrinterConnection()
{
    // A connection left open by a way out that did not close it.
    if (m_bOpen)
        Close();
}

LinkStatus CPrinterConnection::Open()
{
    m_hPort = 0;
    m_hStatusPort = 0;
    LinkStatus opened = OpenChannels(m_params, m_hPort, m_hStatusPort, m_nOpenError);
    m_bOpen = opened == LinkStatus::Done;
    return opened;
}

LinkStatus CPrinterConnection::Write(const void* pBuffer, int32_t nLength, bool bStatusLine)
{
    return WriteChannels(m_params.kind, m_hPort, m_hStatusPort, pBuffer, nLength, bStatusLine);
}

LinkStatus CPrinterConnection::ReadLine(void* pBuffer, int32_t* pnLength)
{
    return ReadChannelLine(m_params.kind, m_params.limits, m_hPort, m_hStatusPort, pBuffer, pnLength);
}

Delivery CPrinterConnection::ConfirmDelivery()
{
    return ConfirmChannels(m_params.kind, m_params.limits, m_hPort, m_hStatusPort);
}

uint64_t CPrinterConnection::Unconfirmed() const
{
    return m_bOpen ? UnconfirmedBytes(m_params.kind, m_hPort) : 0;
}

LinkStatus CPrinterConnection::Close()
{
    m_bOpen = false;
    return CloseChannels(m_params.kind, m_hPort, m_hStatusPort);
}
