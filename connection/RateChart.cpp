#include "connection/RateChart.h"

#include <algorithm>

namespace dedevev {

void RateChartModel::Add(float send, float receive) {
    current_send_ = send;
    current_receive_ = receive;
    if (send < 0 || receive < 0)
        return;
    a_.push_back(send);
    b_.push_back(receive);
    Trim();
}

void RateChartModel::Clear() {
    a_.clear();
    b_.clear();
    current_send_ = 0;
    current_receive_ = 0;
}

void RateChartModel::SetCapacity(int capacity) {
    capacity_ = static_cast<std::size_t>(std::max(capacity, 0));
    Trim();
}

// A series longer than the capacity (after the chart shrank) loses as many old points as it
// must, so that the newest are the ones drawn.
void RateChartModel::Trim() {
    for (std::deque<float>* series : {&a_, &b_}) {
        while (series->size() > capacity_)
            series->pop_front();
    }
}

double RateChartModel::Scale() const {
    if (a_.empty() || b_.empty())
        return -1;
    return std::max(*std::max_element(a_.begin(), a_.end()),
                    *std::max_element(b_.begin(), b_.end()));
}

int RateChartModel::BarTop(double value, double scale, int unit) {
    const int base = 10 * unit;
    if (scale <= 0.000001)
        return base;
    const int top = base - static_cast<int>(unit * value * 10 / scale);
    return std::max(top, kTopLimit);
}

ChartLayout RateChartModel::Layout(int width, int height) const {
    ChartLayout layout;
    layout.unit = height / 11;
    layout.base = 10 * layout.unit;
    layout.right = width - 10;
    layout.legend_y = (height / 13) * 12 + 10;
    layout.scale = Scale();
    if (layout.scale < 0)
        return layout;
    const std::size_t count = std::min({a_.size(), b_.size(), capacity_});
    layout.bars.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int top_a = BarTop(a_[i], layout.scale, layout.unit);
        const int top_b = BarTop(b_[i], layout.scale, layout.unit);
        const bool a_larger = a_[i] >= b_[i];
        layout.bars.push_back({kFirstX + static_cast<int>(i), a_larger ? top_a : top_b,
                               a_larger ? top_b : top_a, a_larger});
    }
    return layout;
}

}  // namespace dedevev
