// Following the interface that carries the traffic.
#include "readings/traffic.h"

#include <algorithm>

#include "readings/speed.h"

namespace {

// A switch needs the other interface to carry more than twice as much in most of the window,
// and clearly more in all: mirrored filter rows and one-tick bursts never make the fields flicker.
constexpr int kTicksToSwitch = 3;
constexpr std::uint64_t kBytesToSwitch = 32 * 1024;

// An interface that has both sent and received something can be measured.
bool Qualifies(const InterfaceRow& row) { return row.inOctets > 1 && row.outOctets > 1; }

}  // namespace

std::vector<InterfaceRow> InterfaceRowsOf(const ByteBuffer& table) {
    std::vector<InterfaceRow> rows;
    const int count = InterfaceRowCount(table);
    for (int row = 1; row <= count; ++row) {
        rows.push_back({InterfaceIndex(table, row), InterfaceInOctets(table, row), InterfaceOutOctets(table, row)});
    }
    return rows;
}

std::uint32_t CounterGrowth(std::uint32_t current, std::uint32_t last) {
    const std::uint32_t growth = current - last;  // unsigned: a wrapped counter still gives the true amount
    // A counter that went down was reset (adapter re-enabled); modulo 2^32 it would read as a
    // rise of nearly 4 GB. The price: a true rise of 2 GB or more in one tick (a tick that a slow
    // CPU sample stretched, above some 5 Gbit/s) also counts as nothing.
    return growth >= 0x80000000u ? 0 : growth;
}

std::uint64_t TrafficMeter::WindowGrowth(const History& history) {
    std::uint64_t sum = 0;
    for (std::uint64_t growth : history.growth) sum += growth;
    return sum;
}

bool TrafficMeter::Outgrows(const History& candidate, const History& measured) {
    int ticks = 0;
    for (int slot = 0; slot < kTrafficWindowTicks; ++slot) {
        if (candidate.growth[slot] > 2 * measured.growth[slot]) ++ticks;
    }
    return ticks >= kTicksToSwitch && WindowGrowth(candidate) >= WindowGrowth(measured) + kBytesToSwitch;
}

// The interface that grew most over the window; among equals the later row, as at the start.
std::optional<std::uint32_t> TrafficMeter::Busiest(const std::vector<InterfaceRow>& rows) const {
    std::optional<std::uint32_t> busiest;
    std::uint64_t most = 0;
    for (const InterfaceRow& row : rows) {
        if (!Qualifies(row)) continue;
        const std::uint64_t growth = WindowGrowth(histories_.at(row.index));
        if (!busiest || growth >= most) {
            busiest = row.index;
            most = growth;
        }
    }
    return busiest;
}

TrafficTick TrafficMeter::Feed(const std::vector<InterfaceRow>& rows) {
    const int slot = static_cast<int>(tick_++ % kTrafficWindowTicks);
    for (auto& [index, history] : histories_) history.seen = false;
    for (const InterfaceRow& row : rows) {
        auto [place, added] = histories_.try_emplace(row.index);
        History& history = place->second;
        if (added) {
            // New, or an index seen again after it left the table: it starts afresh.
            history.lastIn = row.inOctets;
            history.lastOut = row.outOctets;
        }
        history.tickIn = CounterGrowth(row.inOctets, history.lastIn);
        history.tickOut = CounterGrowth(row.outOctets, history.lastOut);
        history.growth[slot] = history.tickIn + history.tickOut;
        history.lastIn = row.inOctets;
        history.lastOut = row.outOctets;
        history.seen = true;
    }
    for (auto it = histories_.begin(); it != histories_.end();) {
        it = it->second.seen ? std::next(it) : histories_.erase(it);
    }

    const bool anyQualifies = std::any_of(rows.begin(), rows.end(), Qualifies);
    if (!anyQualifies) {
        // Nothing has both sent and received: no reading, and a fresh choice once something has.
        measuring_ = false;
        measured_ = 0;
    } else if (measuring_ && !histories_.count(measured_)) {
        // The measured one left the table: the busiest of the rest, from now on.
        const std::optional<std::uint32_t> busiest = Busiest(rows);
        measuring_ = busiest.has_value();
        measured_ = busiest.value_or(0);
    } else if (!measuring_) {
        // The first choice: the last row with both counters above 1.
        for (const InterfaceRow& row : rows) {
            if (Qualifies(row)) {
                measured_ = row.index;
                measuring_ = true;
            }
        }
    } else {
        const History& current = histories_.at(measured_);
        std::uint32_t best = measured_;
        std::uint64_t bestGrowth = WindowGrowth(current);
        for (const auto& [index, history] : histories_) {
            if (index == measured_ || !Qualifies({index, history.lastIn, history.lastOut}) ||
                !Outgrows(history, current)) {
                continue;
            }
            if (WindowGrowth(history) > bestGrowth) {
                best = index;
                bestGrowth = WindowGrowth(history);
            }
        }
        measured_ = best;
    }
    if (!measuring_) return {};
    const History& history = histories_.at(measured_);
    return {true, measured_, history.tickIn, history.tickOut};
}

std::uint32_t TrafficMeter::LastInOctets() const {
    return measuring_ ? histories_.at(measured_).lastIn : 0;
}

std::uint32_t TrafficMeter::LastOutOctets() const {
    return measuring_ ? histories_.at(measured_).lastOut : 0;
}
