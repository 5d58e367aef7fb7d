#pragma once
// Drawing shared by the link and network pages: the page's title in the tab of the skin's
// page background, and the light card their figures sit on.

#include <QRect>
#include <QString>

class QPainter;

namespace dedevev {

// The tab of "PageBkg1_0" at the top left of a page.
constexpr QRect kPageTabRect(8, 4, 110, 28);

void PaintPageTab(QPainter& painter, const QString& title);
void PaintPageCard(QPainter& painter, const QRect& rect);

}  // namespace dedevev
