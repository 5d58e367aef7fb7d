#pragma once
// The rate chart of the network page: upload (green) and download (red) rates as one column
// per second, the scale of the larger maximum at the top left and the latest pair as a legend
// under the chart. Drawn into an image first and then copied to the screen in one piece.

#include <QFont>
#include <QWidget>

#include "connection/RateChart.h"
#include "core/GlobalService.h"

namespace dedevev {

class CWndChart : public QWidget, public CGSEventHandler {
    Q_OBJECT
public:
    explicit CWndChart(QWidget* parent = nullptr);

    // A pair of rates in KB/s; see RateChartModel::Add.
    void AddPair(float send, float receive);
    void Clear();
    const RateChartModel& Model() const { return model_; }

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Draw(QPainter& painter);

    RateChartModel model_;
    QFont font_;
};

}  // namespace dedevev
