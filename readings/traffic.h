// Which interface the speed fields measure: the one that carries the traffic, followed when the
// traffic moves to another. Interfaces are known by their interface index, never by their place
// in the table, and each keeps a short history of its growth. Plain values in, plain values out.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "readings/speed.h"
#include "support/text.h"

struct InterfaceRow {
    std::uint32_t index = 0;
    std::uint32_t inOctets = 0;
    std::uint32_t outOctets = 0;
};

// The rows the table really holds, in table order.
std::vector<InterfaceRow> InterfaceRowsOf(const ByteBuffer& table);

// Bytes a 32-bit counter grew by since the last reading, across a wrap; a counter that went
// down (2^31 or more modulo 2^32) was reset and grew by nothing.
std::uint32_t CounterGrowth(std::uint32_t current, std::uint32_t last);

constexpr int kTrafficWindowTicks = 5;

struct TrafficTick {
    bool measured = false;  // false: no interface qualifies, no reading
    std::uint32_t index = 0;
    std::uint64_t inBytes = 0;   // the measured interface's growth this tick
    std::uint64_t outBytes = 0;
};

class TrafficMeter {
public:
    // One table that was read successfully; a failed query is simply not fed.
    TrafficTick Feed(const std::vector<InterfaceRow>& rows);

    std::uint32_t MeasuredIndex() const { return measuring_ ? measured_ : 0; }
    // The measured interface's counters as last read; 0 while none is measured.
    std::uint32_t LastInOctets() const;
    std::uint32_t LastOutOctets() const;

private:
    struct History {
        std::uint32_t lastIn = 0, lastOut = 0;
        std::uint64_t tickIn = 0, tickOut = 0;                 // this tick's growth
        std::array<std::uint64_t, kTrafficWindowTicks> growth{};  // both ways, per tick, by tick slot
        bool seen = false;                                       // in the table just fed
    };
    static std::uint64_t WindowGrowth(const History& history);
    static bool Outgrows(const History& candidate, const History& measured);
    std::optional<std::uint32_t> Busiest(const std::vector<InterfaceRow>& rows) const;

    std::map<std::uint32_t, History> histories_;
    std::uint32_t measured_ = 0;
    bool measuring_ = false;
    unsigned tick_ = 0;
};
