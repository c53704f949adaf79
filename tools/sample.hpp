#pragma once

// The bytes of the bundled sample examples/Meteor.res: a header area of a few
// hundred invented bytes and thirty invented maps. Every byte comes from this
// code, so the sample is the same on every run.

#include <cstdint>
#include <string>
#include <vector>

#include "resfile/result.hpp"

namespace tessaly::sample {

// The whole sample file; fails (naming the map) only if a name cannot be encoded.
[[nodiscard]] Result<std::vector<std::uint8_t>, std::string> SampleBytes();

}  // namespace tessaly::sample
