#pragma once
// The rate chart's data and geometry: two series of rates in KB/s (A upload, B download) that
// keep at most `capacity` points each, the latest pair for the legend, and where each bar goes
// for a given client size. The window only paints what Layout() gives it.

#include <cstddef>
#include <deque>
#include <vector>

namespace dedevev {

// One column of the chart: two vertical lines from their tops down to the base line. The
// larger value is drawn first in its own colour, the smaller over it merged with it.
struct ChartBar {
    int x = 0;
    int first_top = 0;   // the larger value
    int second_top = 0;  // the smaller value
    bool first_is_a = true;

    friend bool operator==(const ChartBar&, const ChartBar&) = default;
};

struct ChartLayout {
    int unit = 0;       // height / 11
    int base = 0;       // 10 * unit: the base line and the bottom of the frame
    int right = 0;      // the right frame line (width - 10)
    double scale = -1;  // the larger maximum of the two series; negative: no scale label
    int legend_y = 0;   // (height / 13) * 12 + 10
    std::vector<ChartBar> bars;
};

class RateChartModel {
public:
    // The frame's left line and the first column.
    static constexpr int kLeft = 10;
    static constexpr int kFirstX = 11;
    // No bar reaches above this line (the scale mark).
    static constexpr int kTopLimit = 20;
    // The legend's x positions.
    static constexpr int kLegendA = 108;
    static constexpr int kLegendB = 290;

    // Keeps the pair as the current values; a pair with a negative value goes no further.
    // Otherwise each value is appended to its series, the oldest points going when a series
    // holds more than the capacity.
    void Add(float send, float receive);
    // Empties both series; the current values return to 0.
    void Clear();
    // Points kept per series (negative counts as 0); longer series lose their oldest points.
    void SetCapacity(int capacity);
    int Capacity() const { return capacity_; }

    const std::deque<float>& SeriesA() const { return a_; }
    const std::deque<float>& SeriesB() const { return b_; }
    float CurrentSend() const { return current_send_; }
    float CurrentReceive() const { return current_receive_; }

    // The larger of the two series' maxima; -1 while either series is empty.
    double Scale() const;
    // The top of a bar of `value` for the scale `scale` and the unit `unit`.
    static int BarTop(double value, double scale, int unit);
    // Everything to draw in a client area of `width` x `height`.
    ChartLayout Layout(int width, int height) const;

private:
    void Trim();

    std::deque<float> a_;
    std::deque<float> b_;
    float current_send_ = 0;
    float current_receive_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace dedevev
