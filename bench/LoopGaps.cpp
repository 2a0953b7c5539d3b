#include "LoopGaps.h"

#include <algorithm>
#include <cmath>

namespace bench {

LoopGaps::LoopGaps() {
    clock_.start();
}

void LoopGaps::tick() {
    const std::int64_t now = clock_.nsecsElapsed();
    gaps_.push_back(now - last_);
    last_ = now;
}

void LoopGaps::add(const LoopGaps& other) {
    gaps_.insert(gaps_.end(), other.gaps_.begin(), other.gaps_.end());
}

double LoopGaps::percentileMs(double fraction) const {
    if (gaps_.empty())
        return 0;
    std::vector<std::int64_t> sorted = gaps_;
    const auto rank = std::size_t(std::ceil(fraction * double(sorted.size())));
    const auto at =
        sorted.begin() + std::ptrdiff_t(std::clamp<std::size_t>(rank, 1, sorted.size()) - 1);
    std::nth_element(sorted.begin(), at, sorted.end());
    return double(*at) / 1e6;
}

double LoopGaps::longestMs() const {
    return gaps_.empty() ? 0 : double(*std::max_element(gaps_.begin(), gaps_.end())) / 1e6;
}

} // namespace bench
