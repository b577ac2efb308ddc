// Dialog units to pixels for a font, the way the Windows dialog manager
// converts them: horizontal units are a quarter of the font's average
// character width, vertical units an eighth of its height. Fonts here are
// not the templates' own, so the horizontal unit is then widened, if need
// be, until every text of every template fits its control unclipped.
#pragma once

#include <QFont>
#include <QRect>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int dlu) const;
    int Y(int dlu) const;
    QRect Rect(int x, int y, int cx, int cy) const;

private:
    bool TemplatesFit(const QFont& font) const;

    // Base units in 1/100 pixel, so that widening can be fine-grained.
    int m_baseX100;
    int m_baseY100;
};
