// One printer's connection from explicit parameters, as orvi-flash opens
// it: the channel table over a connection's own two handles.
#pragma once

#include "link/channel.h"
#include "link/channel_params.h"
#include "link/printer_port.h"

#include <utility>

class CPrinterConnection : public IPrinterPort {
public:
    explicit CPrinterConnection(ChannelParams params) : m_params(std::move(params)) {}
    ~CPrinterConnection() override;
    CPrinterConnection(const CPrinterConnection&) = delete;
    CPrinterConnection& operator=(const CPrinterConnection&) = delete;

    LinkResult Open() override;
    LinkResult Write(const void* pBuffer, int32_t nLength, bool bStatusLine) override;
    LinkResult ReadLine(void* pBuffer, int32_t* pnLength) override;
    DeliveryResult ConfirmDelivery() override;
    LinkResult Close() override;
    void Abandon() override;
    bool CanAnswer() const override { return m_params.kind != ChannelKind::Queue; }

    const ChannelParams& Params() const { return m_params; }
    // Bytes written on the open connection that the printer's side has not
    // confirmed yet; 0 where the system does not say.
    uint64_t Unconfirmed() const;

private:
    ChannelParams m_params;
    ChannelHandle m_hPort = 0;
    ChannelHandle m_hStatusPort = 0;
    bool m_bOpen = false;
};
