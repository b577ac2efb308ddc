// One printer's connection as the exchanges with it see it: opened and
// closed once per exchange, written in whole buffers, read a line at a
// time. The wizard's sheet is one (over page 2's settings), orvi-flash's
// connections another (over a target's parameters).
#pragma once

#include "link/link_failure.h"

#include <cstdint>

enum class LinkStatus { Done, Failed };

// A step's result, and why it failed.
struct LinkResult {
    LinkStatus status = LinkStatus::Done;
    LinkFailure failure;

    bool Done() const { return status == LinkStatus::Done; }
    static LinkResult Failed(LinkFailure failure) { return {LinkStatus::Failed, failure}; }
};

// Whether the printer's side has the bytes written on a connection. A write
// is done when the system has taken the bytes, which may still sit in a
// socket's or a driver's queue; only the far side's acknowledgement, or an
// emptied output queue, says they arrived.
enum class Delivery {
    // Every byte written has been confirmed by the printer's side.
    Confirmed,
    // The bytes were handed on, and nothing can tell more: a printer queue,
    // or a TCP stack that does not say what its peer acknowledged.
    Unconfirmable,
    // The confirmation stopped coming within the link's limit, or the
    // printer's side reset the connection.
    Failed,
};

struct DeliveryResult {
    Delivery delivery = Delivery::Confirmed;
    // Why, when Failed.
    LinkFailure failure;
};

class IPrinterPort {
public:
    virtual ~IPrinterPort() = default;
    virtual LinkResult Open() = 0;
    // The whole buffer; with bStatusLine, on the line that carries the
    // status request (it differs only in Dual mode).
    virtual LinkResult Write(const void* pBuffer, int32_t nLength, bool bStatusLine) = 0;
    // One line up to and including LF; *pnLength holds the capacity on
    // entry. A full buffer without LF is a line too.
    virtual LinkResult ReadLine(void* pBuffer, int32_t* pnLength) = 0;
    // After the last write: ends the sending and waits, within the link's
    // limit on progress, until the printer's side has confirmed every byte
    // written on this connection. The connection is closed after it.
    virtual DeliveryResult ConfirmDelivery() = 0;
    // Failed only for a printer-queue job the spooler did not take: what
    // was written was not sent after all.
    virtual LinkResult Close() = 0;
    // Closes after an exchange that stopped short: what was written is held
    // back where it still can be (a printer queue's job is withdrawn, never
    // printed); elsewhere the same as Close.
    virtual void Abandon() = 0;
    // Whether the printer can answer on this connection; a printer queue
    // carries nothing back.
    virtual bool CanAnswer() const = 0;
};
