#include "pages/transfer_page.h"

#include "app/my_property_sheet.h"
#include "pages/keep_awake.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "upgrade/commands.h"
#include "upgrade/file_access.h"
#include "upgrade/file_list.h"

#include <string>

namespace {

constexpr int kPieceSize = 1024;
constexpr int kProgressRange = 100;

CMyPropertySheet& Sheet(const CPropertyPage& page)
{
    return *static_cast<CMyPropertySheet*>(page.GetParent());
}

std::string ParseFailureText(int32_t nErrorIndex, const UpgradeFileList& list)
{
    if (nErrorIndex == kConfigNotOpened)
        return LoadStringResource(IDS_CONFIG_NOT_FOUND);
    if (nErrorIndex < 0 || nErrorIndex >= kFileListCapacity)
        return LoadStringResource(IDS_CONFIG_CORRUPT);
    // "%s" takes the name as the list holds it; the name goes in whole,
    // whatever it contains.
    std::string text = LoadStringResource(IDS_FILE_MISSING);
    size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, list.m_strNames[nErrorIndex].c_str());
    return text;
}

// Closes a firmware file on every way out of the transfer.
class OpenFile {
public:
    explicit OpenFile(FileHandle h) : m_h(h) {}
    ~OpenFile() { CloseFile(m_h); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    FileHandle Get() const { return m_h; }

private:
    FileHandle m_h;
};

} // namespace

CMyPropertyPage4::CMyPropertyPage4() : CPropertyPage(kDialogTransfer) {}

bool CMyPropertyPage4::OnSetActive()
{
    Wizard().PostSetWizardButtons(PSWIZB_FINISH);
    Wizard().SetFinishText("Finish");
    Controls().ShowWindow(IDC_UPGRADE_DONE_TEXT, false);
    Controls().ShowWindow(IDC_EXIT_TEXT, false);
    Sheet(*this).m_bUpgradeDone = false;
    return CPropertyPage::OnSetActive();
}

bool CMyPropertyPage4::Abort(int nMessageId)
{
    Wizard().MessageBox(LoadStringResource(nMessageId));
    Sheet(*this).ClosePort();
    Wizard().EndWaitCursor();
    return false;
}

bool CMyPropertyPage4::OnWizardFinish()
{
    CMyPropertySheet& sheet = Sheet(*this);
    if (sheet.m_bUpgradeDone)
        return CPropertyPage::OnWizardFinish();
    CKeepAwake awake;
    Wizard().BeginWaitCursor();

    const std::string directory = ProgramDirectory();
    UpgradeFileList list;
    int32_t errorIndex = 0;
    if (!ParseUpgradeConfig(kConfigFileName, directory, list, errorIndex)) {
        Wizard().MessageBox(ParseFailureText(errorIndex, list));
        Wizard().EndWaitCursor();
        return false;
    }
    // The configuration file goes last, announced with the size its entry
    // has now; if it has gone since it was read, nothing is sent.
    uint64_t configSize = 0;
    if (!LookupFileSize(directory, kConfigFileName, &configSize) || configSize > 0x7FFFFFFF) {
        Wizard().MessageBox(LoadStringResource(configSize > 0x7FFFFFFF ? IDS_CONFIG_CORRUPT : IDS_CONFIG_NOT_FOUND));
        Wizard().EndWaitCursor();
        return false;
    }
    list.m_strNames[list.m_nCount] = kConfigFileName;
    list.m_nSizes[list.m_nCount] = static_cast<int32_t>(configSize);
    list.m_nTotalSize += static_cast<int64_t>(configSize);
    list.m_nCount += 1;

    const uint64_t step = static_cast<uint64_t>(list.m_nTotalSize) / kProgressRange;
    Controls().SetRange(IDC_PROGRESS, 0, kProgressRange);
    Controls().SetStep(IDC_PROGRESS, 1);
    Controls().SetPos(IDC_PROGRESS, 0);

    if (!sheet.OpenPort()) {
        Wizard().MessageBox(LoadStringResource(IDS_PORT_NOT_OPENED));
        Wizard().EndWaitCursor();
        return false;
    }

    uint64_t counted = 0;
    unsigned char piece[kPieceSize];
    for (int k = 0; k < list.m_nCount; ++k) {
        OpenFile file(OpenFileForReading(directory, list.m_strNames[k]));
        if (file.Get() == InvalidFile)
            return Abort(IDS_FILE_NOT_OPENED);
        const std::string header = FormatDtHeader(list.m_nSizes[k], list.m_strNames[k]);
        if (!sheet.WritePort(header.data(), static_cast<int32_t>(header.size()), false))
            return Abort(IDS_COMMAND_NOT_SENT);
        // The data must be exactly what the header announced: a file that
        // has grown or shrunk since the list was read is not sent.
        const uint64_t announced = static_cast<uint64_t>(list.m_nSizes[k]);
        uint64_t sent = 0;
        for (;;) {
            int n = 0;
            if (!ReadFileBytes(file.Get(), piece, kPieceSize, &n))
                return Abort(IDS_FILE_NOT_SENT);
            if (sent + static_cast<uint64_t>(n) > announced || (n < kPieceSize && sent + n != announced))
                return Abort(IDS_FILE_NOT_SENT);
            if (!sheet.WritePort(piece, n, false))
                return Abort(IDS_FILE_NOT_SENT);
            sent += static_cast<uint64_t>(n);
            if (n < kPieceSize)
                break;
            counted += kPieceSize;
            if (counted >= step) {
                Controls().StepIt(IDC_PROGRESS);
                counted = 0;
            }
        }
    }
    if (!sheet.WritePort(kCommandSR, kCommandLength, false))
        return Abort(IDS_FILE_NOT_SENT);
    // A printer-queue job that the spooler refuses as it ends was not sent.
    if (!sheet.ClosePort()) {
        Wizard().MessageBox(LoadStringResource(IDS_FILE_NOT_SENT));
        Wizard().EndWaitCursor();
        return false;
    }

    Controls().SetPos(IDC_PROGRESS, kProgressRange);
    Controls().ShowWindow(IDC_UPGRADE_DONE_TEXT, true);
    Controls().ShowWindow(IDC_EXIT_TEXT, true);
    Wizard().SetFinishText("Done");
    sheet.m_bUpgradeDone = true;
    Wizard().EndWaitCursor();
    return false;
}
