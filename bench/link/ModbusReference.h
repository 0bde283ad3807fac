#pragma once

#include <optional>
#include <vector>

// Round trips of libmodbus's own RTU client reading 40 registers from a minimal responder over
// a pty pair: what a small, explicit protocol library costs for the same exchange, the yardstick
// for the link's request overhead. Returns the times in ms, or nothing when the pty or libmodbus
// fails.
std::optional<std::vector<double>> libmodbusReadTimes(int rounds);
