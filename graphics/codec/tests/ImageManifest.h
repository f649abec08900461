// The rows of the image fixtures' manifest: every file with its format and the path of its
// reference decoding ("-" when there is none).
#ifndef GRAPHICS_CODEC_TESTS_IMAGE_MANIFEST_H_
#define GRAPHICS_CODEC_TESTS_IMAGE_MANIFEST_H_

#include <Fixtures.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ImageManifest {

struct Row {
  std::string path, reference;
};

// The rows whose format column is Format ("PNG", "JPEG", "BMP").
inline std::vector<Row>
RowsOf (const std::string &Format)
{
  std::vector<Row> Rows;
  std::ifstream Manifest (Fixtures::Path ("images/MANIFEST.tsv"));
  std::string Line;
  while (std::getline (Manifest, Line)) {
    std::vector<std::string> Fields;
    std::stringstream Split (Line);
    for (std::string Field; std::getline (Split, Field, '\t');) {
      Fields.push_back (Field);
    }
    if ((Fields.size () >= 5) && (Fields[1] == Format)) {
      Rows.push_back ({ Fields[0], Fields[4] });
    }
  }
  return Rows;
}

}  // namespace ImageManifest

#endif
