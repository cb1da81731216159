// Draws the simulated handheld's screen (the profile's size) as a person
// would see it, with every visible window and control, into a PNG file.
#pragma once

#include <filesystem>
#include <string>

namespace host {

// False with a reason when the picture cannot be made or written.
bool renderScreen(const std::filesystem::path& png, std::string& error);

}  // namespace host
