// Helpers of the record file tests: a scripted host, a view with a record in it, a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "platform/host_services.h"

namespace recordtest {

// Dialog answers come from the test; messages are collected.
class FakeHost : public platform::HostServices {
 public:
  bool SetDeviceArrivalHandler(platform::DeviceArrivalHandler) override { return false; }
  platform::HostWindow& Window() override { std::abort(); }
  void SetWindowTitle(std::string_view) override {}
  void ShowWindow() override {}
  int RunEventLoop() override { return 0; }
  void ShowMessage(std::string_view text, std::string_view) override { Messages.emplace_back(text); }
  std::optional<platform::FileDialogResult> OpenFileDialog(const platform::FileDialogRequest& r) override {
    LastRequest = r;
    return Answer;
  }
  std::optional<platform::FileDialogResult> SaveFileDialog(const platform::FileDialogRequest& r) override {
    LastRequest = r;
    return Answer;
  }
  bool OpenAddress(std::string_view) override { return false; }
  bool UserLocaleIsRussian() const override { return true; }
  platform::ScreenInfo Screen() const override { return {}; }
  std::string CommandLine() const override { return {}; }

  std::optional<platform::FileDialogResult> Answer;
  platform::FileDialogRequest LastRequest;
  std::vector<std::string> Messages;
};

inline constexpr std::uint32_t kCapacity = 40000;

// A view after a recording: the given channels shown with `samples` codes each (code = channel
// * 1000 + index % 1000), of the given kinds.
struct RecordedView {
  explicit RecordedView(std::vector<std::uint16_t> kinds, std::uint32_t samples, std::uint32_t capacity = kCapacity) {
    view.Init(capacity, PixelRect{0, 0, 1000, 600}, 0, &window);
    for (std::size_t k = 0; k < kinds.size(); ++k) view.Channel(k).Enabled = 1;
    view.SetChannelFlags(static_cast<std::uint8_t>(kinds.size()), 0);
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      VessamorChannel& ch = view.Channel(k);
      ch.SensorCode = kinds[k];
      for (std::uint32_t i = 0; i < samples; ++i) ch.AppendCode(static_cast<std::int16_t>(k * 1000 + i % 1000));
    }
    view.SampleCount = samples;
    view.LastSampleIndex = samples - 1;
    view.RecordViewable = 1;
  }
  FakeMainWindow window;
  GraphView view;
};

// A fresh folder under the test output folder, removed with its files at the end.
struct ScratchFolder {
  explicit ScratchFolder(const std::string& name)
      : path(std::filesystem::path(VESSAMOR_TEST_OUTPUT_DIR) / ("records-" + name)) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path, ignored);
  }
  std::string File(const std::string& name) const { return (path / name).string(); }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path), {}));
  }
  std::filesystem::path path;
};

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace recordtest
