// The start background stretched over the window from the program's entry on.
#include "app/start_background_ahead.h"

#include <utility>

#include "platform/gdi.h"
#include "resources/start_background.h"

StartBackgroundAhead::StartBackgroundAhead(std::function<platform::Surface()> draw) {
  if (!draw) draw = [] { return StartBackgroundPicture(); };
  thread_ = std::thread([this, draw = std::move(draw)]() mutable { Run(std::move(draw)); });
}

StartBackgroundAhead::~StartBackgroundAhead() {
  {
    std::lock_guard lock(mutex_);
    leaving_ = true;
  }
  told_.notify_all();
  thread_.join();
}

void StartBackgroundAhead::TellWindowSize(int width, int height) {
  {
    std::lock_guard lock(mutex_);
    if (width_ > 0 || width <= 0 || height <= 0) return;
    width_ = width;
    height_ = height;
  }
  told_.notify_all();
}

bool StartBackgroundAhead::Fits(int width, int height) {
  std::lock_guard lock(mutex_);
  return width_ == width && height_ == height && width > 0;
}

void StartBackgroundAhead::WantRoom() {
  {
    std::lock_guard lock(mutex_);
    room_wanted_ = true;
  }
  told_.notify_all();
}

platform::Surface StartBackgroundAhead::TakeDrawn() {
  WantRoom();
  return drawn_taken_.valid() ? drawn_taken_.get() : platform::Surface{};
}

void StartBackgroundAhead::Run(std::function<platform::Surface()> draw) {
  platform::Surface drawn = draw();
  int width = 0, height = 0;
  {
    std::unique_lock lock(mutex_);
    told_.wait(lock, [this] { return width_ > 0 || leaving_; });
    width = width_;
    height = height_;
  }
  const auto stretch = [&] {
    if (width <= 0 || drawn.Empty()) return platform::Surface{};
    platform::Surface picture(width, height);
    platform::StretchBlit(picture, {0, 0, width, height}, drawn, drawn.Bounds());
    return picture;
  };
  first_.set_value(stretch());
  bool wanted = false;
  {
    std::unique_lock lock(mutex_);
    told_.wait(lock, [this] { return room_wanted_ || leaving_; });
    wanted = room_wanted_;
  }
  room_.set_value(wanted ? stretch() : platform::Surface{});
  drawn_.set_value(std::move(drawn));
}
