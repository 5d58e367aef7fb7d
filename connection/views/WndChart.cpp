#include "connection/views/WndChart.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "connection/NetPageTexts.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

const QColor kColorA(0, 255, 0);  // upload
const QColor kColorB(255, 0, 0);  // download
constexpr int kSwatch = 8;

// The points after a resize and while the frame is drawn: the columns between the frame lines.
constexpr int kResizeMargin = 21;
constexpr int kDrawMargin = 22;

}  // namespace

CWndChart::CWndChart(QWidget* parent) : QWidget(parent), font_(LocalFont("Normal")) {
    setObjectName("WndChart");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CWndChart::AddPair(float send, float receive) {
    // A hidden chart hears of no resize and draws nothing: it keeps what its width holds.
    if (!isVisible())
        model_.SetCapacity(width() - kResizeMargin);
    model_.Add(send, receive);
    update();
}

void CWndChart::Clear() {
    model_.Clear();
    update();
}

void CWndChart::OnLanguageChanged() {
    update();
}

void CWndChart::OnSkinChanged() {
    font_ = LocalFont("Normal");
    update();
}

void CWndChart::resizeEvent(QResizeEvent*) {
    model_.SetCapacity(width() - kResizeMargin);
}

void CWndChart::paintEvent(QPaintEvent*) {
    model_.SetCapacity(width() - kDrawMargin);
    QImage buffer(size(), QImage::Format_RGB32);
    {
        QPainter painter(&buffer);
        Draw(painter);
    }
    QPainter(this).drawImage(0, 0, buffer);
}

void CWndChart::Draw(QPainter& painter) {
    using M = RateChartModel;
    const ChartLayout layout = model_.Layout(width(), height());
    painter.fillRect(rect(), SkinQColor(u"DlgBkColor", QColor(242, 246, 249)));

    // The larger value of each column first, then the smaller one merged over it.
    for (const ChartBar& bar : layout.bars) {
        painter.setPen(bar.first_is_a ? kColorA : kColorB);
        painter.drawLine(bar.x, bar.first_top, bar.x, layout.base);
    }
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    for (const ChartBar& bar : layout.bars) {
        painter.setPen(bar.first_is_a ? kColorB : kColorA);
        painter.drawLine(bar.x, bar.second_top, bar.x, layout.base);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const QColor frame = DialogFrameColor();
    painter.setPen(frame);
    painter.drawLine(M::kLeft, 5, M::kLeft, layout.base);
    painter.drawLine(layout.right, 5, layout.right, layout.base);
    painter.drawLine(M::kLeft, 5, layout.right, 5);
    painter.drawLine(M::kLeft, layout.base, layout.right, layout.base);

    painter.setFont(font_);
    const int line = QFontMetrics(font_).height();
    if (layout.scale >= 0) {
        painter.drawLine(M::kLeft, M::kTopLimit, M::kLeft + 10, M::kTopLimit);
        painter.drawText(QRect(M::kLeft + 10, 6, width(), line), Qt::AlignLeft | Qt::AlignTop,
                         QString::asprintf("%.3f KB/s", layout.scale));
    }
    struct Legend {
        int x;
        const QColor& color;
        const char* key;
        float value;
    };
    const Legend legends[] = {{M::kLegendA, kColorA, "UploadSpeed", model_.CurrentSend()},
                              {M::kLegendB, kColorB, "DownloadSpeed", model_.CurrentReceive()}};
    for (const Legend& legend : legends) {
        painter.fillRect(legend.x - kSwatch - 4, layout.legend_y + (line - kSwatch) / 2, kSwatch,
                         kSwatch, legend.color);
        const std::u16string text =
            FormatNumberText(LocalText(legend.key, "WndChart"), legend.value);
        painter.drawText(QRect(legend.x, layout.legend_y, width() - legend.x, line),
                         Qt::AlignLeft | Qt::AlignTop, ToQString(text));
    }
}

}  // namespace dedevev
