#include "ui/qt/ip_address_edit.h"

#include "ui/ip_address_ctrl.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("octet%1").arg(i));
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(new QIntValidator(0, 255, field));
        field->installEventFilter(this);
        layout->addWidget(field, 1);
        m_fields[i] = field;
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            // A field never holds more than 255: the Windows control puts
            // 255 in the place of a larger number as it is typed.
            if (text.toUInt() > 255)
                m_fields[i]->setText(QStringLiteral("255"));
            if (text.size() == 3 && i < 3) {
                m_fields[i + 1]->setFocus();
                m_fields[i + 1]->selectAll();
            }
        });
    }
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->text() == QStringLiteral(".")) {
            for (int i = 0; i < 3; ++i) {
                if (watched == m_fields[i] && !m_fields[i]->text().isEmpty()) {
                    m_fields[i + 1]->setFocus();
                    m_fields[i + 1]->selectAll();
                }
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void IpAddressEdit::SetAddress(uint32_t address)
{
    for (int i = 0; i < 4; ++i)
        m_fields[i]->setText(QString::number(IpAddressField(address, i)));
}

int IpAddressEdit::GetAddress(uint32_t* address) const
{
    uint32_t octets[4] = {};
    int filled = 0;
    for (int i = 0; i < 4; ++i) {
        QString text = m_fields[i]->text();
        if (!text.isEmpty()) {
            ++filled;
            octets[i] = std::min(text.toUInt(), 255u);
        }
    }
    *address = MakeIpAddress(octets[0], octets[1], octets[2], octets[3]);
    return filled;
}
