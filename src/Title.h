// The program's name as the user sees it: the window's caption and the
// caption of both message boxes. Every folder may include this one.
#pragma once

namespace tollivane {

inline constexpr const char* kAppTitle = "Tollivane";

} // namespace tollivane
