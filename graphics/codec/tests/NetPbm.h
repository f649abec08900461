// Reads the reference decodings of the image fixtures: binary PGM (P5), PPM (P6) and
// PAM (P7) files of 8-bit samples.
#ifndef GRAPHICS_CODEC_TESTS_NET_PBM_H_
#define GRAPHICS_CODEC_TESTS_NET_PBM_H_

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace NetPbm {

struct Image {
  uint32_t width = 0, height = 0, channels = 0;
  std::vector<uint8_t> samples;  // rows top to bottom, channels interleaved

  const uint8_t *At (uint32_t x, uint32_t y) const { return &samples[((size_t)y * width + x) * channels]; }
};

inline Image
Parse (const std::vector<uint8_t> &File)
{
  std::string Text (File.begin (), File.end ());
  std::istringstream In (Text);
  std::string Magic;
  Image Result;
  unsigned MaxValue = 0;
  In >> Magic;
  if (Magic == "P7") {
    std::string Key;
    while ((In >> Key) && (Key != "ENDHDR")) {
      if (Key == "WIDTH") { In >> Result.width; }
      else if (Key == "HEIGHT") { In >> Result.height; }
      else if (Key == "DEPTH") { In >> Result.channels; }
      else if (Key == "MAXVAL") { In >> MaxValue; }
      else { std::getline (In, Key); }
    }
  } else if ((Magic == "P5") || (Magic == "P6")) {
    Result.channels = (Magic == "P5") ? 1 : 3;
    In >> Result.width >> Result.height >> MaxValue;
  }
  In.get ();
  size_t Start = (size_t)In.tellg ();
  size_t Count = (size_t)Result.width * Result.height * Result.channels;
  if ((MaxValue != 255) || (Result.channels == 0) || (Start + Count > File.size ())) {
    throw std::runtime_error ("not an 8-bit NetPBM image");
  }
  Result.samples.assign (File.begin () + Start, File.begin () + Start + Count);
  return Result;
}

}  // namespace NetPbm

#endif
