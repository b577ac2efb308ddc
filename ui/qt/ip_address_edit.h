// An address control: four octet fields (0 to 255), typing a dot or a
// third digit moves to the next field.
#pragma once

#include <QWidget>

#include <cstdint>

class QLineEdit;

class IpAddressEdit : public QWidget {
public:
    explicit IpAddressEdit(QWidget* parent);
    void SetAddress(uint32_t address);
    // Blank fields read 0; returns the number of non-blank fields.
    int GetAddress(uint32_t* address) const;
    QLineEdit* Field(int i) const { return m_fields[i]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_fields[4];
};
