// The start background made from the program's entry on, beside the host's own start.
#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "platform/surface.h"

// Takes the start background (the one kept in the program, unless told how to draw another) on a
// thread of its own as soon as it is made, then, once the host has told the window's size,
// stretches it over a window-sized picture twice: for the intro's first frame, then, once that
// frame is out, as the room of the buffer the intro keeps its background in.
class StartBackgroundAhead {
 public:
  // `draw` makes the picture: where it is empty, the start background kept in the program is lent.
  explicit StartBackgroundAhead(std::function<platform::Surface()> draw = {});
  ~StartBackgroundAhead();
  StartBackgroundAhead(const StartBackgroundAhead&) = delete;
  StartBackgroundAhead& operator=(const StartBackgroundAhead&) = delete;

  // The window's size, from any thread; the first told counts.
  void TellWindowSize(int width, int height);
  // Whether the pictures are being stretched for a window of this size.
  bool Fits(int width, int height);
  // The stretched pictures, each given away once: the first, then the room; empty where no size
  // was told by the time the window asked, or the picture was drawn empty.
  std::future<platform::Surface> TakeFirst() { return first_.get_future(); }
  std::future<platform::Surface> TakeRoom() { return room_.get_future(); }
  // The first frame is out: the room is stretched now. Before, the new memory it takes would be
  // filled beside the first frame's own.
  void WantRoom();
  // Waits for the picture drawn and gives it away once its stretches are made; empty the second time.
  platform::Surface TakeDrawn();

 private:
  void Run(std::function<platform::Surface()> draw);

  std::mutex mutex_;
  std::condition_variable told_;
  int width_ = 0, height_ = 0;
  bool leaving_ = false;
  bool room_wanted_ = false;
  std::promise<platform::Surface> first_;
  std::promise<platform::Surface> room_;
  std::promise<platform::Surface> drawn_;
  std::future<platform::Surface> drawn_taken_ = drawn_.get_future();
  std::thread thread_;
};
