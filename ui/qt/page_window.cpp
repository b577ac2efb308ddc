#include "ui/qt/page_window.h"

#include "ui/qt/dialog_units.h"
#include "ui/qt/ip_address_edit.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>

QString FromAnsi(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToAnsi(const QString& text)
{
    QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

namespace {

// A static text breaks lines at LF and at CR LF.
QString StaticText(const char* text)
{
    QString s = QString::fromLatin1(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

bool PrefixIgnoringCase(const std::string& entry, const std::string& prefix)
{
    if (prefix.size() > entry.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(entry[i]);
        unsigned char b = static_cast<unsigned char>(prefix[i]);
        if (QChar::toLower(static_cast<char32_t>(a)) != QChar::toLower(static_cast<char32_t>(b)))
            return false;
    }
    return true;
}

} // namespace

QtPageWindow::QtPageWindow(const DialogTemplate& dialog, QWidget* parent, std::function<void(int)> onClick)
    : QWidget(parent), m_dialog(dialog)
{
    setObjectName(QStringLiteral("page%1").arg(dialog.id));
    Build(onClick);
}

void QtPageWindow::Build(const std::function<void(int)>& onClick)
{
    DialogUnits units(font());
    setFixedSize(units.X(m_dialog.cx), units.Y(m_dialog.cy));
    std::vector<int>* group = nullptr;
    std::vector<std::vector<int>*> groups;
    std::vector<std::vector<int>> storage(static_cast<size_t>(m_dialog.controlCount));
    for (int i = 0; i < m_dialog.controlCount; ++i) {
        const ControlTemplate& c = m_dialog.controls[i];
        QRect r = units.Rect(c.x, c.y, c.cx, c.cy);
        QWidget* w = nullptr;
        if (c.style & kStyleGroup)
            group = nullptr;
        switch (c.kind) {
        case ControlKind::StaticText: {
            auto* label = new QLabel(StaticText(c.text), this);
            label->setWordWrap(true);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment((c.style & kStyleCentred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
            if (c.style & kStyleSunken)
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            w = label;
            break;
        }
        case ControlKind::GroupBox:
            w = new QGroupBox(QString::fromLatin1(c.text), this);
            w->lower();
            break;
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(QString::fromLatin1(c.text), this);
            radio->setAutoExclusive(false);
            radio->setFocusPolicy(Qt::ClickFocus);
            if (!group) {
                group = &storage[static_cast<size_t>(i)];
                groups.push_back(group);
            }
            group->push_back(c.id);
            const int id = c.id;
            connect(radio, &QRadioButton::clicked, this, [this, id, onClick] {
                CheckInGroup(id);
                onClick(id);
            });
            w = radio;
            break;
        }
        case ControlKind::DropDownList: {
            auto* combo = new QComboBox(this);
            combo->setEditable(false);
            r.setHeight(combo->sizeHint().height());
            w = combo;
            break;
        }
        case ControlKind::IpAddress:
            w = new IpAddressEdit(this);
            break;
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(this);
            bar->setTextVisible(false);
            bar->setRange(0, 100);
            bar->setValue(0);
            w = bar;
            break;
        }
        }
        w->setGeometry(r);
        if (c.style & kStyleHidden)
            w->hide();
        if (c.id != kNoControlId) {
            w->setObjectName(QStringLiteral("ctl%1").arg(c.id));
            m_controls[c.id] = w;
        }
    }
    // Group boxes were lowered as they came; keep the template's order for
    // everything drawn above them.
    for (std::vector<int>* g : groups)
        for (int id : *g)
            m_radioGroups[id] = *g;
}

QWidget* QtPageWindow::Control(int nId) const
{
    auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}

void QtPageWindow::CheckInGroup(int nId)
{
    for (int other : m_radioGroups[nId])
        if (auto* radio = qobject_cast<QRadioButton*>(Control(other)))
            radio->setChecked(other == nId);
}

void QtPageWindow::EnableWindow(int nId, bool bEnable)
{
    if (QWidget* w = Control(nId))
        w->setEnabled(bEnable);
}

bool QtPageWindow::IsWindowEnabled(int nId) const
{
    QWidget* w = Control(nId);
    return w && w->isEnabled();
}

void QtPageWindow::ShowWindow(int nId, bool bShow)
{
    if (QWidget* w = Control(nId))
        w->setVisible(bShow);
}

bool QtPageWindow::IsWindowVisible(int nId) const
{
    QWidget* w = Control(nId);
    return w && !w->isHidden();
}

void QtPageWindow::SetWindowText(int nId, const std::string& strText)
{
    auto* label = qobject_cast<QLabel*>(Control(nId));
    if (!label)
        return;
    // The page reads back exactly what it set, CR LF included.
    label->setProperty("ansiText", QByteArray(strText.data(), static_cast<qsizetype>(strText.size())));
    QString shown = FromAnsi(strText);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    label->setText(shown);
}

std::string QtPageWindow::GetWindowText(int nId) const
{
    auto* label = qobject_cast<QLabel*>(Control(nId));
    if (!label)
        return std::string();
    QVariant raw = label->property("ansiText");
    if (raw.isValid()) {
        QByteArray bytes = raw.toByteArray();
        return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    return ToAnsi(label->text());
}

void QtPageWindow::ResetContent(int nId)
{
    if (auto* combo = qobject_cast<QComboBox*>(Control(nId)))
        combo->clear();
}

void QtPageWindow::AddString(int nId, const std::string& strEntry)
{
    if (auto* combo = qobject_cast<QComboBox*>(Control(nId))) {
        int keep = combo->currentIndex();
        combo->addItem(FromAnsi(strEntry));
        // Adding an entry never selects it.
        combo->setCurrentIndex(keep);
    }
}

int QtPageWindow::GetCount(int nId) const
{
    auto* combo = qobject_cast<QComboBox*>(Control(nId));
    return combo ? combo->count() : 0;
}

std::string QtPageWindow::GetLBText(int nId, int nIndex) const
{
    auto* combo = qobject_cast<QComboBox*>(Control(nId));
    return combo && nIndex >= 0 && nIndex < combo->count() ? ToAnsi(combo->itemText(nIndex)) : std::string();
}

int QtPageWindow::GetCurSel(int nId) const
{
    auto* combo = qobject_cast<QComboBox*>(Control(nId));
    return combo ? combo->currentIndex() : -1;
}

void QtPageWindow::SetCurSel(int nId, int nIndex)
{
    if (auto* combo = qobject_cast<QComboBox*>(Control(nId)))
        combo->setCurrentIndex(nIndex >= 0 && nIndex < combo->count() ? nIndex : -1);
}

int QtPageWindow::SelectString(int nId, const std::string& strPrefix)
{
    auto* combo = qobject_cast<QComboBox*>(Control(nId));
    if (!combo)
        return -1;
    for (int i = 0; i < combo->count(); ++i) {
        if (PrefixIgnoringCase(ToAnsi(combo->itemText(i)), strPrefix)) {
            combo->setCurrentIndex(i);
            return i;
        }
    }
    return -1;
}

bool QtPageWindow::GetCheck(int nId) const
{
    auto* radio = qobject_cast<QRadioButton*>(Control(nId));
    return radio && radio->isChecked();
}

void QtPageWindow::SetCheck(int nId, bool bChecked)
{
    if (auto* radio = qobject_cast<QRadioButton*>(Control(nId)))
        radio->setChecked(bChecked);
}

int QtPageWindow::GetAddress(int nId, uint32_t* pdwAddress) const
{
    *pdwAddress = 0;
    auto* edit = dynamic_cast<IpAddressEdit*>(Control(nId));
    return edit ? edit->GetAddress(pdwAddress) : 0;
}

void QtPageWindow::SetAddress(int nId, uint32_t dwAddress)
{
    if (auto* edit = dynamic_cast<IpAddressEdit*>(Control(nId)))
        edit->SetAddress(dwAddress);
}

void QtPageWindow::SetRange(int nId, int nLower, int nUpper)
{
    if (auto* bar = qobject_cast<QProgressBar*>(Control(nId)))
        bar->setRange(nLower, nUpper);
}

void QtPageWindow::SetStep(int nId, int nStep)
{
    m_steps[nId] = nStep;
}

void QtPageWindow::SetPos(int nId, int nPos)
{
    if (auto* bar = qobject_cast<QProgressBar*>(Control(nId))) {
        bar->setValue(nPos);
        bar->repaint();
    }
}

int QtPageWindow::GetPos(int nId) const
{
    auto* bar = qobject_cast<QProgressBar*>(Control(nId));
    return bar ? bar->value() : 0;
}

void QtPageWindow::StepIt(int nId)
{
    auto* bar = qobject_cast<QProgressBar*>(Control(nId));
    if (!bar)
        return;
    auto it = m_steps.find(nId);
    int step = it == m_steps.end() ? 10 : it->second;
    int pos = bar->value() + step;
    // Past the end the bar starts over, as the native control does.
    if (pos > bar->maximum())
        pos = bar->minimum() + (pos - bar->maximum());
    bar->setValue(pos);
    // The transfer runs on this thread: paint the step now.
    bar->repaint();
}
