#include "ui/qt/dialog_units.h"

#include "res/dialogs.h"

#include <QFontMetrics>
#include <QString>

namespace {

const int kTemplateIds[] = {kDialogWelcome, kDialogCommSetup, kDialogPreparation, kDialogTransfer};

// Room a radio button's indicator and a group box's frame take from the text.
constexpr int kRadioIndicatorPx = 24;
constexpr int kGroupFramePx = 16;

QString Shown(const char* text)
{
    QString s = QString::fromLatin1(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return s;
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX100 = ((width / 26 + 1) / 2) * 100;
    m_baseY100 = fm.height() * 100;
    for (int i = 0; i < 60 && !TemplatesFit(font); ++i)
        m_baseX100 += m_baseX100 / 50;
}

bool DialogUnits::TemplatesFit(const QFont& font) const
{
    QFontMetrics fm(font);
    for (int id : kTemplateIds) {
        const DialogTemplate* dialog = FindDialogTemplate(id);
        for (int i = 0; dialog && i < dialog->controlCount; ++i) {
            const ControlTemplate& c = dialog->controls[i];
            if (!*c.text)
                continue;
            QRect r = Rect(0, 0, c.cx, c.cy);
            QString text = Shown(c.text);
            switch (c.kind) {
            case ControlKind::StaticText: {
                QRect need = fm.boundingRect(QRect(0, 0, r.width(), 100000), Qt::TextWordWrap, text);
                if (need.width() > r.width() || need.height() > r.height())
                    return false;
                break;
            }
            case ControlKind::RadioButton:
                if (fm.horizontalAdvance(text) + kRadioIndicatorPx > r.width())
                    return false;
                break;
            case ControlKind::GroupBox:
                if (fm.horizontalAdvance(text) + kGroupFramePx > r.width())
                    return false;
                break;
            default:
                break;
            }
        }
    }
    return true;
}

// MulDiv rounding, as the dialog manager does it.
static int Scale(int dlu, int base100, int divisor)
{
    return (dlu * base100 + divisor * 50) / (divisor * 100);
}

int DialogUnits::X(int dlu) const
{
    return Scale(dlu, m_baseX100, 4);
}

int DialogUnits::Y(int dlu) const
{
    return Scale(dlu, m_baseY100, 8);
}

QRect DialogUnits::Rect(int x, int y, int cx, int cy) const
{
    return QRect(X(x), Y(y), X(cx), Y(cy));
}
