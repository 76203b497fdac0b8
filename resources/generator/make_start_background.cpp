// A build step: draws the start background and writes the C++ source that keeps its pixels in the
// program, so that the program's start shows it without drawing it.
#include <cstdio>
#include <string>

#include "resources/start_background.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <source to write>\n", argv[0]);
    return 2;
  }
  platform::Surface picture(kStartBackgroundWidth, kStartBackgroundHeight);
  DrawStartBackground(picture);
  // Written beside the target and renamed over it, so that a build stopped half way leaves none.
  const std::string target = argv[1];
  const std::string part = target + ".part";
  std::FILE* out = std::fopen(part.c_str(), "w");
  if (out == nullptr) {
    std::perror(part.c_str());
    return 1;
  }
  std::fprintf(out,
               "// Made by the build from the start background's drawing (resources/start_background.cpp).\n"
               "#include \"resources/start_background.h\"\n\n#include <cstdint>\n\nnamespace {\n\n"
               "alignas(64) const unsigned char kPixels[] =\n");
  for (int y = 0; y < picture.Height(); ++y) {
    std::fputs("    \"", out);
    const std::uint8_t* row = picture.Row(y);
    for (int i = 0; i < picture.Width() * 4; ++i) std::fprintf(out, "\\x%02x", row[i]);
    std::fputs("\"\n", out);
  }
  std::fprintf(out,
               "    ;\nstatic_assert(sizeof kPixels == %d * %d * 4 + 1);\n\n}  // namespace\n\n"
               "platform::Surface StartBackgroundPicture() {\n"
               "  return platform::Surface::Borrow(const_cast<std::uint8_t*>(kPixels), %d, %d, %d * 4);\n}\n",
               picture.Width(), picture.Height(), picture.Width(), picture.Height(), picture.Width());
  const bool written = std::fflush(out) == 0 && std::ferror(out) == 0;
  if (std::fclose(out) != 0 || !written || std::rename(part.c_str(), target.c_str()) != 0) {
    std::perror(target.c_str());
    std::remove(part.c_str());
    return 1;
  }
  return 0;
}
