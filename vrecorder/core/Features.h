// The feature descriptors of GET CONFIGURATION for a drive and the medium in it.
#pragma once
#include <cstdint>
#include <set>
#include <vector>

#include "Disc.h"
#include "DriveOptions.h"

namespace scrivo::vrecorder {

struct FeatureContext {
  const DriveCaps& caps;
  const std::set<int>& refusedWriteTypes;
  const Disc* disc;  // null without a medium
};

// The whole reply for request type `rt` (0 all, 1 the one feature, 2 current ones) from
// feature `start` on; throws a Refusal for a reserved request type.
std::vector<uint8_t> BuildConfiguration(const FeatureContext& ctx, int rt, uint16_t start);

}  // namespace scrivo::vrecorder
