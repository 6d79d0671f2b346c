#pragma once

namespace atalaya {

struct WindowSize {
  int width;
  int height;
  bool operator==(const WindowSize&) const = default;
};

// The smallest size the main window may be resized to while it shows.
inline constexpr WindowSize kMainWindowMinimum = {756, 570};

// The minimum to enforce after the window took `current` size. A window opened smaller than
// the limit (the saved size may be 736 wide) keeps its size and cannot shrink further; once it
// has grown past the limit it cannot go below it again.
constexpr WindowSize NextMinimumSize(WindowSize enforced, WindowSize current) {
  const auto next = [](int limit, int enforced_now, int now) {
    const int grown = enforced_now > now ? enforced_now : now;
    return grown < limit ? grown : limit;
  };
  return {next(kMainWindowMinimum.width, enforced.width, current.width),
          next(kMainWindowMinimum.height, enforced.height, current.height)};
}

}  // namespace atalaya
