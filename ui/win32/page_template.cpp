#include "ui/win32/page_template.h"

namespace {

// The predefined classes by atom, as resource compilers write them.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;

class TemplateWriter {
public:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d)
    {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    // Single-byte text as the template's UTF-16, NUL-terminated.
    void Text(const char* text)
    {
        int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        if (n <= 0) {
            Word(0);
            return;
        }
        std::vector<WCHAR> wide(static_cast<size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
        for (WCHAR c : wide)
            Word(static_cast<WORD>(c));
    }
    void AlignDword()
    {
        if (m_words.size() % 2)
            Word(0);
    }
    std::vector<WORD> Take() { return std::move(m_words); }

private:
    std::vector<WORD> m_words;
};

DWORD WindowStyleOf(const ControlTemplate& c)
{
    DWORD style = WS_CHILD;
    if (!(c.style & kStyleHidden))
        style |= WS_VISIBLE;
    if (c.style & kStyleGroup)
        style |= WS_GROUP;
    if (c.style & kStyleTabStop)
        style |= WS_TABSTOP;
    if (c.style & kStyleVScroll)
        style |= WS_VSCROLL;
    if (c.style & kStyleBorder)
        style |= WS_BORDER;
    switch (c.kind) {
    case ControlKind::StaticText:
        style |= (c.style & kStyleCentred) ? SS_CENTER : SS_LEFT;
        if (c.style & kStyleSunken)
            style |= SS_SUNKEN;
        break;
    case ControlKind::GroupBox:
        style |= BS_GROUPBOX;
        break;
    case ControlKind::RadioButton:
        style |= BS_AUTORADIOBUTTON;
        break;
    case ControlKind::DropDownList:
        // Unsorted: an entry's position is the index the page stores.
        style |= CBS_DROPDOWNLIST;
        break;
    case ControlKind::IpAddress:
    case ControlKind::ProgressBar:
        break;
    }
    return style;
}

} // namespace

std::vector<WORD> BuildPageTemplate(const DialogTemplate& dialog)
{
    TemplateWriter w;
    // A child page with a caption, which the sheet takes as its title.
    w.Dword(DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION);
    w.Dword(0);
    w.Word(static_cast<WORD>(dialog.controlCount));
    w.Word(0);
    w.Word(0);
    w.Word(static_cast<WORD>(dialog.cx));
    w.Word(static_cast<WORD>(dialog.cy));
    w.Word(0); // no menu
    w.Word(0); // the dialog class
    w.Text(dialog.caption);
    w.Word(static_cast<WORD>(dialog.fontPoints));
    w.Text(dialog.fontName);
    for (int i = 0; i < dialog.controlCount; ++i) {
        const ControlTemplate& c = dialog.controls[i];
        w.AlignDword();
        w.Dword(WindowStyleOf(c));
        w.Dword(0);
        w.Word(static_cast<WORD>(c.x));
        w.Word(static_cast<WORD>(c.y));
        w.Word(static_cast<WORD>(c.cx));
        w.Word(static_cast<WORD>(c.cy));
        w.Word(static_cast<WORD>(c.id)); // -1 becomes 0xFFFF, IDC_STATIC
        switch (c.kind) {
        case ControlKind::StaticText:
            w.Word(0xFFFF);
            w.Word(kStaticAtom);
            break;
        case ControlKind::GroupBox:
        case ControlKind::RadioButton:
            w.Word(0xFFFF);
            w.Word(kButtonAtom);
            break;
        case ControlKind::DropDownList:
            w.Word(0xFFFF);
            w.Word(kComboBoxAtom);
            break;
        case ControlKind::IpAddress:
            w.Text(WC_IPADDRESSA);
            break;
        case ControlKind::ProgressBar:
            w.Text(PROGRESS_CLASSA);
            break;
        }
        w.Text(c.text);
        w.Word(0); // no creation data
    }
    return w.Take();
}
