// The second-stage loaders as bytes (assembled from SecondStage.S): copied
// into a reserved page and run at its physical address with the MMU off.
// Entry at byte 0; see SecondStage.S for the register interface.
#pragma once

#include <cstdint>

constexpr uint32_t kSecondStageSa11x0Size = 424;
constexpr uint32_t kSecondStagePxa2x0Size = 392;

extern const uint8_t kSecondStageSa11x0[kSecondStageSa11x0Size];
extern const uint8_t kSecondStagePxa2x0[kSecondStagePxa2x0Size];
