// The build number the system shows in its title bar and reports at the
// start of every boot.
#pragma once

constexpr int kBuildNumber = 15;
