#include "bench/headless_frame.h"

#include "res/dialogs.h"

#include <chrono>

namespace {

constexpr int kPageCommSetup = 1;
constexpr int kPageTransfer = 3;

} // namespace

HeadlessWizard::HeadlessWizard()
{
    engine.Start();
    engine.PressNext();
}

void HeadlessWizard::ClickRadio(int nFirstId, int nPosition)
{
    const DialogTemplate* dialog = FindDialogTemplate(kDialogCommSetup);
    int ids[16];
    const int count = dialog ? RadioGroupIds(*dialog, nFirstId, ids, 16) : 0;
    if (nPosition < 0 || nPosition >= count || nPosition >= 16)
        return;
    HeadlessControls& page = m_controls[kPageCommSetup];
    for (int i = 0; i < count && i < 16; ++i)
        page.SetCheck(ids[i], i == nPosition);
    engine.ClickControl(ids[nPosition]);
}

void HeadlessWizard::SetConnection(CommMode nMode, int32_t nSerialPort, int32_t nBaudRate, int32_t nParallelPort,
                                   uint32_t dwAddress)
{
    ClickRadio(IDC_MODE_COM, nMode);
    HeadlessControls& page = m_controls[kPageCommSetup];
    page.SetCurSel(IDC_SERIAL_PORT, nSerialPort);
    page.SetCurSel(IDC_BAUD_RATE, nBaudRate);
    ClickRadio(IDC_LPT1, nParallelPort);
    page.SetAddress(IDC_IP_ADDRESS, dwAddress);
    messages.clear();
}

bool HeadlessWizard::ToTransferPage()
{
    engine.PressNext();
    engine.PressNext();
    if (engine.CurrentPage() != kPageTransfer)
        return false;
    messages.clear();
    return true;
}

void HeadlessWizard::ShowMessageBox(const std::string&, const std::string& strText)
{
    messages.push_back({strText, MonotonicNs()});
}

uint64_t MonotonicNs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}
